#include "tools/cli/cli_session.h"

#include <atomic>
#include <optional>
#include <string>

#include "core/equalizer_manager.h"
#include "core/message_queue.h"
#include "devicelink/plug_switch.h"

namespace qb::cli {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

/// Short enough that an unplug or the end of the read-out is seen at once, long enough not
/// to spin while the box answers.
constexpr auto kPumpSlice = 20ms;

/// The session's notices, kept until the run decides how it ended.
class NoticeBoard final : public SessionHost {
 public:
  void OnNotice(SessionNotice notice, int value) override {
    switch (notice) {
      case SessionNotice::ConnectFailed: connectFailed = true; break;
      case SessionNotice::DeviceNotMatch: foreignModel = value; break;
      case SessionNotice::PlugOut: left = true; break;
      case SessionNotice::ForceUpdate: oldFirmware = true; break;
      case SessionNotice::DeviceAbnormal: abnormal = true; break;
      default: break;
    }
  }
  // No main-volume poll: the run ends long before its first tick, and `status` reads the
  // volume afresh anyway.

  bool connectFailed = false;
  std::optional<int> foreignModel;
  bool left = false;
  bool oldFirmware = false;
  bool abnormal = false;
};

class Runner {
 public:
  Runner(const Invocation& invocation, std::shared_ptr<HidBackend> backend, PlugSwitch* plug,
         const SessionOptions& options)
      : m_invocation(invocation), m_options(options), m_plug(plug), m_manager(std::move(backend), options.timings) {
    m_manager.Attach(&m_queue, &m_notices);
    if (m_plug) m_plug->SetPlugListener([this](bool plugged) {
        if (!plugged) m_unplugged.store(true);
      });
  }

  ~Runner() {
    if (m_plug) m_plug->SetPlugListener({});
  }
  Runner(const Runner&) = delete;
  Runner& operator=(const Runner&) = delete;

  RunResult Run() {
    RunResult result;
    if (!Connect(result)) {
      Leave();
      return result;
    }
    if (*m_invocation.command == Command::Set) {
      if (std::string problem = Apply(m_invocation.set); !problem.empty()) {
        Leave();
        return Failure(kExitBadArgument, problem, m_invocation.json);
      }
      if (std::string problem = Drain(); !problem.empty()) {
        Leave();
        return Failure(kExitBoxRefused, problem, m_invocation.json);
      }
    }
    // Before leaving: disconnecting clears what the mirror says about the box.
    result.out = Report(m_manager.Mirror(), *m_invocation.command, m_invocation.set, m_invocation.json);
    Leave();
    return result;
  }

 private:
  BoxSession& Session() { return m_manager.Session(); }

  /// Hands every posted message to the core, waiting up to `wait` for the first.
  void Pump(std::chrono::milliseconds wait) {
    if (auto message = m_queue.Take(wait)) m_manager.HandleMessage(*message);
    while (auto message = m_queue.Take(0ms)) m_manager.HandleMessage(*message);
    // The window hears an unplug from its device monitor; here the box itself says so.
    if (m_unplugged.load() && !m_notices.left && Session().IsDeviceOpen()) Session().DevicePlugOut();
  }

  bool BoxLeft() const { return m_unplugged.load() || m_notices.left; }

  bool Connect(RunResult& result) {
    const bool json = m_invocation.json;
    Session().ConnectDevice(false);
    if (!Session().IsDeviceOpen() && !Session().TaskRunning()) {
      result = Failure(kExitNoBox,
                       "no ZX7140K found (USB 0483:5750): is it plugged in and switched on, and may this "
                       "user open /dev/hidraw*?",
                       json);
      return false;
    }
    const auto deadline = Clock::now() + m_options.connectTimeout;
    while (Session().TaskRunning()) {
      if (Clock::now() > deadline) {
        result = Failure(kExitBoxRefused, "the box did not finish answering while it was being read", json);
        return false;
      }
      Pump(kPumpSlice);
    }
    // The task's last messages were posted before it ended; take them all.
    Session().WaitForTask();
    Pump(0ms);

    if (m_notices.connectFailed) {
      result = Failure(kExitBoxRefused, "the box did not answer the handshake", json);
    } else if (m_notices.foreignModel) {
      result = Failure(kExitBoxRefused,
                       "the box is another model (" + std::to_string(*m_notices.foreignModel) +
                           "), not a ZX7140K (" + std::to_string(kBoxModel) + ")",
                       json);
    } else if (!m_manager.Link().ApplicationMode()) {
      result = Failure(kExitBoxRefused,
                       "the box is in its boot loader and only takes a firmware update (use the window)", json);
    } else if (BoxLeft()) {
      result = Failure(kExitBoxRefused, "the box left while it was being read", json);
    } else if (Session().State() != ConnectionState::Connected) {
      result = Failure(kExitBoxRefused, "the box could not be read", json);
    } else {
      if (m_notices.oldFirmware) {
        const Profile& live = m_manager.CurrentProfile();
        Warn(result, "the box's firmware " + std::to_string(live.mainVersion) + "." +
                         std::to_string(live.slaveVersion) + " is older than 16.16; update it with the window");
      }
      if (m_notices.abnormal) Warn(result, "the box reports an abnormal state");
      return true;
    }
    return false;
  }

  /// Calls the service for `set`. The services keep every rule (ranges, linked partners,
  /// groups) and queue the commands. Returns a problem only the read box could reveal.
  std::string Apply(const SetRequest& set) {
    struct Visitor {
      EqualizerManager& m;
      std::string operator()(const SetOutputVolume& s) {
        m.Outputs().SetVolumeDb(s.output, s.db);
        return {};
      }
      std::string operator()(const SetOutputMute& s) {
        m.Outputs().SetMute(s.output, s.on);
        return {};
      }
      std::string operator()(const SetOutputPhase& s) {
        m.Outputs().SetPhase(s.output, s.inverted);
        return {};
      }
      std::string operator()(const SetOutputDelay& s) {
        // The delay is typed in ms whatever unit a window last showed.
        if (m.Mirror().session.delayUnit != DelayUnit::Ms) m.Outputs().SetDelayUnit(DelayUnit::Ms);
        m.Outputs().SetDelayTyped(s.output, s.ms);
        return {};
      }
      std::string operator()(const SetOutputRole& s) {
        m.Routing().SetRole(s.output, s.role);
        return {};
      }
      std::string operator()(const SetOutputInput& s) {
        m.Routing().SetInput(s.output, s.input, s.on);
        return {};
      }
      std::string operator()(const SetBand& s) {
        const int inUse = m.Mirror().EqSize(s.output);
        if (s.band >= inUse) {
          return "output " + std::to_string(s.output + 1) + " uses bands 1.." + std::to_string(inUse) +
                 ", not " + std::to_string(s.band + 1);
        }
        const OutputChannel& channel = m.CurrentProfile().channels[At(s.output)];
        const EqBand& band = channel.bands[At(s.band)];
        const bool wasEnabled = band.enable == 1;
        if (s.freq || s.q || s.gain) {
          // A value not given stays as the band has it. A switched-off band keeps its gain
          // for later, so that gain is the one to keep; it only applies once the band is
          // back on, and the switch is restored below. A bypassed equaliser is edited from
          // flat, as in the window.
          const float keptGain = channel.bypass != 0 ? 0.0f : band.eqGain;
          m.Eq().EditBand(s.output, s.band, s.freq.value_or(band.freq),
                          s.q ? static_cast<float>(*s.q) : band.eqFactor,
                          s.gain ? static_cast<float>(*s.gain) : keptGain);
        }
        const bool wantEnabled = s.enable.value_or(wasEnabled);
        if ((band.enable == 1) != wantEnabled) m.Eq().ToggleBandEnable(s.output, s.band);
        return {};
      }
      std::string operator()(const SetCrossover& s) {
        if (s.family) m.Crossovers().SetType(s.output, s.highPass, *s.family);
        if (s.slope) m.Crossovers().SetSlope(s.output, s.highPass, *s.slope);
        if (s.freq) m.Crossovers().SetFrequency(s.output, s.highPass, *s.freq);
        return {};
      }
      std::string operator()(const SetSource& s) {
        m.Routing().SetSource(s.source);
        return {};
      }
      std::string operator()(const SetMainVolume& s) {
        m.Main().SetMainVolume(s.step);
        return {};
      }
      std::string operator()(const SetMainMute& s) {
        m.Main().SetMainMute(s.on);
        return {};
      }
    };
    return std::visit(Visitor{m_manager}, set);
  }

  /// Waits until the link has sent every queued command and the core has taken every reply.
  std::string Drain() {
    const auto deadline = Clock::now() + m_options.drainTimeout;
    while (!BoxLeft() && (m_manager.Link().UnfinishedCommands() != 0 || m_queue.Size() != 0)) {
      if (Clock::now() > deadline) return "the box did not take the change in time";
      Pump(kPumpSlice);
    }
    Pump(0ms);
    if (BoxLeft() || !Session().IsDeviceOpen() || Session().State() != ConnectionState::Connected)
      return "the box left before the change was done";
    return {};
  }

  /// Tells the box the PC has gone, as the window does when it disconnects.
  void Leave() {
    if (Session().IsDeviceOpen() || Session().State() != ConnectionState::Disconnected) Session().DisconnectDevice();
    Pump(0ms);
  }

  const Invocation& m_invocation;
  const SessionOptions m_options;
  PlugSwitch* m_plug;
  std::atomic<bool> m_unplugged{false};
  // The queue and the notice board outlive the manager: its session's task may still post
  // while the manager shuts it down.
  MessageQueue m_queue;
  NoticeBoard m_notices;
  EqualizerManager m_manager;
};

}  // namespace

RunResult RunSession(const Invocation& invocation, std::shared_ptr<HidBackend> backend, PlugSwitch* plug,
                     const SessionOptions& options) {
  if (!invocation.command) return Failure(kExitBadArgument, "no command given", invocation.json);
  Runner runner(invocation, std::move(backend), plug, options);
  return runner.Run();
}

}  // namespace qb::cli
