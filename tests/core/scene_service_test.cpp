// The scene service against the virtual box: the scene window's operations, profile files
// going into the box and coming back out of it, refused files, and a box that disappears
// in the middle of a long transfer.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>

#include "core/source_catalogue.h"
#include "core/code_page.h"
#include "core/profile_file.h"
#include "tests/core/core_session.h"

namespace qb::test {
namespace {

namespace fs = std::filesystem;
using R = ProfileFileResult;

/// Collects what the scene window would hear.
class RecordingTarget final : public MessageTarget {
 public:
  bool PostReplyMessage(ReplyMessage&& message) override {
    const std::lock_guard lock(m_mutex);
    m_numbers.push_back(message.number);
    return true;
  }
  int Count(std::uint32_t number) const {
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count(m_numbers.begin(), m_numbers.end(), number));
  }

 private:
  mutable std::mutex m_mutex;
  std::vector<std::uint32_t> m_numbers;
};

/// A settings set that differs from the factory's, and from every other `n`, in each value
/// the box stores for a scene; the values are ones the wire carries exactly.
Profile DistinctSettings(Profile p, int n) {
  for (int o = 0; o < kOutputCount; ++o) {
    OutputChannel& c = p.channels[At(o)];
    c.gain = static_cast<float>(-(n + o));
    c.mute = (n + o) % 2;
    c.phase = (n * o) % 2;
    c.delay = 0.5f * static_cast<float>(n + o);
    c.bypass = static_cast<std::uint8_t>((n + o) % 3 == 0);
    c.crossover.hp.SetFs(40 + 10 * n + o);
    c.crossover.lp.SetFs(15000 - 100 * n - o);
    for (int b = 0; b < c.eqSize; ++b) {
      EqBand& band = c.bands[At(b)];
      band.eqGain = static_cast<float>((n + b + o) % 7 - 3);
      band.enable = 1;
    }
  }
  for (std::size_t s = 0; s < kInputSourceCount; ++s) {
    for (std::size_t o = 0; o < kOutputSlots; ++o) {
      p.inputs[s][o] = static_cast<int>((static_cast<std::size_t>(n) + o + s) % 64);
      // Only the inputs a source has carry a mix level; a routed input at 0 reads back as
      // full level, so none is 0.
      for (std::size_t i = 0; i < At(InputsOfSource(static_cast<int>(s))); ++i)
        p.inputMixVolume[s][i][o] = 1 + static_cast<int>((static_cast<std::size_t>(n) * 7 + i * 3 + o) % 100);
    }
  }
  return p;
}

/// What a stored scene of the box differs in from `scene`: its outputs and its routing (a
/// scene carries no main volume, link or lock).
std::string CompareSlotWithScene(const sim::Settings& box, const Profile& scene) {
  Differences d;
  for (int o = 0; o < kOutputCount; ++o) CompareOutput(box.outputs[At(o)], scene, o, d);
  for (std::size_t source = 0; source < kInputSourceCount; ++source) {
    const std::string where = "source " + std::to_string(source) + " output ";
    for (std::size_t o = 0; o < kOutputSlots; ++o) {
      d.Equal("routing " + where + std::to_string(o), int{box.sources[source].mixMask[o]}, scene.inputs[source][o]);
      for (std::size_t in = 0; in < At(InputsOfSource(static_cast<int>(source))); ++in)
        d.Equal("mix level input " + std::to_string(in) + where + std::to_string(o),
                int{box.sources[source].mixTrim[in][o]}, scene.inputMixVolume[source][in][o]);
    }
  }
  return d.Text();
}

std::string Content(const fs::path& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

SceneName Name(std::u16string_view text) {
  SceneName name{};
  std::copy(text.begin(), text.end(), name.begin());
  return name;
}

class SceneServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "scene_service_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    ASSERT_TRUE(s.Connect());
    ASSERT_TRUE(Finish()) << "the read-out ends";
  }
  void TearDown() override { fs::remove_all(m_dir); }

  SceneService& Scenes() { return s.core.Scenes(); }
  EqualizerMirror& Mirror() { return s.Mirror(); }
  /// Pumps until the session's task has ended and the box has everything it was sent.
  bool Finish(int ms = 20000) {
    return s.PumpUntil([this] { return !s.core.Session().Busy(); }, ms) && s.Drain(ms);
  }
  std::string Path(const char* name) const { return (m_dir / name).string(); }

  CoreSession s;
  fs::path m_dir;
};

TEST_F(SceneServiceTest, ASavedSceneLoadsBackOverLaterEditsAndADeleteClearsItsNameAtOnce) {
  RecordingTarget window;
  s.core.Outputs().SetVolumeDb(0, -17);
  s.core.Outputs().SetMute(2, true);
  s.core.Outputs().SetDelayMicros(5, 2500);
  ASSERT_TRUE(s.Drain());
  const Profile tuned = s.Live();

  EXPECT_FALSE(Scenes().SaveScene(3, u"Club night", &window)) << "a name the box cannot hold is refused";
  ASSERT_TRUE(Scenes().SaveScene(3, u"Club", &window));
  EXPECT_FALSE(Scenes().LoadScene(4, &window)) << "one task at a time";
  ASSERT_TRUE(Finish());
  EXPECT_EQ(window.Count(WM_CLOSE_LOADING), 1);
  EXPECT_EQ(Mirror().sceneNames[2], Name(u"Club"));
  EXPECT_EQ(Scenes().CurrentScene(), 3);
  s.Box().Inspect([&](const sim::BoxState& box) {
    const sim::SceneSlot& slot = box.scenes[2];
    EXPECT_TRUE(slot.valid);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(slot.name.data())), "Club");
    EXPECT_EQ(CompareBoxWithMirror(slot.settings, tuned), "");
  });

  s.core.Outputs().SetVolumeDb(0, -3);
  s.core.Outputs().SetMute(2, false);
  s.core.Outputs().SetPhase(6, true);
  ASSERT_TRUE(s.Drain());
  ASSERT_TRUE(Scenes().LoadScene(3, &window));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(window.Count(WM_CLOSE_LOADING), 2);
  EXPECT_EQ(s.Live().channels[0].gain, tuned.channels[0].gain);
  EXPECT_EQ(s.Live().channels[2].mute, 1);
  EXPECT_EQ(s.Live().channels[6].phase, tuned.channels[6].phase);
  EXPECT_EQ(CompareBoxWithMirror(s.Box(), s.Live()), "");

  ASSERT_TRUE(Scenes().DeleteScene(3, &window));
  EXPECT_EQ(Mirror().sceneNames[2], SceneName{}) << "the row is cleared before the box answers";
  ASSERT_TRUE(Finish());
  EXPECT_EQ(window.Count(WM_CLOSE_LOADING), 3);
  s.Box().Inspect([](const sim::BoxState& box) { EXPECT_FALSE(box.scenes[2].valid); });

  for (const int outside : {0, 11}) {
    EXPECT_FALSE(Scenes().LoadScene(outside, &window));
    EXPECT_FALSE(Scenes().SaveScene(outside, u"x", &window));
    EXPECT_FALSE(Scenes().DeleteScene(outside, &window));
  }
}

TEST_F(SceneServiceTest, ASceneProfileLoadedAfterOtherEditsPutsTheTunedSettingsBackInMirrorAndBox) {
  s.core.Outputs().SetVolumeDb(1, -12);
  s.core.Outputs().SetPhase(3, true);
  s.core.Outputs().SetDelayMicros(7, 1200);
  ASSERT_TRUE(s.Drain());
  const std::string path = Path("tuned.spf");
  ASSERT_EQ(Scenes().SaveSceneProfile(path), R::Ok);
  const std::string tuned = SceneProfileText(s.Live());
  EXPECT_EQ(Content(path), tuned);

  s.core.Outputs().SetVolumeDb(1, 0);
  s.core.Outputs().SetPhase(3, false);
  s.core.Outputs().SetMute(4, true);
  ASSERT_TRUE(s.Drain());
  ASSERT_EQ(Scenes().LoadSceneProfile(path), R::Ok);
  EXPECT_EQ(SceneProfileText(s.Live()), tuned) << "the mirror holds the file at once";
  ASSERT_TRUE(Finish());
  EXPECT_EQ(SceneProfileText(s.Live()), tuned);
  EXPECT_EQ(CompareBoxWithMirror(s.Box(), s.Live()), "");
  EXPECT_TRUE(s.host.Told(SessionNotice::TaskStarted));
  EXPECT_TRUE(s.host.Told(SessionNotice::TaskEnded));
}

TEST_F(SceneServiceTest, AFileReachesTheBoxWholeAsTheBoxWillHoldIt) {
  // A file made elsewhere: every source routed otherwise, fewer bands than the box has,
  // values between the box's steps, linked and locked, no main volume of its own yet.
  Profile file = DistinctSettings(s.Live(), 4);
  for (std::size_t source = 0; source < kInputSourceCount; ++source)
    for (std::size_t o = 0; o < kOutputSlots; ++o) file.inputs[source][o] = static_cast<int>((source + 2 * o) % 64);
  // Output 0 leads its linked pair (front left before front right).
  file.channels[0].eqSize = 10;
  file.channels[0].bands[4].eqFactor = 0.69f;
  file.channels[0].delay = 2.6426f;
  file.linkMode = 1;
  file.mainVolume = -5;
  // Sounding bands above the file's ten that the box holds now.
  for (int b = 10; b < 31; ++b) s.core.Eq().EditBand(0, b, 1000 + b, 2.0f, 4.0f);
  s.core.Main().SetMainVolume(25);
  ASSERT_TRUE(s.Drain());
  const std::string path = Path("elsewhere.spf");
  ASSERT_EQ(WriteSceneProfileFile(file, path), R::Ok);

  ASSERT_EQ(Scenes().LoadSceneProfile(path), R::Ok);
  ASSERT_TRUE(Finish());
  EXPECT_EQ(CompareBoxWithMirror(s.Box(), s.Live()), "");
  EXPECT_EQ(s.Live().inputs, file.inputs) << "every source's routing, not the current one's";
  EXPECT_EQ(s.Live().channels[0].eqSize, 31) << "the box's band count, not the file's";
  EXPECT_EQ(s.Live().channels[0].bands[20].eqGain, 0.0f) << "the bands the file lacks go flat";
  EXPECT_FLOAT_EQ(s.Live().channels[0].bands[4].eqFactor, 0.7f);
  EXPECT_FLOAT_EQ(s.Live().channels[0].delay, 2.643f) << "the nearest whole microsecond";
  EXPECT_EQ(s.Live().channels[1].bands, s.Live().channels[0].bands) << "linked: the right side follows";
  EXPECT_EQ(s.Live().mainVolume, 25) << "a file saved before the box reported keeps the box's";
  EXPECT_EQ(s.Live().linkMode, 1);
  EXPECT_EQ(s.Live().lockMode, 1);
  s.Box().Inspect([](const sim::BoxState& box) {
    EXPECT_EQ(box.live.link.on, 1);
    EXPECT_EQ(box.live.lock, 1);
    EXPECT_DOUBLE_EQ(box.live.outputs[0].bands[20].gainDb, 0.0);
    EXPECT_DOUBLE_EQ(box.live.outputs[0].bands[4].q, 0.7);
    EXPECT_NEAR(box.live.outputs[0].delayMs, 2.643, 1e-9);
  });
}

TEST_F(SceneServiceTest, AFileIsRefusedWhenTheBoxCannotTakeItAndNothingChanges) {
  const std::string spf = Path("any.spf");
  ASSERT_EQ(Scenes().SaveSceneProfile(spf), R::Ok);
  // Scene names the code page of the UI language cannot hold, or one given twice.
  WholeProfile foreign{s.Live(), Mirror().scenes, Mirror().sceneNames};
  foreign.names[0] = Name(u"\u041A\u043B\u0443\u0431");
  const std::string wpf = Path("foreign.wpf");
  ASSERT_EQ(WriteWholeProfileFile(foreign, wpf), R::Ok);
  WholeProfile twice = foreign;
  twice.names[0] = Name(u"Club");
  twice.names[5] = Name(u"Club");
  const std::string twiceFile = Path("twice.wpf");
  ASSERT_EQ(WriteWholeProfileFile(twice, twiceFile), R::Ok);
  s.Box().ClearCommands();
  const auto names = Mirror().sceneNames;
  EXPECT_EQ(Scenes().LoadWholeProfile(wpf), R::SceneNameRefused);
  EXPECT_EQ(Scenes().LoadWholeProfile(twiceFile), R::SceneNameRefused);
  EXPECT_EQ(Mirror().sceneNames, names);

  // A running task: nothing is read, shown or sent.
  ASSERT_TRUE(Scenes().SaveScene(2, u"Two", nullptr));
  EXPECT_EQ(Scenes().LoadSceneProfile(spf), R::TaskBusy);
  ASSERT_TRUE(Finish());
  s.core.Session().DisconnectDevice();
  ASSERT_TRUE(s.PumpUntil([this] { return !s.core.Session().IsDeviceOpen(); }));
  s.Box().ClearCommands();
  EXPECT_EQ(Scenes().LoadSceneProfile(spf), R::TaskBusy) << "no box to write the file into";
  EXPECT_TRUE(s.Box().Commands().empty());
}

TEST_F(SceneServiceTest, AWholeConfigurationKeepsWhichSlotsHoldAScene) {
  RecordingTarget window;
  ASSERT_TRUE(Scenes().SaveScene(4, u"Four", &window));
  ASSERT_TRUE(Finish());
  const std::string path = Path("two.wpf");
  std::optional<R> written;
  ASSERT_TRUE(Scenes().SaveWholeProfile(path, [&](R result) { written = result; }));
  ASSERT_TRUE(Finish(60000));
  ASSERT_EQ(written, R::Ok);
  const std::uint32_t validAtSave = Mirror().sceneValid;
  EXPECT_NE(validAtSave & (1u << 3), 0u);
  // Scene 7 saved after the file: the load empties it again; scene 4 comes back.
  ASSERT_TRUE(Scenes().DeleteScene(4, &window));
  ASSERT_TRUE(Finish());
  ASSERT_TRUE(Scenes().SaveScene(7, u"Seven", &window));
  ASSERT_TRUE(Finish());

  ASSERT_EQ(Scenes().LoadWholeProfile(path), R::Ok);
  ASSERT_TRUE(Finish(60000));
  s.Box().Inspect([&](const sim::BoxState& box) { EXPECT_EQ(box.ValidMask(), validAtSave); });
  EXPECT_EQ(Mirror().sceneValid, validAtSave);
  EXPECT_EQ(Mirror().sceneNames[6], SceneName{});
  EXPECT_EQ(Mirror().sceneNames[3], Name(u"Four"));
}

TEST_F(SceneServiceTest, AWholeConfigurationFillsAFactoryFreshBoxAndSavesBackAsTheSameFile) {
  WholeProfile whole;
  whole.current = DistinctSettings(s.Live(), 0);
  for (int n = kFirstStoredScene; n <= kLastStoredScene; ++n) {
    Profile& scene = whole.scenes[At(n - 1)];
    scene = DistinctSettings(s.Live(), n);
    // The file carries no main volumes of a scene: a load leaves the mirror's.
    scene.mainVolume = Mirror().scenes[At(n - 1)].mainVolume;
    scene.subVolume = Mirror().scenes[At(n - 1)].subVolume;
    scene.mainVolumeMute = Mirror().scenes[At(n - 1)].mainVolumeMute;
    whole.names[At(n - 1)] = Name(n == 10 ? u"Ten" : std::u16string(u"Scène ") + static_cast<char16_t>(u'0' + n));
  }
  const std::string loaded = Path("loaded.wpf");
  ASSERT_EQ(WriteWholeProfileFile(whole, loaded), R::Ok);

  ASSERT_EQ(Scenes().LoadWholeProfile(loaded), R::Ok);
  ASSERT_TRUE(Finish(60000));
  EXPECT_EQ(CompareBoxWithMirror(s.Box(), s.Live()), "");
  s.Box().Inspect([&](const sim::BoxState& box) {
    EXPECT_EQ(box.ValidMask(), 0x3FF);
    for (int n = kFirstStoredScene; n <= kLastStoredScene; ++n) {
      const sim::SceneSlot& slot = box.scenes[At(n - 1)];
      SCOPED_TRACE("scene " + std::to_string(n));
      EXPECT_EQ(CompareSlotWithScene(slot.settings, whole.scenes[At(n - 1)]), "");
      EXPECT_EQ(SceneProfileText(Mirror().scenes[At(n - 1)]), SceneProfileText(whole.scenes[At(n - 1)]));
      EXPECT_EQ(DecodeSceneName(slot.name, Mirror().session.codePage), whole.names[At(n - 1)]);
    }
  });

  const std::string saved = Path("saved.wpf");
  std::optional<R> written;
  ASSERT_TRUE(Scenes().SaveWholeProfile(saved, [&](R result) { written = result; }));
  ASSERT_TRUE(Finish(60000));
  ASSERT_EQ(written, R::Ok);
  EXPECT_EQ(Content(saved), Content(loaded));
}

TEST_F(SceneServiceTest, EachSceneOfAWholeConfigurationIsSavedOnlyOnceItsQueuedMixLevelsAreIn) {
  s.Box().SetLatency(std::chrono::microseconds(0));
  const std::string path = Path("ten.wpf");
  ASSERT_EQ(WriteWholeProfileFile(WholeProfile{s.Live(), Mirror().scenes, {}}, path), R::Ok);
  ASSERT_EQ(Scenes().LoadWholeProfile(path), R::Ok);
  ASSERT_TRUE(Finish());
  EXPECT_EQ(s.Box().OrderViolations(), std::vector<std::string>{});
}

TEST_F(SceneServiceTest, ARefusedFileChangesNeitherMirrorNorBox) {
  WholeProfile whole{s.Live(), Mirror().scenes, Mirror().sceneNames};
  const std::string goodWhole = WholeProfileText(whole);
  const std::string goodScene = SceneProfileText(s.Live());
  const auto replaced = [](std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  const std::string model = "\"model\":" + std::to_string(s.Live().model);
  struct Case {
    const char* file;
    std::string text;  // empty: the file does not exist
    bool whole;
    R expected;
  };
  const std::vector<Case> cases = {
      {"missing.spf", "", false, R::OpenError},
      {"missing.wpf", "", true, R::OpenError},
      {"words.spf", "not a profile", false, R::NotJson},
      {"words.wpf", "not a profile", true, R::NotJson},
      {"other.spf", replaced(goodScene, model, "\"model\":12"), false, R::ModelMismatch},
      {"other.wpf", replaced(goodWhole, model, "\"model\":12"), true, R::ModelMismatch},
      {"cut.wpf", goodWhole.substr(0, goodWhole.size() / 2), true, R::NotJson},
      {"scene.wpf", goodScene, true, R::LoadError},
      {"whole.spf", goodWhole, false, R::LoadError},
      {"gain.spf", replaced(goodScene, "\"eqGain\":0", "\"eqGain\":99"), false, R::LoadError},
  };
  const Profile before = s.Live();
  const auto scenesBefore = Mirror().scenes;
  const auto namesBefore = Mirror().sceneNames;
  // A state is over a megabyte: kept on the heap and compared in place.
  const auto boxBefore = std::make_unique<sim::BoxState>();
  s.Box().Inspect([&](const sim::BoxState& box) { *boxBefore = box; });
  s.Box().ClearCommands();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    if (!c.text.empty()) std::ofstream(Path(c.file)) << c.text;
    const R result = c.whole ? Scenes().LoadWholeProfile(Path(c.file)) : Scenes().LoadSceneProfile(Path(c.file));
    EXPECT_EQ(result, c.expected);
    EXPECT_FALSE(s.core.Session().Busy());
  }
  ASSERT_TRUE(s.Drain());
  EXPECT_EQ(s.Live(), before);
  EXPECT_EQ(Mirror().scenes, scenesBefore);
  EXPECT_EQ(Mirror().sceneNames, namesBefore);
  EXPECT_TRUE(s.Box().Commands().empty());
  s.Box().Inspect([&](const sim::BoxState& box) { EXPECT_TRUE(box == *boxBefore); });
}

/// Each long operation with the box pulled out after `frames` of its commands: the task
/// ends, the loading window closes, and the box connects again when it is plugged back.
TEST_F(SceneServiceTest, AnUnplugInTheMiddleOfEachTransferEndsItAndAReplugConnectsAgain) {
  const std::string wholeFile = Path("whole.wpf");
  const std::string sceneFile = Path("scene.spf");
  ASSERT_EQ(WriteWholeProfileFile(WholeProfile{DistinctSettings(s.Live(), 0), {}, {}}, wholeFile), R::Ok);
  ASSERT_EQ(Scenes().SaveSceneProfile(sceneFile), R::Ok);
  RecordingTarget window;
  // A user's older file, which a save cut short must leave alone.
  const std::string outFile = Path("out.wpf");
  std::ofstream(outFile) << "older";
  std::optional<R> saveResult;
  struct Operation {
    const char* what;
    std::size_t frames;  // sent before the box goes
    std::function<bool()> start;
  };
  const std::vector<Operation> operations = {
      {"load scene", 1, [&] { return Scenes().LoadScene(1, &window); }},
      {"save scene", 1, [&] { return Scenes().SaveScene(2, u"Two", &window); }},
      {"delete scene", 0, [&] { return Scenes().DeleteScene(2, &window); }},
      {"save whole", 120, [&] { return Scenes().SaveWholeProfile(outFile, [&](R r) { saveResult = r; }); }},
      {"load whole", 300, [&] { return Scenes().LoadWholeProfile(wholeFile) == R::Ok; }},
      {"load scene profile", 40, [&] { return Scenes().LoadSceneProfile(sceneFile) == R::Ok; }},
  };
  for (const auto& [what, frames, start] : operations) {
    SCOPED_TRACE(what);
    s.host.notices.clear();
    s.Box().UnplugAfterFrames(frames);
    ASSERT_TRUE(start());
    ASSERT_TRUE(s.PumpUntil([&] { return !s.Box().IsPlugged(); }));
    s.core.Session().DevicePlugOut();
    ASSERT_TRUE(s.PumpUntil([&] { return !s.core.Session().Busy(); }, 10000)) << "the task ends";
    s.Pump();
    EXPECT_EQ(s.core.Session().State(), ConnectionState::Disconnected);
    const auto told = [&](SessionNotice n) { return std::count_if(s.host.notices.begin(), s.host.notices.end(), [n](const auto& x) { return x.first == n; }); };
    EXPECT_EQ(told(SessionNotice::TaskEnded), told(SessionNotice::TaskStarted)) << "the loading window closes";

    s.Box().Replug();
    s.core.Session().DevicePlugin();
    ASSERT_TRUE(s.PumpUntil([&] { return s.core.Session().State() == ConnectionState::Connected; }, 10000));
    ASSERT_TRUE(s.Drain());
    EXPECT_EQ(CompareBoxWithMirror(s.Box(), s.Live()), "") << "the read-out after the replug shows the box";
  }
  EXPECT_EQ(window.Count(WM_CLOSE_LOADING), 3) << "each scene window operation closes its loading window";
  EXPECT_EQ(saveResult, R::BoxLeft);
  EXPECT_EQ(Content(outFile), "older");
}

}  // namespace
}  // namespace qb::test
