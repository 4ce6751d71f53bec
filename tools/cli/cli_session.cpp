#include "tools/cli/cli_session.h"

#include <atomic>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/code_page.h"
#include "core/equalizer_manager.h"
#include "core/eq_import.h"
#include "core/memory_service.h"
#include "core/message_queue.h"
#include "core/text_file.h"
#include "devicelink/plug_switch.h"
#include "tools/cli/cli_names.h"

namespace qb::cli {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

/// Short enough that an unplug or the end of the read-out is seen at once, long enough not
/// to spin while the box answers.
constexpr auto kPumpSlice = 20ms;
/// How long an answer the box has already sent may take to come through the queue.
constexpr auto kAnswerGrace = 2000ms;

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
    m_manager.Scenes().AttachWindow(&m_queue);
    m_manager.Memory().AttachWindow(&m_queue);
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
    if (Connect(result)) Execute(result);
    Leave();
    return result;
  }

 private:
  BoxSession& Session() { return m_manager.Session(); }
  SceneService& Scenes() { return m_manager.Scenes(); }
  bool Json() const { return m_invocation.json; }

  /// Replaces `result` by a failure, keeping the warnings already given.
  void Fail(RunResult& result, int code, std::string_view message) {
    RunResult failure = Failure(code, message, Json());
    failure.err = result.err + failure.err;
    result = std::move(failure);
  }

  /// Runs the command on the connected box. The report is taken before leaving:
  /// disconnecting clears what the mirror says about the box.
  void Execute(RunResult& result) {
    switch (*m_invocation.command) {
      case Command::Status:
      case Command::Get:
        result.out = Report(m_manager.Mirror(), *m_invocation.command, m_invocation.set, Json());
        return;
      case Command::Set: RunSet(result); return;
      case Command::Scenes: ListScenes(result); return;
      case Command::Scene: RunScene(result); return;
      case Command::Profile: RunProfile(result); return;
      case Command::Mix: RunMix(result); return;
      case Command::Mem: RunMem(result); return;
      case Command::Eq: RunEq(result); return;
    }
  }

  /// A filter text into one output through the equaliser service the window's import
  /// uses, or the bands out as one. Either the whole file is usable, or --partial says to
  /// take what is: a script never half-applies a file by surprise.
  void RunEq(RunResult& result) {
    const EqRequest& request = m_invocation.eq;
    const Profile& live = m_manager.CurrentProfile();
    if (!request.importing) {
      std::vector<int> outputs;
      for (int o = 0; o < kOutputCount; ++o)
        if (!request.output || *request.output == o) outputs.push_back(o);
      const std::string text = EqExportText(live, outputs, [](int role) { return std::string(RoleName(role)); });
      if (!request.path.empty() && !SaveTextFile(request.path, text))
        return Fail(result, kExitFailure, "cannot write " + request.path + "; an older file was left as it was");
      result.out = EqExportReport(request, text, Json());
      return;
    }
    const int output = request.output.value_or(0);
    EqImportPlan plan;
    switch (PlanEqImportFile(request.path, live, output, plan)) {
      case FilterFileResult::Ok: break;
      case FilterFileResult::OpenError: return Fail(result, kExitFailure, "cannot open " + request.path);
      case FilterFileResult::TooLarge:
        return Fail(result, kExitFailure, request.path + " is too large for a filter text; nothing was changed");
    }
    const std::vector<std::string> problems = ProblemLines(plan.problems);
    std::string listed;
    for (const std::string& line : problems) listed += (listed.empty() ? "" : "; ") + line;
    if (plan.bands.empty())
      return Fail(result, kExitFailure, request.path + " holds no filter a band can take" + (listed.empty() ? "" : ": " + listed));
    if (!problems.empty() && !m_invocation.partial)
      return Fail(result, kExitFailure,
                  "nothing was changed: some filters of " + request.path + " cannot be used (" + listed +
                      "); --partial imports the others");
    m_manager.Eq().ImportBands(output, plan.bands);
    if (std::string problem = Drain(); !problem.empty()) return Fail(result, kExitBoxRefused, problem);
    result.out = EqImportReport(request, plan.bands.size(), problems, Json());
  }

  /// Shows a source's mix, or changes one cell through the routing service the mixer
  /// window uses, so the box gets the cell's mask and trim as the window sends them.
  void RunMix(RunResult& result) {
    const MixRequest& request = m_invocation.mix;
    const int source = request.source.value_or(m_manager.CurrentProfile().inputSource);
    if (request.set) {
      const MixCell& cell = *request.set;
      if (cell.trim) m_manager.Routing().SetMixTrim(source, cell.input, cell.output, *cell.trim);
      else m_manager.Routing().SetMixInput(source, cell.input, cell.output, cell.on);
      if (std::string problem = Drain(); !problem.empty()) return Fail(result, kExitBoxRefused, problem);
    }
    result.out = MixReport(m_manager.Mirror(), source, request.set, Json());
  }

  void RunSet(RunResult& result) {
    if (std::string problem = Apply(m_invocation.set); !problem.empty())
      return Fail(result, kExitBadArgument, problem);
    if (std::string problem = Drain(); !problem.empty()) return Fail(result, kExitBoxRefused, problem);
    result.out = Report(m_manager.Mirror(), Command::Set, m_invocation.set, Json());
  }

  void ListScenes(RunResult& result) {
    // The read-out brings the names; which scene is current only the box's answer to this
    // question says.
    m_sceneIdAnswered = false;
    if (!Scenes().AskCurrentScene() || !PumpUntil([this] { return m_sceneIdAnswered; }, kAnswerGrace))
      Warn(result, "the box did not say which scene is current");
    result.out = ScenesReport(m_manager.Mirror(), Json());
  }

  void RunScene(RunResult& result) {
    const SceneRequest& request = m_invocation.scene;
    m_sceneSaved = false;
    m_sceneDeleted = false;
    bool started = false;
    std::string what;
    switch (request.action) {
      case SceneAction::Load:
        if (std::string problem = UnloadableScene(request.scene); !problem.empty())
          return Fail(result, kExitBadArgument, problem);
        started = Scenes().LoadScene(request.scene, &m_queue);
        what = "the scene load";
        break;
      case SceneAction::Save:
        if (std::string problem = RefusedName(request); !problem.empty())
          return Fail(result, kExitBadArgument, problem);
        started = Scenes().SaveScene(request.scene, request.name, &m_queue);
        what = "the scene save";
        break;
      case SceneAction::Delete:
        started = Scenes().DeleteScene(request.scene, &m_queue);
        what = "the scene delete";
        break;
    }
    if (!started) return Fail(result, kExitBoxRefused, "the box is busy with another task");
    if (std::string problem = AwaitTask(m_options.sceneTimeout, what); !problem.empty())
      return Fail(result, kExitBoxRefused, problem);
    const std::string scene = "scene " + std::to_string(request.scene);
    // The window tells the user a scene was saved only on the box's notice; a box that
    // refused the save sends none, and a script must not believe its scene is kept.
    if (request.action == SceneAction::Save && !PumpUntil([this] { return m_sceneSaved; }, kAnswerGrace))
      return Fail(result, kExitBoxRefused, "the box did not confirm that " + scene + " was saved");
    if (request.action == SceneAction::Delete && !PumpUntil([this] { return m_sceneDeleted; }, kAnswerGrace))
      Warn(result, "the box did not confirm that " + scene + " was deleted");
    if (std::string problem = Drain(); !problem.empty()) return Fail(result, kExitBoxRefused, problem);
    result.out = SceneReport(m_manager.Mirror(), request, Json());
  }

  /// Why scene `scene` cannot be loaded, or nothing. A box refuses to load a slot that holds
  /// nothing and keeps its live settings, which would then be reported as the scene's.
  std::string UnloadableScene(int scene) const {
    const EqualizerMirror& mirror = m_manager.Mirror();
    const bool named = mirror.sceneNames[At(scene - 1)][0] != u'\0';
    const bool valid = (mirror.sceneValid >> (scene - 1) & 1u) != 0;
    if (named || valid) return {};
    return "scene " + std::to_string(scene) + " is empty: there is nothing to load";
  }

  /// Why the box cannot take `request.name` for its scene, or nothing.
  std::string RefusedName(const SceneRequest& request) const {
    const EqualizerMirror& mirror = m_manager.Mirror();
    const std::string& codePage = mirror.session.codePage;
    // The box keeps 8-bit names: a character its code page lacks would come back as '?'.
    const std::string bytes = ToCodePage(request.name, codePage);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (bytes.size() >= kSceneNameBytes || FromCodePage({data, bytes.size()}, codePage) != request.name) {
      return "scene name '" + Utf8Name(request.name) + "' has characters the box cannot keep (its names are " +
             codePage + ")";
    }
    // The window refuses a name another scene has; a script gets the same answer, before
    // anything reaches the box.
    for (int other = 1; other <= kSceneCount; ++other) {
      if (other == request.scene) continue;
      const SceneName& slot = mirror.sceneNames[At(other - 1)];
      if (std::u16string_view(slot.data()) == request.name) {
        return "scene " + std::to_string(other) + " is already named '" + Utf8Name(request.name) +
               "'; choose another name or save over scene " + std::to_string(other);
      }
    }
    return {};
  }

  void RunProfile(RunResult& result) {
    const ProfileRequest& request = m_invocation.profile;
    const std::string& path = request.path;
    if (request.save && request.kind == ProfileKind::Scene) {
      // The live settings were read at connect: nothing to ask the box.
      if (const ProfileFileResult file = Scenes().SaveSceneProfile(path); file != ProfileFileResult::Ok)
        return Fail(result, kExitFailure, ProfileProblem(file, path));
    } else if (request.save) {
      m_wholeWritten.reset();
      if (!Scenes().SaveWholeProfile(path, [this](ProfileFileResult file) { m_wholeWritten = file; }))
        return Fail(result, kExitBoxRefused, "the box is busy with another task");
      if (std::string problem = AwaitTask(m_options.transferTimeout, "the read of every scene"); !problem.empty()) {
        // A box that left is known to the service too, which then writes no file.
        if (m_wholeWritten == ProfileFileResult::BoxLeft) problem += "; " + path + " was not written";
        else if (m_wholeWritten == ProfileFileResult::Ok) problem += "; " + path + " may be incomplete";
        return Fail(result, kExitBoxRefused, problem);
      }
      if (!m_wholeWritten) return Fail(result, kExitBoxRefused, "the box was read, but " + path + " was not written");
      if (*m_wholeWritten != ProfileFileResult::Ok)
        return Fail(result, kExitFailure, ProfileProblem(*m_wholeWritten, path));
    } else {
      const ProfileFileResult file = request.kind == ProfileKind::Whole ? Scenes().LoadWholeProfile(path)
                                                                        : Scenes().LoadSceneProfile(path);
      if (file != ProfileFileResult::Ok) return Fail(result, kExitFailure, ProfileProblem(file, path));
      // The service writes the file into the box on a task; none started means none was sent.
      if (!Session().Busy())
        return Fail(result, kExitBoxRefused, "the box is busy: " + path + " was not written to it");
      if (std::string problem = AwaitTask(m_options.transferTimeout, "the write of " + path); !problem.empty())
        return Fail(result, kExitBoxRefused, problem);
      if (std::string problem = Drain(); !problem.empty()) return Fail(result, kExitBoxRefused, problem);
    }
    result.out = ProfileReport(request, Json());
  }

  void RunMem(RunResult& result) {
    const MemRequest& request = m_invocation.mem;
    MemoryService& memory = m_manager.Memory();
    if (request.write) {
      if (!memory.Write(request.address, request.data))
        return Fail(result, kExitBoxRefused, "the box takes no commands now: the memory write was not sent");
      if (std::string problem = Drain(); !problem.empty()) return Fail(result, kExitBoxRefused, problem);
      result.out = MemReport(request, request.data, Json());
      return;
    }
    m_memoryWord.reset();
    // The word comes as a posted message; one for another address is not the answer.
    const auto answered = [this, &request] { return m_memoryWord && m_memoryWord->address == request.address; };
    if (!memory.Read(request.address) || !PumpUntil(answered, kAnswerGrace)) {
      char address[16];
      std::snprintf(address, sizeof address, "0x%08x", request.address);
      return Fail(result, kExitBoxRefused, std::string("the box did not answer the read of address ") + address);
    }
    result.out = MemReport(request, m_memoryWord->data, Json());
  }

  /// Pumps until the running task's end has been handled (and what follows it has run).
  std::string AwaitTask(std::chrono::milliseconds limit, const std::string& what) {
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

  /// Pumps until `done` holds, at most `limit` and not after the box left; whether it holds.
  template <typename Done>
  bool PumpUntil(Done done, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    Pump(0ms);
    while (!done() && !BoxLeft() && Clock::now() < deadline) Pump(kPumpSlice);
    return done();
  }

  /// The box's scene notices and memory words come to the scene and memory windows'
  /// targets, here the run's own queue. The core leaves them to whoever holds those windows;
  /// the rest goes to the core.
  void Handle(const ReplyMessage& message) {
    if (auto word = MemoryWordOf(message)) {
      m_memoryWord = word;
      return;
    }
    switch (message.number) {
      case WM_SCENE_ID:
        Scenes().SetCurrentScene(static_cast<int>(message.lParam));
        m_sceneIdAnswered = true;
        return;
      // Names and the valid mask come with a record; the saved notice has none.
      case WM_SCENE_REPLY:
        if (!message.record) m_sceneSaved = true;
        break;
      case WM_SCENE_DELETED: m_sceneDeleted = true; break;
      default: break;
    }
    m_manager.HandleMessage(message);
  }

  /// Hands every posted message to the core, waiting up to `wait` for the first.
  void Pump(std::chrono::milliseconds wait) {
    if (auto message = m_queue.Take(wait)) Handle(*message);
    while (auto message = m_queue.Take(0ms)) Handle(*message);
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
  bool m_sceneIdAnswered = false;
  bool m_sceneSaved = false;
  bool m_sceneDeleted = false;
  std::optional<ProfileFileResult> m_wholeWritten;  ///< set when a whole save wrote its file
  std::optional<MemoryWord> m_memoryWord;           ///< the last word the box reported
};

}  // namespace

RunResult RunSession(const Invocation& invocation, std::shared_ptr<HidBackend> backend, PlugSwitch* plug,
                     const SessionOptions& options) {
  if (!invocation.command) return Failure(kExitBadArgument, "no command given", invocation.json);
  Runner runner(invocation, std::move(backend), plug, options);
  return runner.Run();
}

}  // namespace qb::cli
