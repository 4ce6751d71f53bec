// The initial read-out through the real main window: a box whose settings differ from the
// defaults everywhere ends up, after connecting, both in the mirror and in every bound
// control, in the formats the controls use; a box read again after a disconnect shows its
// bypassed bands flat; and band rows beyond an output's band count are neither read nor
// editable.
#include <QTest>
#include <algorithm>
#include <cmath>
#include <string>

#include "core/role_catalogue.h"
#include "core/role_pairing.h"
#include "tests/windows/main_window_fixture.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/edit.h"
#include "ui/selectable.h"
#include "ui/slider.h"

namespace qb::test {
namespace {

constexpr int kOutputs = 8;
constexpr int kBands = 31;
/// Sources that carry mix levels, with their input counts; the others are not read.
constexpr std::array<int, kInputSourceCount> kMixInputs = {2, 2, 2, 0, 0, 6, 2, 0, 0};

std::size_t At(int index) { return static_cast<std::size_t>(index); }

QString Name(const char* format, int index) { return QString::asprintf(format, index); }

std::array<std::uint8_t, sim::kSceneNameBytes> NameBytes(const std::string& text) {
  std::array<std::uint8_t, sim::kSceneNameBytes> bytes{};
  std::copy_n(text.begin(), std::min(text.size(), bytes.size()), bytes.begin());
  return bytes;
}

SceneName Utf16Name(const std::u16string& text) {
  SceneName name{};
  std::copy_n(text.begin(), std::min(text.size(), name.size() - 1), name.begin());
  return name;
}

// --- a box unlike the defaults of the box and of the program ---------------------------------

constexpr std::array<int, kOutputs> kVolumes = {-3, -7, -12, -60, -1, -25, -33, -59};
constexpr std::array<double, kOutputs> kDelays = {2.0, 0.5, 1.234, 3.5, 7.125, 0.001, 10.0, 14.999};
constexpr std::array<std::uint8_t, kOutputs> kMutes = {1, 0, 1, 0, 0, 1, 0, 1};
constexpr std::array<std::uint8_t, kOutputs> kPhases = {0, 1, 1, 0, 1, 0, 0, 1};
/// Pairs by role: 0-1 (front tweeters), 2-3 (front woofers), 4-5 (rear woofers).
constexpr std::array<std::uint8_t, kOutputs> kRoles = {1, 7, 3, 9, 14, 17, 24, 0};
constexpr std::array<std::uint8_t, kOutputs> kEqBypass = {0, 1, 0, 1, 0, 1, 0, 1};

/// Band values exactly representable on the wire: whole Hz, Q in hundredths, gain in tenths.
int BandHz(int output, int band) { return 20 + (band * 641 + output * 97) % 19980; }
int BandQHundredths(int output, int band) { return 50 + (band * 13 + output * 7) % 850; }
int BandGainTenths(int output, int band) {
  if (output == 0 && band == 5) return 0;  // a flat band of an active output: box unchecked
  return -150 + (band * 37 + output * 11) % 260;
}

std::uint16_t MixMask(int source, int output) {
  return static_cast<std::uint16_t>((output * 5 + source * 3) % 63 + 1);
}
std::uint8_t MixLevel(int source, int input, int output) {
  return static_cast<std::uint8_t>(1 + (input * 17 + output * 5 + source * 3) % 99);
}

void MakeUnusualBox(sim::BoxState& state) {
  sim::Settings& s = state.live;
  s.source = SOURCE_COAX;
  s.mainVolumeDb = -20;
  s.mainMute = 1;
  s.ampMute = 1;
  for (int o = 0; o < kOutputs; ++o) {
    sim::OutputChannel& out = s.outputs[At(o)];
    out.volumeDb = kVolumes[At(o)];
    out.delayMs = kDelays[At(o)];
    out.mute = kMutes[At(o)];
    out.phase = kPhases[At(o)];
    out.role = kRoles[At(o)];
    out.eqBypass = kEqBypass[At(o)];
    out.highPass = sim::Filter{static_cast<std::uint8_t>(1 + (o + 2) % 3),
                               static_cast<std::uint16_t>(125 + 10 * o), static_cast<std::uint8_t>(1 + (o + 5) % 8)};
    out.lowPass = sim::Filter{static_cast<std::uint8_t>(1 + o % 3), static_cast<std::uint16_t>(8000 - 100 * o),
                              static_cast<std::uint8_t>((o + 2) % 9)};
    for (int b = 0; b < kBands; ++b) {
      sim::EqBand& band = out.bands[At(b)];
      band.freqHz = static_cast<std::uint16_t>(BandHz(o, b));
      band.q = BandQHundredths(o, b) / 100.0;
      band.gainDb = BandGainTenths(o, b) / 10.0;
    }
  }
  s.link.on = 1;
  s.link.pairs = {{0, 1}, {2, 3}, {4, 5}};
  s.lock = 1;
  for (std::size_t src = 0; src < kInputSourceCount; ++src) {
    for (int o = 0; o < kOutputs; ++o) {
      s.sources[src].mixMask[At(o)] = MixMask(static_cast<int>(src), o);
      for (int i = 0; i < kMixInputs[src]; ++i)
        s.sources[src].mixTrim[At(i)][At(o)] = MixLevel(static_cast<int>(src), i, o);
    }
  }
  // A level of 0 reads as full level for a routed input and stays 0 for one that is not.
  s.sources[SOURCE_OPT].mixMask[0] = 0b101;
  s.sources[SOURCE_OPT].mixTrim[0][0] = 0;
  s.sources[SOURCE_OPT].mixTrim[1][0] = 0;

  state.scenes[1].erased = false;
  state.scenes[1].valid = true;
  state.scenes[1].name = NameBytes("Club");
  state.scenes[2].erased = false;
  state.scenes[2].valid = true;
  state.scenes[2].name = NameBytes("LongSceneName123");
}

/// The main volume slider position the box's dB value stands for.
int MainVolumeSteps(int db) { return static_cast<int>(std::pow(10.0, (db + 60.0) / 41.25)); }

/// The mix level the program keeps for what the box reports.
int ExpectedMixLevel(const sim::Settings& s, std::size_t src, int input, int output) {
  const int level = s.sources[src].mixTrim[At(input)][At(output)];
  const bool routed = ((s.sources[src].mixMask[At(output)] >> input) & 1) != 0;
  return level < 1 && routed ? 100 : level;
}

/// Every mirrored value of the live profile equals the box's; stored-scene names too.
void ExpectMirrorEqualsBox(const sim::BoxState& box, const EqualizerMirror& mirror) {
  const sim::Settings& s = box.live;
  const Profile& p = mirror.currentProfile;
  EXPECT_EQ(p.inputSource, s.source);
  EXPECT_EQ(p.mainVolume, MainVolumeSteps(s.mainVolumeDb));
  EXPECT_EQ(p.mainVolumeMute, s.mainMute);
  EXPECT_EQ(p.ampOn, s.ampMute == 0 ? 1 : 0);
  EXPECT_EQ(p.linkMode, s.link.on);
  EXPECT_EQ(p.lockMode, s.lock);
  for (int o = 0; o < kOutputs; ++o) {
    SCOPED_TRACE(testing::Message() << "output " << o);
    const sim::OutputChannel& out = s.outputs[At(o)];
    const OutputChannel& ch = p.channels[At(o)];
    EXPECT_EQ(p.outputs[At(o)], out.role);
    EXPECT_FLOAT_EQ(ch.gain, static_cast<float>(out.volumeDb));
    EXPECT_NEAR(ch.delay, out.delayMs, 1e-6);
    EXPECT_EQ(ch.mute, out.mute);
    EXPECT_EQ(ch.phase, out.phase);
    EXPECT_EQ(ch.bypass, out.eqBypass);
    EXPECT_EQ(ch.crossover.hp.type, out.highPass.family);
    EXPECT_EQ(ch.crossover.hp.fs, out.highPass.freqHz);
    EXPECT_EQ(ch.crossover.hp.slope, out.highPass.slope);
    EXPECT_EQ(ch.crossover.lp.type, out.lowPass.family);
    EXPECT_EQ(ch.crossover.lp.fs, out.lowPass.freqHz);
    EXPECT_EQ(ch.crossover.lp.slope, out.lowPass.slope);
    EXPECT_EQ(ch.crossover.hp.bypass, out.highPass.slope == 0 ? 1 : 0);
    EXPECT_EQ(ch.crossover.lp.bypass, out.lowPass.slope == 0 ? 1 : 0);
    for (int b = 0; b < std::min(ch.eqSize, kBands); ++b) {
      SCOPED_TRACE(testing::Message() << "band " << b);
      const EqBand& band = ch.bands[At(b)];
      EXPECT_EQ(band.freq, out.bands[At(b)].freqHz);
      EXPECT_NEAR(band.eqFactor, out.bands[At(b)].q, 1e-4);
      EXPECT_NEAR(band.eqGain, out.bands[At(b)].gainDb, 1e-4);
      EXPECT_EQ(band.enable, 1);
    }
    for (std::size_t src = 0; src < kInputSourceCount; ++src) {
      EXPECT_EQ(p.inputs[src][At(o)], s.sources[src].mixMask[At(o)]) << "source " << src;
      for (int i = 0; i < kMixInputs[src]; ++i)
        EXPECT_EQ(p.inputMixVolume[src][At(i)][At(o)], ExpectedMixLevel(s, src, i, o))
            << "source " << src << " input " << i;
    }
  }
  PerOutput<int> unlinked{};
  unlinked.fill(-1);
  EXPECT_EQ(p.linkOutputs, p.linkMode == 1 ? PairOutputs(p.outputs) : unlinked);
  EXPECT_EQ(mirror.sceneValid, box.ValidMask());
  for (std::size_t k = 0; k < sim::kSceneSlots; ++k) {
    const auto& raw = box.scenes[k].name;
    const bool erased = std::all_of(raw.begin(), raw.end(), [](std::uint8_t b) { return b == 0xFF; });
    std::u16string text;
    for (std::uint8_t byte : raw) {
      if (erased || byte == 0) break;
      text.push_back(static_cast<char16_t>(byte));
    }
    EXPECT_EQ(mirror.sceneNames[k], Utf16Name(text)) << "scene " << k + 1;
  }
}

class ConnectionViewTest : public MainWindowTest {
 protected:
  void PrepareBox(sim::VirtualBox& box) override { box.Modify(MakeUnusualBox); }

  ui::Slider* SliderOf(const QString& name) { return Control<ui::Slider>(name); }
  bool Checked(const QString& name) {
    auto* button = Control<QAbstractButton>(name);
    return button && button->isChecked();
  }
  bool Enabled(const QString& name) {
    QWidget* control = window->FindControl(name);
    EXPECT_NE(control, nullptr) << name.toStdString();
    return control && control->isEnabled();
  }
  int Selection(const QString& name) {
    auto* list = Control<ui::Combo>(name);
    return list ? list->CurrentSelection() : -1;
  }
  bool SelectableOn(const QString& name) {
    auto* selectable = dynamic_cast<ui::Selectable*>(window->FindControl(name));
    EXPECT_NE(selectable, nullptr) << name.toStdString();
    return selectable && selectable->IsSelected();
  }
  static QString Tr(const char* text) { return ui::Tr(QString::fromUtf8(text)); }

  /// Band row `b` of the current output as the view must show it for `band` of `out`.
  void ExpectBandRow(int b, const sim::OutputChannel& out, bool bypassed) {
    SCOPED_TRACE(testing::Message() << "band row " << b);
    const sim::EqBand& band = out.bands[At(b)];
    const int tenths = static_cast<int>(std::lround(band.gainDb * 10));
    EXPECT_EQ(Text(Name("eq_freq_%d", b)), QString::number(band.freqHz));
    EXPECT_EQ(Text(Name("eq_q_%d", b)), QString::asprintf("%.2f", band.q));
    EXPECT_EQ(Text(Name("eq_gain_%d", b)), bypassed ? QStringLiteral("0.0") : QString::asprintf("%.1f", band.gainDb));
    EXPECT_EQ(SliderOf(Name("eq_slider_%d", b))->value(), bypassed ? 0 : tenths);
    EXPECT_EQ(Checked(Name("pt_enable_%d", b)), !bypassed && tenths != 0);
  }
};

TEST_F(ConnectionViewTest, ReadOutBringsEveryAreaOfTheBoxIntoMirrorAndView) {
  ASSERT_TRUE(WaitConnected());
  ASSERT_TRUE(Drain());
  const sim::BoxState box = Box().State();
  const sim::Settings& s = box.live;

  ExpectMirrorEqualsBox(box, Controller().Mirror());

  // Connection, source, main volume and amplifier.
  EXPECT_EQ(ui::ControlText(window->FindControl(QStringLiteral("btnConnect"))), QStringLiteral("${btn_connected}"));
  EXPECT_TRUE(SelectableOn(QStringLiteral("btnConnect")));
  EXPECT_EQ(Selection(QStringLiteral("btn_input_source")), SOURCE_COAX);
  EXPECT_EQ(SliderOf(QStringLiteral("slider_main_volume"))->value(), MainVolumeSteps(s.mainVolumeDb));
  EXPECT_EQ(Text(QStringLiteral("edit_main_volume")), QString::number(MainVolumeSteps(s.mainVolumeDb)));
  EXPECT_TRUE(Checked(QStringLiteral("main_mute")));
  EXPECT_EQ(Text(QStringLiteral("btn_amp_onoff")), Tr("${amp_off}"));
  EXPECT_FALSE(SelectableOn(QStringLiteral("btn_amp_onoff")));

  // Link and lock: both on, roles and synchronize groups frozen.
  EXPECT_TRUE(Control<ui::Option>(QStringLiteral("btn_link_output"))->IsSelected());
  EXPECT_TRUE(Control<ui::Option>(QStringLiteral("btn_lock_output"))->IsSelected());

  for (int o = 0; o < kOutputs; ++o) {
    SCOPED_TRACE(testing::Message() << "output " << o);
    const sim::OutputChannel& out = s.outputs[At(o)];
    const int volume = static_cast<int>(out.volumeDb);
    EXPECT_EQ(SliderOf(Name("slider_ch_volume_%d", o))->value(), volume * 10);
    EXPECT_EQ(Text(Name("edit_ch_volume_%d", o)),
              volume == -60 ? Tr("${off}") : QString::asprintf("%ddB", volume));
    EXPECT_EQ(SliderOf(Name("slider_ch_delay_%d", o))->value(), static_cast<int>(std::lround(out.delayMs * 1000)));
    EXPECT_EQ(Text(Name("edit_ch_delay_%d", o)), QString::asprintf("%.3f ms", out.delayMs));
    EXPECT_EQ(Checked(Name("ch_mute_%d", o)), out.mute != 0);
    EXPECT_EQ(Checked(Name("ch_phase_%d", o)), out.phase != 0);
    EXPECT_EQ(Text(Name("ch_phase_%d", o)), Tr(out.phase ? "${reverse phase}" : "${positive_phase}"));
    EXPECT_EQ(Text(Name("ch_output_btn_%d", o)), Tr(std::string(RoleText(out.role)).c_str()));
    EXPECT_FALSE(Enabled(Name("ch_output_btn_%d", o)));
    EXPECT_FALSE(Enabled(Name("ch_synchronize_%d", o)));
    const std::uint16_t mask = s.sources[SOURCE_COAX].mixMask[At(o)];
    for (int k = 0; k < 6; ++k) {
      const QString inputBox = QStringLiteral("option_ch_in%1_%2").arg(k + 1).arg(o);
      if (!window->FindControl(inputBox)) continue;  // boxes 3..6 may be left out of a layout
      EXPECT_EQ(Checked(inputBox), ((mask >> k) & 1) != 0) << inputBox.toStdString();
    }
  }

  // One picture per role in use, none for the others.
  for (int role = 1; role <= 24; ++role) {
    const bool used = std::find(kRoles.begin(), kRoles.end(), role) != kRoles.end();
    QWidget* picture = window->FindControl(Name("speaker_%d", role));
    ASSERT_NE(picture, nullptr) << role;
    EXPECT_EQ(!picture->isHidden(), used) << "speaker " << role;
  }

  // The current output (0): crossover, bypass button and its 31 band rows.
  const sim::OutputChannel& first = s.outputs[0];
  EXPECT_EQ(Selection(QStringLiteral("hp_type")), first.highPass.family);
  EXPECT_EQ(Selection(QStringLiteral("lp_type")), first.lowPass.family);
  EXPECT_EQ(Selection(QStringLiteral("hp_slop")), first.highPass.slope);
  EXPECT_EQ(Selection(QStringLiteral("lp_slop")), first.lowPass.slope);
  EXPECT_EQ(Text(QStringLiteral("hp_freq")), QStringLiteral("%1Hz").arg(first.highPass.freqHz));
  EXPECT_EQ(Text(QStringLiteral("lp_freq")), QStringLiteral("%1Hz").arg(first.lowPass.freqHz));
  EXPECT_EQ(Text(QStringLiteral("btn_bypass")), Tr("${bypass_eq}"));
  for (int b = 0; b < kBands; ++b) ExpectBandRow(b, first, false);
}

TEST_F(ConnectionViewTest, ClickingConnectWhileConnectedDisconnectsAndAgainReReadsTheBox) {
  ASSERT_TRUE(WaitConnected());
  auto* connect = Control<ui::Button>(QStringLiteral("btnConnect"));
  QTest::mouseClick(connect, Qt::LeftButton);
  EXPECT_FALSE(Link().IsDeviceOpen());
  EXPECT_EQ(ui::ControlText(connect), QStringLiteral("${btn_disconnected}"));
  EXPECT_FALSE(SelectableOn(QStringLiteral("btnConnect")));
  EXPECT_EQ(Live().model, -1);
  EXPECT_FALSE(Box().State().pcConnected) << "the box was not told that the program left";

  // Changed behind the program's back while it was away.
  Box().Modify([](sim::BoxState& state) {
    state.live.outputs[0].eqBypass = 1;
    state.live.outputs[0].bands[3].gainDb = 4.5;
    state.live.outputs[2].volumeDb = -41;
    state.live.outputs[5].role = 22;
    state.live.mainVolumeDb = 0;
    state.live.link.on = 0;
    state.live.lock = 0;
    state.scenes[1].name = NameBytes("Garage");
  });
  Box().ClearCommands();
  QTest::mouseClick(connect, Qt::LeftButton);
  ASSERT_TRUE(WaitConnected());
  ASSERT_TRUE(Drain());
  const sim::BoxState box = Box().State();
  ExpectMirrorEqualsBox(box, Controller().Mirror());
  EXPECT_TRUE(box.pcConnected);
  EXPECT_EQ(ui::ControlText(connect), QStringLiteral("${btn_connected}"));
  EXPECT_TRUE(SelectableOn(QStringLiteral("btnConnect")));
  EXPECT_EQ(Text(QStringLiteral("edit_ch_volume_2")), QStringLiteral("-41dB"));
  EXPECT_EQ(Text(QStringLiteral("edit_main_volume")), QString::number(MainVolumeSteps(0)));
  EXPECT_EQ(Text(QStringLiteral("ch_output_btn_5")), Tr(std::string(RoleText(22)).c_str()));
  EXPECT_FALSE(Control<ui::Option>(QStringLiteral("btn_link_output"))->IsSelected());
  EXPECT_FALSE(Control<ui::Option>(QStringLiteral("btn_lock_output"))->IsSelected());
  EXPECT_TRUE(Enabled(QStringLiteral("ch_output_btn_0")));
  EXPECT_EQ(Text(QStringLiteral("btn_bypass")), Tr("${restore_eq}"));
  for (int b = 0; b < kBands; ++b) ExpectBandRow(b, box.live.outputs[0], true);
}

// --- band rows beyond the output's band count -----------------------------------------------------

class BandCountTest : public ConnectionViewTest {
 protected:
  void PrepareBox(sim::VirtualBox& box) override {
    box.Modify([](sim::BoxState& state) {
      MakeUnusualBox(state);
      state.live.link.on = 0;
      state.live.lock = 0;
    });
  }
};

TEST_F(BandCountTest, RowsBeyondTheBandCountAreDisabledAndNeverRead) {
  ASSERT_TRUE(WaitConnected());
  auto* connect = Control<ui::Button>(QStringLiteral("btnConnect"));
  QTest::mouseClick(connect, Qt::LeftButton);
  ASSERT_FALSE(Link().IsDeviceOpen());
  Live().channels[0].eqSize = 20;
  Live().channels[0].bands[25].eqGain = 0.0f;
  Box().Modify([](sim::BoxState& state) {
    state.live.outputs[0].eqBypass = 0;
    state.live.outputs[0].bands[25].gainDb = 6.0;
  });
  Box().ClearCommands();
  QTest::mouseClick(connect, Qt::LeftButton);
  ASSERT_TRUE(WaitConnected());
  ASSERT_TRUE(Drain());

  // The read-out asks for bands 0..19 of output 0 only, in blocks of eight.
  std::vector<std::pair<int, int>> blocks;
  for (const sim::BoxCommand& command : Box().Commands()) {
    if (command.commandId == DSP_EQ_CH && command.opType == OP_GET && command.payload.size() >= 5 &&
        command.payload[2] == 0)
      blocks.emplace_back(command.payload[3], command.payload[4]);
  }
  EXPECT_EQ(blocks, (std::vector<std::pair<int, int>>{{0, 7}, {8, 15}, {16, 19}}));
  EXPECT_EQ(Live().channels[0].bands[25].eqGain, 0.0f);

  const sim::OutputChannel out = Box().State().live.outputs[0];
  for (int b = 0; b < 20; ++b) ExpectBandRow(b, out, false);
  for (int b = 20; b < kBands; ++b) {
    SCOPED_TRACE(testing::Message() << "unused row " << b);
    for (const char* format : {"eq_freq_%d", "eq_q_%d", "eq_gain_%d", "eq_slider_%d", "pt_enable_%d"})
      EXPECT_FALSE(Enabled(Name(format, b))) << format;
    EXPECT_EQ(Text(Name("eq_freq_%d", b)), QStringLiteral("0"));
    EXPECT_EQ(Text(Name("eq_q_%d", b)), QStringLiteral("0"));
    EXPECT_EQ(Text(Name("eq_gain_%d", b)), QStringLiteral("0.0"));
    EXPECT_EQ(SliderOf(Name("eq_slider_%d", b))->value(), 0);
    EXPECT_FALSE(Checked(Name("pt_enable_%d", b)));
  }
}

}  // namespace
}  // namespace qb::test
