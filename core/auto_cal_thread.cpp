#include "core/auto_cal_thread.h"

#include <array>

#include "core/calibration_data.h"
#include "devicelink/calibration_commands.h"
#include "devicelink/wire_codes.h"
#include "shell/log.h"

namespace qb {
namespace {

/// The spectrum's 121 points in the pieces the box answers at once (first, last).
constexpr std::array<std::array<std::uint8_t, 2>, 14> kSpectrumPieces = {{
    {0, 8}, {9, 17}, {18, 26}, {27, 35}, {36, 44}, {45, 53}, {54, 62},
    {63, 71}, {72, 80}, {81, 89}, {90, 98}, {99, 107}, {108, 116}, {117, 120},
}};
/// The correction's eleven bands in two pieces.
constexpr std::array<std::array<std::uint8_t, 2>, 2> kCorrectionPieces = {{{0, 5}, {6, 10}}};

bool TakesProgress(int status) {
  return status <= IRC_RET_SPEAKER_RTA_TEST || status == IRC_RET_TEST_DONE || status == IRC_RET_TEST_EXIT;
}

}  // namespace

bool IsFinalIrcStatus(int status) {
  return status == IRC_RET_TEST_DONE || status == IRC_RET_TEST_FAIL || status == IRC_RET_TEST_EXIT;
}

AutoCalThread::AutoCalThread(DeviceLink& link, CalibrationTimings timings) : m_link(link), m_timings(timings) {}

AutoCalThread::~AutoCalThread() {
  RequestStop();
  Join();
  Attach(nullptr);
}

void AutoCalThread::Attach(MessageTarget* window) {
  m_link.Unregister(&m_tap);
  m_window.store(window, std::memory_order_release);
  if (window) m_link.Register(ReplySlot::CalibrationWindowHandle, &m_tap);
}

bool AutoCalThread::Start(int modules, std::uint16_t channels, int eqMode) {
  if (Running()) return false;
  Join();  // a thread that has finished its work is released before the next one
  m_modules = modules;
  m_channels = channels;
  m_eqMode = eqMode;
  m_stop.store(false, std::memory_order_release);
  m_spectrumPending.store(false, std::memory_order_release);
  m_status.store(0, std::memory_order_release);
  m_progress.store(0, std::memory_order_release);
  m_running.store(true, std::memory_order_release);
  m_thread = JoinableThread(&AutoCalThread::Run, this);
  return true;
}

void AutoCalThread::RequestStop() {
  if (!Running()) return;
  {
    std::lock_guard<std::mutex> lock(m_pauseLock);
    m_stop.store(true, std::memory_order_release);
  }
  m_wake.notify_all();
}

void AutoCalThread::Join() { m_thread.Join(); }

// --- the reports, as they are decoded ---------------------------------------------------

bool AutoCalThread::Tap::PostReplyMessage(ReplyMessage&& message) {
  m_owner.Note(message);
  MessageTarget* window = m_owner.m_window.load(std::memory_order_acquire);
  return window != nullptr && window->PostReplyMessage(std::move(message));
}

void AutoCalThread::Note(const ReplyMessage& message) {
  // Only the status reports steer the run; the records (20 and up) carry results.
  if (message.number != WM_IRC_REPLY || message.wParam > IRC_RET_TEST_EXIT) return;
  const int status = static_cast<int>(message.wParam);
  const int value = static_cast<int>(message.lParam);
  m_status.store(status, std::memory_order_release);
  if (Stopping()) return;
  if (TakesProgress(status)) m_progress.store(value, std::memory_order_release);
  if (status == IRC_RET_SPEAKER_RTA_UPDATE || status == IRC_RET_EQ_DATA_UPDATE)
    m_reportChannel.store(value, std::memory_order_release);
  if (status == IRC_RET_TEST_DATA_UPDATE) m_spectrumPending.store(true, std::memory_order_release);
}

// --- the thread ----------------------------------------------------------------------------

void AutoCalThread::Run(AutoCalThread* self) { self->Loop(); }

void AutoCalThread::Loop() {
  LogPrintA("%s\n", "AutoCalThread begin\n");
  IRC_Sel_Test_Module(m_link, static_cast<std::uint8_t>(m_modules), true);
  IRC_Ctrl(m_link, kIrcStart, m_channels, static_cast<std::uint8_t>(m_eqMode), true);
  CalibrationEnd end = CalibrationEnd::Finished;
  while (!IsFinalIrcStatus(Status()) && !Stopping()) {
    // A box that has gone answers nothing: polling it would go on for ever.
    if (!m_link.IsDeviceOpen()) {
      end = CalibrationEnd::BoxLeft;
      break;
    }
    IRC_Get(m_link);
    Pause();
    const int status = Status();
    if (Stopping()) break;
    if (status == IRC_RET_SPEAKER_RTA_UPDATE) {
      FetchSpectrum(ReportChannel());
    } else if (status == IRC_RET_EQ_DATA_UPDATE) {
      FetchCorrection(ReportChannel());
    } else if (status == IRC_RET_TEST_DATA_UPDATE && m_spectrumPending.load(std::memory_order_acquire)) {
      m_spectrumPending.store(false, std::memory_order_release);
    } else {
      Post(WM_IRC_PROGRESS, static_cast<std::uintptr_t>(Progress()));
    }
    Pause();
  }
  if (Stopping()) {
    end = CalibrationEnd::Stopped;
    if (m_link.IsDeviceOpen()) IRC_Ctrl(m_link, kIrcStop, 0, 0, true);
  } else if (end == CalibrationEnd::Finished && Status() != IRC_RET_TEST_FAIL && (m_modules & kIrcModuleDelay)) {
    FetchDistances();
  }
  LogPrintA("AutoCalThread end, pwm->mIrcStatus=0x%x\n", Status());
  m_running.store(false, std::memory_order_release);
  Post(WM_IRC_THREAD_ENDED, static_cast<std::uintptr_t>(end));
}

void AutoCalThread::Pause() {
  std::unique_lock<std::mutex> lock(m_pauseLock);
  m_wake.wait_for(lock, m_timings.pollPause, [this] { return Stopping(); });
}

void AutoCalThread::FetchSpectrum(int channel) {
  // An output beyond the tables has nowhere to go: its data would only be dropped.
  if (channel < 0 || channel >= kCalibrationChannels) return;
  for (const auto& piece : kSpectrumPieces) {
    if (Stopping()) return;
    IRC_Get_Spectrum(m_link, static_cast<std::uint8_t>(channel), piece[0], piece[1]);
  }
}

void AutoCalThread::FetchCorrection(int channel) {
  if (channel < 0 || channel >= kCalibrationChannels) return;
  for (const auto& piece : kCorrectionPieces) {
    if (Stopping()) return;
    IRC_Get_EQ(m_link, static_cast<std::uint8_t>(channel), piece[0], piece[1]);
  }
}

void AutoCalThread::FetchDistances() {
  // The box measures the distances in its location test; they are read once the run has
  // completed, for the outputs it measured.
  int first = -1;
  int last = -1;
  for (int ch = 0; ch < 16; ++ch) {
    if (!(m_channels & (1u << ch))) continue;
    if (first < 0) first = ch;
    last = ch;
  }
  if (first >= 0) IRC_Get_Distance(m_link, static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(last));
}

void AutoCalThread::Post(std::uint32_t number, std::uintptr_t wParam) {
  if (MessageTarget* window = m_window.load(std::memory_order_acquire))
    window->PostReplyMessage(ReplyMessage{number, wParam, 0, nullptr});
}

}  // namespace qb
