// The initial full read after connecting. Runs on the connection task: it only sends
// queries, each waiting for its report; the replies are applied on the UI thread in the
// order they were asked for. What the handshake reported is read from the link's own
// fields, never from the mirror, which the owning thread is writing meanwhile; the band
// counts come as a copy taken before the task started.
#include <algorithm>
#include <array>
#include <cstdint>

#include "core/box_reads.h"
#include "core/source_catalogue.h"
#include "core/box_session.h"
#include "core/scene_access.h"
#include "devicelink/dsp_queries.h"
#include "devicelink/mcu_commands.h"
#include "devicelink/scene_commands.h"
#include "shell/log.h"

namespace qb {
namespace {

constexpr std::uint8_t kScene = kLiveScene;
constexpr std::uint8_t kFirstOutput = 0;
constexpr std::uint8_t kMidOutput = 3;  ///< the filters are read in two halves
/// Bands asked for per equaliser query.
constexpr int kBandsPerQuery = 8;
constexpr std::uint8_t kSelectForReading = 255;

void ReadWholeBox(DeviceLink& link) {
  Get_Source(link);
  Get_Main_Volume(link);
  Get_Subwoofer_Volume(link);
  Get_Mute(link);
  Get_Amp_Mute(link);
  Get_Speaker_Config(link);
  AskSceneValid(link);
}

void ReadOutputSettings(DeviceLink& link) {
  Get_Delay(link, kScene, kAllSources, kFirstOutput, kLastOutput);
  Get_CH_Type(link, kScene, kAllSources, kFirstOutput, kLastOutput);
  Get_Ch_Solo(link, kScene, kAllSources, kFirstOutput, kLastOutput);
  Get_CH_Link(link, kScene);
  Get_CH_Lock(link, kScene);
  Get_Filter(link, kScene, kAllSources, kFirstOutput, kMidOutput);
  Get_Filter(link, kScene, kAllSources, kMidOutput + 1, kLastOutput);
  Get_PEQ_Bypass(link, kScene, kAllSources, kFirstOutput, kLastOutput);
}

}  // namespace

void ReadEqualizers(DeviceLink& link, std::uint8_t scene, const PerOutput<int>& eqSizes) {
  for (int output = 0; output < kOutputCount; ++output) {
    const int eqSize = std::clamp(eqSizes[At(output)], 0, kMaxEqBands);
    for (int first = 0; first < eqSize; first += kBandsPerQuery) {
      const int last = std::min(first + kBandsPerQuery - 1, eqSize - 1);
      Get_EQ(link, scene, kAllSources, Byte(output), Byte(first), Byte(last));
    }
  }
}

void ReadLevels(DeviceLink& link, std::uint8_t scene) {
  Get_Trim(link, scene, kAllSources, kFirstOutput, kLastOutput);
  Get_Mute_Ch(link, scene, kAllSources, kFirstOutput, kLastOutput);
  Get_Phase(link, scene, kAllSources, kFirstOutput, kLastOutput);
}

void ReadRouting(DeviceLink& link, std::uint8_t scene) {
  for (std::size_t source = 0; source < kInputSourceCount; ++source)
    Get_Mix_Ch(link, scene, Byte(static_cast<int>(source)), kFirstOutput, kLastOutput);
  for (std::size_t source = 0; source < kInputSourceCount; ++source) {
    for (int input = 0; input < InputsOfSource(static_cast<int>(source)); ++input)
      Get_Input_Mix_CH_Trim(link, scene, Byte(static_cast<int>(source)), Byte(input), kFirstOutput, kLastOutput);
  }
}

void ReadStoredScene(DeviceLink& link, std::uint8_t scene, const PerOutput<int>& eqSizes) {
  LogPrintA("read scene sceneId(%d)\n", scene);
  // The box answers the scene-addressed queries once it has the scene selected; the
  // acknowledgement of the selection is what the queries wait for.
  ReadScene(link, scene, kSelectForReading);
  Get_CH_Type(link, scene, kAllSources, kFirstOutput, kLastOutput);
  Get_CH_Link(link, scene);
  Get_CH_Lock(link, scene);
  Get_Ch_Solo(link, scene, kAllSources, kFirstOutput, kLastOutput);
  Get_Filter(link, scene, kAllSources, kFirstOutput, kMidOutput);
  Get_Filter(link, scene, kAllSources, kMidOutput + 1, kLastOutput);
  Get_PEQ_Bypass(link, scene, kAllSources, kFirstOutput, kLastOutput);
  ReadEqualizers(link, scene, eqSizes);
  Get_Delay(link, scene, kAllSources, kFirstOutput, kLastOutput);
  ReadLevels(link, scene);
  ReadRouting(link, scene);
  if (scene < kLastStoredScene) AskSceneName(link, scene);
}

int BoxSession::PC_UI_Status_Init(const PerOutput<int>& eqSizes) {
  LogLocalTime();
  LogPrintA("PC_UI_Status_Init\n");
  PC_Connect(m_link, 1);
  if (!Hand_Connect(m_link)) return -1;
  // A foreign model or a box in its loader is handled by the caller; reading it would
  // only fill the mirror with settings of another layout.
  if (m_link.Model() != kBoxModel || !m_link.ApplicationMode()) return 0;

  ReadWholeBox(m_link);
  ReadOutputSettings(m_link);
  ReadEqualizers(m_link, kScene, eqSizes);
  ReadLevels(m_link, kScene);
  ReadRouting(m_link, kScene);
  for (int scene = kFirstStoredScene; scene <= kLastStoredScene; ++scene)
    AskSceneName(m_link, scene);

  LogPrintA("PC_UI_Status_Init done\n");
  LogLocalTime();
  return 0;
}

}  // namespace qb
