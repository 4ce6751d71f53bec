// The profile files: the exact text other tools read, round trips of everything they carry,
// damaged files that change nothing, and saves that never lose the previous file.

#include <cjson/cJSON.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/output_levels.h"
#include "core/profile_file.h"

namespace qb {
namespace {

namespace fs = std::filesystem;
using R = ProfileFileResult;

std::string Replaced(std::string text, const std::string& from, const std::string& to, bool last = false) {
  const auto at = last ? text.rfind(from) : text.find(from);
  EXPECT_NE(at, std::string::npos) << "no " << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

std::vector<std::string> Keys(const cJSON* object) {
  std::vector<std::string> keys;
  for (const cJSON* item = object->child; item != nullptr; item = item->next) keys.emplace_back(item->string);
  return keys;
}

/// A profile as the editing services could leave it, different from the defaults in every
/// field the files carry, with each value range at one of its edges somewhere.
Profile Edited(int seed) {
  Profile p;
  p.mainVolume = 40 - seed;
  p.subVolume = 3 + seed;
  p.mainVolumeMute = 1;
  for (int o = 0; o < kOutputCount; ++o) {
    OutputChannel& c = p.channels[At(o)];
    c.eqSize = o == 3 ? 11 : (o == 5 ? 0 : 31);
    c.gain = static_cast<float>(-o - seed);
    c.mute = o % 2;
    c.delay = o == 7 ? static_cast<float>(DelayMsOfDistance(HeldDistance(1e9, DelayUnit::Cm), DelayUnit::Cm))
                     : static_cast<float>(o * 251 + seed) / 1000.0f;
    c.phase = 1 - o % 2;
    c.bypass = 0;
    c.crossover.bpType = (o + seed) % 4;
    c.crossover.hp.SetFs(100 + o + seed);
    c.crossover.hp.SetType(3);
    c.crossover.hp.SetSlope(o % 9);
    c.crossover.lp.SetFs(9000 - o);
    c.crossover.lp.SetSlope(8);
    for (int b = 0; b < c.eqSize; ++b) {
      c.bands[At(b)] = EqBand{b == 0 ? -18.0f : (b == 1 ? 12.0f : -0.1f * static_cast<float>(b + seed)),
                              b == 0 ? 0.5f : (b == 1 ? 9.0f : 0.5f + 0.07f * static_cast<float>(b)),
                              b == 2 ? 20000 : 20 + 37 * b + seed, static_cast<std::uint8_t>(b % 3 != 0)};
    }
  }
  for (std::size_t s = 0; s < kInputSourceCount; ++s) {
    for (std::size_t o = 0; o < kOutputSlots; ++o) p.inputs[s][o] = static_cast<int>((s * 7 + o + seed) % 64);
    for (std::size_t i = 0; i < kMixInputSlots; ++i)
      for (std::size_t o = 0; o < kOutputSlots; ++o)
        p.inputMixVolume[s][i][o] = static_cast<int>((s * 64 + i * 8 + o + seed) % 101);
  }
  p.outputs = {1, 7, 2, 8, 24, 0, 13, 16};
  p.linkOutputs = {1, 0, -1, -1, -1, -1, 7, 6};
  p.showChEqualizer = {1, 0, 1, 1, 0, 0, 1, 0};
  p.currChannel = 7 - seed % 8;
  p.linkMode = 1;
  p.lockMode = 1;
  return p;
}

WholeProfile EditedWhole() {
  WholeProfile w;
  w.current = Edited(0);
  for (std::size_t s = 0; s < kSceneSlots; ++s) {
    w.scenes[s] = Edited(static_cast<int>(s) + 1);
    w.scenes[s].mainVolume = -5;  // a scene's main volumes are not in the file
    w.scenes[s].subVolume = 0;
    w.scenes[s].mainVolumeMute = 0;
    w.names[s] = {u'S', u'z', u'è', u'n', u'e', static_cast<char16_t>(u'0' + s), u'☃', 0};
  }
  w.names[9] = {};
  return w;
}

TEST(SceneProfileText, IsOneLineOfCompactJsonInTheFixedKeyOrder) {
  const std::string text = SceneProfileText(Profile{});
  EXPECT_EQ(text.rfind(R"({"model":79,"model_name":"ZX7140K","mainVolume":-5,"subVolume":0,"mainVolumeMute":0,)"
                       R"("channels":[{"eqSize":31,"gain":0,"mute":0,"delay":0,"phase":0,"bypass":1,"crossover":)"
                       R"({"bpType":1,"hp":{"fs":20,"type":2,"slope":4,"bypass":0},"lp":{"fs":20000,"type":2,)"
                       R"("slope":0,"bypass":1}},"eqArray":[{"freq":20,"eqFactor":5.8,"eqGain":0,"enable":1},)",
                       0),
            0u)
      << text.substr(0, 400);
  EXPECT_EQ(text.find_first_of(" \t\r\n"), std::string::npos);
  EXPECT_NE(text.find(R"("outputs":[6,12,15,18,19,20,22,23],"linkOutputs":[-1,-1,-1,-1,-1,-1,-1,-1],)"
                      R"("showChEqualizer":[0,0,0,0,0,0,0,0],"currChannel":0,"linkMode":0,"lockMode":0})"),
            std::string::npos);

  const std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_Parse(text.c_str()), cJSON_Delete);
  ASSERT_TRUE(root);
  EXPECT_EQ(Keys(root.get()), (std::vector<std::string>{"model", "model_name", "mainVolume", "subVolume",
                                                         "mainVolumeMute", "channels", "inputs", "inputMixVolume",
                                                         "outputs", "linkOutputs", "showChEqualizer", "currChannel",
                                                         "linkMode", "lockMode"}));
  const std::vector<int> thirdOctaves{20,   25,   31,   40,   50,   63,   80,   100,   125,   160,   200,
                                      250,  315,  400,  500,  630,  800,  1000, 1250,  1600,  2000,  2500,
                                      3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};
  const cJSON* channels = cJSON_GetObjectItem(root.get(), "channels");
  ASSERT_EQ(cJSON_GetArraySize(channels), 8);
  for (const cJSON* channel = channels->child; channel != nullptr; channel = channel->next) {
    EXPECT_EQ(Keys(channel), (std::vector<std::string>{"eqSize", "gain", "mute", "delay", "phase", "bypass",
                                                        "crossover", "eqArray"}));
    const cJSON* crossover = cJSON_GetObjectItem(channel, "crossover");
    EXPECT_EQ(Keys(crossover), (std::vector<std::string>{"bpType", "hp", "lp"}));
    for (const char* filter : {"hp", "lp"})
      EXPECT_EQ(Keys(cJSON_GetObjectItem(crossover, filter)),
                (std::vector<std::string>{"fs", "type", "slope", "bypass"}));
    std::vector<int> freqs;
    for (const cJSON* band = cJSON_GetObjectItem(channel, "eqArray")->child; band != nullptr; band = band->next) {
      EXPECT_EQ(Keys(band), (std::vector<std::string>{"freq", "eqFactor", "eqGain", "enable"}));
      freqs.push_back(cJSON_GetObjectItem(band, "freq")->valueint);
    }
    EXPECT_EQ(freqs, thirdOctaves);
  }
}

TEST(WholeProfileText, HoldsNamesAsBase64OfTheirSixteenBytesAndTheSetsInOrder) {
  WholeProfile whole;
  whole.names[0] = {u'A', u'B', u'C', u'D', u'E', u'F', u'G', 0};
  whole.names[1] = {u'Z', u'€', 0, 0, 0, 0, 0, 0};
  const std::string text = WholeProfileText(whole);
  EXPECT_EQ(text.rfind(R"({"model":79,"model_name":"ZX7140K","mainVolume":-5,"subVolume":0,"mainVolumeMute":0,)"
                       R"("sceneName":["QQBCAEMARABFAEYARwAAAA==","WgCsIAAAAAAAAAAAAAAAAA==","AAAAAAAAAAAAAAAAAAAAAA==",)",
                       0),
            0u);
  EXPECT_NE(text.find(R"(],"currentProfile":{"channels":[{"eqSize":31,)"), std::string::npos);
  EXPECT_NE(text.find(R"("lockMode":0},"sceneArray":[{"channels":[)"), std::string::npos);

  WholeProfile loaded;
  ASSERT_EQ(ParseWholeProfile(text, loaded), R::Ok);
  EXPECT_EQ(loaded.names, whole.names);
}

TEST(ProfileRoundTrip, EveryCarriedFieldLoadsBackAndTheRestOfTheTargetStays) {
  const Profile edited = Edited(0);
  Profile target;
  target.model = 79;  // a box is connected; the file must not say otherwise
  target.inputSource = 4;
  target.ktv[kKtvEchoLevel] = 9;
  target.inputMixPhase[2][1][3] = 1;
  target.synchronize[1] = 1;
  Profile expected = edited;
  expected.model = target.model;
  expected.inputSource = target.inputSource;
  expected.ktv = target.ktv;
  expected.inputMixPhase = target.inputMixPhase;
  expected.synchronize = target.synchronize;
  // Bands beyond an output's eqSize are not in the file and come back at their defaults.
  expected.channels[3].bands = Profile{}.channels[3].bands;
  std::copy_n(edited.channels[3].bands.begin(), 11, expected.channels[3].bands.begin());
  expected.channels[5].bands = Profile{}.channels[5].bands;

  const std::string text = SceneProfileText(edited);
  ASSERT_EQ(ParseSceneProfile(text, target), R::Ok);
  EXPECT_EQ(target, expected);
  EXPECT_EQ(SceneProfileText(target), text);  // nothing drifts from save to save
}

TEST(ProfileRoundTrip, TenDistinctScenesAndNamesLoadBackEqual) {
  const auto whole = std::make_unique<WholeProfile>(EditedWhole());
  const std::string text = WholeProfileText(*whole);
  const auto loaded = std::make_unique<WholeProfile>();
  ASSERT_EQ(ParseWholeProfile(text, *loaded), R::Ok);
  EXPECT_EQ(WholeProfileText(*loaded), text);
  // Only the bands that eqSize leaves out differ, as in the scene profile.
  for (auto* p : {&loaded->current, &whole->current}) p->channels[3].bands = p->channels[5].bands = {};
  for (std::size_t s = 0; s < kSceneSlots; ++s)
    for (auto* p : {&loaded->scenes[s], &whole->scenes[s]}) p->channels[3].bands = p->channels[5].bands = {};
  EXPECT_EQ(*loaded, *whole);
}

TEST(ProfileRoundTrip, WhatABoxReportsOutsideTheFileRangesIsSavedAsAFileThatLoads) {
  // Values no editor makes but a box reports: a level on an unrouted input (0x96 read as a
  // signed byte), erased flash in a band, an unknown role and partner.
  Profile box;
  box.inputMixVolume[0][1][2] = -106;
  box.inputMixVolume[5][0][0] = 150;
  box.inputs[2][3] = 0xC3;
  box.channels[4].bands[2] = EqBand{.eqGain = 40.0f, .eqFactor = 25.5f, .freq = 65535, .enable = 7};
  box.channels[4].gain = -80.0f;
  box.channels[4].delay = 300.0f;
  box.channels[6].crossover.lp.fs = 65535;
  box.channels[6].crossover.hp.type = 9;
  box.outputs[3] = 31;
  box.linkOutputs[5] = 9;
  box.mainVolume = 60;
  WholeProfile whole;
  whole.current = box;
  whole.scenes[8] = box;
  Profile loaded;
  ASSERT_EQ(ParseSceneProfile(SceneProfileText(box), loaded), R::Ok);
  EXPECT_EQ(loaded.inputMixVolume[0][1][2], 0);
  EXPECT_EQ(loaded.inputMixVolume[5][0][0], 100);
  EXPECT_EQ(loaded.channels[4].bands[2], (EqBand{.eqGain = 12.0f, .eqFactor = 9.0f, .freq = 20000, .enable = 1}));
  EXPECT_EQ(loaded.channels[6].crossover.lp.fs, 20000);
  EXPECT_EQ(loaded.outputs[3], kRoleEmpty);
  const auto wholeLoaded = std::make_unique<WholeProfile>();
  EXPECT_EQ(ParseWholeProfile(WholeProfileText(whole), *wholeLoaded), R::Ok);
}

TEST(ProfileLoad, LenientValuesAreStoredByTheFormatsRules) {
  const std::string text = SceneProfileText(Profile{});
  Profile p;
  std::string lenient = Replaced(text, R"("gain":0,)", R"("gain":-12.5,)");
  lenient = Replaced(lenient, R"("delay":0,)", R"("delay":1.25,)");
  lenient = Replaced(lenient, R"("eqGain":0,"enable":1)", R"("eqGain":0,"enable":0.5)");
  ASSERT_EQ(ParseSceneProfile(lenient, p), R::Ok);
  EXPECT_EQ(p.channels[0].gain, -12.0f);
  EXPECT_EQ(p.channels[0].delay, 1.25f);
  EXPECT_EQ(p.channels[0].bands[0].enable, 1);

  // Names: characters outside the alphabet are skipped, bytes beyond the slot dropped, and
  // the eighth unit always ends the name.
  std::string whole = WholeProfileText(WholeProfile{});
  whole = Replaced(whole, R"("AAAAAAAAAAAAAAAAAAAAAA==")", R"("QQ*BC AEMARABFAEYARwBIAEkA")");
  const auto w = std::make_unique<WholeProfile>();
  ASSERT_EQ(ParseWholeProfile(whole, *w), R::Ok);
  EXPECT_EQ(w->names[0], (SceneName{u'A', u'B', u'C', u'D', u'E', u'F', u'G', 0}));
}

TEST(ProfileLoad, EveryRefusedFileLeavesTheTargetExactlyAsItWas) {
  const std::string text = SceneProfileText(Profile{});
  struct Case {
    const char* what;
    std::string text;
    R result;
  };
  const auto with = [&](const std::string& from, const std::string& to) { return Replaced(text, from, to); };
  const Case cases[] = {
      {"empty", "", R::NotJson},
      {"cut", text.substr(0, text.size() / 2), R::NotJson},
      {"trailing text", text + "x", R::NotJson},
      {"other model", with(R"("model":79)", R"("model":12)"), R::ModelMismatch},
      {"model as text", with(R"("model":79)", R"("model":"79")"), R::LoadError},
      {"not an object", "[79]", R::LoadError},
      {"missing key", with(R"("lockMode")", R"("lockMod")"), R::LoadError},
      {"short array", with("[6,12,15,18,19,20,22,23]", "[6,12,15,18,19,20,22]"), R::LoadError},
      {"long array", with("[6,12,15,18,19,20,22,23]", "[6,12,15,18,19,20,22,23,0]"), R::LoadError},
      {"eqArray shorter than eqSize", with(R"("eqSize":31)", R"("eqSize":30)"), R::LoadError},
      {"eqSize 32", with(R"("eqSize":31)", R"("eqSize":32)"), R::LoadError},
      {"role 25", with(R"("outputs":[6)", R"("outputs":[25)"), R::LoadError},
      {"mask 64", with(R"("inputs":[[1)", R"("inputs":[[64)"), R::LoadError},
      {"mix 101", with(R"("inputMixVolume":[[[100)", R"("inputMixVolume":[[[101)"), R::LoadError},
      {"partner 8", with(R"("linkOutputs":[-1)", R"("linkOutputs":[8)"), R::LoadError},
      {"partner -2", with(R"("linkOutputs":[-1)", R"("linkOutputs":[-2)"), R::LoadError},
      {"currChannel 8", with(R"("currChannel":0)", R"("currChannel":8)"), R::LoadError},
      {"freq 25000", with(R"("freq":20,)", R"("freq":25000,)"), R::LoadError},
      {"Q 9.5", with(R"("eqFactor":5.8)", R"("eqFactor":9.5)"), R::LoadError},
      {"band gain 12.5", with(R"("eqGain":0)", R"("eqGain":12.5)"), R::LoadError},
      {"delay 256", with(R"("delay":0)", R"("delay":256)"), R::LoadError},
      {"infinite delay", with(R"("delay":0)", R"("delay":1e999)"), R::LoadError},
      {"volume above 0 dB", with(R"("gain":0)", R"("gain":1)"), R::LoadError},
      {"volume -61 dB", with(R"("gain":0)", R"("gain":-61)"), R::LoadError},
      {"mainVolume 41", with(R"("mainVolume":-5)", R"("mainVolume":41)"), R::LoadError},
      {"mainVolume -6", with(R"("mainVolume":-5)", R"("mainVolume":-6)"), R::LoadError},
      {"mute 2", with(R"("mute":0)", R"("mute":2)"), R::LoadError},
      {"linkMode true", with(R"("linkMode":0)", R"("linkMode":true)"), R::LoadError},
      {"bpType 4", with(R"("bpType":1)", R"("bpType":4)"), R::LoadError},
      // A corner out of range would otherwise be held to 20 Hz: a low-pass that silences.
      {"corner 20001 Hz", with(R"("lp":{"fs":20000)", R"("lp":{"fs":20001)"), R::LoadError},
      {"corner 19 Hz", with(R"("hp":{"fs":20)", R"("hp":{"fs":19)"), R::LoadError},
      {"family 4", with(R"("hp":{"fs":20,"type":2)", R"("hp":{"fs":20,"type":4)"), R::LoadError},
      {"slope 9", with(R"("type":2,"slope":4)", R"("type":2,"slope":9)"), R::LoadError},
      {"filter not an object", with(R"("hp":{"fs":20,"type":2,"slope":4,"bypass":0})", R"("hp":20)"),
       R::LoadError},
  };
  const Profile before = Edited(2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Profile target = before;
    EXPECT_EQ(ParseSceneProfile(c.text, target), c.result);
    EXPECT_EQ(target, before);
  }
}

TEST(ProfileLoad, ADamagedWholeConfigurationStoresNoSceneAndNoName) {
  const auto before = std::make_unique<WholeProfile>(EditedWhole());
  const std::string text = WholeProfileText(WholeProfile{});
  const std::string lastScene = R"(,{"channels":)";
  const std::string nineScenes = text.substr(0, text.rfind(lastScene)) + "]}";
  for (const std::string& damaged :
       {Replaced(text, R"("lockMode":0})", R"("lockMode":2})", true), nineScenes,
        Replaced(text, R"("sceneName":["AAAAAAAAAAAAAAAAAAAAAA==")", R"("sceneName":[7)"), Replaced(text, "\"model\":79", "\"model\":80")}) {
    const auto target = std::make_unique<WholeProfile>(*before);
    EXPECT_NE(ParseWholeProfile(damaged, *target), R::Ok);
    EXPECT_EQ(*target, *before);
  }
}

TEST(ProfileFileMessage, NotJsonIsAnOpenErrorForASceneProfileButDamageForAWholeConfiguration) {
  EXPECT_STREQ(ProfileFileMessage(R::NotJson, false), "${profile_open_error}");
  EXPECT_STREQ(ProfileFileMessage(R::NotJson, true), "${profile_load_error}");
  for (bool whole : {false, true}) {
    EXPECT_STREQ(ProfileFileMessage(R::Ok, whole), "${profile_save_ok}");
    EXPECT_STREQ(ProfileFileMessage(R::OpenError, whole), "${profile_open_error}");
    EXPECT_STREQ(ProfileFileMessage(R::LoadError, whole), "${profile_load_error}");
    EXPECT_STREQ(ProfileFileMessage(R::ModelMismatch, whole), "${software_not_match}");
    EXPECT_STREQ(ProfileFileMessage(R::CreateError, whole), "${profile_create_error}");
  }
}

class ProfileFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "profile_file_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
  }
  void TearDown() override {
    fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(m_dir);
  }
  static std::string Content(const fs::path& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  }
  fs::path m_dir;
};

TEST_F(ProfileFiles, SavedFilesReadBackAndASaveReplacesTheWholeOldFile) {
  const std::string spf = m_dir / "a.spf";
  const std::string wpf = m_dir / "a.wpf";
  std::ofstream(spf) << std::string(200000, 'x');
  ASSERT_EQ(WriteSceneProfileFile(Edited(1), spf), R::Ok);
  EXPECT_EQ(Content(spf), SceneProfileText(Edited(1)));
  ASSERT_EQ(WriteWholeProfileFile(EditedWhole(), wpf), R::Ok);
  EXPECT_EQ(Content(wpf), WholeProfileText(EditedWhole()));

  Profile p;
  EXPECT_EQ(ReadSceneProfileFile(spf, p), R::Ok);
  EXPECT_EQ(SceneProfileText(p), SceneProfileText(Edited(1)));
  const auto w = std::make_unique<WholeProfile>();
  EXPECT_EQ(ReadWholeProfileFile(wpf, *w), R::Ok);
  EXPECT_EQ(WholeProfileText(*w), WholeProfileText(EditedWhole()));
  // A scene profile is not a whole configuration, nor the other way round.
  EXPECT_EQ(ReadWholeProfileFile(spf, *w), R::LoadError);
  EXPECT_EQ(ReadSceneProfileFile(wpf, p), R::LoadError);
}

TEST_F(ProfileFiles, UnreadableFilesAreOpenErrorsAndChangeNothing) {
  fs::create_directory(m_dir / "folder.spf");
  const Profile before = Edited(3);
  Profile p = before;
  EXPECT_EQ(ReadSceneProfileFile(m_dir / "absent.spf", p), R::OpenError);
  EXPECT_EQ(ReadSceneProfileFile(m_dir / "folder.spf", p), R::OpenError);
  EXPECT_EQ(p, before);
  const auto w = std::make_unique<WholeProfile>();
  EXPECT_EQ(ReadWholeProfileFile(m_dir / "absent.wpf", *w), R::OpenError);
}

TEST_F(ProfileFiles, AFailedSaveCreatesNothingAndKeepsTheOldFile) {
  EXPECT_EQ(WriteSceneProfileFile(Profile{}, m_dir / "missing" / "a.spf"), R::CreateError);
  EXPECT_EQ(WriteWholeProfileFile(WholeProfile{}, m_dir / "missing" / "a.wpf"), R::CreateError);
  EXPECT_FALSE(fs::exists(m_dir / "missing"));

  if (::geteuid() == 0) {
    // Permissions do not stop root: a folder where the file should go makes the save fail.
    fs::create_directory(m_dir / "taken.spf");
    std::ofstream(m_dir / "taken.spf" / "inside") << "kept";
    EXPECT_EQ(WriteSceneProfileFile(Profile{}, m_dir / "taken.spf"), R::CreateError);
    EXPECT_EQ(Content(m_dir / "taken.spf" / "inside"), "kept");
  } else {
    const std::string old = SceneProfileText(Edited(4));
    ASSERT_EQ(WriteSceneProfileFile(Edited(4), m_dir / "old.spf"), R::Ok);
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(WriteSceneProfileFile(Profile{}, m_dir / "old.spf"), R::CreateError);
    EXPECT_EQ(Content(m_dir / "old.spf"), old);
    fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add);
  }
  const auto left = std::distance(fs::directory_iterator(m_dir), fs::directory_iterator());
  EXPECT_EQ(left, 1) << "a temporary file was left behind";
}

}  // namespace
}  // namespace qb
