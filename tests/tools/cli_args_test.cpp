// The command line read into an Invocation: numbering from 1 becomes the core's indices,
// names become codes, and every malformed line is refused with a message saying why.
#include "tools/cli/cli_args.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/profile.h"
#include "tools/cli/cli_names.h"
#include "tools/cli/cli_text.h"

namespace qb::cli {
namespace {

ParseResult Parse(std::vector<std::string_view> words) { return ParseArguments(words); }

template <typename Request>
Request SetOf(std::vector<std::string_view> words) {
  const ParseResult result = Parse(std::move(words));
  EXPECT_TRUE(result.invocation) << result.error;
  if (!result.invocation) return {};
  EXPECT_TRUE(std::holds_alternative<Request>(result.invocation->set));
  const Request* request = std::get_if<Request>(&result.invocation->set);
  return request ? *request : Request{};
}

TEST(CliArgsTest, OptionsGoBeforeOrAfterTheCommand) {
  const ParseResult after = Parse({"status", "--json", "--simulate-state", "box.json"});
  ASSERT_TRUE(after.invocation) << after.error;
  EXPECT_TRUE(after.invocation->json);
  EXPECT_TRUE(after.invocation->simulate) << "a state file means the virtual box";
  EXPECT_EQ(after.invocation->statePath, "box.json");
  EXPECT_EQ(after.invocation->command, Command::Status);

  const ParseResult help = Parse({"set", "band", "99", "--help"});
  ASSERT_TRUE(help.invocation) << "help wins over a half-typed command";
  EXPECT_TRUE(help.invocation->help);
  EXPECT_EQ(help.invocation->command, Command::Set);

  EXPECT_TRUE(Parse({"--json", "bogus"}).json) << "a refusal is answered in JSON too";

  const ParseResult traced = Parse({"status", "--trace", "s.pcap"});
  ASSERT_TRUE(traced.invocation) << traced.error;
  EXPECT_EQ(traced.invocation->tracePath, "s.pcap");
  EXPECT_FALSE(traced.invocation->simulate) << "a real box is traced too";
}

TEST(CliArgsTest, NumbersFromOneBecomeTheCoresIndices) {
  const auto volume = SetOf<SetOutputVolume>({"set", "output", "8", "volume", "-60"});
  EXPECT_EQ(volume.output, 7);
  EXPECT_EQ(volume.db, -60);

  const auto band = SetOf<SetBand>({"set", "band", "1", "31", "gain", "+2.5", "enable", "off"});
  EXPECT_EQ(band.output, 0);
  EXPECT_EQ(band.band, 30);
  EXPECT_EQ(band.gain, 2.5);
  EXPECT_EQ(band.enable, false);
  EXPECT_FALSE(band.freq) << "values not given stay unset";
  EXPECT_FALSE(band.q);

  // The routing service counts inputs from 1 itself.
  const auto input = SetOf<SetOutputInput>({"set", "output", "2", "input", "6", "on"});
  EXPECT_EQ(input.output, 1);
  EXPECT_EQ(input.input, 6);
}

TEST(CliArgsTest, NamesAndCodesAreTheCoresCodes) {
  EXPECT_EQ(SetOf<SetOutputRole>({"set", "output", "1", "role", "subwoofer-left"}).role, kRoleSubwooferLeft);
  EXPECT_EQ(SetOf<SetOutputRole>({"set", "output", "1", "role", "13"}).role, kRoleRearLeftTweeter);
  EXPECT_EQ(SetOf<SetSource>({"set", "source", "scp"}).source, SOURCE_SCP);
  const auto crossover = SetOf<SetCrossover>({"set", "crossover", "4", "lp", "type", "linkwitz-riley", "slope", "0"});
  EXPECT_FALSE(crossover.highPass);
  EXPECT_EQ(crossover.family, FILTER_TYPE_LINKWITZ_RILEY);
  EXPECT_EQ(crossover.slope, 0);
  EXPECT_EQ(SetOf<SetCrossover>({"set", "crossover", "4", "hp", "type", "3"}).family, FILTER_TYPE_BESSEL);

  // Whatever `get` prints can be typed back, for every code.
  for (int role = 0; role < kRoleCount; ++role) EXPECT_EQ(RoleFromName(RoleName(role)), role);
  for (int source = 0; source < static_cast<int>(kInputSourceCount); ++source)
    EXPECT_EQ(SourceFromName(SourceName(source)), source);
  for (int family = 1; family <= 3; ++family) EXPECT_EQ(FamilyFromName(FamilyName(family)), family);
}

TEST(CliArgsTest, MalformedLinesAreRefusedWithTheReason) {
  struct Case {
    std::vector<std::string_view> words;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {{}, "no command"},
      {{"--simulate-state"}, "needs a FILE"},
      {{"status", "--trace"}, "--trace needs a FILE"},
      {{"--jsn", "status"}, "unknown option '--jsn'"},
      {{"get", "all"}, "unexpected 'all'"},
      {{"set"}, "missing what to set"},
      {{"set", "output", "x", "mute", "on"}, "output must be a whole number from 1 to 8"},
      {{"set", "output", "1", "mute", "yes"}, "must be on or off"},
      {{"set", "output", "1", "phase", "on"}, "must be inverted or normal"},
      {{"set", "output", "1", "delay", "15.5"}, "from 0 to 15"},
      {{"set", "output", "1", "delay", "inf"}, "from 0 to 15"},
      {{"set", "output", "1", "volume", "-3dB"}, "from -60 to 0"},
      {{"set", "output", "1", "role", "25"}, "from 0 to 24"},
      {{"set", "output", "1", "input", "7", "on"}, "from 1 to 6"},
      {{"set", "output", "1", "gain", "3"}, "unknown output setting 'gain'"},
      {{"set", "band", "1", "0", "q", "1"}, "band must be"},
      {{"set", "band", "1", "1", "q", "0.4"}, "band Q must be"},
      {{"set", "band", "1", "1", "gain", "12.5"}, "band gain (dB) must be"},
      {{"set", "band", "1", "1", "freq", "19"}, "band frequency (Hz) must be"},
      {{"set", "band", "1", "1", "q", "1", "q", "2"}, "given twice"},
      {{"set", "band", "1", "1", "width", "2"}, "unknown band value"},
      {{"set", "crossover", "1", "hp"}, "at least one of freq, slope, type"},
      {{"set", "crossover", "1", "hp", "type", "chebyshev"}, "unknown filter type"},
      {{"set", "crossover", "1", "hp", "freq", "20001"}, "from 20 to 20000"},
      {{"set", "main", "volume", "-1"}, "from 0 to 40"},
      {{"set", "main", "balance", "0"}, "unknown main setting"},
      {{"set", "source", "hi", "now"}, "unexpected 'now'"},
      {{"scenes", "all"}, "unexpected 'all'"},
      {{"scene"}, "missing what to do with the scene"},
      {{"scene", "rename", "1", "x"}, "unknown scene action 'rename'"},
      {{"scene", "load", "0"}, "scene must be a whole number from 1 to 10"},
      {{"scene", "delete", "11"}, "scene must be a whole number from 1 to 10"},
      {{"scene", "load", "3", "Concert"}, "unexpected 'Concert' after scene load"},
      {{"scene", "save", "3"}, "missing scene name"},
      // The core's name check counts UTF-16 units: a character beyond U+FFFF is two.
      {{"scene", "save", "3", "\xF0\x9F\x94\x8A" "abcdef"}, "too long"},
      {{"scene", "save", "3", "Caf\xE9"}, "not valid UTF-8"},                // Latin-1, not UTF-8
      {{"scene", "save", "3", "a\nb"}, "control character"},  // and the error is still one line
      {{"scene", "save", "3", "Live", "now"}, "unexpected 'now'"},
      {{"profile"}, "missing profile action"},
      {{"profile", "copy", "a.spf"}, "must be save or load"},
      {{"profile", "save"}, "missing profile FILE"},
      {{"profile", "load", "tune.json"}, "must end in .spf"},
      {{"profile", "load", "spf"}, "must end in .spf"},
      {{"profile", "load", "a.spf.bak"}, "must end in .spf"},
      {{"profile", "save", "a.spf", "b.spf"}, "unexpected 'b.spf'"},
      {{"mix", "radio"}, "unknown source 'radio'"},
      {{"mix", "hi", "get"}, "unknown mix action 'get'"},
      {{"mix", "coax", "set", "3", "1", "on"}, "input must be a whole number from 1 to 2"},
      {{"mix", "aux", "set", "1", "1", "on"}, "source aux has no inputs to mix"},
      {{"mix", "hi", "set", "1", "9", "on"}, "output must be a whole number from 1 to 8"},
      {{"mix", "hi", "set", "1", "1", "101"}, "on, off or a trim from 0 to 100, not '101'"},
      {{"mix", "hi", "set", "1", "1", "on", "now"}, "unexpected 'now'"},
  };
  for (const Case& c : cases) {
    std::string line;
    for (std::string_view word : c.words) line += std::string(word) + " ";
    SCOPED_TRACE(line);
    const ParseResult result = Parse(c.words);
    EXPECT_FALSE(result.invocation);
    EXPECT_NE(result.error.find(c.reason), std::string::npos) << result.error;
    EXPECT_EQ(result.error.find('\n'), std::string::npos);
  }
}

TEST(CliArgsTest, ScenesAndProfileFilesAreReadAsTheBoxKeepsThem) {
  const auto invocation = [](std::vector<std::string_view> words) {
    const ParseResult result = Parse(std::move(words));
    EXPECT_TRUE(result.invocation) << result.error;
    return result.invocation.value_or(Invocation{});
  };
  const Invocation save = invocation({"scene", "save", "10", "Caf\xC3\xA9"});
  EXPECT_EQ(save.command, Command::Scene);
  EXPECT_EQ(save.scene.action, SceneAction::Save);
  EXPECT_EQ(save.scene.scene, 10) << "scenes keep the box's numbers";
  EXPECT_EQ(save.scene.name, u"Caf\u00E9");
  // Seven code units fit, whether seven letters or a pair and five.
  EXPECT_EQ(invocation({"scene", "save", "1", "Concert"}).scene.name.size(), 7u);
  EXPECT_EQ(invocation({"scene", "save", "1", "\xF0\x9F\x94\x8A" "abcde"}).scene.name, u"\U0001F50Aabcde");
  EXPECT_EQ(invocation({"scene", "delete", "1"}).scene.action, SceneAction::Delete);
  EXPECT_EQ(invocation({"scenes", "--json"}).command, Command::Scenes);

  const Invocation whole = invocation({"profile", "load", "Car.WPF"});
  EXPECT_EQ(whole.command, Command::Profile);
  EXPECT_FALSE(whole.profile.save);
  EXPECT_EQ(whole.profile.kind, ProfileKind::Whole) << "the extension is read in any case";
  EXPECT_EQ(whole.profile.path, "Car.WPF");
  const Invocation scene = invocation({"profile", "save", "dir.wpf/tune.Spf"});
  EXPECT_TRUE(scene.profile.save);
  EXPECT_EQ(scene.profile.kind, ProfileKind::Scene);
}

TEST(CliArgsTest, OnlyWellFormedUtf8BecomesAName) {
  EXPECT_EQ(Utf16FromUtf8("A\xE2\x82\xAC"), u"A\u20AC");
  EXPECT_EQ(Utf16FromUtf8("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
  EXPECT_EQ(Utf16FromUtf8(""), u"");
  for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x82", "\xFF"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(Utf16FromUtf8(bad)) << "overlong, surrogate, beyond U+10FFFF, cut off or stray";
  }
}

}  // namespace
}  // namespace qb::cli

namespace qb::cli {

TEST(CliArgsTest, CalibrateTakesOutputsModulesTargetAndWhatToDoWithTheResult) {
  const auto all = Parse({"calibrate"});
  ASSERT_TRUE(all.invocation) << all.error;
  EXPECT_EQ(all.invocation->calibrate.outputs, 0);
  EXPECT_EQ(all.invocation->calibrate.modules, 7);
  EXPECT_FALSE(all.invocation->calibrate.apply);

  const auto some = Parse({"--apply", "calibrate", "1", "4", "modules", "eq,delay", "target", "b"});
  ASSERT_TRUE(some.invocation) << some.error;
  EXPECT_EQ(some.invocation->calibrate.outputs, 0b1001);
  EXPECT_EQ(some.invocation->calibrate.modules, 3);
  EXPECT_EQ(some.invocation->calibrate.eqMode, 1);
  EXPECT_TRUE(some.invocation->calibrate.apply);

  for (const auto& [words, reason] : std::vector<std::pair<std::vector<std::string_view>, const char*>>{
           {{"calibrate", "9"}, "from 1 to 8"},
           {{"calibrate", "modules", "eq,bass"}, "modules are eq, delay and phase"},
           {{"calibrate", "target", "c"}, "must be b or a"},
           {{"calibrate", "--apply", "--discard"}, "exclude each other"},
           {{"status", "--apply"}, "'--apply' belongs to calibrate"}}) {
    const auto refused = Parse(words);
    EXPECT_FALSE(refused.invocation);
    EXPECT_NE(refused.error.find(reason), std::string::npos) << refused.error;
  }
}

TEST(CliArgsTest, EqFitTakesItsOptionsAnywhereAndOnlyForItself) {
  const auto fit = Parse({"--bands", "12", "eq", "fit", "2", "left.frd", "--target", "house.txt", "--max-boost", "3.5",
                          "--apply"});
  ASSERT_TRUE(fit.invocation) << fit.error;
  const EqRequest& eq = fit.invocation->eq;
  EXPECT_TRUE(eq.fitting);
  EXPECT_EQ(eq.output, 1);
  EXPECT_EQ(eq.path, "left.frd");
  EXPECT_EQ(eq.fit.target, "house.txt");
  EXPECT_EQ(eq.fit.bands, 12);
  EXPECT_EQ(eq.fit.maxBoostDb, 3.5);
  EXPECT_TRUE(eq.fit.apply);

  const auto plain = Parse({"eq", "fit", "1", "m.txt", "--geq"});
  ASSERT_TRUE(plain.invocation) << plain.error;
  EXPECT_TRUE(plain.invocation->eq.fit.graphic);
  EXPECT_FALSE(plain.invocation->eq.fit.apply) << "nothing is sent unless asked";
  EXPECT_EQ(plain.invocation->eq.fit.target, "flat");

  for (const auto& [words, reason] : std::vector<std::pair<std::vector<std::string_view>, const char*>>{
           {{"eq", "fit", "1"}, "missing MEASUREMENT"},
           {{"eq", "fit", "1", "m.txt", "--bands", "32"}, "--bands"},
           {{"eq", "fit", "1", "m.txt", "--bands", "0"}, "--bands"},
           {{"eq", "fit", "1", "m.txt", "--max-boost", "13"}, "--max-boost"},
           {{"eq", "fit", "1", "m.txt", "--bands"}, "--bands needs N"},
           {{"eq", "fit", "1", "m.txt", "--geq", "--bands", "4"}, "--geq fits every band"},
           {{"eq", "import", "1", "f.txt", "--apply"}, "'--apply' belongs to calibrate and eq fit"},
           {{"status", "--geq"}, "'--geq' belongs to eq fit"},
           {{"eq", "fit", "1", "m.txt", "--discard"}, "'--discard' belongs to calibrate"}}) {
    const auto refused = Parse(words);
    EXPECT_FALSE(refused.invocation) << words.back();
    EXPECT_NE(refused.error.find(reason), std::string::npos) << refused.error;
  }
}

}  // namespace qb::cli
