#include "core/equalizer_manager.h"

#include <string>

#include "core/code_page.h"

namespace qb {

EqualizerManager::EqualizerManager(std::shared_ptr<HidBackend> backend, LinkTimings timings)
    : m_session(m_mirror, m_changes, std::move(backend), timings) {}

EqualizerManager::~EqualizerManager() = default;

void EqualizerManager::SetLanguage(std::string_view languageName) {
  m_mirror.session.codePage = std::string(CodePageForLanguage(languageName));
}

bool EqualizerManager::HandleMessage(const ReplyMessage& message) {
  const EditHistory::OutsideChange outside(m_history);
  switch (message.number) {
    case WM_DSP_REPLY: m_replies.ReadDspValueCallback(message); return true;
    case WM_MCU_REPLY: m_replies.ReadMcuValueCallback(message); return true;
    case WM_SCENE_REPLY: m_replies.ReadSenceValueCallback(message); return true;
    case WM_KTV_REPLY: m_replies.ReadKtvValueCallback(message); return true;
    default: return m_session.HandleMessage(message);
  }
}

}  // namespace qb
