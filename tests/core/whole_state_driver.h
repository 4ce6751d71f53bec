#pragma once
// A random user who moves whole states as well as single settings: profile files saved and
// loaded, scenes stored, loaded and deleted (with names the box can hold and names it
// cannot), filter texts exported and imported, a calibration run applied or discarded,
// undo and redo across all of it, and now and then a box pulled out part way through and
// plugged back in. Each operation ends with the session idle; what it expected of the
// program and did not get is kept as a problem for the step.

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/calibration_session.h"
#include "core/eq_import.h"
#include "core/profile_file.h"
#include "dspmath/band_limits.h"
#include "tests/core/core_session.h"
#include "tests/core/edit_driver.h"

namespace qb::test {

class WholeStateDriver {
 public:
  /// What the last step did and what it left the check to know.
  struct StepResult {
    std::string name;
    /// The session may know the box's current scene only after it stored or loaded one.
    bool currentSceneKnown = false;
    /// The step wrote stored scenes whose settings the session holds (a whole
    /// configuration loaded): each must read back as the session holds it.
    bool scenesWritten = false;
    /// What the step expected of the program and did not get; empty when all went well.
    std::vector<std::string> problems;
  };

  /// Calibration runs on the box's clock at test speed.
  static constexpr CalibrationTimings kFastCalibration{std::chrono::milliseconds(1)};

  WholeStateDriver(CoreSession& session, std::filesystem::path folder, unsigned seed)
      : m_s(session), m_folder(std::move(folder)), m_random(seed), m_edits(session.core, seed ^ 0x5eedu) {
    m_actions = {
        {"edit", 70, [this] { Gesture([this] { m_result.name = "edit: " + m_edits.Step(); }); }},
        {"undo", 8, [this] { m_s.core.History().Undo(); }},
        {"redo", 5, [this] { m_s.core.History().Redo(); }},
        {"save scene profile", 3, [this] { SaveSceneProfile(); }},
        {"load scene profile", 3, [this] { LoadSceneProfile(); }},
        {"load edited scene profile", 2, [this] { LoadEditedSceneProfile(); }},
        {"save whole configuration", 1, [this] { SaveWholeProfile(); }},
        {"load whole configuration", 1, [this] { LoadWholeProfile(); }},
        {"store scene", 3, [this] { StoreScene(); }},
        {"load scene", 2, [this] { LoadScene(); }},
        {"delete scene", 1, [this] { DeleteScene(); }},
        {"filter text round trip", 3, [this] { FilterTextRoundTrip(); }},
        {"foreign filter text", 2, [this] { ForeignFilterText(); }},
        {"calibration", 1, [this] { Calibrate(); }},
        {"box leaves part way", 1, [this] { BoxLeavesPartWay(); }},
    };
    for (const Action& a : m_actions) m_total += a.weight;
  }

  /// How many kinds of operation there are.
  std::size_t Kinds() const { return m_actions.size(); }

  /// Does one random operation and waits until the session is idle again.
  StepResult Step() {
    m_result = StepResult{};
    m_result.currentSceneKnown = m_currentSceneKnown;
    m_replacedLive = false;
    int roll = Pick(0, m_total - 1);
    for (const Action& a : m_actions) {
      if (roll < a.weight) {
        m_result.name = a.name;
        a.run();
        break;
      }
      roll -= a.weight;
    }
    if (!Idle()) Problem("the session did not become idle");
    // Undo belongs to the state the user edited: a state replaced as a whole empties it.
    if (m_replacedLive && (m_s.core.History().CanUndo() || m_s.core.History().CanRedo()))
      Problem("the undo history outlived the live settings it was made on");
    m_result.currentSceneKnown = m_currentSceneKnown;
    return m_result;
  }

 private:
  struct Action {
    std::string name;
    int weight;
    std::function<void()> run;
  };
  using R = ProfileFileResult;

  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
  bool Chance(int percent) { return Pick(0, 99) < percent; }
  int Output() { return Pick(0, kOutputCount - 1); }
  int Scene() { return Pick(kFirstStoredScene, kLastStoredScene); }
  std::string File(const char* stem, int n, const char* extension) const {
    return (m_folder / (stem + std::to_string(n) + extension)).string();
  }
  void Problem(std::string text) { m_result.problems.push_back(std::move(text)); }
  void Expect(bool holds, const std::string& text) {
    if (!holds) Problem(text);
  }
  void Gesture(const std::function<void()>& edit) {
    const EditHistory::Gesture gesture(m_s.core.History());
    edit();
  }
  /// The session's task has ended and the box has answered everything.
  bool Idle(int ms = 60000) {
    return m_s.PumpUntil([this] { return !m_s.core.Session().Busy(); }, ms) && m_s.Drain(ms);
  }
  /// The session no longer knows the box's current scene: the box says it only when asked.
  void StateReplaced() { m_currentSceneKnown = false; }
  /// The live settings were replaced as a whole (a load, a read-back, a new connection).
  void LiveReplaced() {
    StateReplaced();
    m_replacedLive = true;
  }

  // --- profile files --------------------------------------------------------------------

  void SaveSceneProfile() {
    const int n = Pick(0, 3);
    const R result = m_s.core.Scenes().SaveSceneProfile(File("scene", n, ".spf"));
    Expect(result == R::Ok, "a scene profile could not be saved");
    if (result == R::Ok) m_savedScenes |= 1u << n;
  }

  void LoadSceneProfile() {
    const int n = Pick(0, 3);
    const bool saved = (m_savedScenes >> n & 1u) != 0;
    const R result = m_s.core.Scenes().LoadSceneProfile(File("scene", n, ".spf"));
    if (!saved) {
      Expect(result == R::OpenError, "a missing scene profile was not refused as unreadable");
      return;
    }
    // Whatever the program saved, it loads.
    Expect(result == R::Ok, "a scene profile this program saved was refused: " +
                                std::string(ProfileFileMessage(result, false)));
    if (result == R::Ok) LiveReplaced();
  }

  /// A saved file as a user or another program edits it: values between the box's steps
  /// (Q and gain a little below a tenth, a delay a little below a microsecond), fewer bands
  /// than the box has, link and lock, a main volume the box never reported. The box must
  /// end up holding what the session then shows.
  void LoadEditedSceneProfile() {
    const int n = Pick(0, 3);
    if ((m_savedScenes >> n & 1u) == 0) return;
    Profile file;
    if (ReadSceneProfileFile(File("scene", n, ".spf"), file) != R::Ok) {
      Problem("a scene profile this program saved cannot be read");
      return;
    }
    for (int o = 0; o < kOutputCount; ++o) {
      OutputChannel& channel = file.channels[At(o)];
      if (Chance(50)) continue;
      for (EqBand& band : channel.bands) {
        band.eqFactor = std::max(kMinBandQ, band.eqFactor - static_cast<float>(Pick(1, 49)) / 1000.0f);
        band.eqGain = std::max(kMinBandGainDb, band.eqGain - static_cast<float>(Pick(1, 4)) / 100.0f);
      }
      channel.delay = std::max(0.0f, channel.delay - static_cast<float>(Pick(1, 499)) / 1e6f);
      if (Chance(30)) channel.eqSize = Pick(1, std::max(1, channel.eqSize));
    }
    if (Chance(30)) file.linkMode = Pick(0, 1);
    if (Chance(30)) file.lockMode = Pick(0, 1);
    if (Chance(20)) file.mainVolume = -5;
    const std::string path = File("edited", 0, ".spf");
    if (WriteSceneProfileFile(file, path) != R::Ok) return;
    const R result = m_s.core.Scenes().LoadSceneProfile(path);
    Expect(result == R::Ok, "an edited scene profile within the ranges was refused: " +
                                std::string(ProfileFileMessage(result, false)));
    if (result == R::Ok) LiveReplaced();
  }

  void SaveWholeProfile() {
    const int n = Pick(0, 1);
    const auto written = std::make_shared<std::optional<R>>();  // outlives a task that overran
    if (!m_s.core.Scenes().SaveWholeProfile(File("whole", n, ".wpf"), [written](R r) { *written = r; })) {
      Problem("a whole configuration save did not start");
      return;
    }
    if (!Idle()) return;
    Expect(*written == R::Ok, "a whole configuration could not be saved");
    if (*written == R::Ok) m_savedWholes |= 1u << n;
  }

  void LoadWholeProfile() {
    const int n = Pick(0, 1);
    if ((m_savedWholes >> n & 1u) == 0) return;
    const std::string path = File("whole", n, ".wpf");
    if (Chance(25)) {
      // The same file with two scenes of one name: refused before anything is sent.
      WholeProfile whole;
      if (ReadWholeProfileFile(path, whole) != R::Ok) {
        Problem("a whole configuration this program saved cannot be read");
        return;
      }
      whole.names[0] = whole.names[1] = SceneName{u'T', u'w', u'i', u'n'};
      const std::string twins = File("twins", n, ".wpf");
      if (WriteWholeProfileFile(whole, twins) != R::Ok) return;
      Expect(m_s.core.Scenes().LoadWholeProfile(twins) == R::SceneNameRefused,
             "a whole configuration naming two scenes alike was not refused");
      return;
    }
    const R result = m_s.core.Scenes().LoadWholeProfile(path);
    Expect(result == R::Ok, "a whole configuration this program saved was refused: " +
                                std::string(ProfileFileMessage(result, true)));
    if (result != R::Ok) return;
    LiveReplaced();
    m_result.scenesWritten = true;
  }

  // --- the scene window -----------------------------------------------------------------

  /// A name the box can hold: letters and digits, one to seven of them.
  std::u16string FittingName() {
    static constexpr char16_t kLetters[] = u"ABCDEFGHJKLMNPRSTUVWXYZabcdefghkmnoprstuvwxyz0123456789";
    std::u16string name;
    for (int k = Pick(1, 7); k > 0; --k) name += kLetters[Pick(0, static_cast<int>(std::size(kLetters)) - 2)];
    return name;
  }
  /// Whether another stored scene than `scene` already has `name`.
  bool TakenByOther(int scene, std::u16string_view name) const {
    for (int n = kFirstStoredScene; n <= kLastStoredScene; ++n) {
      if (n == scene) continue;
      const SceneName& other = m_s.core.Mirror().sceneNames[At(n - kFirstStoredScene)];
      const std::u16string_view text(other.data(), std::find(other.begin(), other.end(), u'\0') - other.begin());
      if (text == name) return true;
    }
    return false;
  }

  void StoreScene() {
    const int scene = Scene();
    std::u16string name;
    bool fits = true;
    switch (Pick(0, 9)) {
      case 0: name = u"Eight ch"; fits = false; break;          // one unit too long
      case 1: name = u"\u0416ara"; fits = false; break;          // not in the box's code page
      case 2: name = u"Tab\tbed"; fits = false; break;           // a control character
      case 3: {                                                   // another scene's name
        const int other = scene == kLastStoredScene ? kFirstStoredScene : scene + 1;
        const SceneName& taken = m_s.core.Mirror().sceneNames[At(other - kFirstStoredScene)];
        name.assign(taken.data(), std::find(taken.begin(), taken.end(), u'\0') - taken.begin());
        if (name.empty()) name = FittingName();
        fits = !TakenByOther(scene, name);
        break;
      }
      default: name = FittingName(); fits = !TakenByOther(scene, name); break;
    }
    const bool started = m_s.core.Scenes().SaveScene(scene, name, nullptr);
    Expect(started == fits, fits ? "a name the box can hold was refused" : "a name the box cannot hold was taken");
    if (started && Idle()) m_currentSceneKnown = true;
  }

  void LoadScene() {
    const int scene = Scene();
    const bool valid = (m_s.core.Mirror().sceneValid >> (scene - kFirstStoredScene) & 1u) != 0;
    if (!m_s.core.Scenes().LoadScene(scene, nullptr)) {
      Problem("a scene load did not start");
      return;
    }
    // The front ends offer only the slots that hold a scene; the box refuses an empty one
    // and keeps its current scene, which the session then does not know.
    m_currentSceneKnown = Idle() && valid;
    m_replacedLive = true;
  }

  void DeleteScene() {
    if (!m_s.core.Scenes().DeleteScene(Scene(), nullptr)) Problem("a scene delete did not start");
    // The scene window marks the deleted row as the current scene, as it is told to; the
    // box keeps its own, and the window asks for it when it opens again.
    StateReplaced();
  }

  // --- filter texts ---------------------------------------------------------------------

  /// One output's bands exported and imported again, into the same output (nothing may
  /// move) or another.
  void FilterTextRoundTrip() {
    const int from = Output();
    const int outputs[] = {from};
    const std::string path = File("filters", 0, ".txt");
    std::ofstream(path, std::ios::binary) << EqExportText(m_s.Live(), outputs, [](int role) { return std::to_string(role); });
    const int to = Chance(60) ? from : Output();
    const OutputChannel before = m_s.Live().channels[At(from)];
    Import(path, to);
    if (to != from) return;
    // The program's own export reads back band for band, switched-off bands and bypass too.
    const OutputChannel& after = m_s.Live().channels[At(from)];
    bool same = before.bypass == after.bypass;
    for (int b = 0; b < EqSize(m_s.Live(), from); ++b) same = same && before.bands[At(b)] == after.bands[At(b)];
    Expect(same, "an output's own filter text imported back moved or changed its bands");
  }

  /// A text as another tool writes it: a byte-order mark, any line ends, values between
  /// the box's steps and outside its ranges.
  void ForeignFilterText() {
    static constexpr const char* kEnds[] = {"\n", "\r\n", "\r"};
    const char* end = kEnds[Pick(0, 2)];
    std::string text = Chance(50) ? "\xEF\xBB\xBF" : "";
    text += std::string("Filter Settings file") + end + "Preamp: -6.0 dB" + end;
    for (int k = 1, count = Pick(1, 12); k <= count; ++k) {
      char line[160];
      std::snprintf(line, sizeof line, "Filter %2d: %s %s Fc %d Hz Gain %.1f dB Q %.3f%s", k, Chance(85) ? "ON" : "OFF",
                    Chance(90) ? "PK" : "LS", Pick(10, 22000), Pick(-250, 200) / 10.0, Pick(100, 12000) / 1000.0, end);
      text += line;
    }
    const std::string path = File("foreign", 0, ".txt");
    std::ofstream(path, std::ios::binary) << text;
    Import(path, Chance(80) ? m_s.core.CurrentProfile().currChannel : Output());
  }

  void Import(const std::string& path, int output) {
    EqImportPlan plan;
    if (PlanEqImportFile(path, m_s.Live(), output, plan) != FilterFileResult::Ok) {
      Problem("a filter text could not be read");
      return;
    }
    Gesture([&] { m_s.core.Eq().ImportBands(output, plan.bands, plan.bypassed); });
  }

  // --- calibration ----------------------------------------------------------------------

  void Calibrate() {
    CalibrationSession& cal = m_s.core.OpenCalibration(kFastCalibration);
    MessageQueue reports;
    cal.Attach(&reports);
    const std::uint16_t possible = CalibratableOutputs(m_s.Live());
    for (int n = 0; n < kCalibrationChannels; ++n) cal.SetOutput(n, (possible >> n & 1u) != 0 && Chance(60));
    cal.SetEqMode(Pick(0, 1));
    bool ended = false;
    if (cal.Start() == CalibrationSession::StartResult::Started) {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
      while (!ended && std::chrono::steady_clock::now() < deadline) {
        m_s.Pump();
        if (auto m = reports.Take(std::chrono::milliseconds(1))) {
          cal.Handle(*m);
          ended = m->number == WM_IRC_THREAD_ENDED;
        }
      }
      Expect(ended, "a calibration run did not end");
      if (cal.Done()) Expect(Chance(70) ? cal.Apply() : cal.Discard(), "a completed result could not be sent");
    }
    cal.Attach(nullptr);
    if (m_s.core.CloseCalibration() != EqualizerManager::CalibrationClose::NothingChanged) LiveReplaced();
  }

  // --- a box that leaves ----------------------------------------------------------------

  /// A long operation with the box pulled out after a random number of its commands (or
  /// just after it, when it was shorter), then plugged back in: the session connects and
  /// reads the box out again.
  void BoxLeavesPartWay() {
    bool saveWhole = false;
    // Shared with the callback: a task that outlived its bound must not write into a gone frame.
    const auto saved = std::make_shared<std::optional<R>>();
    m_s.Box().UnplugAfterFrames(static_cast<std::size_t>(Pick(0, 400)));
    switch (Pick(0, 4)) {
      case 0: m_s.core.Scenes().SaveScene(Scene(), FittingName(), nullptr); break;
      case 1: m_s.core.Scenes().LoadScene(Scene(), nullptr); break;
      case 2: {
        // A user's older file, which a save cut short must leave as it was.
        std::ofstream(File("whole", 2, ".wpf")) << "older";
        saveWhole = true;
        m_s.core.Scenes().SaveWholeProfile(File("whole", 2, ".wpf"), [saved](R r) { *saved = r; });
        break;
      }
      case 3:
        if ((m_savedWholes & 1u) != 0) m_s.core.Scenes().LoadWholeProfile(File("whole", 0, ".wpf"));
        break;
      default:
        if ((m_savedScenes & 1u) != 0) m_s.core.Scenes().LoadSceneProfile(File("scene", 0, ".spf"));
        break;
    }
    // A failed write or read ends the task at once; the time bounds are for a silent box.
    m_s.PumpUntil([this] { return !m_s.core.Session().Busy(); }, 10000);
    Expect(!m_s.core.Session().Busy(), "the task went on after the box left");
    if (saveWhole && *saved == R::BoxLeft) {
      std::ifstream file(File("whole", 2, ".wpf"));
      const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
      Expect(text == "older", "a whole configuration save cut short changed the file it replaces");
    } else if (saveWhole && *saved == R::Ok) {
      WholeProfile whole;
      Expect(ReadWholeProfileFile(File("whole", 2, ".wpf"), whole) == R::Ok, "a whole configuration saved cannot be read");
    } else if (saveWhole) {
      Problem("a whole configuration save ended neither saved nor cut short");
    }
    if (m_s.Box().IsPlugged()) m_s.Box().Unplug();
    m_s.core.Session().DevicePlugOut();
    m_s.Pump();
    m_s.Box().Replug();
    m_s.core.Session().DevicePlugin();
    Expect(m_s.PumpUntil([this] { return m_s.core.Session().State() == ConnectionState::Connected; }, 10000),
           "the box did not connect again");
    LiveReplaced();
  }

  CoreSession& m_s;
  std::filesystem::path m_folder;
  std::mt19937 m_random;
  EditDriver m_edits;
  std::vector<Action> m_actions;
  int m_total = 0;
  StepResult m_result;
  bool m_currentSceneKnown = false;
  bool m_replacedLive = false;  ///< the step replaced the live settings as a whole
  unsigned m_savedScenes = 0;  ///< bit n: scene<n>.spf was saved
  unsigned m_savedWholes = 0;  ///< bit n: whole<n>.wpf was saved
};

}  // namespace qb::test
