// DSP reply decoding: one catalogue of (reply bytes -> posted messages and record fields)
// over every decoded id, the documented edge cases, and every reply cut at every length.
// Decoders are fed frames held in allocations of their exact size, so that AddressSanitizer
// reports any byte read past the frame.

#include "devicelink/dsp_replies.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "devicelink/device_link.h"
#include "devicelink/dsp_records.h"
#include "devicelink/wire_codes.h"
#include "tests/support/log_capture.h"
#include "tests/support/recording_target.h"
#include "tests/support/scripted_hid.h"

namespace qb {
namespace {

using test::Bytes;

constexpr LinkConfig kBoxConfig{79, 8, 6, false, false};

// --- rendering messages for comparison ---------------------------------------------------------

std::string Num(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

/// The non-zero slots of a per-channel array, as ",[ch]=value" pieces.
template <typename Array>
std::string Slots(const Array& values) {
  std::string text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i] != 0) text += ",[" + std::to_string(i) + "]=" + Num(values[i]);
  }
  return text;
}

template <typename... Values>
std::string Fields(const char* name, Values... values) {
  std::string text = name;
  text += "{";
  bool first = true;
  ((text += (first ? "" : ",") + Num(static_cast<double>(values)), first = false), ...);
  return text;
}

std::string DescribeReply(const ReplyRecord* r) {
  if (r == nullptr) return "-";
  if (auto* f = dynamic_cast<const FilterRecord*>(r)) {
    return Fields("Filter", f->scene, f->channel, f->hpType, f->hpFrequency, f->hpSlope, f->lpType,
                  f->lpFrequency, f->lpSlope) +
           "}";
  }
  if (auto* e = dynamic_cast<const EqBandRecord*>(r)) {
    return Fields("EqBand", e->scene, e->channel, e->band, e->frequency, e->q, e->gainDb) + "}";
  }
  if (auto* c = dynamic_cast<const ChannelFloatRecord*>(r)) {
    return Fields("Float", c->scene, c->channel, c->value) + "}";
  }
  if (auto* v = dynamic_cast<const ChannelValueRecord*>(r)) {
    return Fields("Value", v->scene, v->channel, v->value) + "}";
  }
  if (auto* m = dynamic_cast<const MixRecord*>(r)) {
    return Fields("Mix", m->scene, m->source, m->channel, m->mask) + "}";
  }
  if (auto* l = dynamic_cast<const LinkRecord*>(r)) {
    return Fields("Link", l->scene, l->link) + Slots(l->linkData) + "}";
  }
  if (auto* l = dynamic_cast<const LockRecord*>(r)) return Fields("Lock", l->scene, l->lock) + "}";
  if (auto* i = dynamic_cast<const InputChannelsRecord*>(r)) {
    return Fields("Inputs", i->scene, i->source, i->first, i->last) + Slots(i->values) + "}";
  }
  if (auto* t = dynamic_cast<const InputMixTrimRecord*>(r)) {
    return Fields("MixTrim", t->scene, t->source, t->inputChannel, t->firstOutput, t->lastOutput) +
           Slots(t->trims) + "}";
  }
  if (auto* n = dynamic_cast<const NoiseRecord*>(r)) {
    return Fields("Noise", n->first, n->last) + Slots(n->noiseDb) + "}";
  }
  if (auto* s = dynamic_cast<const SpeakerConfigRecord*>(r))
    return Fields("SpkCfg", s->config) + "}";
  if (auto* m = dynamic_cast<const MixTypeRecord*>(r)) {
    return Fields("MixType", m->scene, m->source, m->mixType) + "}";
  }
  if (auto* q = dynamic_cast<const QFactorRecord*>(r)) {
    return Fields("QFactor", q->scene, q->source, q->first, q->last) + Slots(q->modes) + "}";
  }
  if (auto* c = dynamic_cast<const CompressorRecord*>(r)) {
    return Fields("Comp", c->scene, c->channel, c->bypass, c->thresholdDb, c->ratio, c->attack,
                  c->release, c->softKnee) +
           "}";
  }
  if (auto* d = dynamic_cast<const InputDistortRecord*>(r)) {
    return Fields("InDistort", d->source, d->first, d->last) + Slots(d->values) + "}";
  }
  if (auto* d = dynamic_cast<const OutputDistortRecord*>(r)) {
    return Fields("OutDistort", d->reserved, d->source, d->first, d->last) + Slots(d->values) + "}";
  }
  if (auto* s = dynamic_cast<const SpeakerDistanceRecord*>(r)) {
    return Fields("SpkDist", s->scene, s->source, s->first, s->last) + Slots(s->distance) + "}";
  }
  return "unknown record";
}

std::string DescribeReply(const char* slot, const ReplyMessage& m) {
  return std::string(slot) + ":" + std::to_string(m.number) + ":" + std::to_string(m.wParam) + ":" +
         std::to_string(m.lParam) + ":" + DescribeReply(m.record.get());
}

/// Expected text of a plain value posted to the main window.
std::string Value(int id, long value) {
  return "main:1234:" + std::to_string(id) + ":" + std::to_string(value) + ":-";
}
/// Expected text of a record posted to `slot`.
std::string Rec(int id, const std::string& record, const char* slot = "main") {
  return std::string(slot) + ":1234:" + std::to_string(id) + ":0:" + record;
}

CommandDecoder FindDecoder(std::uint8_t id) {
  for (const CommandDecoderEntry& entry : DspReplyDecoders()) {
    if (entry.packetType == DSP_PACKET && entry.commandId == id) return entry.decode;
  }
  return nullptr;
}

// --- harness -----------------------------------------------------------------------------------

class DspRepliesTest : public ::testing::Test {
 protected:
  DspRepliesTest()
      : backend(std::make_shared<test::ScriptedHidBackend>()), link(backend, LinkTimings{0, 1}) {
    Configure(kBoxConfig);
    link.Register(ReplySlot::MainWindowHandle, &main);
    link.Register(ReplySlot::NoiseWindowHandle, &noise);
  }

  void Configure(const LinkConfig& c) {
    link.SetLinkConfig(c.pc_model_id, c.outputCount, c.inputCount, c.fineTrim, c.noiseToMain);
  }

  /// Runs the table's decoder of `id` on a frame whose bytes end exactly where the frame
  /// does, and returns what it posted.
  std::vector<std::string> Decode(std::uint8_t id, std::uint8_t op, const Bytes& payload) {
    const std::size_t size = payload.size() + 2;
    auto bytes = std::make_unique<std::uint8_t[]>(size);
    bytes[0] = id;
    bytes[1] = op;
    std::copy(payload.begin(), payload.end(), bytes.get() + 2);
    const ReplyFrame frame{DSP_PACKET, static_cast<std::uint8_t>(size + 1),
                           std::span<const std::uint8_t>(bytes.get(), size)};
    if (CommandDecoder decode = FindDecoder(id)) decode(link, frame);
    return Posted();
  }

  std::vector<std::string> Posted() {
    std::vector<std::string> posted;
    for (const ReplyMessage& m : main.Take()) posted.push_back(DescribeReply("main", m));
    for (const ReplyMessage& m : noise.Take()) posted.push_back(DescribeReply("noise", m));
    return posted;
  }

  std::shared_ptr<test::ScriptedHidBackend> backend;
  DeviceLink link;
  test::RecordingTarget main;
  test::RecordingTarget noise;
};

// --- the catalogue -----------------------------------------------------------------------------

struct DecodeCase {
  const char* name;
  std::uint8_t id;
  Bytes payload;
  std::vector<std::string> expected;
  LinkConfig config = kBoxConfig;
};

LinkConfig With(bool fineTrim, int inputCount, int outputCount, bool noiseToMain) {
  return LinkConfig{79, outputCount, inputCount, fineTrim, noiseToMain};
}

const std::vector<DecodeCase>& ReplyCatalogue() {
  static const std::vector<DecodeCase> cases = {
      {"source config is only logged", 0, {3, 0x51, 0x52, 0x55}, {}},
      {"source switch code", 1, {0x53}, {Value(1, 83)}},
      {"main volume is a signed byte", 2, {0xF6}, {Value(2, -10)}},
      {"subwoofer volume is a signed byte", 3, {0xFB}, {Value(3, -5)}},
      {"main mute", 4, {1}, {Value(4, 1)}},
      {"filters of outputs 3 and 4",
       5,
       {0, 0, 3, 4, 1, 0x00, 0x50, 4, 2, 0x2E, 0xE0, 2, 3, 0x01, 0xF4, 8, 0, 0x4E, 0x20, 0},
       {Rec(5, "Filter{0,3,1,80,4,2,12000,2}"), Rec(5, "Filter{0,4,3,500,8,0,20000,0}")}},
      {"two equaliser bands of output 3",
       6,
       {0, 0, 3, 0, 1, 0x03, 0xE8, 0x04, 0x24, 0x18, 0x05, 0x00, 0x64, 0x01, 0x32, 0x0C, 0x00},
       {Rec(6, "EqBand{0,3,0,1000,4.36,6.5}"), Rec(6, "EqBand{0,3,1,100,1.5,-6}")}},
      {"delays in ms",
       7,
       {0, 0, 0, 1, 12, 0x01, 0x59, 0, 0, 0},
       {Rec(7, "Float{0,0,12.345}"), Rec(7, "Float{0,1,0}")}},
      {"coarse trims",
       8,
       {0, 0, 2, 3, 0xFB, 0x06},
       {Rec(8, "Float{0,2,-5}"), Rec(8, "Float{0,3,6}")}},
      {"fine trims are attenuations",
       8,
       {0, 0, 0, 1, 0x05, 0x46, 0x00, 0x19},
       {Rec(8, "Float{0,0,-5.7}"), Rec(8, "Float{0,1,-0.25}")},
       With(true, 6, 8, false)},
      {"channel mutes",
       9,
       {0, 0, 0, 2, 0, 1, 0},
       {Rec(9, "Value{0,0,0}"), Rec(9, "Value{0,1,1}"), Rec(9, "Value{0,2,0}")}},
      {"phase of a stored scene", 10, {1, 0, 5, 5, 1}, {Rec(10, "Value{1,5,1}")}},
      {"one-byte routing masks below 9 inputs",
       11,
       {0, 2, 0, 1, 0x03, 0x30},
       {Rec(11, "Mix{0,2,0,3}"), Rec(11, "Mix{0,2,1,48}")}},
      {"two-byte routing masks from 9 inputs",
       11,
       {0, 2, 0, 1, 0x01, 0x03, 0x00, 0x30},
       {Rec(11, "Mix{0,2,0,259}"), Rec(11, "Mix{0,2,1,48}")},
       With(false, 9, 8, false)},
      {"channel types", 13, {0, 0, 0, 1, 1, 2}, {Rec(13, "Value{0,0,1}"), Rec(13, "Value{0,1,2}")}},
      {"channel link with output count / 2 link bytes",
       14,
       {0, 1, 0x01, 0x23, 0x45, 0x67, 0x89},
       {Rec(14, "Link{0,1,[0]=1,[1]=35,[2]=69,[3]=103}")}},
      {"lock", 15, {2, 1}, {Rec(15, "Lock{2,1}")}},
      {"equaliser reset is only logged", 17, {0}, {}},
      {"equaliser bypass", 18, {0, 0, 7, 7, 1}, {Rec(18, "Value{0,7,1}")}},
      {"input trims", 32, {0, 5, 0, 1, 0xF4, 0x02}, {Rec(32, "Inputs{0,5,0,1,[0]=244,[1]=2}")}},
      {"input mutes", 33, {0, 5, 2, 3, 1, 0}, {Rec(33, "Inputs{0,5,2,3,[2]=1}")}},
      {"input phases",
       34,
       {0, 1, 0, 5, 1, 0, 0, 0, 0, 1},
       {Rec(34, "Inputs{0,1,0,5,[0]=1,[5]=1}")}},
      {"input equaliser band",
       35,
       {0, 5, 1, 2, 2, 0x00, 0x64, 0x02, 0x00, 0x12, 0x00},
       {Rec(35, "EqBand{0,1,2,100,2,0}")}},
      {"input mix trims by position",
       36,
       {0, 5, 1, 2, 5, 0x00, 0x64, 0xF6, 0x05},
       {Rec(36, "MixTrim{0,5,1,2,5,[1]=100,[2]=-10,[3]=5}")}},
      {"input threshold is a signed byte", 38, {0xF6}, {Value(38, -10)}},
      {"input noise goes to the noise window",
       39,
       {0, 1, 0x28, 0x05, 0x32, 0x00},
       {Rec(39, "Noise{0,1,[0]=-59.5,[1]=-50}", "noise")}},
      {"input noise to the main window when configured",
       39,
       {2, 2, 0x28, 0x05},
       {Rec(39, "Noise{2,2,[2]=-59.5}")},
       With(false, 6, 8, true)},
      {"trim link",
       48,
       {0, 1, 0x01, 0x23, 0x45, 0x67},
       {Rec(48, "Link{0,1,[0]=1,[1]=35,[2]=69,[3]=103}")}},
      {"delay link without link data", 49, {3, 0}, {Rec(49, "Link{3,0}")}},
      {"remote channel is 16-bit", 50, {0x01, 0x02}, {Value(50, 258)}},
      {"solo", 52, {0, 0, 0, 0, 1}, {Rec(52, "Value{0,0,1}")}},
      {"speaker configuration", 53, {0x2A}, {Rec(53, "SpkCfg{42}")}},
      {"mix type", 54, {0, 5, 3}, {Rec(54, "MixType{0,5,3}")}},
      {"high-pass Q-factor modes",
       55,
       {0, 0, 0, 1, 2, 3},
       {Rec(55, "QFactor{0,0,0,1,[0]=2,[1]=3}")}},
      {"low-pass Q-factor modes",
       56,
       {0, 0, 6, 7, 1, 1},
       {Rec(56, "QFactor{0,0,6,7,[6]=1,[7]=1}")}},
      {"factory preset mode", 57, {2}, {Value(57, 2)}},
      {"setup mode", 58, {1}, {Value(58, 1)}},
      {"effect processing switch", 59, {1}, {Value(59, 1)}},
      {"compressor values repeat for every channel",
       62,
       {0, 0, 2, 3, 1, 0x32, 0x05, 0x04, 0x05, 0x02, 0x03, 0x00, 0x0A, 0x01, 0x2C},
       {Rec(62, "Comp{0,2,1,-49,4.5,10,300,2.3}"), Rec(62, "Comp{0,3,1,-49,4.5,10,300,2.3}")}},
      {"amplifier mute", 63, {1}, {Value(63, 1)}},
      {"input distortion", 64, {0x53, 0, 1, 1, 0}, {Rec(64, "InDistort{83,0,1,[0]=1}")}},
      {"output distortion", 65, {0x53, 2, 3, 0, 1}, {Rec(65, "OutDistort{0,83,2,3,[3]=1}")}},
      {"speaker distances in hundredths",
       67,
       {0, 0, 0, 1, 0x01, 0x2C, 0x00, 0x64},
       {Rec(67, "SpkDist{0,0,0,1,[0]=300,[1]=100}")}},
      {"mix source", 68, {2}, {Value(68, 2)}},
      {"second mix type belongs to source 5 of the live scene",
       131,
       {2},
       {Rec(131, "MixType{0,5,2}")}},
  };
  return cases;
}

TEST_F(DspRepliesTest, EveryDecodedIdPostsItsValueOrRecords) {
  for (const DecodeCase& c : ReplyCatalogue()) {
    Configure(c.config);
    EXPECT_EQ(Decode(c.id, OP_UPDATE, c.payload), c.expected) << c.name;
  }
}

TEST_F(DspRepliesTest, OnlyDataReportsAreDecoded) {
  for (const DecodeCase& c : ReplyCatalogue()) {
    Configure(c.config);
    for (std::uint8_t op : {OP_ACK, OP_SET, OP_GET, std::uint8_t{0}}) {
      EXPECT_TRUE(Decode(c.id, op, c.payload).empty()) << c.name << " op " << int{op};
    }
  }
}

TEST_F(DspRepliesTest, UndecodedAndForeignIdsPostNothing) {
  // Remap, bypass and the settings 60/61 are answered but not decoded; calibration and
  // memory replies belong to their own family and must stay out of this table, so that
  // installing both tables keeps them apart.
  for (int id : {12, 16, 60, 61}) {
    EXPECT_NE(FindDecoder(static_cast<std::uint8_t>(id)), nullptr) << id;
    EXPECT_TRUE(Decode(static_cast<std::uint8_t>(id), OP_UPDATE, {0, 0, 0, 7, 1, 1}).empty()) << id;
  }
  for (int id : {19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 66, 31, 37, 69, 130, 255}) {
    EXPECT_EQ(FindDecoder(static_cast<std::uint8_t>(id)), nullptr) << id;
  }
  for (const CommandDecoderEntry& entry : DspReplyDecoders())
    EXPECT_EQ(entry.packetType, DSP_PACKET);
}

// --- documented edge cases ---------------------------------------------------------------------

TEST_F(DspRepliesTest, EqReplyPostsOneRecordPerBandInOrderAndNothingForAReversedRange) {
  Bytes payload = {0, 0, 3, 0, 7};
  for (int band = 0; band < 8; ++band) {
    const Bytes entry = {0x03, 0xE8, 0x01, 0x00, static_cast<std::uint8_t>(18 + band), 0};
    payload.insert(payload.end(), entry.begin(), entry.end());
  }
  std::vector<std::string> expected;
  for (int band = 0; band < 8; ++band) {
    expected.push_back(
        Rec(6, "EqBand{0,3," + std::to_string(band) + ",1000,1," + std::to_string(band) + "}"));
  }
  EXPECT_EQ(Decode(DSP_EQ_CH, OP_UPDATE, payload), expected);
  payload[3] = 5;
  payload[4] = 4;
  EXPECT_TRUE(Decode(DSP_EQ_CH, OP_UPDATE, payload).empty());
}

TEST_F(DspRepliesTest, ARangeEndingAtChannel255EndsThere) {
  Bytes payload = {0, 0, 250, 255, 1, 1, 1, 1, 1, 1, 9, 9};  // two bytes past the range
  const auto posted = Decode(DSP_MUTE_CH, OP_UPDATE, payload);
  ASSERT_EQ(posted.size(), 6u);
  EXPECT_EQ(posted.back(), Rec(9, "Value{0,255,1}"));
}

TEST_F(DspRepliesTest, RecordsIndexedByChannelKeepChannels0To15) {
  // Channels 14..20 announced: only 14 and 15 have slots; `last` tells how far it got.
  EXPECT_EQ(Decode(DSP_INPUT_TRIM_CH, OP_UPDATE, {0, 0, 14, 20, 1, 2, 3, 4, 5, 6, 7}),
            std::vector<std::string>{Rec(32, "Inputs{0,0,14,15,[14]=1,[15]=2}")});
  EXPECT_EQ(Decode(DSP_SPK_DIST, OP_UPDATE, {0, 0, 15, 16, 0, 1, 0, 2}),
            std::vector<std::string>{Rec(67, "SpkDist{0,0,15,15,[15]=1}")});
  EXPECT_TRUE(Decode(DSP_HPF_Q_FACT_MODE, OP_UPDATE, {0, 0, 16, 17, 1, 1}).empty());
  EXPECT_TRUE(Decode(INPUT_NOISE, OP_UPDATE, {16, 16, 0x28, 0x05}).empty());
  // Mix trims are kept by position: 20 announced outputs fill 16 positions.
  Bytes trims = {0, 0, 1, 0, 19};
  for (int k = 1; k <= 20; ++k) trims.push_back(static_cast<std::uint8_t>(k));
  const auto posted = Decode(DSP_INPUT_MIX_CH_TRIM, OP_UPDATE, trims);
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_NE(posted[0].find("MixTrim{0,0,1,0,15,[0]=1,"), std::string::npos) << posted[0];
  EXPECT_NE(posted[0].find(",[15]=16}"), std::string::npos) << posted[0];
}

TEST_F(DspRepliesTest, CompressorRangeIsHeldToChannel15) {
  const Bytes values = {1, 0x32, 0x05, 0x04, 0x05, 0x02, 0x03, 0x00, 0x0A, 0x01, 0x2C};
  Bytes wide = {0, 0, 0, 255};
  wide.insert(wide.end(), values.begin(), values.end());
  const auto posted = Decode(DSP_COMPRESSOR_GET, OP_UPDATE, wide);
  ASSERT_EQ(posted.size(), 16u);
  EXPECT_EQ(posted.back(), Rec(62, "Comp{0,15,1,-49,4.5,10,300,2.3}"));
  Bytes beyond = {0, 0, 16, 20};
  beyond.insert(beyond.end(), values.begin(), values.end());
  EXPECT_TRUE(Decode(DSP_COMPRESSOR_GET, OP_UPDATE, beyond).empty());
}

TEST_F(DspRepliesTest, LinkDataFollowsTheConfiguredOutputCount) {
  const Bytes payload = {0, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  const struct {
    int outputs;
    const char* record;
  } cases[] = {
      {8, "Link{0,1,[0]=1,[1]=2,[2]=3,[3]=4}"},
      {3, "Link{0,1,[0]=1}"},
      {16, "Link{0,1,[0]=1,[1]=2,[2]=3,[3]=4,[4]=5,[5]=6,[6]=7,[7]=8}"},
      {40, "Link{0,1,[0]=1,[1]=2,[2]=3,[3]=4,[4]=5,[5]=6,[6]=7,[7]=8}"},
      {-4, "Link{0,1}"},
  };
  for (const auto& c : cases) {
    Configure(With(false, 6, c.outputs, false));
    EXPECT_EQ(Decode(DSP_CH_LINK, OP_UPDATE, payload), std::vector<std::string>{Rec(14, c.record)})
        << c.outputs;
  }
}

// --- truncated replies -------------------------------------------------------------------------

/// Where a ranged reply keeps its range and entries.
struct RangeLayout {
  std::size_t firstAt;
  std::size_t lastAt;
  std::size_t header;
  std::size_t width;
  bool oneRecord;  ///< one record for the range, else one per entry
};

std::optional<RangeLayout> LayoutOf(std::uint8_t id, const LinkConfig& config) {
  switch (id) {
    case 5: return RangeLayout{2, 3, 4, 8, false};
    case 6:
    case 35: return RangeLayout{3, 4, 5, 6, false};
    case 7: return RangeLayout{2, 3, 4, 3, false};
    case 8: return RangeLayout{2, 3, 4, config.fineTrim ? 2u : 1u, false};
    case 11: return RangeLayout{2, 3, 4, config.inputCount >= 9 ? 2u : 1u, false};
    case 9:
    case 10:
    case 13:
    case 18:
    case 52: return RangeLayout{2, 3, 4, 1, false};
    case 32:
    case 33:
    case 34:
    case 55:
    case 56: return RangeLayout{2, 3, 4, 1, true};
    case 67: return RangeLayout{2, 3, 4, 2, true};
    case 36: return RangeLayout{3, 4, 5, 1, true};
    case 39: return RangeLayout{0, 1, 2, 2, true};
    case 64:
    case 65: return RangeLayout{1, 2, 3, 1, true};
    default: return std::nullopt;
  }
}

/// Bytes the fixed-layout replies need before they post anything.
std::size_t RequiredBytes(std::uint8_t id) {
  switch (id) {
    case 14:
    case 15:
    case 48:
    case 49:
    case 50: return 2;
    case 54: return 3;
    case 62: return 15;
    default: return 1;
  }
}

TEST_F(DspRepliesTest, ACutReplyDecodesOnlyTheEntriesItCarries) {
  for (const DecodeCase& c : ReplyCatalogue()) {
    Configure(c.config);
    const auto layout = LayoutOf(c.id, c.config);
    for (std::size_t cut = 0; cut < c.payload.size(); ++cut) {
      const Bytes shortPayload(c.payload.begin(), c.payload.begin() + static_cast<long>(cut));
      const auto posted = Decode(c.id, OP_UPDATE, shortPayload);
      const std::string where = std::string(c.name) + ", cut at " + std::to_string(cut);
      if (!layout) {
        EXPECT_EQ(posted.size(), cut >= RequiredBytes(c.id) ? c.expected.size() : 0u) << where;
        continue;
      }
      const int first = c.payload[layout->firstAt];
      const int announced = c.payload[layout->lastAt] - first + 1;
      const int complete =
          cut < layout->header
              ? 0
              : std::min(announced, static_cast<int>((cut - layout->header) / layout->width));
      if (!layout->oneRecord) {
        ASSERT_LE(static_cast<std::size_t>(complete), c.expected.size()) << where;
        EXPECT_EQ(posted,
                  std::vector<std::string>(c.expected.begin(), c.expected.begin() + complete))
            << where;
      } else if (complete == 0) {
        EXPECT_TRUE(posted.empty()) << where;
      } else {
        // The same as a whole reply announcing just the entries that arrived.
        Bytes whole(
            c.payload.begin(),
            c.payload.begin() + static_cast<long>(layout->header + complete * layout->width));
        whole[layout->lastAt] = static_cast<std::uint8_t>(first + complete - 1);
        EXPECT_EQ(posted, Decode(c.id, OP_UPDATE, whole)) << where;
      }
    }
  }
}

TEST_F(DspRepliesTest, AnnouncedRangesLongerThanTheFrameStopAtItsEnd) {
  // Each reply claims channels 0..255 but carries two entries and part of a third.
  for (const DecodeCase& c : ReplyCatalogue()) {
    const auto layout = LayoutOf(c.id, c.config);
    if (!layout || c.payload[layout->firstAt] != 0) continue;
    if (c.payload.size() < layout->header + 2 * layout->width) continue;
    Configure(c.config);
    Bytes payload(c.payload.begin(),
                  c.payload.begin() + static_cast<long>(layout->header + 2 * layout->width));
    payload[layout->lastAt] = 255;
    payload.insert(payload.end(), layout->width - 1, 0x77);
    const auto posted = Decode(c.id, OP_UPDATE, payload);
    EXPECT_EQ(posted.size(), layout->oneRecord ? 1u : 2u) << c.name;
  }
}

// --- through the link, and the log ---------------------------------------------------------------

TEST_F(DspRepliesTest, InstalledTableDecodesFramesReadFromTheBox) {
  InstallDecoderTables(link, {DspReplyDecoders()});
  link.OpenHIDDevice();
  ASSERT_TRUE(link.IsDeviceOpen());
  Bytes report = test::ReplyFrameBytes(DSP_PACKET, DSP_SOURCE_SWITCH, OP_UPDATE, {0x53});
  const Bytes eq = test::ReplyFrameBytes(DSP_PACKET, DSP_EQ_CH, OP_UPDATE,
                                         {0, 0, 3, 0, 0, 0x03, 0xE8, 0x04, 0x24, 0x18, 0x05});
  report.insert(report.end(), eq.begin(), eq.end());
  backend->State().QueueReport(test::InputReport(report));
  ASSERT_TRUE(link.ReadHIDData(100));
  EXPECT_EQ(Posted(),
            (std::vector<std::string>{Value(1, 83), Rec(6, "EqBand{0,3,0,1000,4.36,6.5}")}));
}

TEST_F(DspRepliesTest, LogsReportsAcknowledgementsAndLogOnlyReplies) {
  test::LogCapture log;
  Decode(DSP_VOLUME, OP_ACK, {0x0A});
  Decode(DSP_CH_TYPE, OP_ACK, {0x0A});
  Decode(DSP_SOURCE_CONFIG, OP_UPDATE, {3, 0x51, 0x52});  // announces one code too many
  Decode(DSP_EQ_RESET, OP_UPDATE, {0});
  Decode(DSP_CH_REMAP, OP_UPDATE, {0});
  Decode(DSP_INPUT_MIX_CH_TRIM, OP_UPDATE, {0, 5, 1, 0, 1, 0x64, 0xF6});
  Decode(INPUT_NOISE, OP_UPDATE, {0, 1, 0x28, 0x05, 0x32, 0x00});
  const std::string file = log.File();
  for (const char* line : {
           "DSP_VOLUME OP_ACK ----------\n",
           "DSP_CH_TYPE OP_ACK\n",
           "DSP_SOURCE_CONFIG update total source=3 -->\nsource0 = 81\nsource1 = 82\n",
           "DSP_EQ_RESET OP=0xdd, scene =0, \n",
           "DSP_INPUT_MIX_CH_TRIM OP=0xdd, scene =0, source = 0x5, in_ch(1) from out_ch(0) to "
           "out_ch_end(1)\nin_ch(1) -> out_ch_x(0) to out_ch_y(1), trim[0]=(100),trim[1]=(-10),\n",
           "INPUT_NOISE OP=0xdd, ch_x=0, ch_y = 1\nnoise[0]=(-59.500000),noise[1]=(-50.000000),\n",
       }) {
    EXPECT_NE(file.find(line), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace qb
