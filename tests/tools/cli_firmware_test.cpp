// quorelbox-cli firmware in-process against the virtual box: an image checked before the box
// hears anything, the question, the transfer with its progress, the restart followed, and
// a box left in its loader finished from the terminal.
#include <cjson/cJSON.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "devicelink/firmware_image_builder.h"
#include "simulator/virtual_box.h"
#include "simulator/virtual_hid.h"
#include "tools/cli/cli_args.h"
#include "tools/cli/cli_session.h"

namespace qb::cli {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

class CliFirmwareTest : public ::testing::Test {
 protected:
  CliFirmwareTest() {
    char pattern[] = "/tmp/qb_clifw_XXXXXX";
    m_dir = ::mkdtemp(pattern);
  }
  ~CliFirmwareTest() override { std::filesystem::remove_all(m_dir); }

  std::shared_ptr<sim::VirtualHidBackend> Box(bool loader = false) {
    sim::VirtualBoxConfig config;
    config.applicationMode = !loader;
    config.rebootOffline = 100ms;
    return sim::MakeVirtualBoxBackend(config);
  }

  std::string Image(const std::string& name, std::uint8_t fwId, std::size_t size, std::uint8_t model = 79) {
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 5 + 3);
    ImageFields fields;
    fields.fwId = fwId;
    fields.modelId = model;
    fields.head = sim::ImageHeadFor(data);
    fields.data = data;
    const Bytes file = *BuildSingleImage(fields);
    const auto path = m_dir / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                static_cast<std::streamsize>(file.size()));
    return path.string();
  }

  RunResult Run(const std::shared_ptr<sim::VirtualHidBackend>& box, const std::string& file, bool yes,
                bool json = false) {
    Invocation invocation;
    invocation.simulate = true;
    invocation.json = json;
    invocation.command = Command::Firmware;
    invocation.firmware = {file, yes};
    SessionOptions options;
    options.connectTimeout = 5s;
    options.timings.waitCapMs = 300;
    options.restartTimeout = 10s;
    options.confirm = [this](const std::string& question) {
      questions.push_back(question);
      return answer;
    };
    options.firmwareProgress = [this](int percent) { progress.push_back(percent); };
    return RunSession(invocation, box, box->Box().get(), options);
  }

  std::vector<std::string> questions;
  std::vector<int> progress;
  bool answer = true;

 private:
  std::filesystem::path m_dir;
};

TEST_F(CliFirmwareTest, AnMcuImageIsSentAndTheNewFirmwareReported) {
  const auto box = Box();
  const RunResult result = Run(box, Image("MCU_UPG.BIN", 1, 3000), false);
  ASSERT_EQ(result.code, kExitOk) << result.err;
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_NE(questions[0].find("MCU firmware"), std::string::npos) << questions[0];
  EXPECT_NE(result.out.find("now runs firmware 17.1"), std::string::npos) << result.out;
  ASSERT_FALSE(progress.empty());
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end() - 1));
  EXPECT_EQ(progress[progress.size() - 2], 100);
  EXPECT_EQ(progress.back(), -1);  // the bar's line ended
  EXPECT_EQ(box->Box()->Upgrade().verdict, sim::UpgradeVerdict::kInstalled);
}

TEST_F(CliFirmwareTest, ABoxInItsLoaderTakesAFlashImageWithoutAQuestionUnderYes) {
  const auto box = Box(true);
  const RunResult result = Run(box, Image("x_flash_upg.bin", 2, 2000), true, true);
  ASSERT_EQ(result.code, kExitOk) << result.err;
  EXPECT_TRUE(questions.empty());
  cJSON* document = cJSON_Parse(result.out.c_str());
  ASSERT_NE(document, nullptr) << result.out;
  EXPECT_STREQ(cJSON_GetStringValue(cJSON_GetObjectItem(document, "kind")), "DSP flash");
  EXPECT_TRUE(cJSON_IsTrue(cJSON_GetObjectItem(document, "application")));
  cJSON_Delete(document);
  EXPECT_TRUE(box->Box()->Config().applicationMode);
  EXPECT_EQ(box->Box()->Upgrade().kind, sim::UpgradeKind::kFlash);
}

TEST_F(CliFirmwareTest, AFileThatIsNoImageForThisBoxOrNotConfirmedReachesNothing) {
  struct Case {
    const char* what;
    std::string file;
    bool confirmed;
  };
  const Case cases[] = {
      {"another model", Image("model12_MCU_UPG.BIN", 1, 100, 12), true},
      {"a DSP image named as MCU", Image("dsp_MCU_UPG.BIN", 2, 100), true},
      {"a name of no image kind", Image("firmware.bin", 1, 100), true},
      {"missing", "/nonexistent/MCU_UPG.BIN", true},
      {"not confirmed", Image("MCU_UPG.BIN", 1, 100), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto box = Box();
    answer = c.confirmed;
    const RunResult result = Run(box, c.file, false);
    EXPECT_EQ(result.code, kExitFailure) << result.out;
    EXPECT_TRUE(box->Box()->Commands().empty());
  }
}

TEST(CliFirmwareArgs, FirmwareTakesOneFileAndYes) {
  const std::vector<std::string_view> args{"--simulate-loader", "firmware", "--yes", "MCU_UPG.BIN"};
  const ParseResult parsed = ParseArguments(args);
  ASSERT_TRUE(parsed.invocation) << parsed.error;
  EXPECT_EQ(parsed.invocation->command, Command::Firmware);
  EXPECT_EQ(parsed.invocation->firmware.path, "MCU_UPG.BIN");
  EXPECT_TRUE(parsed.invocation->firmware.yes);
  EXPECT_TRUE(parsed.invocation->simulate);
  EXPECT_TRUE(parsed.invocation->simulateLoader);
  const std::vector<std::string_view> none{"firmware"};
  EXPECT_FALSE(ParseArguments(none).invocation);
  const std::vector<std::string_view> two{"firmware", "a", "b"};
  EXPECT_FALSE(ParseArguments(two).invocation);
}

}  // namespace
}  // namespace qb::cli
