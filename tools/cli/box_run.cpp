#include "tools/cli/box_run.h"

#include <thread>

#include "devicelink/plug_switch.h"

namespace qb::cli {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

}  // namespace

void NoticeBoard::OnNotice(SessionNotice notice, int value, std::string_view detail) {
  switch (notice) {
    case SessionNotice::PermissionDenied: deniedNode = std::string(detail); break;
    case SessionNotice::ConnectFailed: connectFailed = true; break;
    case SessionNotice::DeviceNotMatch: foreignModel = value; break;
    case SessionNotice::PlugOut: left = true; break;
    case SessionNotice::ForceUpdate: oldFirmware = true; break;
    case SessionNotice::DeviceAbnormal: abnormal = true; break;
    default: break;
  }
}

bool NoticeBoard::StartOpenRetryTimer(int delayMs) {
  retryAt = Clock::now() + std::chrono::milliseconds(delayMs);
  return true;
}

BoxRun::BoxRun(std::shared_ptr<HidBackend> backend, PlugSwitch* plug, const SessionOptions& options)
    : m_options(options), m_plug(plug), m_manager(std::move(backend), options.timings) {
  m_manager.Attach(&m_queue, &m_notices);
  // The scene and memory windows' targets: the box's scene notices and memory words come here.
  m_manager.Scenes().AttachWindow(&m_queue);
  m_manager.Memory().AttachWindow(&m_queue);
  if (m_plug) {
    m_plug->SetPlugListener([this](bool plugged) {
      if (!plugged) {
        m_unplugged.store(true);
        ++m_departures;
      }
      m_present.store(plugged);
    });
  }
}

BoxRun::~BoxRun() {
  if (m_plug) m_plug->SetPlugListener({});
}

void BoxRun::Handle(const ReplyMessage& message) {
  if (m_listener && m_listener(message)) return;
  // Replies, the current scene among them, are the core's to apply.
  m_manager.HandleMessage(message);
}

void BoxRun::Pump(std::chrono::milliseconds wait) {
  if (auto message = m_queue.Take(wait)) Handle(*message);
  while (auto message = m_queue.Take(0ms)) Handle(*message);
  // The window hears an unplug from its device monitor; here the box itself says so. While
  // the core's firmware-update scope lives, the box leaves on purpose and the update
  // watches its presence itself.
  if (!Mirror().manualUpdate && m_unplugged.load() && !m_notices.left && Session().IsDeviceOpen())
    Session().DevicePlugOut();
}

void BoxRun::Wait(std::chrono::milliseconds time) {
  const auto until = Clock::now() + time;
  while (Clock::now() < until) {
    Pump(kPumpSlice);
    PollPlug();
  }
}

void BoxRun::PollPlug() {
  if (m_plug) m_plug->Poll();
}

void BoxRun::RetryRefusedOpen() {
  while (Session().OpenRetryPending() && m_notices.retryAt) {
    std::this_thread::sleep_until(*m_notices.retryAt);
    m_notices.retryAt.reset();
    Session().OpenRetryTick();
  }
}

std::optional<Outcome> BoxRun::Connect() {
  Session().ConnectDevice(false);
  RetryRefusedOpen();
  if (m_notices.deniedNode) return NoAccess(*m_notices.deniedNode);
  if (!Session().IsDeviceOpen() && !Session().TaskRunning())
    return Outcome::Failed(kExitNoBox, "no ZX7140K found (USB 0483:5750): is it plugged in and switched on?");
  const auto deadline = Clock::now() + m_options.connectTimeout;
  while (Session().TaskRunning()) {
    if (Clock::now() > deadline)
      return Outcome::Failed(kExitBoxRefused, "the box did not finish answering while it was being read");
    Pump(kPumpSlice);
  }
  // The task's last messages were posted before it ended; take them all.
  Session().WaitForTask();
  Pump(0ms);

  if (m_notices.connectFailed) return Outcome::Failed(kExitBoxRefused, "the box did not answer the handshake");
  if (m_notices.foreignModel)
    return Outcome::Failed(kExitBoxRefused, "the box is another model (" + std::to_string(*m_notices.foreignModel) +
                                                "), not a ZX7140K (" + std::to_string(kBoxModel) + ")");
  if (!Session().RunsApplication())
    return Outcome::Failed(kExitBoxRefused,
                           "the box is in its boot loader and only takes a firmware update (use the window)");
  if (BoxLeft()) return Outcome::Failed(kExitBoxRefused, "the box left while it was being read");
  if (Session().State() != ConnectionState::Connected)
    return Outcome::Failed(kExitBoxRefused, "the box could not be read");
  if (m_notices.oldFirmware) {
    const Profile& live = m_manager.CurrentProfile();
    Warn("the box's firmware " + std::to_string(live.mainVersion) + "." + std::to_string(live.slaveVersion) +
         " is older than 16.16; update it with the window");
  }
  if (m_notices.abnormal) Warn("the box reports an abnormal state");
  return std::nullopt;
}

bool BoxRun::OpenAndRead() {
  Session().ConnectDevice(false);
  if (!Session().IsDeviceOpen() && !Session().TaskRunning()) return false;
  const auto deadline = Clock::now() + m_options.connectTimeout;
  while (Session().TaskRunning() && Clock::now() < deadline) Pump(kPumpSlice);
  Session().WaitForTask();
  Pump(0ms);
  return Session().IsDeviceOpen();
}

void BoxRun::Leave() {
  if (Session().IsDeviceOpen() || Session().State() != ConnectionState::Disconnected) Session().DisconnectDevice();
  Pump(0ms);
}

std::string BoxRun::Drain() {
  const auto deadline = Clock::now() + m_options.drainTimeout;
  while (!BoxLeft() && (Session().CommandsPending() != 0 || m_queue.Size() != 0)) {
    if (Clock::now() > deadline) return "the box did not take the change in time";
    Pump(kPumpSlice);
  }
  Pump(0ms);
  if (BoxLeft() || !Session().IsDeviceOpen() || Session().State() != ConnectionState::Connected)
    return "the box left before the change was done";
  return {};
}

std::string BoxRun::AwaitTask(std::chrono::milliseconds limit, const std::string& what) {
  const auto deadline = Clock::now() + limit;
  while (Session().Busy()) {
    if (BoxLeft()) return "the box left during " + what;
    if (Clock::now() > deadline)
      return "the box did not finish " + what + " within " +
             std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit).count()) + " s";
    Pump(kPumpSlice);
  }
  if (BoxLeft()) return "the box left during " + what;
  return {};
}

bool BoxRun::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  Pump(0ms);
  while (!done() && !BoxLeft() && Clock::now() < deadline) Pump(kPumpSlice);
  return done();
}

void BoxRun::StartAfresh() {
  m_notices = NoticeBoard{};
  m_unplugged.store(false);
}

void BoxRun::Warn(std::string_view message) { m_warnings += Warning(message); }

}  // namespace qb::cli
