#pragma once
/// Karaoke effect parameters (KTV_PACKET ids 1..10): one setter and one query per
/// parameter, and the decoder that posts the box's reports to the main window as
/// WM_KTV_REPLY (wParam = id, lParam = the value).
///
/// Setters follow the link's send rule with kWaitDefaultMs and send the bare value: one
/// byte, except the echo delay (16-bit big-endian). Bass and treble gains are signed and
/// clamped to -128..127. Queries send no payload, wait kWaitDefaultMs and return true when
/// a report came back. Nothing here logs a command line.

#include <cstdint>

#include "devicelink/device_link.h"
#include "devicelink/reply_decoders.h"

namespace qb {

void KTV_Mic_Vol_Ctrl(DeviceLink& link, std::uint8_t volume, bool immediate);
void KTV_Music_Vol_Ctrl(DeviceLink& link, std::uint8_t volume, bool immediate);
void KTV_Howling_Ctrl(DeviceLink& link, std::uint8_t howling, bool immediate);
void KTV_Echo_Level_Ctrl(DeviceLink& link, std::uint8_t level, bool immediate);
void KTV_Echo_Delay_Ctrl(DeviceLink& link, std::uint16_t delay, bool immediate);
void KTV_Reverb_Level_Ctrl(DeviceLink& link, std::uint8_t level, bool immediate);
void KTV_Reverb_Time_Ctrl(DeviceLink& link, std::uint8_t time, bool immediate);
void KTV_Voice_Changer_Ctrl(DeviceLink& link, std::uint8_t voice, bool immediate);
void KTV_Bass_Gain_Ctrl(DeviceLink& link, int gainDb, bool immediate);
void KTV_Treble_Gain_Ctrl(DeviceLink& link, int gainDb, bool immediate);

bool Get_KTV_Mic_Vol(DeviceLink& link);
bool Get_KTV_Music_Vol(DeviceLink& link);
bool Get_KTV_Howling(DeviceLink& link);
bool Get_KTV_Echo_Level(DeviceLink& link);
bool Get_KTV_Echo_Delay(DeviceLink& link);
bool Get_KTV_Reverb_Level(DeviceLink& link);
bool Get_KTV_Reverb_Time(DeviceLink& link);
bool Get_KTV_Voice_Changer(DeviceLink& link);
bool Get_KTV_Bass_Gain(DeviceLink& link);
bool Get_KTV_Treble_Gain(DeviceLink& link);

/// Decoders of the karaoke reports (OP_UPDATE only). The value is read from the start of
/// the payload: one unsigned byte; the echo delay p0 * 256 + p1; bass and treble p0 as a
/// signed byte. A report too short for its value is dropped. The log lines label the
/// leading bytes scene and source and a later byte the value, as the box's own reports
/// have been read; a line is written only when the frame holds every byte it names.
DecoderTable KaraokeReplyDecoders();

}  // namespace qb
