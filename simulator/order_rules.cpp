#include "simulator/order_rules.h"

#include "devicelink/wire_codes.h"
#include "simulator/dsp_set_handler.h"

namespace qb::sim {
namespace {

/// "DSP_EQ_CH for scene 3" and the like: what arrived, as a log line would name it.
std::string Describe(const BoxCommand& command) {
  const char* name = CommandLogName(command.packetType, command.commandId);
  std::string text = name != nullptr ? name
                                     : "command " + std::to_string(command.packetType) + "/" +
                                           std::to_string(command.commandId);
  if (const auto scene = SetterScene(command)) {
    text += *scene == kLiveScene ? " for the live settings" : " for scene " + std::to_string(*scene);
  } else if (command.packetType == FLASH_PACKET && !command.payload.empty()) {
    text += "(" + std::to_string(command.payload[0]) + ")";
  }
  return text;
}

bool IsStoredScene(std::uint8_t scene) { return scene >= kFirstStoredScene && scene <= kLastStoredScene; }

}  // namespace

void OrderRules::Observe(const BoxCommand& command) {
  if (command.opType != OP_SET) return;  // queries change nothing
  const std::optional<std::uint8_t> scene = SetterScene(command);
  if (scene && IsStoredScene(*scene)) {
    if (m_writing != scene) {
      Interrupt(Describe(command));
      m_writing = scene;
      m_writes = 0;
      m_afterItsSave = m_lastSaved == scene;
    }
    ++m_writes;
    m_lastSaved.reset();
    return;
  }
  const bool flash = command.packetType == FLASH_PACKET && !command.payload.empty();
  const std::uint8_t flashScene = flash ? command.payload[0] : 0;
  if (flash && m_writing == flashScene && command.commandId == FLASH_SCENE_NAME) return;
  if (flash && m_writing == flashScene && command.commandId == FLASH_SCENE_SAVE) {
    m_writing.reset();
    m_lastSaved = flashScene;
    return;
  }
  Interrupt(Describe(command));
  m_lastSaved = flash && command.commandId == FLASH_SCENE_SAVE ? std::optional(flashScene) : std::nullopt;
}

void OrderRules::ConnectionOpened() {
  Interrupt("a new connection");
  m_lastSaved.reset();
}

void OrderRules::LeftBus() {
  m_writing.reset();
  m_lastSaved.reset();
}

void OrderRules::Interrupt(const std::string& what) {
  if (!m_writing) return;
  const std::string scene = std::to_string(*m_writing);
  m_violations.push_back("scene " + scene + ": " + std::to_string(m_writes) + " value(s) written " +
                         (m_afterItsSave ? "after its SaveScene(" + scene + ")" : "and no SaveScene(" + scene + ")") +
                         " before " + what);
  m_writing.reset();
}

}  // namespace qb::sim
