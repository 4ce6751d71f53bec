#include "devicelink/dsp_queries.h"

#include <array>

#include "devicelink/link_timing.h"
#include "devicelink/wire_codes.h"
#include "shell/log.h"

namespace qb {
namespace {

using ChannelPayload = std::array<std::uint8_t, 4>;
using BandPayload = std::array<std::uint8_t, 5>;

bool Ask(DeviceLink& link, std::uint8_t id, std::span<const std::uint8_t> payload,
         std::uint32_t waitMs = kWaitDefaultMs) {
  return link.Query(DSP_PACKET, id, payload, waitMs);
}

bool AskChannels(DeviceLink& link, std::uint8_t id, std::uint8_t scene, std::uint8_t source,
                 std::uint8_t first, std::uint8_t last) {
  const ChannelPayload payload = {scene, source, first, last};
  return Ask(link, id, payload);
}

bool AskScene(DeviceLink& link, std::uint8_t id, std::uint8_t scene) {
  const std::array<std::uint8_t, 1> payload = {scene};
  return Ask(link, id, payload);
}

bool AskSceneSource(DeviceLink& link, std::uint8_t id, std::uint8_t scene, std::uint8_t source) {
  const std::array<std::uint8_t, 2> payload = {scene, source};
  return Ask(link, id, payload);
}

/// The setters' send rule for a query: immediate asks now, otherwise the worker does.
bool AskOrQueue(DeviceLink& link, std::uint8_t id, Payload payload, bool immediate) {
  if (immediate) return Ask(link, id, payload);
  link.SubmitCommand(DSP_PACKET, id, OP_GET, std::move(payload), false, kWaitDefaultMs);
  return false;
}

}  // namespace

// --- whole-box values ------------------------------------------------------------------

bool Get_Source_Config(DeviceLink& link) {
  LogPrintA("Get_Source_Config\n");
  return Ask(link, DSP_SOURCE_CONFIG, {}, kWaitShortQueryMs);
}

bool Get_Source(DeviceLink& link) {
  LogPrintA("Get_Source\n");
  return Ask(link, DSP_SOURCE_SWITCH, {});
}

bool Get_Main_Volume(DeviceLink& link) {
  LogPrintA("Get_Main_Volume -----------------------\n");
  return Ask(link, DSP_VOLUME, {});
}

bool Get_Subwoofer_Volume(DeviceLink& link) {
  LogPrintA("Get_Subwoofer_Volume\n");
  return Ask(link, DSP_SUBWOOFER_VOLUME, {});
}

bool Get_Mute(DeviceLink& link) {
  LogPrintA("Get_Mute\n");
  return Ask(link, DSP_MUTE, {});
}

bool Get_Remote_CH(DeviceLink& link) { return Ask(link, DSP_REMOTE_CH, {}); }

bool Get_Speaker_Config(DeviceLink& link) {
  LogPrintA("Get_Speaker_Config\n");
  return Ask(link, DSP_SPK_CH_CONFIG, {});
}

bool Get_Factory_Preset(DeviceLink& link) {
  LogPrintA("Get_Speaker_Config\n");  // the log has always named it so
  return Ask(link, DSP_FACTORY_PRESET, {});
}

bool Get_Setup_Mode(DeviceLink& link) {
  LogPrintA("Get_Speaker_Config\n");  // the log has always named it so
  return Ask(link, DSP_SETUP_MODE, {});
}

bool Get_AUTO_ON(DeviceLink& link) {
  LogPrintA("Get_AUTO_ON\n");
  return Ask(link, DSP_AUTO_EFFECTION_ON_OFF_CONTROL, {});
}

bool Get_Amp_Mute(DeviceLink& link) {
  LogPrintA("Get_Amp_Mute\n");
  return Ask(link, DSP_AMP_MUTE, {});
}

bool Get_Mix_Source(DeviceLink& link) {
  LogPrintA("Get_Mix_Source\n");
  return Ask(link, DSP_MIX_SOURCE_SWITCH, {});
}

// --- output channel ranges -------------------------------------------------------------------

bool Get_Filter(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                std::uint8_t last) {
  LogPrintA("Get_Filter: ch_x(%d), ch_y(%d), source(%d), scene(%d)\n", first, last, source, scene);
  return AskChannels(link, DSP_FILTER_GET, scene, source, first, last);
}

bool Get_Delay(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
               std::uint8_t last) {
  LogPrintA("Get_Delay: scene(%d), channel(%d)\n", scene, first);
  return AskChannels(link, DSP_DELAY_CH, scene, source, first, last);
}

bool Get_Trim(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
              std::uint8_t last) {
  LogPrintA("Get_Trim: scene(%d), channel(%d)\n", scene, first);
  return AskChannels(link, DSP_TRIM_CH, scene, source, first, last);
}

bool Get_Mute_Ch(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                 std::uint8_t last) {
  LogPrintA("Get_Mute_Ch: scene(%d), channel(%d)\n", scene, first);
  return AskChannels(link, DSP_MUTE_CH, scene, source, first, last);
}

bool Get_Phase(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
               std::uint8_t last) {
  LogPrintA("Get_Phase: scene(%d), channel(%d)\n", scene, first);
  return AskChannels(link, DSP_PHASE_CH, scene, source, first, last);
}

bool Get_Mix_Ch(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                std::uint8_t last) {
  LogPrintA("Get_Mix_Ch: scene(%d), output_channel(%d)\n", scene, first);
  return AskChannels(link, DSP_MIX_CH, scene, source, first, last);
}

bool Get_Remap_Ch(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                  std::uint8_t last) {
  LogPrintA("Get_Remap_Ch: scene(%d), output_channel(%d)\n", scene, first);
  return AskChannels(link, DSP_CH_REMAP, scene, source, first, last);
}

bool Get_CH_Type(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                 std::uint8_t last) {
  LogPrintA("Get_CH_Type: scene(%d), channel(%d), channel_end(%d)\n", scene, first, last);
  return AskChannels(link, DSP_CH_TYPE, scene, source, first, last);
}

bool Get_All_Bypass(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                    std::uint8_t last) {
  LogPrintA("Get_All_Bypass: scene(%d), channel(%d)\n", scene, first);
  return AskChannels(link, DSP_BYPASS, scene, source, first, last);
}

bool Get_PEQ_Reset(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                   std::uint8_t last) {
  LogPrintA("Get_PEQ_Reset: scene(%d), channel(%d)\n", scene, first);
  return AskChannels(link, DSP_EQ_RESET, scene, source, first, last);
}

bool Get_PEQ_Bypass(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                    std::uint8_t last) {
  LogPrintA("Get_PEQ_Bypass: scene(%d), channel(%d)\n", scene, first);
  return AskChannels(link, DSP_EQ_BYPASS, scene, source, first, last);
}

bool Get_Ch_Solo(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                 std::uint8_t last) {
  LogPrintA("Get_Ch_Solo: scene(%d), channel(%d) to ch(%d)\n", scene, first, last);
  return AskChannels(link, DSP_CH_SOLO, scene, source, first, last);
}

bool Get_HPF_Q_Fact_Mode(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                         std::uint8_t first, std::uint8_t last) {
  LogPrintA("Get_HPF_Q_Fact_Mode: scene(%d), ch_x(%d) ch_y(%d)\n", scene, first, last);
  return AskChannels(link, DSP_HPF_Q_FACT_MODE, scene, source, first, last);
}

bool Get_LPF_Q_Fact_Mode(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                         std::uint8_t first, std::uint8_t last) {
  LogPrintA("Get_LPF_Q_Fact_Mode: scene(%d), ch_x(%d) ch_y(%d)\n", scene, first, last);
  return AskChannels(link, DSP_LPF_Q_FACT_MODE, scene, source, first, last);
}

bool Get_Compressor(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                    std::uint8_t last) {
  LogPrintA("Get_Compressor: scene(%d), source(%d), ch(%d), ch_end(%d)\n", scene, source, first,
            last);
  return AskChannels(link, DSP_COMPRESSOR_GET, scene, source, first, last);
}

bool Get_OutDistort(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                    std::uint8_t last) {
  LogPrintA("Get_OutDistort: scene(%d), channel(%d)\n", scene, first);
  return AskChannels(link, DSP_OUTPUT_CH_DISTORT, scene, source, first, last);
}

bool Get_Spk_Dist(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                  std::uint8_t last) {
  LogPrintA("Get_Spk_Dist: scene(%d), ch_x(%d) ch_y(%d)\n", scene, first, last);
  return AskChannels(link, DSP_SPK_DIST, scene, source, first, last);
}

// --- input channel ranges --------------------------------------------------------------------

bool Get_Input_Trim(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                    std::uint8_t last) {
  LogPrintA("Get_Input_Trim: scene(%d), channel(%d) to channel(%d)\n", scene, first, last);
  return AskChannels(link, DSP_INPUT_TRIM_CH, scene, source, first, last);
}

bool Get_Mute_Input_Ch(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                       std::uint8_t first, std::uint8_t last) {
  LogPrintA("Get_Mute_Input_Ch: scene(%d), channel(%d)\n", scene, first);
  return AskChannels(link, DSP_INPUT_CH_MUTE, scene, source, first, last);
}

bool Get_Phase_Input_Ch(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                        std::uint8_t first, std::uint8_t last) {
  LogPrintA("Get_Phase_Input_Ch: scene(%d), channel(%d)\n", scene, first);
  return AskChannels(link, INPUT_CH_PHASE, scene, source, first, last);
}

bool Get_InDistort(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                   std::uint8_t last) {
  LogPrintA("Get_InDistort: scene(%d), channel(%d)\n", scene, first);
  return AskChannels(link, DSP_INPUT_CH_DISTORT, scene, source, first, last);
}

// --- equaliser bands -------------------------------------------------------------------------

bool Get_EQ(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t channel,
            std::uint8_t firstBand, std::uint8_t lastBand) {
  LogPrintA("Get_EQ: band(%d), band_end(%d), ch(%d), source(%d), scene(%d)\n", firstBand, lastBand,
            channel, source, scene);
  const BandPayload payload = {scene, source, channel, firstBand, lastBand};
  return Ask(link, DSP_EQ_CH, payload);
}

bool Get_Input_EQ(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t channel,
                  std::uint8_t firstBand, std::uint8_t lastBand) {
  LogPrintA("Get_Input_EQ: ch(%d), scene(%d)\n", channel, scene);
  const BandPayload payload = {scene, source, channel, firstBand, lastBand};
  return Ask(link, DSP_INPUT_EQ_CH, payload);
}

// --- other layouts -------------------------------------------------------------------------

bool Get_Input_Mix_CH_Trim(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                           std::uint8_t inputChannel, std::uint8_t firstOutput,
                           std::uint8_t lastOutput) {
  LogPrintA("Get_Input_Mix_CH_Trim: scene(%d), in_channel(%d), out_ch_x(%d) to out_ch_y(%d)\n",
            scene, inputChannel, firstOutput, lastOutput);
  const std::array<std::uint8_t, 5> payload = {scene, source, inputChannel, firstOutput,
                                               lastOutput};
  return Ask(link, DSP_INPUT_MIX_CH_TRIM, payload);
}

bool Get_CH_Link(DeviceLink& link, std::uint8_t scene) {
  LogPrintA("Get_CH_Link: scene(%d)\n", scene);
  return AskScene(link, DSP_CH_LINK, scene);
}

bool Get_CH_Lock(DeviceLink& link, std::uint8_t scene) {
  LogPrintA("Get_CH_Lock: scene(%d)\n", scene);
  return AskScene(link, DSP_CH_LOCK, scene);
}

bool Get_CH_Trim_Link(DeviceLink& link, std::uint8_t scene) {
  LogPrintA("Get_CH_Trim_Link: scene(%d)\n", scene);
  return AskScene(link, DSP_CH_TRIM_LINK, scene);
}

bool Get_CH_Delay_Link(DeviceLink& link, std::uint8_t scene) {
  LogPrintA("Get_CH_Delay_Link: scene(%d)\n", scene);
  return AskScene(link, DSP_CH_DELAY_LINK, scene);
}

bool Get_Mix_Type(DeviceLink& link, std::uint8_t scene, std::uint8_t source) {
  LogPrintA("Get_Mix_Type: scene(%d), source(%d)\n", scene, source);
  return AskSceneSource(link, MIX_TYPE, scene, source);
}

bool Get_Mix_Type2(DeviceLink& link, std::uint8_t scene, std::uint8_t source) {
  LogPrintA("Get_Mix_Type2: scene(%d), source(%d)\n", scene, source);
  return AskSceneSource(link, MIX_TYPE2, scene, source);
}

// --- queries that may also be queued ------------------------------------------------------------

bool Get_Input_Threshold(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                         bool immediate) {
  LogPrintA("Get_Input_Threshold: scene(%d), source(%d)\n", scene, source);
  return AskOrQueue(link, DSP_INPUT_THRESHOLD, Payload{scene, source}, immediate);
}

bool Get_Input_Noise(DeviceLink& link, std::uint8_t first, std::uint8_t last, bool immediate) {
  LogPrintA("Get_Input_Noise: ch_x(%d) to ch_y(%d)\n", first, last);
  return AskOrQueue(link, INPUT_NOISE, Payload{first, last}, immediate);
}

}  // namespace qb
