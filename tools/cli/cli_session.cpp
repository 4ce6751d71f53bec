#include "tools/cli/cli_session.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/calibration_session.h"
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
/// A calibration of eight outputs takes a few minutes; one still going after this has
/// stalled (a box that reports a failure this program does not know keeps polling).
constexpr auto kCalibrationLimit = 15min;

/// The phase and result texts of a calibration as the terminal shows them.
std::string_view CalibrationText(std::string_view key) {
  static constexpr std::pair<std::string_view, std::string_view> kTexts[] = {
      {"${start_irc_tips}", "starting"},
      {"${detect_speaker}", "detecting the speakers"},
      {"${detect_level}", "measuring the levels"},
      {"${detect_location}", "locating the speakers"},
      {"${adjust_ch_volume}", "adjusting the channel levels"},
      {"${compensate_eq}", "computing the EQ compensation"},
      {"${test_freq_response}", "measuring the frequency response"},
      {"${irc_completed}", "completed"},
      {"${irc_failed_level}", "the signal level is out of range"},
      {"${irc_failed_mic}", "no microphone signal was detected"},
      {"${irc_failed_speaker}", "a speaker could not be detected"},
      {"${irc_failed_delay}", "the delay could not be measured"},
      {"${irc_failed_ch_volume}", "the channel levels could not be adjusted"},
      {"${irc_failed_eq}", "the EQ compensation could not be computed"},
  };
  for (const auto& [k, text] : kTexts)
    if (k == key) return text;
  return key;
}

/// The session's notices, kept until the run decides how it ended.
class NoticeBoard final : public SessionHost {
 public:
  void OnNotice(SessionNotice notice, int value, std::string_view detail) override {
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
  // No main-volume poll: the run ends long before its first tick, and `status` reads the
  // volume afresh anyway.

  // The run has nothing else to do while a refused box waits for its next try: it sleeps
  // until then (RetryRefusedOpen).
  bool StartOpenRetryTimer(int delayMs) override {
    retryAt = Clock::now() + std::chrono::milliseconds(delayMs);
    return true;
  }
  void StopOpenRetryTimer() override { retryAt.reset(); }

  std::optional<Clock::time_point> retryAt;
  std::optional<std::string> deniedNode;

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
        if (!plugged) {
          m_unplugged.store(true);
          ++m_departures;
        }
        m_present.store(plugged);
      });
  }

  ~Runner() {
    if (m_plug) m_plug->SetPlugListener({});
  }
  Runner(const Runner&) = delete;
  Runner& operator=(const Runner&) = delete;

  RunResult Run() {
    RunResult result;
    if (*m_invocation.command == Command::Firmware) RunFirmware(result);
    else if (Connect(result)) Execute(result);
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
      case Command::Calibrate: RunCalibrate(result); return;
      case Command::Eq: RunEq(result); return;
      case Command::Firmware: return;  // runs on its own (RunFirmware)
    }
  }

  // --- firmware ---------------------------------------------------------------------------

  /// Checks the image, asks, opens the box (its loader too), transfers the image through
  /// the core's updater, follows the box through its restart and reports what it runs.
  void RunFirmware(RunResult& result) {
    const FirmwareRequest& request = m_invocation.firmware;
    const std::filesystem::path path = request.path;
    if (IsToolPackage(path))
      return Fail(result, kExitFailure,
                  request.path + " is a firmware package for the vendor's download tool, which runs only on "
                                 "Windows; give a firmware image file");
    // The same checks the transfer makes, before anything reaches the box.
    ImageCheckEnv env;
    env.linkOpen = true;
    env.pcModelId = kBoxModel;
    FirmwareImages images;
    const int checked = CheckUpgradeFile(path, env, images);
    if (checked == kUpgCannotOpen) return Fail(result, kExitFailure, "cannot open " + request.path);
    if (checked != kUpgAccepted)
      return Fail(result, kExitFailure,
                  request.path + " is not a firmware image for the ZX7140K (its name says no image kind, "
                                 "or its kind, model, size or checksum is wrong); nothing was sent");
    m_firmwareKind = KindName(images.kind);
    m_firmwareBytes = images.kind == UpgradeKind::Flash ? images.dspSize : images.mcuSize;
    const std::string question = "Upgrade the box's " + m_firmwareKind + " firmware from " + request.path + " (" +
                                 std::to_string(m_firmwareBytes) + " bytes)? The box restarts. [y/N] ";
    if (!request.yes && !(m_options.confirm && m_options.confirm(question)))
      return Fail(result, kExitFailure, "not confirmed; nothing was sent to the box");

    if (!ConnectForUpgrade(result)) return;
    if (std::string problem = Transfer(path); !problem.empty()) return Fail(result, kExitBoxRefused, problem);
    if (std::string problem = FollowRestart(); !problem.empty()) return Fail(result, kExitBoxRefused, problem);
    result.out = FirmwareReport(request.path, m_firmwareKind, m_firmwareBytes, Session().HandshakeModel(),
                                m_manager.CurrentProfile().mainVersion, m_manager.CurrentProfile().slaveVersion,
                                Session().RunsApplication(), Json());
  }

  static std::string KindName(UpgradeKind kind) {
    switch (kind) {
      case UpgradeKind::Flash: return "DSP flash";
      case UpgradeKind::Bootloader: return "boot loader";
      default: return "MCU";
    }
  }

  /// Opens and reads the box; unlike the other commands, a box in its loader is welcome.
  bool ConnectForUpgrade(RunResult& result) {
    if (!OpenAndRead()) {
      result = Failure(kExitNoBox, "no ZX7140K found (USB 0483:5750): is it plugged in and switched on?", Json());
      return false;
    }
    if (m_notices.connectFailed) {
      Fail(result, kExitBoxRefused, "the box did not answer the handshake");
      return false;
    }
    if (m_notices.foreignModel) {
      Fail(result, kExitBoxRefused, "the box is another model (" + std::to_string(*m_notices.foreignModel) + ")");
      return false;
    }
    return true;
  }

  /// Opens the box and waits for the read-out; false when nothing could be opened.
  bool OpenAndRead() {
    Session().ConnectDevice(false);
    if (!Session().IsDeviceOpen() && !Session().TaskRunning()) return false;
    const auto deadline = Clock::now() + m_options.connectTimeout;
    while (Session().TaskRunning() && Clock::now() < deadline) Pump(kPumpSlice);
    Session().WaitForTask();
    Pump(0ms);
    return Session().IsDeviceOpen();
  }

  /// Runs the transfer on the session's task and pumps its messages. A box that leaves
  /// (not the restart into its loader, which the link waits for) ends it.
  std::string Transfer(const std::filesystem::path& path) {
    FirmwareUpdater& updater = m_manager.Firmware();
    updater.AttachWindow(&m_queue);
    m_transferEnd.reset();
    if (!updater.StartTransfer(path, TransferStart::None)) return "the box is busy and took no upgrade";
    m_transferring = true;
    while (!m_transferEnd) {
      Pump(kPumpSlice);
      if (m_plug) m_plug->Poll();
      // The link does not notice a box that is gone; the window closes it on the removal.
      if (!m_present.load() && !Session().IsUpgrading() && Session().IsDeviceOpen()) Session().DevicePlugOut();
    }
    Session().WaitForTask();
    Pump(0ms);
    m_transferring = false;
    updater.DetachWindow(&m_queue);
    if (m_options.firmwareProgress && m_progressShown) m_options.firmwareProgress(-1);
    switch (*m_transferEnd) {
      case WM_UPDATE_FINISHED: return {};
      case WM_UPDATE_FAILED: return "the upgrade failed part way (the box refused a block or left); the box "
                                    "stays in its loader: run the upgrade again";
      default: return "the box did not start the upgrade";
    }
  }

  /// After the image the box restarts (an MCU image by itself, a flash image on the
  /// transfer's reboot command): waits for it to leave and come back, and reads it again.
  std::string FollowRestart() {
    if (Session().IsDeviceOpen()) Session().DisconnectDevice();
    Pump(0ms);
    const auto deadline = Clock::now() + m_options.restartTimeout;
    if (m_plug) {
      const auto leaveBy = Clock::now() + 5s;
      while (m_departures.load() == m_departuresAtStart && Clock::now() < leaveBy) Wait(kPumpSlice);
      while (!m_present.load() && Clock::now() < deadline) Wait(kPumpSlice);
    } else {
      Wait(3s);  // without a device monitor: time for the box to leave
    }
    m_notices = NoticeBoard{};
    m_unplugged.store(false);
    while (Clock::now() < deadline) {
      if (OpenAndRead()) return m_notices.connectFailed ? "the box did not answer after its restart" : "";
      Wait(500ms);
    }
    return "the box did not come back after the upgrade";
  }

  void Wait(std::chrono::milliseconds time) {
    const auto until = Clock::now() + time;
    while (Clock::now() < until) {
      Pump(kPumpSlice);
      if (m_plug) m_plug->Poll();
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
    m_manager.Eq().ImportBands(output, plan.bands, plan.bypassed);
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

  /// Why the box cannot take `request.name` for its scene, or nothing: the core's check,
  /// so a script gets the window's answer before anything reaches the box.
  std::string RefusedName(const SceneRequest& request) {
    const SceneNameCheck check = Scenes().CheckName(request.scene, request.name);
    if (check.Ok()) return {};
    return "scene name '" + Utf8Name(request.name) + "' refused: " + SceneNameProblemText(check);
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

  /// Runs a calibration as the window does, the progress told as it goes, and keeps or
  /// drops its result.
  void RunCalibrate(RunResult& result) {
    const CalibrateRequest& request = m_invocation.calibrate;
    CalibrationSession& cal = m_manager.OpenCalibration(m_options.calibration);
    m_calibration = &cal;
    // Outputs not named: every output the session can measure.
    const std::uint16_t chosen = request.outputs != 0 ? request.outputs : CalibratableOutputs(m_manager.CurrentProfile());
    for (int n = 0; n < kCalibrationChannels; ++n) {
      if ((chosen >> n & 1u) != 0 && !cal.SetOutput(n, true))
        return Fail(result, kExitBadArgument, "output " + std::to_string(n + 1) + " has no speaker role to calibrate");
      if ((chosen >> n & 1u) == 0) cal.SetOutput(n, false);
    }
    const std::uint16_t outputs = cal.Outputs();
    if (outputs == 0) return Fail(result, kExitBadArgument, "no output has a speaker role to calibrate");
    for (int module : {kIrcModuleEq, kIrcModuleDelay, kIrcModulePhase}) cal.SetModule(module, (request.modules & module) != 0);
    cal.SetEqMode(request.eqMode);
    m_distances.fill(-1.0f);
    m_calibrationEnd.reset();
    m_calibrationText = "${start_irc_tips}";
    cal.Attach(&m_queue);
    cal.Start();
    const auto deadline = Clock::now() + kCalibrationLimit;
    while (!m_calibrationEnd) {
      if (Clock::now() > deadline && !cal.Thread().Stopping()) cal.Stop();
      Pump(kPumpSlice);
    }
    if (m_options.progress) m_options.progress({});
    std::string problem;
    if (*m_calibrationEnd == CalibrationEnd::BoxLeft || BoxLeft()) problem = "the box left during the calibration";
    else if (*m_calibrationEnd == CalibrationEnd::Stopped) problem = "the calibration did not finish in time";
    else if (!cal.Done()) problem = "the calibration failed: " + std::string(CalibrationText(m_calibrationText));
    else if (!(request.apply ? cal.Apply() : cal.Discard())) problem = "the box did not take the calibration result";
    cal.Attach(nullptr);
    if (!problem.empty()) {
      CloseCalibration();
      return Fail(result, kExitBoxRefused, problem);
    }
    result.out = CalibrationReport(cal.Data(), outputs, m_distances.data(), request.eqMode, request.apply, Json());
    CloseCalibration();
  }

  /// Ends the core's calibration; a result that reached the box is read back, so the run
  /// ends with the box's settings in the mirror.
  void CloseCalibration() {
    m_calibration = nullptr;
    if (m_manager.CloseCalibration() == EqualizerManager::CalibrationClose::ReadBack)
      AwaitTask(m_options.transferTimeout, "the read of the calibrated settings");
  }

  void OnCalibrationMessage(const ReplyMessage& message) {
    const CalibrationUpdate update = m_calibration->Handle(message);
    if (message.number == WM_IRC_THREAD_ENDED) m_calibrationEnd = static_cast<CalibrationEnd>(message.wParam);
    if (update.distanceChannel >= 0) m_distances[At(update.distanceChannel)] = update.distance;
    if (!update.tips.empty()) m_calibrationText = update.tips;
    if (update.progress) m_calibrationProgress = *update.progress;
    if (m_options.progress && (update.progress || !update.tips.empty())) {
      char line[128];
      std::snprintf(line, sizeof line, "calibrating: %s, %d %%", std::string(CalibrationText(m_calibrationText)).c_str(),
                    m_calibrationProgress);
      m_options.progress(line);
    }
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
    if (m_calibration && (message.number == WM_IRC_REPLY || message.number == WM_IRC_PROGRESS ||
                          message.number == WM_IRC_THREAD_ENDED))
      return OnCalibrationMessage(message);
    // The firmware updater's messages, from its task (the run's queue is its window).
    switch (message.number) {
      case WM_UPDATE_PROGRESS:
        // The box is in its loader now: a departure from here on is its final restart.
        if (!m_progressShown) m_departuresAtStart = m_departures.load();
        m_progressShown = true;
        if (m_options.firmwareProgress) m_options.firmwareProgress(static_cast<int>(message.wParam));
        return;
      case WM_UPDATE_FINISHED:
      case WM_UPDATE_FAILED:
      case WM_UPDATE_PREPARE_FAILED:
        m_transferEnd = message.number;
        return;
      default: break;
    }
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
    // (A firmware transfer watches the box's presence itself: the box leaves on purpose.)
    if (!m_transferring && m_unplugged.load() && !m_notices.left && Session().IsDeviceOpen()) Session().DevicePlugOut();
  }

  bool BoxLeft() const { return m_unplugged.load() || m_notices.left; }

  /// Gives a box the system refused its tries, until it opens or the session gives up.
  void RetryRefusedOpen() {
    while (Session().OpenRetryPending() && m_notices.retryAt) {
      std::this_thread::sleep_until(*m_notices.retryAt);
      m_notices.retryAt.reset();
      Session().OpenRetryTick();
    }
  }

  bool Connect(RunResult& result) {
    const bool json = m_invocation.json;
    Session().ConnectDevice(false);
    RetryRefusedOpen();
    if (m_notices.deniedNode) {
      result = NoAccessFailure(*m_notices.deniedNode, json);
      return false;
    }
    if (!Session().IsDeviceOpen() && !Session().TaskRunning()) {
      result = Failure(kExitNoBox,
                       "no ZX7140K found (USB 0483:5750): is it plugged in and switched on?",
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
    } else if (!Session().RunsApplication()) {
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
    while (!BoxLeft() && (Session().CommandsPending() != 0 || m_queue.Size() != 0)) {
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
  std::atomic<bool> m_present{true};  ///< the box's last plug event said it is there
  std::atomic<int> m_departures{0};   ///< times the box left the bus
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
  std::array<float, kCalibrationChannels> m_distances{};
  std::optional<CalibrationEnd> m_calibrationEnd;
  std::string m_calibrationText;  ///< the last phase or result text
  int m_calibrationProgress = 0;
  /// Last: its thread talks to the link of the manager above until it is joined.
  CalibrationSession* m_calibration = nullptr;  ///< the core's, while a run is driven
  std::optional<std::uint32_t> m_transferEnd;       ///< how the firmware transfer ended
  std::string m_firmwareKind;
  std::uint32_t m_firmwareBytes = 0;
  bool m_transferring = false;
  bool m_progressShown = false;
  int m_departuresAtStart = 0;  ///< departures before the first block
};

}  // namespace

RunResult RunSession(const Invocation& invocation, std::shared_ptr<HidBackend> backend, PlugSwitch* plug,
                     const SessionOptions& options) {
  if (!invocation.command) return Failure(kExitBadArgument, "no command given", invocation.json);
  Runner runner(invocation, std::move(backend), plug, options);
  return runner.Run();
}

}  // namespace qb::cli
