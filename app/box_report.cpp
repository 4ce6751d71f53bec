#include "app/box_report.h"

#include <cstdio>

#include "devicelink/device_link.h"
#include "devicelink/dsp_queries.h"
#include "devicelink/dsp_records.h"
#include "devicelink/mcu_commands.h"
#include "devicelink/mcu_records.h"
#include "devicelink/scene_commands.h"
#include "devicelink/scene_records.h"
#include "devicelink/wire_codes.h"

namespace qb {
namespace {

constexpr std::uint8_t kLastOutput = 7;

std::string Format(const char* format, auto... args) {
  char text[256];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

std::string SceneName(const SceneNameRecord& record) {
  std::string name;
  for (std::uint8_t c : record.name) {
    if (c == 0) break;
    name += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  }
  return name.empty() ? "(empty)" : name;
}

std::string Describe(const ReplyMessage& message) {
  const auto id = static_cast<std::uint8_t>(message.wParam);
  if (const auto* r = message.RecordAs<HandshakeRecord>()) {
    return Format("handshake: model %d, firmware %d.%d", r->model, r->masterVersion,
                  r->slaveVersion);
  }
  if (const auto* r = message.RecordAs<SceneNameRecord>()) {
    return Format("scene %d name: %s", r->index + 1, SceneName(*r).c_str());
  }
  if (const auto* r = message.RecordAs<FilterRecord>()) {
    return Format("output %d: high-pass %d Hz family %d order %d, low-pass %d Hz family %d order %d",
                  r->channel + 1, r->hpFrequency, r->hpType, r->hpSlope, r->lpFrequency, r->lpType,
                  r->lpSlope);
  }
  const char* name = CommandLogName(message.number == WM_SCENE_REPLY ? FLASH_PACKET : DSP_PACKET, id);
  if (name == nullptr) name = "reply";
  if (const auto* r = message.RecordAs<ChannelFloatRecord>()) {
    return Format("output %d %s: %.3f", r->channel + 1, name, static_cast<double>(r->value));
  }
  if (const auto* r = message.RecordAs<ChannelValueRecord>()) {
    return Format("output %d %s: %d", r->channel + 1, name, r->value);
  }
  if (message.record) return Format("%s: record received", name);
  return Format("%s: %ld", name, static_cast<long>(message.lParam));
}

}  // namespace

bool BoxReport::PostReplyMessage(ReplyMessage&& message) {
  if (message.number == WM_DEVICE_ABNORMAL) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_lines.push_back("the box is in its loader and can only be upgraded");
    return true;
  }
  std::string line = Describe(message);
  std::lock_guard<std::mutex> guard(m_lock);
  m_lines.push_back(std::move(line));
  return true;
}

std::vector<std::string> BoxReport::TakeLines() {
  std::lock_guard<std::mutex> guard(m_lock);
  return std::exchange(m_lines, {});
}

bool ReadBoxState(DeviceLink& link) {
  PC_Connect(link, 1);
  if (!Hand_Connect(link)) return false;
  if (!link.ApplicationMode()) return true;
  Get_Source(link);
  Get_Main_Volume(link);
  Get_Filter(link, 0, 0, 0, kLastOutput);
  Get_CH_Type(link, 0, 0, 0, kLastOutput);
  Get_Delay(link, 0, 0, 0, kLastOutput);
  Get_Trim(link, 0, 0, 0, kLastOutput);
  Get_Mute_Ch(link, 0, 0, 0, kLastOutput);
  Get_Phase(link, 0, 0, 0, kLastOutput);
  Get_PEQ_Bypass(link, 0, 0, 0, kLastOutput);
  for (std::uint8_t scene = 1; scene <= 10; ++scene) Get_Scene_Name(link, scene);
  return true;
}

}  // namespace qb
