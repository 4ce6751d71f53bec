// Keeping the virtual box's state in a file: exact round trips, a missing file, damaged
// files that must leave the state alone, and saves that never leave half a file behind.
#include "simulator/box_state_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>

namespace qb::sim {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> NameBytes(std::string_view text) {
  std::vector<std::uint8_t> name(kSceneNameBytes, 0);
  std::copy(text.begin(), text.end(), name.begin());
  return name;
}

/// A factory box changed in every area, with values at the edges of their types and
/// doubles that fifteen digits would not bring back.
std::unique_ptr<BoxState> ChangedEverywhere() {
  auto state = std::make_unique<BoxState>(FactoryState());
  BoxState& s = *state;
  Settings& live = s.live;
  live.source = SOURCE_SCP;
  live.mainVolumeDb = -37;
  live.subwooferVolume = -128;
  live.mainMute = 1;
  live.ampMute = 1;
  OutputChannel& out = live.outputs[2];
  out.delayMs = 12.345;
  out.volumeDb = -0.1 - 0.2;
  out.mute = out.phase = out.solo = 1;
  out.role = 255;
  out.eqBypass = 0;
  out.hpfQMode = 2;
  out.lpfQMode = 3;
  out.highPass = Filter{2, 63, 3};
  out.lowPass = Filter{1, 65535, 5};
  out.bands[30] = EqBand{19999, 0.1 + 0.2, -17.9};
  out.compressor = Compressor{0, -12.5, 2.5, 1.0 / 3.0, 15, 65535};
  out.speakerDistance = 65535;
  out.distort = 9;
  out.remap = {0, 5, 15, 200};
  SourceSettings& source = live.sources[SOURCE_SCP];
  source.mixMask[15] = 0xFFFF;
  source.mixTrim[15][0] = 255;
  source.mixTrim[0][15] = 0;
  source.mixType = 3;
  source.mixType2 = 4;
  source.bypass = 1;
  source.inputs[15] = InputChannel{200, 1, 1, 7, {}};
  source.inputs[15].eq[10].gainDb = 12.7;
  live.link = ChannelLink{1, {{0, 1}, {2, 3}}};
  live.trimLink = ChannelLink{1, {{4, 5}}};
  for (std::uint8_t k = 0; k < kMaxLinkPairs; ++k) live.delayLink.pairs.push_back({k, 15});
  live.lock = 1;
  live.inputThreshold = -128;
  live.speakerConfig = 2;
  live.factoryPreset = 3;
  live.setupMode = live.autoEffect = 1;
  live.remoteChannel = 65535;
  live.oneByteSetting = 0xAB;
  live.twoByteSetting = 0xCD;
  live.mixSource = 4;
  live.surroundBlock[51] = 0x5A;

  SceneSlot& club = s.scenes[2];
  club.erased = false;
  club.valid = true;
  std::copy_n(NameBytes("Club").begin(), kSceneNameBytes, club.name.begin());
  club.settings = live;
  club.block[0] = 0;
  club.block[kSceneBlockBytes - 1] = 0x7E;
  s.scenes[9].erased = false;  // written by a block command, never saved
  s.scenes[9].settings.mainVolumeDb = 5;
  s.pendingNames[4] = NameBytes("Pending");
  s.hasPendingName[4] = true;
  s.pendingNames[5] = NameBytes("Saved before");  // kept after its save, flag down
  s.currentScene = 3;

  s.powerOffDelayMs = 500;
  s.accDelay = -1;
  s.password = {'1', '2', '3', '4'};
  s.remark = {'c', 'a', 'r', 0, 0xFF};
  s.text = std::string("Box\0\xC3\xA9\"", 7);
  s.memory = {{0, 1}, {0x1234, 0}, {0xFFFFFFFF, 0xFFFFFFFF}};
  s.karaoke[KTV_BASS_GAIN] = -6;
  s.karaoke[KTV_TREBLE_GAIN] = std::numeric_limits<int>::min();
  s.karaoke[KTV_ECHO_DELAY] = std::numeric_limits<int>::max();
  s.inputNoiseDb[0] = 5e-324;
  s.inputNoiseDb[15] = -1.7976931348623157e308;
  return state;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const fs::path& path, std::string_view text) {
  std::ofstream(path, std::ios::binary) << text;
}

class BoxStateFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "box_state_file_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
  }
  void TearDown() override { fs::remove_all(m_dir); }

  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_dir)) {
      names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path m_dir;
};

TEST_F(BoxStateFile, RoundTripIsExactInEveryArea) {
  const auto changed = ChangedEverywhere();
  const std::string path = m_dir / "box.json";
  std::string error;
  ASSERT_TRUE(SaveBoxState(*changed, path, &error)) << error;

  auto loaded = std::make_unique<BoxState>(FactoryState());
  ASSERT_EQ(LoadBoxState(path, *loaded, &error), LoadResult::Loaded) << error;
  EXPECT_TRUE(loaded->live == changed->live);
  EXPECT_TRUE(loaded->scenes == changed->scenes);
  EXPECT_EQ(loaded->pendingNames, changed->pendingNames);
  EXPECT_EQ(loaded->hasPendingName, changed->hasPendingName);
  EXPECT_EQ(loaded->text, changed->text);
  EXPECT_EQ(loaded->memory, changed->memory);
  EXPECT_EQ(loaded->live.outputs[2].bands[30].q, 0.1 + 0.2);
  EXPECT_TRUE(*loaded == *changed);

  // Saving what was loaded writes the same bytes: nothing drifts over many sessions.
  const std::string again = m_dir / "again.json";
  ASSERT_TRUE(SaveBoxState(*loaded, again, &error)) << error;
  EXPECT_EQ(ReadText(again), ReadText(path));
}

TEST_F(BoxStateFile, ConnectionIsNotPartOfTheSavedBox) {
  auto state = std::make_unique<BoxState>(FactoryState());
  state->pcConnected = true;
  const std::string path = m_dir / "box.json";
  ASSERT_TRUE(SaveBoxState(*state, path, nullptr));
  ASSERT_EQ(LoadBoxState(path, *state, nullptr), LoadResult::Loaded);
  EXPECT_FALSE(state->pcConnected);
}

TEST_F(BoxStateFile, MissingFileLeavesStateAndFolderAlone) {
  const auto before = ChangedEverywhere();
  auto state = std::make_unique<BoxState>(*before);
  std::string error = "untouched";
  EXPECT_EQ(LoadBoxState(m_dir / "absent.json", *state, &error), LoadResult::Missing);
  EXPECT_EQ(LoadBoxState(m_dir / "no" / "such" / "folder.json", *state, &error),
            LoadResult::Missing);
  EXPECT_TRUE(*state == *before);
  EXPECT_TRUE(FolderEntries().empty());

  // Something that exists but is no file must not pass for missing: it would be replaced.
  fs::create_directory(m_dir / "folder.json");
  EXPECT_EQ(LoadBoxState(m_dir / "folder.json", *state, &error), LoadResult::Damaged);
  EXPECT_NE(error.find("folder.json: not a regular file"), std::string::npos) << error;
  EXPECT_TRUE(*state == *before);
}

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << "no " << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST_F(BoxStateFile, DamagedFilesAreRefusedWithTheirFaultAndChangeNothing) {
  std::string factory;
  ASSERT_TRUE(SerializeBoxState(FactoryState(), factory, nullptr));
  const auto replaced = [&](std::string_view from, std::string_view to) {
    return Replaced(factory, from, to);
  };
  const std::string tooManyWords = [] {
    std::string memory = "\"memory\":[";
    for (std::size_t i = 0; i <= kMaxStoredMemoryWords; ++i) {
      memory += "[" + std::to_string(i) + ",0],";
    }
    memory.back() = ']';
    return memory;
  }();
  struct Case {
    std::string text;
    std::string fault;
  };
  const Case cases[] = {
      {"", "empty, not JSON"},
      {"this is not a box", "not JSON (fails at byte 0)"},
      {factory.substr(0, factory.size() / 2), "not JSON"},
      {factory.substr(0, factory.size() - 2) + "}}", "unexpected bytes after the document"},
      {"[1,2,3]", "not a JSON object"},
      {replaced("\"format\":\"quorelbox-virtual-box\"", "\"format\":\"something-else\""),
       "not a virtual box state"},
      {replaced("\"version\":1,", ""), "\"version\" number is missing"},
      {replaced("\"version\":1", "\"version\":2"), "version 2 is not one this program reads"},
      {replaced("\"lock\":0,", ""), "live.lock: missing"},
      {replaced("\"mainMute\":0", "\"mainMute\":\"0\""), "live.mainMute: expected a number"},
      {replaced("\"erased\":false", "\"erased\":0"), "scenes[0].erased: expected true or false"},
      {replaced("\"outputs\":[{", "\"outputs\":[7,{"),
       "live.outputs: expected 16 entries, found 17"},
      {replaced("\"role\":6", "\"role\":300"), "live.outputs[0].role: 300 is outside 0..255"},
      {replaced("\"powerOffDelayMs\":3000", "\"powerOffDelayMs\":70000"),
       "powerOffDelayMs: 70000 is outside 0..65535"},
      {replaced("\"mute\":0", "\"mute\":-1"), "live.outputs[0].mute: -1 is outside 0..255"},
      {replaced("\"accDelay\":2", "\"accDelay\":1e300"), "accDelay: 1e+300 is outside -128..127"},
      {replaced("\"slope\":4", "\"slope\":4.5"),
       "live.outputs[0].highPass.slope: 4.5 is not a whole"},
      {replaced("\"delayMs\":0", "\"delayMs\":1e999"),
       "live.outputs[0].delayMs: is not a finite number"},
      {replaced("\"source\":5", "\"source\":9"), "live.source: 9 is outside 0..8"},
      {replaced("\"currentScene\":1", "\"currentScene\":11"), "currentScene: 11 is outside 0..10"},
      {replaced("\"karaoke\":[60,60,", "\"karaoke\":[60,"),
       "karaoke: expected 10 entries, found 9"},
      {replaced("\"bands\":[[20,5.8,0]", "\"bands\":[[20,5.8]"),
       "live.outputs[0].bands[0]: expected 3 entries, found 2"},
      {replaced("\"name\":\"44", "\"name\":\"x4"), "scenes[0].name: bad hex digit at position 0"},
      {replaced("\"block\":\"ffff", "\"block\":\"ff"),
       "scenes[0].block: holds 1023 bytes, expected 1024"},
      {replaced("\"password\":\"\"", "\"password\":\"123\""), "password: odd number of hex digits"},
      {replaced("\"password\":\"\"", "\"password\":\"31323334353637383930313233\""),
       "password: holds 13 bytes, expected at most 12"},
      {replaced("\"remap\":\"\"", "\"remap\":[]"), "live.outputs[0].remap: expected a hex string"},
      {replaced("\"memory\":[]", "\"memory\":[[1,2],[1,3]]"),
       "memory[1]: address 1 is listed twice"},
      {replaced("\"memory\":[]", "\"memory\":[[4294967296,0]]"),
       "memory[0]: 4294967296 is outside"},
      {replaced("\"memory\":[]", tooManyWords),
       "memory: expected at most 65536 entries, found 65537"},
      {replaced("\"pairs\":[]",
                "\"pairs\":[[1,2],[3,4],[5,6],[7,8],[9,10],[11,12],[13,14],[15,0],[1,1]]"),
       "live.link.pairs: expected at most 8 entries, found 9"},
      // Saving that scene would copy sixteen name bytes out of one.
      {Replaced(replaced("\"pendingNames\":[\"\"", "\"pendingNames\":[\"41\""),
                "\"hasPendingName\":[false", "\"hasPendingName\":[true"),
       "pendingNames[0]: a pending name must hold 16 bytes"},
  };
  const auto before = ChangedEverywhere();
  auto state = std::make_unique<BoxState>(*before);
  const std::string path = m_dir / "damaged.json";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    WriteText(path, c.text);
    std::string error;
    EXPECT_EQ(LoadBoxState(path, *state, &error), LoadResult::Damaged);
    EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
    EXPECT_NE(error.find(c.fault), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_TRUE(*state == *before);
  }
}

TEST_F(BoxStateFile, SaveIntoMissingFolderFailsAndCreatesNothing) {
  const fs::path path = m_dir / "absent" / "box.json";
  std::string error;
  EXPECT_FALSE(SaveBoxState(FactoryState(), path, &error));
  EXPECT_NE(error.find(path.string()), std::string::npos) << error;
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
  EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(BoxStateFile, SaveReplacesTheFileWholeAndLeavesNoTemporary) {
  const std::string path = m_dir / "box.json";
  const BoxState first = FactoryState();
  ASSERT_TRUE(SaveBoxState(first, path, nullptr));
  // A reader that opened the old file keeps reading it whole while the new one goes in.
  std::ifstream reader(path, std::ios::binary);
  struct stat oldInfo {};
  ASSERT_EQ(::stat(path.c_str(), &oldInfo), 0);

  const auto second = ChangedEverywhere();
  std::string error;
  ASSERT_TRUE(SaveBoxState(*second, path, &error)) << error;
  struct stat newInfo {};
  ASSERT_EQ(::stat(path.c_str(), &newInfo), 0);
  EXPECT_NE(newInfo.st_ino, oldInfo.st_ino);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"box.json"});

  std::stringstream oldText;
  oldText << reader.rdbuf();
  auto state = std::make_unique<BoxState>();
  ASSERT_EQ(ParseBoxState(oldText.str(), *state, &error), LoadResult::Loaded) << error;
  EXPECT_TRUE(*state == first);
  ASSERT_EQ(LoadBoxState(path, *state, &error), LoadResult::Loaded) << error;
  EXPECT_TRUE(*state == *second);
}

TEST_F(BoxStateFile, SaveRefusesWhatALoadWouldRefuseAndKeepsTheOldFile) {
  const std::string path = m_dir / "box.json";
  ASSERT_TRUE(SaveBoxState(FactoryState(), path, nullptr));
  const std::string saved = ReadText(path);
  const auto changed = [](auto change) {
    auto state = std::make_unique<BoxState>(FactoryState());
    change(*state);
    return state;
  };
  const std::pair<std::unique_ptr<BoxState>, std::string> cases[] = {
      {changed([](BoxState& s) { s.live.outputs[1].bands[3].gainDb = std::nan(""); }),
       "live.outputs[1].bands[3].gainDb: is not a finite number"},
      {changed([](BoxState& s) { s.inputNoiseDb[2] = -INFINITY; }),
       "inputNoiseDb[2]: is not a finite"},
      {changed([](BoxState& s) { s.password.assign(kPasswordBytes + 1, 'x'); }),
       "password: holds 13"},
      {changed([](BoxState& s) { s.live.source = kInputSourceCount; }),
       "live.source: 9 is outside 0..8"},
      {changed([](BoxState& s) {
         for (std::uint32_t a = 0; a <= kMaxStoredMemoryWords; ++a) s.memory[a] = a;
       }),
       "memory: holds 65537 entries"},
      {changed([](BoxState& s) { s.hasPendingName[9] = true; }), "pendingNames[9]: a pending name"},
  };
  for (const auto& [state, fault] : cases) {
    SCOPED_TRACE(fault);
    std::string error;
    EXPECT_FALSE(SaveBoxState(*state, path, &error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find(fault), std::string::npos) << error;
    EXPECT_EQ(ReadText(path), saved);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"box.json"});
  }
}

// A record read on its own follows the whole file's rules: its text is exactly what a saved
// state holds for it, it reads back equal, and a damaged one is refused with the place of
// its fault and changes nothing.
TEST(BoxStateRecord, IsTheWholeFilesTextAndReadsBackByItsRules) {
  const auto changed = ChangedEverywhere();
  std::string whole;
  ASSERT_TRUE(SerializeBoxState(*changed, whole, nullptr));

  std::string output, source, link, error;
  ASSERT_TRUE(SerializeBoxStateRecord(changed->live.outputs[2], output, &error)) << error;
  ASSERT_TRUE(SerializeBoxStateRecord(changed->live.sources[SOURCE_SCP], source, &error)) << error;
  ASSERT_TRUE(SerializeBoxStateRecord(changed->live.delayLink, link, &error)) << error;
  for (const std::string* text : {&output, &source, &link}) {
    ASSERT_FALSE(text->empty());
    EXPECT_EQ(text->back(), '\n');
    EXPECT_NE(whole.find(text->substr(0, text->size() - 1)), std::string::npos) << *text;
  }

  OutputChannel readOutput;
  SourceSettings readSource;
  ChannelLink readLink;
  EXPECT_EQ(ParseBoxStateRecord(output, readOutput, &error), LoadResult::Loaded) << error;
  EXPECT_EQ(ParseBoxStateRecord(source, readSource, &error), LoadResult::Loaded) << error;
  EXPECT_EQ(ParseBoxStateRecord(link, readLink, &error), LoadResult::Loaded) << error;
  EXPECT_TRUE(readOutput == changed->live.outputs[2]);
  EXPECT_TRUE(readSource == changed->live.sources[SOURCE_SCP]);
  EXPECT_TRUE(readLink == changed->live.delayLink);

  const OutputChannel before = readOutput;
  EXPECT_EQ(ParseBoxStateRecord(Replaced(output, "\"remap\":\"", "\"remap\":\"0"), readOutput,
                                &error),
            LoadResult::Damaged);
  EXPECT_EQ(error, "remap: odd number of hex digits");
  EXPECT_TRUE(readOutput == before);
  EXPECT_EQ(ParseBoxStateRecord(output + "{}", readOutput, &error), LoadResult::Damaged);
  EXPECT_NE(error.find("unexpected bytes after the document"), std::string::npos) << error;
  EXPECT_TRUE(readOutput == before);
}

}  // namespace
}  // namespace qb::sim
