// A long random editing session through the main window against the virtual box. Every
// step is one thing a user does (a slider, an edit with Enter or Tab, an arrow key, a menu,
// a curve drag, a dialog answered); after each step the box's live settings must equal the
// mirror as the wire carries it. The seed comes from QB_SESSION_SEED (or a fixed default)
// and is printed with every failure, so a failing session can be replayed exactly.
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/output_levels.h"
#include "controls/equalizer_curve.h"
#include "devicelink/value_encoding.h"
#include "tests/windows/main_window_fixture.h"
#include "tests/windows/session_driver.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/edit.h"
#include "ui/notification.h"
#include "ui/popup_menu.h"
#include "ui/slider.h"
#include "windows/msg_checkbox_wnd.h"

namespace qb::test {
namespace {

constexpr int kSteps = 300;
constexpr unsigned kDefaultSeed = 7u;

unsigned SessionSeed() {
  const char* text = std::getenv("QB_SESSION_SEED");
  if (text == nullptr || *text == '\0') return kDefaultSeed;
  return static_cast<unsigned>(std::strtoul(text, nullptr, 10));
}

// --- what the box must hold for a mirror value, through the wire encoding ------------------

double SentVolume(float gain) { return -DecodeTrimCoarse(EncodeTrimCoarse(-static_cast<double>(gain))); }
double SentDelay(float ms) { return DecodeDelay(EncodeDelay(static_cast<double>(ms))).value_or(-1.0); }
double SentGain(double db) { return DecodeEqGain(EncodeEqGain(db)).value_or(-99.0); }
/// The box keeps 6 - the attenuation sent for a slider position (whose minimum is 0).
int SentMainVolumeDb(int position) {
  const auto attenuation = static_cast<float>(MainVolumeAttenuation(position, 0));
  return 6 - DecodeSignedByte(EncodeMainVolume(static_cast<double>(attenuation)));
}
double SentQ(float q) { return DecodeEqQCommand(EncodeEqQ(static_cast<double>(q))).value_or(-1.0); }

/// Collects the fields in which the box differs from the mirror.
class Differences {
 public:
  template <typename A, typename B>
  void Check(bool same, const std::string& field, const A& box, const B& mirror) {
    if (same) return;
    std::ostringstream line;
    line << "  " << field << ": box " << box << ", mirror " << mirror << "\n";
    m_text += line.str();
  }
  template <typename A, typename B>
  void Equal(const std::string& field, const A& box, const B& mirror) {
    Check(box == mirror, field, box, mirror);
  }
  void Near(const std::string& field, double box, double mirror, double tolerance = 1e-6) {
    Check(std::fabs(box - mirror) <= tolerance, field, box, mirror);
  }
  bool Empty() const { return m_text.empty(); }
  const std::string& Text() const { return m_text; }

 private:
  std::string m_text;
};

std::string Out(int o, const char* field) { return "output " + std::to_string(o) + " " + field; }

void CompareOutput(const sim::OutputChannel& box, const Profile& live, int o, Differences& d) {
  const OutputChannel& ch = live.channels[static_cast<std::size_t>(o)];
  d.Near(Out(o, "volume"), box.volumeDb, SentVolume(ch.gain));
  d.Equal(Out(o, "mute"), int{box.mute}, ch.mute);
  d.Equal(Out(o, "phase"), int{box.phase}, ch.phase);
  d.Near(Out(o, "delay"), box.delayMs, SentDelay(ch.delay), 1e-9);
  d.Equal(Out(o, "role"), int{box.role}, live.outputs[static_cast<std::size_t>(o)]);
  d.Equal(Out(o, "eq bypass"), int{box.eqBypass}, int{ch.bypass});
  const Crossover& x = ch.crossover;
  d.Equal(Out(o, "hp type"), int{box.highPass.family}, x.hp.type);
  d.Equal(Out(o, "hp freq"), int{box.highPass.freqHz}, x.hp.fs);
  d.Equal(Out(o, "hp slope"), int{box.highPass.slope}, x.hp.slope);
  d.Equal(Out(o, "lp type"), int{box.lowPass.family}, x.lp.type);
  d.Equal(Out(o, "lp freq"), int{box.lowPass.freqHz}, x.lp.fs);
  d.Equal(Out(o, "lp slope"), int{box.lowPass.slope}, x.lp.slope);
  for (int b = 0; b < EqSize(live, o); ++b) {
    const EqBand& band = ch.bands[static_cast<std::size_t>(b)];
    const sim::EqBand& boxBand = box.bands[static_cast<std::size_t>(b)];
    const std::string name = "band " + std::to_string(b) + " ";
    // A switched-off band is sent flat; its gain stays in the mirror for switching it on.
    const double applied = band.enable == 1 ? static_cast<double>(band.eqGain) : 0.0;
    d.Equal(Out(o, (name + "freq").c_str()), int{boxBand.freqHz}, band.freq);
    d.Near(Out(o, (name + "q").c_str()), boxBand.q, SentQ(band.eqFactor), 1e-9);
    d.Near(Out(o, (name + "gain").c_str()), boxBand.gainDb, SentGain(applied), 1e-9);
  }
}

/// Every field the box stores that the live editing keeps in the mirror.
std::string CompareBoxWithMirror(const sim::Settings& box, const Profile& live) {
  Differences d;
  for (int o = 0; o < kOutputCount; ++o) CompareOutput(box.outputs[static_cast<std::size_t>(o)], live, o, d);
  d.Equal("source", int{box.source}, live.inputSource);
  d.Equal("main volume dB", box.mainVolumeDb, SentMainVolumeDb(live.mainVolume));
  d.Equal("main mute", int{box.mainMute}, live.mainVolumeMute);
  d.Equal("amplifier muted", int{box.ampMute}, live.ampOn == 1 ? 0 : 1);
  d.Equal("lock", int{box.lock}, live.lockMode);
  d.Equal("link", int{box.link.on}, live.linkMode);
  if (live.linkMode == 1) {
    // Each pair sent is an output and its partner. Partners need not be mutual: with a role
    // given twice, both outputs point to the one mirrored output, which points back to the
    // first, and only the outputs on the copying side send their pair. A mutual partnership
    // is always sent, from one side or the other.
    const auto partner = [&live](int o) { return live.linkOutputs[static_cast<std::size_t>(o)]; };
    for (const sim::LinkPair& pair : box.link.pairs) {
      d.Equal("partner of pair source " + std::to_string(pair.from), int{pair.to}, partner(pair.from));
    }
    for (int o = 0; o < kOutputCount; ++o) {
      const int p = partner(o);
      if (p < 0 || partner(p) != o) continue;
      const bool held = std::any_of(box.link.pairs.begin(), box.link.pairs.end(), [o, p](const sim::LinkPair& pair) {
        return (pair.from == o && pair.to == p) || (pair.from == p && pair.to == o);
      });
      d.Check(held, "pair of output " + std::to_string(o), "none", p);
    }
  }
  for (std::size_t s = 0; s < kInputSourceCount; ++s) {
    for (std::size_t o = 0; o < kOutputSlots; ++o) {
      d.Equal("routing source " + std::to_string(s) + " output " + std::to_string(o),
              int{box.sources[s].mixMask[o]}, live.inputs[s][o]);
    }
  }
  return d.Text();
}

/// The box copies each linked pair's equaliser, crossover and bypass from the first output of
/// the pair to the second when link mode starts (the program only copies its mirror); the
/// virtual box leaves that out, so the session adds it.
class LinkCopy : public sim::BoxExtension {
 public:
  bool Handle(const sim::BoxCommand& command, sim::BoxContext& box) override {
    if (command.packetType != DSP_PACKET || command.commandId != DSP_CH_LINK || command.opType != OP_SET) {
      return false;
    }
    const auto& p = command.payload;
    if (p.size() < 3 || p[0] != kLiveScene || p[1] != 1) return false;
    sim::Settings& live = box.State().live;
    for (std::size_t k = 0; k < p[2] && 4 + 2 * k < p.size(); ++k) {
      const std::size_t from = p[3 + 2 * k];
      const std::size_t to = p[4 + 2 * k];
      if (from >= kOutputSlots || to >= kOutputSlots) continue;
      live.outputs[to].bands = live.outputs[from].bands;
      live.outputs[to].highPass = live.outputs[from].highPass;
      live.outputs[to].lowPass = live.outputs[from].lowPass;
      live.outputs[to].eqBypass = live.outputs[from].eqBypass;
    }
    return false;  // the built-in handler stores the link and answers
  }
};

class RandomSessionTest : public MainWindowTest {
 protected:
  void PrepareBox(sim::VirtualBox& box) override { box.AddExtension(std::make_unique<LinkCopy>()); }

  void SetUp() override {
    MainWindowTest::SetUp();
    if (HasFatalFailure()) return;
    m_choiceAnswerer.setInterval(5);
    QObject::connect(&m_choiceAnswerer, &QTimer::timeout, [this] { AnswerChoiceBoxes(); });
    m_choiceAnswerer.start();
    window->activateWindow();
    ASSERT_TRUE(WaitConnected());
    ASSERT_TRUE(Drain());
  }

  void TearDown() override {
    m_choiceAnswerer.stop();
    MainWindowTest::TearDown();
  }

  int choiceAnswer = 1;

 private:
  void AnswerChoiceBoxes() {
    for (ui::WindowBase* w : ui::WindowBase::LiveWindows()) {
      auto* box = qobject_cast<windows::CMsgCheckBoxWnd*>(w);
      if (box && box->IsModalRunning()) box->Close(choiceAnswer);
    }
  }

  QTimer m_choiceAnswerer;
};

TEST_F(RandomSessionTest, BoxFollowsTheMirrorThroughALongRandomSession) {
  const unsigned seed = SessionSeed();
  SCOPED_TRACE(testing::Message() << "QB_SESSION_SEED=" << seed);
  SessionDriver driver(*this->window, seed, messageAnswer, choiceAnswer);
  {
    const std::string start = CompareBoxWithMirror(Box().State().live, Live());
    ASSERT_TRUE(start.empty()) << "after connecting:\n" << start;
  }
  std::vector<std::string> history;
  int stepsLinked = 0;
  int stepsSynchronized = 0;
  for (int step = 1; step <= kSteps; ++step) {
    const std::string action = driver.Step();
    history.push_back(action);
    if (std::getenv("QB_SESSION_VERBOSE")) std::printf("%d %s\n", step, action.c_str());
    ASSERT_TRUE(Drain()) << "step " << step << " (" << action << "): the box did not answer";
    stepsLinked += Live().linkMode;
    stepsSynchronized += std::count(Live().synchronize.begin(), Live().synchronize.end(), 1) > 1 ? 1 : 0;
    const std::string diff = CompareBoxWithMirror(Box().State().live, Live());
    if (!diff.empty()) {
      std::string recent;
      const std::size_t first = history.size() > 8 ? history.size() - 8 : 0;
      for (std::size_t k = first; k < history.size(); ++k) {
        recent += "  " + std::to_string(k + 1) + ": " + history[k] + "\n";
      }
      FAIL() << "seed " << seed << ", step " << step << " (" << action << ") left the box unlike the mirror:\n"
             << diff << "last actions:\n" << recent;
    }
  }
  // The default session reaches the coupled paths, not only single outputs (other seeds
  // may not: random roles often leave nothing to link).
  if (std::getenv("QB_SESSION_VERBOSE")) std::printf("linked %d synchronized %d\n", stepsLinked, stepsSynchronized);
  if (seed != kDefaultSeed) return;
  EXPECT_GT(stepsLinked, 0);
  EXPECT_GT(stepsSynchronized, 0);
  EXPECT_GT(driver.Count("curve"), 0);
}

}  // namespace
}  // namespace qb::test
