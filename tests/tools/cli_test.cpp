// The quorelbox-cli binary as a script would run it: a child process talking to the
// virtual box kept in a temporary state file, judged by its exit status, its output and
// what the saved box holds afterwards.
#include <cjson/cJSON.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/output_levels.h"
#include "core/profile_defaults.h"
#include "simulator/box_state_file.h"

extern char** environ;

namespace qb::cli {
namespace {

namespace fs = std::filesystem;

struct Child {
  int code = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct JsonDelete {
  void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using Json = std::unique_ptr<cJSON, JsonDelete>;

/// `text` as exactly one JSON document (blanks may follow it), or null.
Json OneDocument(const std::string& text) {
  const char* end = nullptr;
  Json json(cJSON_ParseWithOpts(text.c_str(), &end, false));
  if (!json || end == nullptr) return nullptr;
  for (; *end != '\0'; ++end)
    if (!std::isspace(static_cast<unsigned char>(*end))) return nullptr;
  return json;
}

cJSON* At(const cJSON* json, const char* name) { return cJSON_GetObjectItemCaseSensitive(json, name); }
cJSON* At(const cJSON* json, int index) { return cJSON_GetArrayItem(json, index); }
double Number(const cJSON* json, const char* name) { return cJSON_GetNumberValue(At(json, name)); }
bool True(const cJSON* json, const char* name) { return cJSON_IsTrue(At(json, name)); }
std::string Text(const cJSON* json, const char* name) {
  const char* text = cJSON_GetStringValue(At(json, name));
  return text ? text : "";
}
const cJSON* Output(const cJSON* state, int number) { return At(At(state, "outputs"), number - 1); }

std::string Joined(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& word : words) line += (line.empty() ? "" : " ") + word;
  return line;
}

bool OneErrorLine(const std::string& err) {
  return err.starts_with("quorelbox-cli: ") && err.find('\n') == err.size() - 1;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "quorelbox_cli_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    m_state = (m_dir / "box.json").string();
  }
  void TearDown() override { fs::remove_all(m_dir); }

  /// Runs the binary with `args`, its output caught in files of the temporary folder.
  Child Run(std::vector<std::string> args) {
    const std::string out = (m_dir / "stdout").string();
    const std::string err = (m_dir / "stderr").string();
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    args.insert(args.begin(), QB_CLI_BINARY);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    Child child;
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, QB_CLI_BINARY, &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0) return child;
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) child.code = WEXITSTATUS(status);
    child.out = ReadFile(out);
    child.err = ReadFile(err);
    return child;
  }

  /// Runs `args` on the kept box with --json; the one document it printed.
  Json RunJson(std::vector<std::string> args, int expectedCode = 0) {
    args.insert(args.begin(), {"--simulate-state", m_state, "--json"});
    const Child child = Run(args);
    EXPECT_EQ(child.code, expectedCode) << child.err;
    Json json = OneDocument(child.out);
    EXPECT_TRUE(json) << child.out;
    return json;
  }

  /// The kept state, on the heap: a state is over a megabyte, and a test compares several.
  std::unique_ptr<sim::BoxState> SavedBox() {
    auto state = std::make_unique<sim::BoxState>();
    std::string error;
    EXPECT_EQ(sim::LoadBoxState(m_state, *state, &error), sim::LoadResult::Loaded) << error;
    return state;
  }

  fs::path m_dir;
  std::string m_state;
};

TEST_F(CliTest, StatusReportsTheBoxAsItIs) {
  const Json status = RunJson({"status"});
  ASSERT_TRUE(status);
  const auto box = SavedBox();  // a missing file starts a factory box and keeps it
  EXPECT_TRUE(True(status.get(), "ok"));
  EXPECT_EQ(Text(status.get(), "connection"), "connected");
  EXPECT_EQ(Number(status.get(), "model"), 79);
  EXPECT_EQ(Text(status.get(), "firmware"), "16.16");
  EXPECT_EQ(Text(status.get(), "source"), "hi");
  EXPECT_EQ(box->live.source, SOURCE_HI);
  // The main volume travels as dB; the position shown must stand for the box's value.
  EXPECT_NEAR(MainVolumeDb(static_cast<int>(Number(status.get(), "mainVolume")), 0), box->live.mainVolumeDb, 0.5);
  EXPECT_EQ(True(status.get(), "mainMute"), box->live.mainMute != 0);
  ASSERT_EQ(cJSON_GetArraySize(At(status.get(), "outputs")), 8);
  for (int n = 1; n <= 8; ++n) {
    SCOPED_TRACE(n);
    const cJSON* output = Output(status.get(), n);
    const sim::OutputChannel& channel = box->live.outputs[static_cast<std::size_t>(n - 1)];
    EXPECT_EQ(Number(output, "output"), n);
    EXPECT_EQ(Number(output, "roleCode"), channel.role);
    EXPECT_EQ(Number(output, "volumeDb"), channel.volumeDb);
    EXPECT_EQ(True(output, "mute"), channel.mute != 0);
    EXPECT_EQ(Text(output, "phase"), channel.phase != 0 ? "inverted" : "normal");
    EXPECT_NEAR(Number(output, "delayMs"), channel.delayMs, 1e-9);
    EXPECT_EQ(At(output, "bands"), nullptr) << "status leaves the equalisers to get";
  }

  const Child text = Run({"--simulate-state", m_state, "status"});
  EXPECT_EQ(text.code, 0);
  EXPECT_NE(text.out.find("connected"), std::string::npos);
  EXPECT_NE(text.out.find("subwoofer-right"), std::string::npos);
  EXPECT_EQ(text.err, "");
}

TEST_F(CliTest, EverySetReachesTheBoxAndTheNextGetShowsIt) {
  struct Case {
    std::vector<std::string> args;
    /// The reply of the set and the saved box just after it.
    std::function<void(const cJSON* reply, const sim::Settings& box)> afterSet;
    /// A fresh `get` at the end, when the box is read again from scratch.
    std::function<void(const cJSON* state)> inGet;
  };
  const auto out = [](const sim::Settings& box, int n) -> const sim::OutputChannel& {
    return box.outputs[static_cast<std::size_t>(n - 1)];
  };
  const Crossover subwoofer = RoleDefaultCrossover(kRoleSubwoofer);
  const std::vector<Case> cases = {
      {{"set", "output", "3", "volume", "-12"},
       [&](const cJSON* r, const sim::Settings& b) {
         EXPECT_EQ(Number(r, "volumeDb"), -12);
         EXPECT_EQ(out(b, 3).volumeDb, -12);
       },
       [](const cJSON* s) { EXPECT_EQ(Number(Output(s, 3), "volumeDb"), -12); }},
      {{"set", "output", "3", "mute", "on"},
       [&](const cJSON* r, const sim::Settings& b) {
         EXPECT_TRUE(True(r, "mute"));
         EXPECT_EQ(out(b, 3).mute, 1);
       },
       [](const cJSON* s) { EXPECT_TRUE(True(Output(s, 3), "mute")); }},
      {{"set", "output", "3", "phase", "inverted"},
       [&](const cJSON*, const sim::Settings& b) { EXPECT_EQ(out(b, 3).phase, 1); },
       [](const cJSON* s) { EXPECT_EQ(Text(Output(s, 3), "phase"), "inverted"); }},
      {{"set", "output", "4", "delay", "1.234"},
       [&](const cJSON* r, const sim::Settings& b) {
         EXPECT_NEAR(Number(r, "delayMs"), 1.234, 1e-9);
         EXPECT_NEAR(out(b, 4).delayMs, 1.234, 1e-9);
       },
       [](const cJSON* s) { EXPECT_NEAR(Number(Output(s, 4), "delayMs"), 1.234, 1e-9); }},
      // The role brings its default crossover to the box with it.
      {{"set", "output", "5", "role", "subwoofer"},
       [&](const cJSON* r, const sim::Settings& b) {
         EXPECT_EQ(Text(r, "role"), "subwoofer");
         EXPECT_EQ(out(b, 5).role, kRoleSubwoofer);
         EXPECT_EQ(out(b, 5).lowPass.freqHz, subwoofer.lp.fs);
         EXPECT_EQ(out(b, 5).lowPass.slope, subwoofer.lp.slope);
         EXPECT_EQ(out(b, 5).highPass.slope, subwoofer.hp.bypass ? 0 : subwoofer.hp.slope);
       },
       [&](const cJSON* s) {
         EXPECT_EQ(Number(Output(s, 5), "roleCode"), kRoleSubwoofer);
         EXPECT_EQ(Number(At(At(Output(s, 5), "crossover"), "lowPass"), "freqHz"), subwoofer.lp.fs);
       }},
      {{"set", "output", "1", "input", "3", "on"},
       [&](const cJSON* r, const sim::Settings& b) {
         EXPECT_EQ(Number(r, "inputMask"), 0b101);
         EXPECT_EQ(b.sources[SOURCE_HI].mixMask[0], 0b101);
       },
       [](const cJSON* s) { EXPECT_EQ(cJSON_GetNumberValue(At(At(At(At(s, "routing"), SOURCE_HI), "inputMasks"), 0)), 0b101); }},
      {{"set", "band", "2", "5", "freq", "1000", "q", "2.5", "gain", "-3.5"},
       [&](const cJSON* r, const sim::Settings& b) {
         EXPECT_EQ(Number(At(r, "band"), "band"), 5);
         EXPECT_EQ(out(b, 2).bands[4], (sim::EqBand{1000, 2.5, -3.5}));
         EXPECT_EQ(out(b, 2).eqBypass, 0) << "an edited band ends the bypass";
       },
       [](const cJSON* s) {
         const cJSON* band = At(At(Output(s, 2), "bands"), 4);
         EXPECT_EQ(Number(band, "freqHz"), 1000);
         EXPECT_EQ(Number(band, "q"), 2.5);
         EXPECT_EQ(Number(band, "gainDb"), -3.5);
       }},
      // Switched off, a band keeps its gain in the program but reaches the box flat.
      {{"set", "band", "2", "6", "gain", "4", "enable", "off"},
       [&](const cJSON* r, const sim::Settings& b) {
         EXPECT_EQ(Number(At(r, "band"), "gainDb"), 4);
         EXPECT_FALSE(True(At(r, "band"), "enabled"));
         EXPECT_EQ(out(b, 2).bands[5].gainDb, 0);
         EXPECT_EQ(out(b, 2).bands[4].gainDb, -3.5) << "the other bands stay";
       },
       [](const cJSON* s) { EXPECT_EQ(Number(At(At(Output(s, 2), "bands"), 5), "gainDb"), 0); }},
      {{"set", "crossover", "1", "hp", "freq", "80", "slope", "2", "type", "bessel"},
       [&](const cJSON*, const sim::Settings& b) {
         EXPECT_EQ(out(b, 1).highPass, (sim::Filter{FILTER_TYPE_BESSEL, 80, 2}));
       },
       [](const cJSON* s) {
         const cJSON* hp = At(At(Output(s, 1), "crossover"), "highPass");
         EXPECT_EQ(Text(hp, "type"), "bessel");
         EXPECT_EQ(Number(hp, "slope"), 2);
       }},
      // The core holds the low-pass above the high-pass; the reply says what was kept.
      {{"set", "crossover", "1", "lp", "freq", "50"},
       [&](const cJSON* r, const sim::Settings& b) {
         EXPECT_EQ(Number(At(At(r, "crossover"), "lowPass"), "freqHz"), 80);
         EXPECT_EQ(out(b, 1).lowPass.freqHz, 80);
       },
       [](const cJSON* s) { EXPECT_EQ(Number(At(At(Output(s, 1), "crossover"), "lowPass"), "freqHz"), 80); }},
      {{"set", "main", "volume", "40"},
       [&](const cJSON* r, const sim::Settings& b) {
         EXPECT_EQ(Number(r, "mainVolume"), 40);
         EXPECT_EQ(b.mainVolumeDb, kMainVolumeTopDb);
       },
       // The box keeps whole dB and the core reads positions back truncated: the top
       // step may come back one lower, but it must stand for the box's 6 dB.
       [](const cJSON* s) {
         EXPECT_NEAR(MainVolumeDb(static_cast<int>(Number(s, "mainVolume")), 0), kMainVolumeTopDb, 1.0);
       }},
      {{"set", "main", "mute", "on"},
       [&](const cJSON*, const sim::Settings& b) { EXPECT_EQ(b.mainMute, 1); },
       [](const cJSON* s) { EXPECT_TRUE(True(s, "mainMute")); }},
      // Last: the input mask above belongs to the source the box had.
      {{"set", "source", "bt"},
       [&](const cJSON* r, const sim::Settings& b) {
         EXPECT_EQ(Text(r, "source"), "bt");
         EXPECT_EQ(b.source, SOURCE_BT);
       },
       [](const cJSON* s) { EXPECT_EQ(Text(s, "source"), "bt"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Joined(c.args));
    const Json reply = RunJson(c.args);
    ASSERT_TRUE(reply);
    EXPECT_TRUE(True(reply.get(), "ok"));
    c.afterSet(reply.get(), SavedBox()->live);
  }
  const Json state = RunJson({"get"});
  ASSERT_TRUE(state);
  for (const Case& c : cases) {
    SCOPED_TRACE(Joined(c.args));
    c.inGet(state.get());
  }
}

TEST_F(CliTest, BadArgumentsAreRefusedBeforeAnyBoxIsOpened) {
  const std::vector<std::vector<std::string>> bad = {
      {"frobnicate"},
      {"status", "now"},
      {"set", "output", "9", "volume", "-3"},
      {"set", "output", "0", "mute", "on"},
      {"set", "output", "1", "volume"},
      {"set", "output", "1", "volume", "-3.5"},
      {"set", "output", "1", "volume", "6"},
      {"set", "band", "1", "32", "gain", "1"},
      {"set", "band", "1", "3"},
      {"set", "output", "1", "role", "tweeter"},
      {"set", "source", "radio"},
      {"set", "crossover", "1", "hp", "slope", "9"},
      {"mix", "coax", "set", "3", "1", "on"},
      {"--volume", "status"},
      {"mem", "read", "0x123456789"},
      {"mem", "read", "0x1g"},
      {"mem", "write", "16"},
  };
  for (const auto& args : bad) {
    std::vector<std::string> line = {"--simulate-state", m_state};
    line.insert(line.end(), args.begin(), args.end());
    const Child child = Run(line);
    SCOPED_TRACE(Joined(args));
    EXPECT_EQ(child.code, 2);
    EXPECT_TRUE(OneErrorLine(child.err)) << child.err;
    EXPECT_EQ(child.out, "");
    // Had the box been opened, the run would have saved it here.
    EXPECT_FALSE(fs::exists(m_state));
  }
  const Json error = RunJson({"set", "main", "volume", "41"}, 2);
  ASSERT_TRUE(error);
  EXPECT_FALSE(True(error.get(), "ok"));
  EXPECT_EQ(Number(error.get(), "code"), 2);
  EXPECT_NE(Text(error.get(), "error").find("main volume"), std::string::npos);
}

TEST_F(CliTest, AMixCellReachesTheBoxAsTheMixerSendsItAndMixShowsIt) {
  const auto boxCell = [this](int source, int input, int output) {
    const auto box = SavedBox();
    const sim::SourceSettings& s = box->live.sources[static_cast<std::size_t>(source)];
    const auto o = static_cast<std::size_t>(output - 1);
    return std::make_pair((s.mixMask[o] >> (input - 1) & 1) != 0, int{s.mixTrim[static_cast<std::size_t>(input - 1)][o]});
  };
  const Json on = RunJson({"mix", "hi", "set", "6", "3", "on"});
  ASSERT_TRUE(on);
  EXPECT_TRUE(True(on.get(), "on"));
  EXPECT_EQ(boxCell(SOURCE_HI, 6, 3), std::make_pair(true, 100)) << "routed in the box, not only trimmed";
  ASSERT_TRUE(RunJson({"mix", "coax", "set", "2", "1", "37"}));
  EXPECT_EQ(boxCell(SOURCE_COAX, 2, 1), std::make_pair(true, 37));
  const Json zero = RunJson({"mix", "hi", "set", "1", "1", "0"});
  ASSERT_TRUE(zero);
  EXPECT_FALSE(True(zero.get(), "on"));
  EXPECT_EQ(boxCell(SOURCE_HI, 1, 1), std::make_pair(false, 0));

  // Read back from the box by a later run: the current source's mix, then another's.
  const Json current = RunJson({"mix"});
  ASSERT_TRUE(current);
  EXPECT_EQ(Text(current.get(), "source"), "hi");
  EXPECT_EQ(Number(current.get(), "inputCount"), 6);
  const cJSON* cell = At(At(At(At(current.get(), "outputs"), 2), "inputs"), 5);  // output 3, input 6
  EXPECT_TRUE(True(cell, "on"));
  EXPECT_EQ(Number(cell, "trim"), 100);
  const Child coax = Run({"--simulate-state", m_state, "mix", "coax"});
  EXPECT_EQ(coax.code, 0);
  EXPECT_NE(coax.out.find("input 2      37"), std::string::npos) << coax.out;
  EXPECT_EQ(Number(RunJson({"mix", "aux"}).get(), "inputCount"), 0);
}

TEST_F(CliTest, ADamagedStateFileIsRefusedAndLeftAsItWas) {
  const std::string damaged = "{\"format\":\"quorelbox-virtual-box\",\"version\":1,\"live\":";
  std::ofstream(m_state, std::ios::binary) << damaged;
  for (const auto& args : {std::vector<std::string>{"--simulate-state", m_state, "status"},
                           std::vector<std::string>{"--simulate-state", m_state, "set", "main", "mute", "on"}}) {
    const Child child = Run(args);
    EXPECT_EQ(child.code, 1);
    EXPECT_TRUE(OneErrorLine(child.err)) << child.err;
    EXPECT_NE(child.err.find("box.json"), std::string::npos) << "the message names the file";
    EXPECT_EQ(ReadFile(m_state), damaged);
  }
  const Json error = RunJson({"get"}, 1);
  ASSERT_TRUE(error);
  EXPECT_EQ(Number(error.get(), "code"), 1);
  EXPECT_EQ(ReadFile(m_state), damaged);
}

TEST_F(CliTest, AChangeThatCannotBeSavedFailsTheRun) {
  const std::string nowhere = (m_dir / "missing-folder" / "box.json").string();
  const Child child = Run({"--simulate-state", nowhere, "set", "main", "mute", "on"});
  EXPECT_EQ(child.code, 1);
  EXPECT_TRUE(OneErrorLine(child.err)) << child.err;
  EXPECT_EQ(child.out, "") << "no success reported for a change that is lost";
}

/// The name bytes of a scene slot up to the first zero (erased flash reads as no name).
std::string SlotName(const sim::SceneSlot& slot) {
  std::string name;
  for (std::uint8_t byte : slot.name) {
    if (byte == 0 || byte == sim::kErasedByte) break;
    name += static_cast<char>(byte);
  }
  return name;
}

const cJSON* Scene(const cJSON* list, int number) { return At(At(list, "scenes"), number - 1); }

TEST_F(CliTest, ScenesAreListedSavedLoadedAndDeleted) {
  const Json factory = RunJson({"scenes"});
  ASSERT_TRUE(factory);
  ASSERT_EQ(cJSON_GetArraySize(At(factory.get(), "scenes")), 10);
  EXPECT_EQ(Number(factory.get(), "current"), 1);
  EXPECT_EQ(Text(Scene(factory.get(), 1), "name"), "Default");
  EXPECT_TRUE(True(Scene(factory.get(), 1), "current"));
  for (int n = 2; n <= 10; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(Text(Scene(factory.get(), n), "name"), "");
    EXPECT_TRUE(True(Scene(factory.get(), n), "empty"));
    EXPECT_FALSE(True(Scene(factory.get(), n), "current"));
  }

  // Saved: the box keeps the name and the live settings of that moment.
  ASSERT_TRUE(RunJson({"set", "output", "2", "volume", "-7"}));
  const Json saved = RunJson({"scene", "save", "3", "Concert"});
  ASSERT_TRUE(saved);
  EXPECT_EQ(Text(saved.get(), "name"), "Concert");
  const auto afterSave = SavedBox();
  EXPECT_EQ(SlotName(afterSave->scenes[2]), "Concert");
  EXPECT_TRUE(afterSave->scenes[2].valid);
  EXPECT_TRUE(afterSave->scenes[2].settings == afterSave->live) << "scene 3 differs from the live settings";
  EXPECT_EQ(afterSave->scenes[2].settings.outputs[1].volumeDb, -7);
  const Json listed = RunJson({"scenes"});
  ASSERT_TRUE(listed);
  EXPECT_EQ(Text(Scene(listed.get(), 3), "name"), "Concert");
  EXPECT_EQ(Number(listed.get(), "current"), 3) << "the box reports the scene just saved";
  const Child text = Run({"--simulate-state", m_state, "scenes"});
  EXPECT_NE(text.out.find("Concert  (current)"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("(empty)"), std::string::npos) << text.out;

  // Another scene's name is refused and the box is left as it was; the same scene may be
  // saved over.
  const Json taken = RunJson({"scene", "save", "4", "Concert"}, 2);
  ASSERT_TRUE(taken);
  EXPECT_NE(Text(taken.get(), "error").find("scene 3"), std::string::npos) << Text(taken.get(), "error");
  EXPECT_TRUE(SavedBox()->scenes == afterSave->scenes) << "a refused save changed the scenes";
  ASSERT_TRUE(RunJson({"scene", "save", "3", "Concert"}));

  // Loaded: the box's live settings become scene 3's again, and the reply shows them.
  ASSERT_TRUE(RunJson({"set", "output", "2", "volume", "-20"}));
  ASSERT_TRUE(RunJson({"set", "output", "5", "mute", "on"}));
  ASSERT_FALSE(SavedBox()->live.outputs == SavedBox()->scenes[2].settings.outputs);
  const Json loaded = RunJson({"scene", "load", "3"});
  ASSERT_TRUE(loaded);
  EXPECT_EQ(Number(Output(loaded.get(), 2), "volumeDb"), -7);
  EXPECT_FALSE(True(Output(loaded.get(), 5), "mute"));
  const auto afterLoad = SavedBox();
  EXPECT_TRUE(afterLoad->live.outputs == afterLoad->scenes[2].settings.outputs) << "live outputs differ from scene 3";

  // Deleted: the slot is empty, and an empty slot is not loaded.
  ASSERT_TRUE(RunJson({"scene", "delete", "3"}));
  EXPECT_FALSE(SavedBox()->scenes[2].valid);
  const Json cleared = RunJson({"scenes"});
  ASSERT_TRUE(cleared);
  EXPECT_TRUE(True(Scene(cleared.get(), 3), "empty"));
  const Json empty = RunJson({"scene", "load", "3"}, 2);
  ASSERT_TRUE(empty);
  EXPECT_NE(Text(empty.get(), "error").find("empty"), std::string::npos);
}

TEST_F(CliTest, ProfileFilesCarryTheSettingsFromBoxToBox) {
  const std::string tune = (m_dir / "tune.spf").string();
  ASSERT_TRUE(RunJson({"set", "output", "3", "volume", "-12"}));
  ASSERT_TRUE(RunJson({"profile", "save", tune}));
  ASSERT_TRUE(RunJson({"set", "output", "3", "volume", "-30"}));
  ASSERT_TRUE(RunJson({"profile", "load", tune}));
  EXPECT_EQ(SavedBox()->live.outputs[2].volumeDb, -12) << "the file's volume is back on the box";

  // A file that cannot be used changes nothing on the box.
  ASSERT_TRUE(RunJson({"set", "output", "3", "volume", "-30"}));
  const auto before = SavedBox();
  const std::string text = ReadFile(tune);
  const auto variant = [&](const std::string& name, std::string from, std::string to) {
    std::string changed = text;
    const std::size_t at = changed.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) changed.replace(at, from.size(), to);
    const std::string path = (m_dir / name).string();
    std::ofstream(path, std::ios::binary) << changed;
    return path;
  };
  struct Case {
    std::string path;
    const char* message;
  };
  const std::vector<Case> unusable = {
      {variant("cut.spf", text.substr(text.size() / 2), ""), "(it does not read as JSON)"},
      {variant("range.spf", "\"mute\":0", "\"mute\":7"), "is damaged or incomplete; nothing was changed"},
      {variant("other.spf", "\"model\":79", "\"model\":12"), "is a profile for another model"},
      {(m_dir / "missing.wpf").string(), "cannot open"},
  };
  for (const Case& c : unusable) {
    SCOPED_TRACE(c.path);
    const Child child = Run({"--simulate-state", m_state, "profile", "load", c.path});
    EXPECT_EQ(child.code, 1);
    EXPECT_TRUE(OneErrorLine(child.err)) << child.err;
    EXPECT_NE(child.err.find(c.message), std::string::npos) << child.err;
    EXPECT_TRUE(SavedBox()->live == before->live) << "a refused file changed the box";
  }
  const Json unwritable = RunJson({"profile", "save", (m_dir / "missing-folder" / "a.wpf").string()}, 1);
  ASSERT_TRUE(unwritable);
  EXPECT_NE(Text(unwritable.get(), "error").find("cannot write"), std::string::npos);

  // The kind follows the extension; any other is refused before the box is opened.
  const std::string odd = (m_dir / "tune.json").string();
  const Child wrong = Run({"--simulate-state", (m_dir / "unopened.json").string(), "profile", "save", odd});
  EXPECT_EQ(wrong.code, 2);
  EXPECT_TRUE(OneErrorLine(wrong.err)) << wrong.err;
  EXPECT_FALSE(fs::exists(odd));
  EXPECT_FALSE(fs::exists(m_dir / "unopened.json"));

  // A whole configuration takes scene 3 and its name to a factory-fresh box.
  ASSERT_TRUE(RunJson({"set", "output", "2", "delay", "2.5"}));
  ASSERT_TRUE(RunJson({"scene", "save", "3", "Concert"}));
  ASSERT_TRUE(RunJson({"set", "output", "2", "delay", "0"}));
  const std::string whole = (m_dir / "all.WPF").string();
  ASSERT_TRUE(RunJson({"profile", "save", whole}));
  const auto original = SavedBox();
  m_state = (m_dir / "fresh.json").string();
  ASSERT_TRUE(RunJson({"profile", "load", whole}));
  const auto fresh = SavedBox();
  EXPECT_EQ(SlotName(fresh->scenes[2]), "Concert");
  EXPECT_TRUE(fresh->scenes[2].settings.outputs == original->scenes[2].settings.outputs) << "scene 3 differs";
  EXPECT_EQ(fresh->scenes[2].settings.outputs[1].delayMs, 2.5);
  EXPECT_EQ(SlotName(fresh->scenes[0]), "Default");
  EXPECT_TRUE(fresh->live.outputs == original->live.outputs) << "the live outputs differ";

  // One naming two scenes alike is refused whole, and says why.
  const Json edited(cJSON_Parse(ReadFile(whole).c_str()));
  ASSERT_TRUE(edited);
  cJSON* names = cJSON_GetObjectItemCaseSensitive(edited.get(), "sceneName");
  cJSON_ReplaceItemInArray(names, 2, cJSON_Duplicate(cJSON_GetArrayItem(names, 0), true));
  const std::unique_ptr<char, decltype(&cJSON_free)> twiceText(cJSON_Print(edited.get()), &cJSON_free);
  const std::string twice = (m_dir / "twice.wpf").string();
  std::ofstream(twice, std::ios::binary) << twiceText.get();
  const Child refused = Run({"--simulate-state", m_state, "profile", "load", twice});
  EXPECT_EQ(refused.code, 1);
  EXPECT_TRUE(OneErrorLine(refused.err)) << refused.err;
  EXPECT_NE(refused.err.find("names a scene the box cannot keep"), std::string::npos) << refused.err;
  EXPECT_EQ(SlotName(SavedBox()->scenes[2]), "Concert");
}

TEST_F(CliTest, MemoryWordsAreWrittenAndReadBack) {
  const Json written = RunJson({"mem", "write", "0x20", "0xdeadbeef"});
  ASSERT_TRUE(written);
  EXPECT_EQ(Number(written.get(), "address"), 0x20);
  EXPECT_EQ(SavedBox()->memory.at(0x20), 0xDEADBEEFu);

  const Json read = RunJson({"mem", "read", "040"});
  ASSERT_TRUE(read);
  EXPECT_EQ(Number(read.get(), "data"), 0xDEADBEEF);
  const Child text = Run({"--simulate-state", m_state, "mem", "read", "32"});
  EXPECT_EQ(text.code, 0) << text.err;
  EXPECT_EQ(text.out, "address 0x00000020  data 0xdeadbeef\n");
}

TEST_F(CliTest, AFilterTextIsImportedWholeOrWithPartialAndExportsBackToTheSameBands) {
  const std::string file = (m_dir / "room.txt").string();
  std::ofstream(file) << "Filter Settings file\nFilter  1: ON  PK  Fc 63,0 Hz  Gain -5,0 dB  Q 4,00\n"
                         "Filter  2: ON  LS  Fc 80 Hz  Gain 3 dB\nFilter  3: ON  PK  Fc 250 Hz  Gain 2.5 dB  Q 1.5\n";
  const Json refused = RunJson({"eq", "import", "2", file}, 1);
  ASSERT_TRUE(refused);
  EXPECT_NE(Text(refused.get(), "error").find("line 3: filter type LS"), std::string::npos) << Text(refused.get(), "error");
  EXPECT_NE(SavedBox()->live.outputs[1].bands[0].freqHz, 63) << "nothing changes without --partial";

  const Json imported = RunJson({"eq", "import", "2", file, "--partial"});
  ASSERT_TRUE(imported);
  EXPECT_EQ(Number(imported.get(), "bands"), 2);
  EXPECT_EQ(cJSON_GetArraySize(At(imported.get(), "skipped")), 1);
  const auto box = SavedBox();
  EXPECT_EQ(box->live.outputs[1].bands[1].freqHz, 250);
  EXPECT_DOUBLE_EQ(box->live.outputs[1].bands[0].gainDb, -5.0);

  const std::string exported = (m_dir / "ch2.txt").string();
  EXPECT_EQ(Run({"--simulate-state", m_state, "eq", "export", "2", exported}).code, 0);
  EXPECT_NE(ReadFile(exported).find("Output: CH2\nRole: "), std::string::npos) << ReadFile(exported);
  const Json text = RunJson({"eq", "export", "2"});
  ASSERT_TRUE(text);
  EXPECT_EQ(Text(text.get(), "text"), ReadFile(exported));
  ASSERT_TRUE(RunJson({"eq", "import", "5", exported}));
  EXPECT_EQ(SavedBox()->live.outputs[4].bands, SavedBox()->live.outputs[1].bands);
  EXPECT_EQ(Run({"--simulate-state", m_state, "--partial", "status"}).code, 2);
}

/// The member names of a JSON object, in order.
std::vector<std::string> Names(const cJSON* object) {
  std::vector<std::string> names;
  for (const cJSON* item = object ? object->child : nullptr; item; item = item->next) names.emplace_back(item->string);
  return names;
}

TEST_F(CliTest, AFitIsReportedInTheIssuesShapeOnTheBoxsStepsAndSentOnlyWithApply) {
  // A measurement program's text export: a broad bump at 100 Hz and a dip at 3 kHz.
  const std::string measurement = (m_dir / "left.txt").string();
  {
    std::ofstream out(measurement);
    out << "* Measurement data measured by a measurement program\n* Freq(Hz) SPL(dB) Phase(degrees)\n";
    for (int k = 0; k <= 240; ++k) {
      const double hz = 20.0 * std::pow(1000.0, k / 240.0);
      const double bump = 6.0 / (1.0 + std::pow(std::log2(hz / 100.0) * 2.0, 2.0));
      const double dip = -8.0 / (1.0 + std::pow(std::log2(hz / 3000.0) * 3.0, 2.0));
      out << hz << "\t" << 85.0 + bump + dip << "\t0\n";
    }
  }
  ASSERT_TRUE(RunJson({"status"}));
  const std::string before = ReadFile(m_state);

  const Json shown = RunJson({"eq", "fit", "1", measurement, "--bands", "6"});
  ASSERT_TRUE(shown);
  EXPECT_EQ(ReadFile(m_state), before) << "nothing is sent without --apply";
  EXPECT_EQ(Names(shown.get()), (std::vector<std::string>{"output", "mode", "bands", "residualDb", "levelDb"}));
  EXPECT_EQ(Number(shown.get(), "output"), 1);
  EXPECT_EQ(Text(shown.get(), "mode"), "peq");
  const cJSON* bands = At(shown.get(), "bands");
  ASSERT_EQ(cJSON_GetArraySize(bands), 6);
  for (int b = 0; b < 6; ++b) {
    const cJSON* band = At(bands, b);
    SCOPED_TRACE(b);
    EXPECT_EQ(Names(band), (std::vector<std::string>{"band", "freq", "q", "gain"}));
    EXPECT_EQ(Number(band, "band"), b + 1);
    EXPECT_EQ(Number(band, "freq"), std::round(Number(band, "freq")));
    EXPECT_NEAR(Number(band, "q") * 10, std::round(Number(band, "q") * 10), 1e-9);
    EXPECT_NEAR(Number(band, "gain") * 10, std::round(Number(band, "gain") * 10), 1e-9);
    EXPECT_LE(Number(band, "gain"), 6.0) << "the default boost limit";
  }
  EXPECT_LT(Number(shown.get(), "residualDb"), 1.0);
  EXPECT_NEAR(Number(shown.get(), "levelDb"), -85.0, 1.0) << "the level is reported";

  const Json applied = RunJson({"--apply", "eq", "fit", "1", measurement, "--max-boost", "3", "--bands", "6"});
  ASSERT_TRUE(applied);
  const auto box = SavedBox();
  for (int b = 0; b < 6; ++b) {
    const cJSON* band = At(At(applied.get(), "bands"), b);
    SCOPED_TRACE(b);
    EXPECT_EQ(box->live.outputs[0].bands[b].freqHz, Number(band, "freq"));
    EXPECT_NEAR(box->live.outputs[0].bands[b].q, Number(band, "q"), 1e-6);
    EXPECT_NEAR(box->live.outputs[0].bands[b].gainDb, Number(band, "gain"), 1e-6);
    EXPECT_LE(Number(band, "gain"), 3.0);
  }
  EXPECT_DOUBLE_EQ(box->live.outputs[0].bands[6].gainDb, 0.0) << "the bands after the fit go flat";

  const Json graphic = RunJson({"eq", "fit", "1", measurement, "--geq", "--target", "b"});
  ASSERT_TRUE(graphic);
  EXPECT_EQ(Text(graphic.get(), "mode"), "geq");

  const Child unreadable = Run({"--simulate-state", m_state, "eq", "fit", "1", (m_dir / "none.txt").string()});
  EXPECT_EQ(unreadable.code, 1);
  EXPECT_TRUE(OneErrorLine(unreadable.err)) << unreadable.err;
}

TEST_F(CliTest, HelpTouchesNoBox) {
  for (const auto& args : {std::vector<std::string>{"--help"}, std::vector<std::string>{"set", "--help"},
                           std::vector<std::string>{"set", "output", "99", "--help"},
                           std::vector<std::string>{"scenes", "--help"},
                           std::vector<std::string>{"scene", "save", "3", "--help"},
                           std::vector<std::string>{"profile", "--help"},
                           std::vector<std::string>{"mix", "hi", "set", "--help"},
                           std::vector<std::string>{"mem", "--help"},
                           std::vector<std::string>{"eq", "import", "--help"}}) {
    std::vector<std::string> line = {"--simulate-state", m_state};
    line.insert(line.end(), args.begin(), args.end());
    const Child child = Run(line);
    EXPECT_EQ(child.code, 0);
    EXPECT_TRUE(child.out.starts_with("Usage: quorelbox-cli")) << child.out;
    EXPECT_EQ(child.err, "");
    EXPECT_FALSE(fs::exists(m_state));
  }
  const Child general = Run({"--help"});
  for (const char* code : {"  1  ", "  2  ", "  3  ", "  4  "})
    EXPECT_NE(general.out.find(code), std::string::npos) << "exit status " << code << "documented";
}

}  // namespace
}  // namespace qb::cli
