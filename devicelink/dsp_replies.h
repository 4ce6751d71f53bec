#pragma once
/// Decoding of the box's DSP reports (DSP_PACKET data reports and the acknowledgements that
/// are logged). Each decoded reply is posted as WM_DSP_REPLY with wParam = command id to
/// the main window's slot, either as one or more records (dsp_records.h) or as a plain
/// value in lParam; the input noise report (id 39) goes to the noise slot unless the link
/// configuration sends it to the main window.
///
/// Every decoder logs "dsp_ack_process: cmd(...)" first, then decodes only OP_UPDATE
/// frames; ids 2 and 13 also log their OP_ACK. Ids 12, 16, 60 and 61 are logged and
/// ignored. Calibration (19..28) and memory (66) replies belong to another family and are
/// not in this table.
///
/// Short and oversized replies. A decoder never reads past the frame, whatever range its
/// header announces:
/// - replies posted as one record per channel or band post a record for each complete
///   entry the frame carries, in order, and skip announced entries it does not carry;
/// - single records with per-channel slots (input channels, noise, Q-factor modes,
///   distortion, speaker distances, input mix trims) fill the complete entries of channels
///   0..15 (positions 0..15 for the mix trims) and lower their `last` field to the last
///   entry filled, so a reader that walks first..last meets only reported values; a reply
///   that fills no entry is dropped;
/// - the compressor reply needs all its value bytes (else it is dropped) and posts records
///   for channels up to 15 only, since nothing bounds its range otherwise;
/// - link replies copy as many of their output count / 2 link bytes as the frame carries;
/// - value replies and fixed records missing a byte they need are dropped.
/// A range whose last entry is 255 ends there.

#include "devicelink/reply_decoders.h"

namespace qb {

/// The decoders of every DSP reply this family owns, for InstallDecoderTables.
DecoderTable DspReplyDecoders();

}  // namespace qb
