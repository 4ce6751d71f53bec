#pragma once
/// The DSP queries: one OP_GET of DSP_PACKET per parameter the box can report. The answer
/// is not returned here; it arrives as a data report that the DSP reply decoders turn into
/// WM_DSP_REPLY messages (dsp_replies.h), because the box's replies are decoded by their
/// content, not matched to the request.
///
/// Unless a comment says otherwise, a query logs one line, sends at once and waits up to
/// kWaitDefaultMs for one report; it returns true when a report came back (any report: the
/// wait ends at the first one). On a closed link nothing is sent and it returns false.
///
/// "Channel" queries carry the payload scene, source, first, last (channels inclusive);
/// scene 0 is the live settings, source the InputSource (0 for output channels as a whole).

#include <cstdint>

#include "devicelink/device_link.h"

namespace qb {

// --- whole-box values ------------------------------------------------------------------

/// Id 0, no payload; waits only kWaitShortQueryMs (the box may not support it).
bool Get_Source_Config(DeviceLink& link);
/// Id 1, no payload.
bool Get_Source(DeviceLink& link);
/// Id 2, no payload.
bool Get_Main_Volume(DeviceLink& link);
/// Id 3, no payload.
bool Get_Subwoofer_Volume(DeviceLink& link);
/// Id 4, no payload.
bool Get_Mute(DeviceLink& link);
/// Id 50, no payload; logs nothing.
bool Get_Remote_CH(DeviceLink& link);
/// Id 53, no payload.
bool Get_Speaker_Config(DeviceLink& link);
/// Id 57, no payload; logs the same line as Get_Speaker_Config.
bool Get_Factory_Preset(DeviceLink& link);
/// Id 58, no payload; logs the same line as Get_Speaker_Config.
bool Get_Setup_Mode(DeviceLink& link);
/// Id 59, no payload.
bool Get_AUTO_ON(DeviceLink& link);
/// Id 63, no payload.
bool Get_Amp_Mute(DeviceLink& link);
/// Id 68, no payload.
bool Get_Mix_Source(DeviceLink& link);

// --- output channel ranges (payload scene, source, first, last) ------------------------------

bool Get_Filter(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                std::uint8_t last);  ///< id 5
bool Get_Delay(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
               std::uint8_t last);  ///< id 7
bool Get_Trim(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
              std::uint8_t last);  ///< id 8
bool Get_Mute_Ch(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                 std::uint8_t last);  ///< id 9
bool Get_Phase(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
               std::uint8_t last);  ///< id 10
/// Id 11; `source` is the input source whose routing is asked for.
bool Get_Mix_Ch(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                std::uint8_t last);
/// Id 12; the box's answer is not decoded.
bool Get_Remap_Ch(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                  std::uint8_t last);
bool Get_CH_Type(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                 std::uint8_t last);  ///< id 13
/// Id 16; the box's answer is not decoded.
bool Get_All_Bypass(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                    std::uint8_t last);
bool Get_PEQ_Reset(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                   std::uint8_t last);  ///< id 17
bool Get_PEQ_Bypass(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                    std::uint8_t last);  ///< id 18
bool Get_Ch_Solo(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                 std::uint8_t last);  ///< id 52
bool Get_HPF_Q_Fact_Mode(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                         std::uint8_t first, std::uint8_t last);  ///< id 55
bool Get_LPF_Q_Fact_Mode(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                         std::uint8_t first, std::uint8_t last);  ///< id 56
bool Get_Compressor(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                    std::uint8_t last);  ///< id 62
bool Get_OutDistort(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                    std::uint8_t last);  ///< id 65
bool Get_Spk_Dist(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                  std::uint8_t last);  ///< id 67

// --- input channel ranges (payload scene, source, first, last) -------------------------------

bool Get_Input_Trim(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                    std::uint8_t last);  ///< id 32
bool Get_Mute_Input_Ch(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                       std::uint8_t first, std::uint8_t last);  ///< id 33
bool Get_Phase_Input_Ch(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                        std::uint8_t first, std::uint8_t last);  ///< id 34
bool Get_InDistort(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                   std::uint8_t last);  ///< id 64

// --- equaliser bands (payload scene, source, channel, first band, last band) -----------------

/// Id 6: bands firstBand..lastBand of output `channel`.
bool Get_EQ(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t channel,
            std::uint8_t firstBand, std::uint8_t lastBand);
/// Id 35: bands firstBand..lastBand of input `channel`.
bool Get_Input_EQ(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t channel,
                  std::uint8_t firstBand, std::uint8_t lastBand);

// --- other layouts -------------------------------------------------------------------------

/// Id 36: the mix levels of input `inputChannel` into outputs firstOutput..lastOutput.
bool Get_Input_Mix_CH_Trim(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                           std::uint8_t inputChannel, std::uint8_t firstOutput,
                           std::uint8_t lastOutput);
/// Ids 14, 15, 48, 49: payload scene.
bool Get_CH_Link(DeviceLink& link, std::uint8_t scene);
bool Get_CH_Lock(DeviceLink& link, std::uint8_t scene);
bool Get_CH_Trim_Link(DeviceLink& link, std::uint8_t scene);
bool Get_CH_Delay_Link(DeviceLink& link, std::uint8_t scene);
/// Ids 54 and 131: payload scene, source.
bool Get_Mix_Type(DeviceLink& link, std::uint8_t scene, std::uint8_t source);
bool Get_Mix_Type2(DeviceLink& link, std::uint8_t scene, std::uint8_t source);

// --- queries that may also be queued ------------------------------------------------------------
// With immediate false these follow the setters' send rule: queued while the queue is
// enabled (the worker sends them and waits for the report), dropped while it is not. They
// then return false, since no report has come back to this caller.

/// Id 38: payload scene, source.
bool Get_Input_Threshold(DeviceLink& link, std::uint8_t scene, std::uint8_t source, bool immediate);
/// Id 39: payload first, last input channel.
bool Get_Input_Noise(DeviceLink& link, std::uint8_t first, std::uint8_t last, bool immediate);

}  // namespace qb
