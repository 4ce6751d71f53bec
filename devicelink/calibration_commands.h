#pragma once
/// The automatic room calibration exchange (DSP_PACKET ids 19..30): starting and steering
/// a measurement, reading its results, and the decoder that posts progress and results to
/// the calibration window (CalibrationWindowHandle) as WM_IRC_REPLY.
///
/// `sync` is the send rule's immediate argument: true sends and waits kWaitDefaultMs,
/// false queues (or drops while the queue is off). Queries always send at once, wait
/// kWaitDefaultMs and return true when a report came back. Channel and band ranges are
/// inclusive.

#include <cstdint>

#include "devicelink/device_link.h"
#include "devicelink/reply_decoders.h"

namespace qb {

/// Starts, steers or stops a calibration: the action code `on`, the mask of output
/// channels to measure (bit k = channel k) and the equaliser mode of the correction.
void IRC_Ctrl(DeviceLink& link, std::uint8_t on, std::uint16_t channels, std::uint8_t eqMode,
              bool sync);
/// Asks for the calibration status.
bool IRC_Get(DeviceLink& link);
/// Speaker distances of channels first..last.
bool IRC_Get_Distance(DeviceLink& link, std::uint8_t first, std::uint8_t last);
/// Trims of channels first..last.
bool IRC_Get_Trim(DeviceLink& link, std::uint8_t first, std::uint8_t last);
/// Correction bands firstBand..lastBand of channel `ch`.
bool IRC_Get_EQ(DeviceLink& link, std::uint8_t ch, std::uint8_t firstBand, std::uint8_t lastBand);
/// Speaker sizes of channels first..last.
bool IRC_Get_Spk_Size(DeviceLink& link, std::uint8_t first, std::uint8_t last);
/// Speaker phases of channels first..last.
bool IRC_Get_Spk_Phase(DeviceLink& link, std::uint8_t first, std::uint8_t last);
/// Speaker levels of channels first..last.
bool IRC_Get_Spk_Level(DeviceLink& link, std::uint8_t first, std::uint8_t last);
/// Measured spectrum bands firstBand..lastBand of channel `ch`.
bool IRC_Get_Spectrum(DeviceLink& link, std::uint8_t ch, std::uint8_t firstBand,
                      std::uint8_t lastBand);
/// Noise levels of channels first..last.
bool IRC_Get_Noise_Level(DeviceLink& link, std::uint8_t first, std::uint8_t last);
/// Asks for the calibration analyser; its reply is not decoded.
bool IRC_Get_RTA(DeviceLink& link);
/// Switches the test microphone on (1) or off (0).
void IRC_Set_Test_Mic(DeviceLink& link, std::uint8_t on, bool sync);
/// Selects the box's test module.
void IRC_Sel_Test_Module(DeviceLink& link, std::uint8_t module, bool sync);

/// Decoders of the calibration replies (OP_UPDATE only):
/// - status (19): wParam = status, lParam = progress (byte 3), or byte 1 for the RTA and EQ
///   data updates (7, 8), or the failure code (byte 4) for IRC_RET_TEST_FAIL. Unknown
///   statuses and failure codes post nothing; so does a report too short for its value.
/// - per-channel reports (20, 21, 23, 24, 25, 27: first, last, values) and per-band reports
///   (22, 26: channel, first band, last band, values): one record per entry, in order,
///   wParam = command id. Entries stop where the frame ends, whatever range it announces.
/// The analyser report (28) is not decoded.
DecoderTable CalibrationReplyDecoders();

}  // namespace qb
