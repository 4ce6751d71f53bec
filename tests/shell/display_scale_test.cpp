#include "shell/display_scale.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>
#include <vector>

#include "tests/support/log_capture.h"

namespace qb {
namespace {

struct ScaleCase {
  const char* name;
  int primaryWidth;
  int primaryHeight;
  std::vector<ScreenRect> monitors;
  int dpi;
  ScreenRect picked;
  float scale;
};

class DisplayScaleCases : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(DisplayScaleCases, PicksTheWidestScreenAndItsDpi) {
  const ScaleCase& c = GetParam();
  const DisplayScale result = SelectDisplayScale(c.primaryWidth, c.primaryHeight, c.monitors);
  EXPECT_EQ(result.dpi, c.dpi);
  EXPECT_EQ(result.picked, c.picked);
  EXPECT_FLOAT_EQ(result.scale, c.scale);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, DisplayScaleCases,
    ::testing::Values(
        ScaleCase{"FullHd", 1920, 1080, {{0, 0, 1920, 1080}}, 144, {0, 0, 1920, 1080}, 1.5f},
        ScaleCase{"Laptop1366", 1366, 768, {}, 96, {0, 0, 1366, 768}, 768.0f / 720.0f},
        ScaleCase{"ExactlyReference", 1280, 720, {}, 96, {0, 0, 1280, 720}, 1.0f},
        ScaleCase{"FourThirds", 1024, 768, {}, 77, {0, 0, 1024, 768}, 0.8f},
        ScaleCase{"UhdFallsBackTo96", 3840, 2160, {}, 96, {0, 0, 3840, 2160}, 3.0f},
        ScaleCase{"UltrawideIsLimitedByHeight", 2560, 1000, {}, 120, {0, 0, 2560, 1000}, 1000.0f / 720.0f},
        ScaleCase{"HeightLimits", 2560, 1440, {}, 192, {0, 0, 2560, 1440}, 2.0f},
        ScaleCase{"WiderSecondMonitorWins",
                  1920, 1080,
                  {{0, 0, 1920, 1080}, {1920, 0, 4480, 1440}},
                  192, {1920, 0, 4480, 1440}, 2.0f},
        ScaleCase{"NarrowerSecondMonitorLoses",
                  1920, 1080,
                  {{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}},
                  144, {0, 0, 1920, 1080}, 1.5f},
        ScaleCase{"EqualWidthKeepsThePrimary",
                  1920, 1080,
                  {{1920, 0, 3840, 2160}},
                  144, {0, 0, 1920, 1080}, 1.5f},
        ScaleCase{"EqualWidthsKeepTheLeftmostWhateverTheListOrder",
                  1280, 720,
                  {{2560, 0, 5120, 1440}, {-2560, 0, 0, 1080}},
                  144, {-2560, 0, 0, 1080}, 1.5f},
        ScaleCase{"SameLeftEdgeOrdersByTop",
                  1280, 720,
                  {{1280, 900, 3200, 1980}, {1280, -1440, 3200, -240}},
                  144, {1280, -1440, 3200, -240}, 1.5f},
        ScaleCase{"AMonitorAtTheOriginIsNotCountedTwice",
                  1024, 768,
                  {{0, 0, 5120, 2880}},
                  77, {0, 0, 1024, 768}, 0.8f},
        ScaleCase{"MonitorBelowThePrimaryCounts",
                  1280, 720,
                  {{0, 720, 1920, 1800}},
                  144, {0, 720, 1920, 1800}, 1.5f}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(DpiForScale, BandEdgesBelongToTheUpperBand) {
  struct Edge {
    float scale;
    int dpi;
  };
  for (const Edge& e : {Edge{0.0f, 77}, Edge{0.999f, 77}, Edge{1.0f, 96}, Edge{1.2499f, 96},
                        Edge{1.25f, 120}, Edge{1.5f, 144}, Edge{1.999f, 144}, Edge{2.0f, 192},
                        Edge{2.999f, 192}, Edge{3.0f, 96}, Edge{8.0f, 96}}) {
    EXPECT_EQ(DpiForScale(e.scale), e.dpi) << e.scale;
  }
}

TEST(DisplayScaleFromScreens, FollowsThePrimaryScreenAndLogsTheRectangles) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char arg0[] = "shell_display_scale";
  static char* argv[] = {arg0, nullptr};
  QGuiApplication app(argc, argv);
  ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
  const QRect g = QGuiApplication::primaryScreen()->geometry();

  test::LogCapture log;
  const DisplayScale result = SelectDisplayScaleFromScreens();
  const DisplayScale expected = SelectDisplayScale(g.width(), g.height(), {});
  EXPECT_EQ(result.dpi, expected.dpi);
  EXPECT_EQ(result.picked, (ScreenRect{0, 0, g.width(), g.height()}));

  const std::string console = log.Console();
  const std::string size = std::to_string(g.width()) + " x " + std::to_string(g.height());
  const std::string rect = "(0,0," + std::to_string(g.width()) + "," +
                           std::to_string(g.height()) + ")";
  EXPECT_NE(console.find("m_MainScreen " + rect + "\n"), std::string::npos) << console;
  EXPECT_NE(console.find("m_VirtualScreen " + rect + "\n"), std::string::npos) << console;
  EXPECT_NE(console.find("screen size " + size + "\n"), std::string::npos) << console;
}

}  // namespace
}  // namespace qb
