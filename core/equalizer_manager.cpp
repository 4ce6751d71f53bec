#include "core/equalizer_manager.h"

#include <string>

#include "core/code_page.h"

namespace qb {

EqualizerManager::EqualizerManager(std::shared_ptr<HidBackend> backend, LinkTimings timings)
    : m_session(m_mirror, m_changes, std::move(backend), timings) {}

EqualizerManager::~EqualizerManager() = default;

FirmwareUpdateScope::FirmwareUpdateScope(EqualizerMirror& mirror, FirmwareUpdateKind kind)
    : m_mirror(&mirror), m_kind(kind) {
  (kind == FirmwareUpdateKind::Forced ? mirror.forcedUpdate : mirror.manualUpdate) = true;
}

FirmwareUpdateScope::FirmwareUpdateScope(FirmwareUpdateScope&& other) noexcept
    : m_mirror(other.m_mirror), m_kind(other.m_kind) {
  other.m_mirror = nullptr;
}

FirmwareUpdateScope::~FirmwareUpdateScope() {
  if (m_mirror) (m_kind == FirmwareUpdateKind::Forced ? m_mirror->forcedUpdate : m_mirror->manualUpdate) = false;
}

CalibrationSession& EqualizerManager::OpenCalibration(CalibrationTimings timings) {
  m_calibration.reset();
  m_calibration = std::make_unique<CalibrationSession>(m_session.Link(), m_mirror.currentProfile, timings);
  return *m_calibration;
}

EqualizerManager::CalibrationClose EqualizerManager::CloseCalibration() {
  if (!m_calibration) return CalibrationClose::NothingChanged;
  const bool changed = m_calibration->ResultSent();
  m_calibration.reset();
  if (!changed) return CalibrationClose::NothingChanged;
  if (m_scenes.ReadBackLiveSettings()) return CalibrationClose::ReadBack;
  m_session.Tell(SessionNotice::TaskNotStarted);
  return CalibrationClose::ReadBackRefused;
}

void EqualizerManager::SetLanguage(std::string_view languageName) {
  m_mirror.session.codePage = std::string(CodePageForLanguage(languageName));
}

bool EqualizerManager::HandleMessage(const ReplyMessage& message) {
  const EditHistory::OutsideChange outside(m_history);
  switch (message.number) {
    case WM_DSP_REPLY: m_replies.ReadDspValueCallback(message); return true;
    case WM_MCU_REPLY: m_replies.ReadMcuValueCallback(message); return true;
    case WM_SCENE_REPLY: m_replies.ReadSceneValueCallback(message); return true;
    case WM_KTV_REPLY: m_replies.ReadKtvValueCallback(message); return true;
    case WM_SCENE_ID: m_scenes.SetCurrentScene(static_cast<int>(message.lParam)); return true;
    default: return m_session.HandleMessage(message);
  }
}

}  // namespace qb
