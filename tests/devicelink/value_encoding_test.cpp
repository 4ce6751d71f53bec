// Wire codes and value encodings: exact bytes for the documented cases, representation
// and range edges, and encode -> decode round trips over every step of each field.

#include "devicelink/value_encoding.h"
#include "devicelink/wire_codes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace qb {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

template <std::size_t N>
Bytes ToBytes(const std::array<std::uint8_t, N>& bytes) {
  return Bytes(bytes.begin(), bytes.end());
}

std::string Hex(const Bytes& bytes) {
  std::string text;
  for (std::uint8_t b : bytes) {
    char piece[4];
    std::snprintf(piece, sizeof piece, "%02X ", b);
    text += piece;
  }
  return text;
}

// ---------------------------------------------------------------------------------------
// Wire codes

TEST(WireCodes, SourceSwitchCodesCoverTheNineSourcesBothWays) {
  EXPECT_EQ(SourceSwitchCode(SOURCE_BT), 0x53);
  EXPECT_EQ(SourceSwitchCode(SOURCE_OPT), 0x51);
  EXPECT_EQ(SourceSwitchCode(SOURCE_SCP), 0x59);
  for (std::uint8_t i = 0; i < kInputSourceCount; ++i) {
    const auto source = static_cast<InputSource>(i);
    EXPECT_EQ(InputSourceFromSwitchCode(SourceSwitchCode(source)), source) << int{i};
  }
  for (int code : {0x00, 0x50, 0x5A, 0xFF}) {
    EXPECT_FALSE(InputSourceFromSwitchCode(static_cast<std::uint8_t>(code)).has_value()) << code;
  }
}

TEST(WireCodes, LogNameDependsOnPacketTypeAndId) {
  struct Case {
    std::uint8_t packet;
    std::uint8_t id;
    const char* name;
  };
  const Case cases[] = {
      {DSP_PACKET, 6, "DSP_EQ_CH"},
      {DSP_PACKET, 3, "DSP_SUBWOOFER_VOLUME"},
      {FLASH_PACKET, 3, "FLASH_UPG_START"},
      {MCU_PACKET, 3, "MCU_UPG_DATA"},
      {KTV_PACKET, 3, "HOWLING"},
      {KTV_PACKET, 1, "MIC VOL"},
      {MCU_PACKET, 96, "MCU INIT"},
      {DSP_PACKET, 131, "MIX_TYPE2"},
      {DSP_PACKET, 12, "DSP_CH_REMAP"},
      {FLASH_PACKET, 14, "FLASH_SCENE_ID"},
      {MCU_PACKET, 8, "MCU_HANDSHAKE"},
      {DSP_PACKET, 31, nullptr},
      {DSP_PACKET, 69, nullptr},
      {DSP_PACKET, 255, nullptr},
      {FLASH_PACKET, 0, nullptr},
      {MCU_PACKET, 164, nullptr},
      {KTV_PACKET, 0, nullptr},
      {KTV_PACKET, 11, nullptr},
      {5, 1, nullptr},
  };
  for (const Case& c : cases) {
    const char* name = CommandLogName(c.packet, c.id);
    if (c.name == nullptr) {
      EXPECT_EQ(name, nullptr) << int{c.packet} << "/" << int{c.id};
    } else {
      ASSERT_NE(name, nullptr) << int{c.packet} << "/" << int{c.id};
      EXPECT_STREQ(name, c.name);
    }
  }
}

TEST(WireCodes, CatalogueHoldsExactlyTheUsedIdsOnce) {
  std::set<std::pair<int, int>> seen;
  std::set<std::string> names;
  for (const CommandName& entry : kCommandNames) {
    EXPECT_TRUE(seen.insert({entry.packetType, entry.id}).second)
        << "duplicate " << int{entry.packetType} << "/" << int{entry.id};
    EXPECT_TRUE(names.insert(std::to_string(entry.packetType) + entry.name).second) << entry.name;
  }
  // DSP ids in use: 0..30, 32..36, 38..40, 48..68 and 131; everything else is unused.
  for (int id = 0; id < 256; ++id) {
    const bool used = (id <= 30) || (id >= 32 && id <= 36) || (id >= 38 && id <= 40) ||
                      (id >= 48 && id <= 68) || id == 131;
    EXPECT_EQ(CommandLogName(DSP_PACKET, static_cast<std::uint8_t>(id)) != nullptr, used) << id;
  }
  auto countOf = [](std::uint8_t packet) {
    int n = 0;
    for (const CommandName& entry : kCommandNames) {
      n += entry.packetType == packet ? 1 : 0;
    }
    return n;
  };
  EXPECT_EQ(countOf(FLASH_PACKET), 11);
  EXPECT_EQ(countOf(MCU_PACKET), 19);
  EXPECT_EQ(countOf(KTV_PACKET), 10);
}

TEST(WireCodes, CalibrationNamesStopAtTheLastDefinedCode) {
  EXPECT_STREQ(IrcStatusName(IRC_RET_START_TEST), "IRC_RET_START_TEST");
  EXPECT_STREQ(IrcStatusName(IRC_RET_TEST_FAIL), "IRC_RET_TEST_FAIL");
  EXPECT_STREQ(IrcStatusName(IRC_RET_TEST_EXIT), "IRC_RET_TEST_EXIT");
  EXPECT_EQ(IrcStatusName(13), nullptr);
  EXPECT_EQ(IrcStatusName(0xFF), nullptr);
  EXPECT_STREQ(IrcFailName(IRC_FAIL_NO_SPEAKER), "IRC_FAIL_NO_SPEAKER");
  EXPECT_STREQ(IrcFailName(IRC_FAIL_EQ), "IRC_FAIL_EQ");
  EXPECT_EQ(IrcFailName(6), nullptr);
  EXPECT_EQ(IrcFailName(7), nullptr);
}

// ---------------------------------------------------------------------------------------
// Encoding: exact bytes

Bytes Gain(double v) { return ToBytes(EncodeEqGain(v)); }
Bytes Q(double v) { return ToBytes(EncodeEqQ(v)); }
Bytes QReply(double v) { return ToBytes(EncodeEqQReply(v)); }
Bytes Delay(double v) { return ToBytes(EncodeDelay(v)); }
Bytes TrimCoarse(double v) { return {EncodeTrimCoarse(v)}; }
Bytes TrimFine(double v) { return ToBytes(EncodeTrimFine(v)); }
Bytes TrimFineReply(double v) { return ToBytes(EncodeTrimFineReply(v)); }
Bytes MainVolume(double v) { return {EncodeMainVolume(v)}; }
Bytes Noise(double v) { return ToBytes(EncodeNoiseLevel(v)); }
Bytes Threshold(double v) { return ToBytes(EncodeCompressorThreshold(v)); }
Bytes Ratio(double v) { return ToBytes(EncodeCompressorRatio(v)); }
Bytes Knee(double v) { return ToBytes(EncodeCompressorKnee(v)); }
Bytes Distance(double v) { return ToBytes(EncodeIrcDistance(v)); }
Bytes SpectrumFreq(double v) { return ToBytes(EncodeSpectrumFrequency(v)); }
Bytes SpectrumGain(double v) { return ToBytes(EncodeSpectrumGain(v)); }

struct EncodeCase {
  const char* label;
  Bytes (*encode)(double);
  double input;
  Bytes expected;
};

const EncodeCase kEncodeCases[] = {
    {"gain -18 dB", Gain, -18.0, {0, 0}},
    {"gain +6.5 dB", Gain, 6.5, {24, 5}},
    {"gain -3.25 dB drops the hundredths", Gain, -3.25, {14, 7}},
    {"gain 0.3 dB", Gain, 0.3, {18, 3}},
    {"gain -0.1 dB (17.9 * 10 is 178.999...)", Gain, -0.1, {17, 9}},
    {"gain -0.1 dB as float", Gain, double{-0.1f}, {17, 9}},
    {"gain -17.7 dB as float (0.29999 above the floor)", Gain, double{-17.7f}, {0, 3}},
    {"gain 2.5 dB", Gain, 2.5, {20, 5}},
    {"gain 1.1 dB", Gain, 1.1, {19, 1}},
    {"gain below -18 dB clamps", Gain, -40.0, {0, 0}},
    {"gain above the byte clamps", Gain, 300.0, {255, 9}},
    {"gain NaN sends 0 dB", Gain, kNaN, {18, 0}},
    {"gain +inf", Gain, kInf, {255, 9}},
    {"gain -inf", Gain, -kInf, {0, 0}},

    {"Q 4.36 keeps only tenths", Q, 4.36, {4, 3}},
    {"Q 2.5", Q, 2.5, {2, 5}},
    {"Q 0.3", Q, 0.3, {0, 3}},
    {"Q 1.1", Q, 1.1, {1, 1}},
    {"Q 0.7 as float", Q, double{0.7f}, {0, 7}},
    {"Q 2.35 as float truncates to 2.3", Q, double{2.35f}, {2, 3}},
    {"Q 30.5 keeps its tenths digit", Q, 30.5, {30, 5}},
    {"Q negative clamps", Q, -1.0, {0, 0}},
    {"Q huge clamps", Q, 1e9, {255, 9}},
    {"Q NaN", Q, kNaN, {0, 0}},
    {"Q reply 2.05", QReply, 2.05, {2, 5}},
    {"Q reply 4.36", QReply, 4.36, {4, 36}},
    {"Q reply 1.15 as float", QReply, double{1.15f}, {1, 15}},

    {"delay 12.3456 ms", Delay, 12.3456, {12, 0x01, 0x59}},
    {"delay 1.001 ms", Delay, 1.001, {1, 0x00, 0x01}},
    {"delay 0.3 ms", Delay, 0.3, {0, 0x01, 0x2C}},
    {"delay 21 us as float", Delay, double{0.021f}, {0, 0x00, 0x15}},
    {"delay 14.999 ms as float", Delay, double{14.999f}, {14, 0x03, 0xE7}},
    {"delay 15 ms", Delay, 15.0, {15, 0x00, 0x00}},
    {"delay 1.0004 ms is not pushed up a step", Delay, 1.0004, {1, 0x00, 0x00}},
    {"delay 65.536 ms", Delay, 65.536, {65, 0x02, 0x18}},
    {"delay 70.5 ms keeps its thousandths", Delay, 70.5, {70, 0x01, 0xF4}},
    {"delay negative clamps", Delay, -1.0, {0, 0, 0}},
    {"delay above 255.999 clamps", Delay, 1000.0, {255, 0x03, 0xE7}},
    {"delay NaN", Delay, kNaN, {0, 0, 0}},

    {"trim -5.7 dB coarse truncates toward zero", TrimCoarse, -5.7, {0xFB}},
    {"trim +5.7 dB coarse", TrimCoarse, 5.7, {0x05}},
    {"trim -0.1 dB coarse", TrimCoarse, -0.1, {0x00}},
    {"trim -60 dB coarse", TrimCoarse, -60.0, {0xC4}},
    {"trim -127.9 dB coarse", TrimCoarse, -127.9, {0x81}},
    {"trim below the signed byte clamps", TrimCoarse, -200.0, {0x80}},
    {"trim above the signed byte clamps", TrimCoarse, 200.0, {0x7F}},
    {"trim NaN", TrimCoarse, kNaN, {0x00}},
    {"trim -5.7 dB fine", TrimFine, -5.7, {0xFB, 0xBA}},
    {"trim -0.29 dB fine as float", TrimFine, double{-0.29f}, {0x00, 0xE3}},
    {"trim -0.1 dB fine", TrimFine, -0.1, {0x00, 0xF6}},
    {"trim -60 dB fine", TrimFine, -60.0, {0xC4, 0x00}},
    {"trim +3.25 dB fine", TrimFine, 3.25, {0x03, 0x19}},
    {"trim fine below range clamps to -128.99", TrimFine, -200.0, {0x80, 0x9D}},
    {"trim fine above range clamps to 127.99", TrimFine, 200.0, {0x7F, 0x63}},
    {"trim reply -5.7 dB is a magnitude", TrimFineReply, -5.7, {0x05, 0x46}},
    {"trim reply of a positive trim clamps to 0", TrimFineReply, 3.0, {0x00, 0x00}},
    {"trim reply below range clamps", TrimFineReply, -300.0, {0xFF, 0x63}},

    {"main volume 6.31 dB attenuation", MainVolume, 6.31, {0x06}},
    {"main volume 66", MainVolume, 66.0, {0x42}},
    {"main volume a hair below 66", MainVolume, 65.99999999, {0x42}},
    {"main volume negative truncates toward zero", MainVolume, -3.5, {0xFD}},
    {"main volume above the signed byte clamps", MainVolume, 300.0, {0x7F}},

    {"noise -59.5 dB", Noise, -59.5, {0x28, 0x05}},
    {"noise -50 dB", Noise, -50.0, {0x32, 0x00}},
    {"noise -0.1 dB", Noise, -0.1, {99, 9}},
    {"noise below -100 dB clamps", Noise, -120.0, {0, 0}},

    {"threshold -30 dB", Threshold, -30.0, {70, 0}},
    {"threshold -30.25 dB", Threshold, -30.25, {69, 7}},
    {"threshold -0.1 dB", Threshold, -0.1, {99, 9}},
    {"threshold 0 dB", Threshold, 0.0, {100, 0}},
    {"threshold -100 dB", Threshold, -100.0, {0, 0}},
    {"threshold below -100 dB clamps", Threshold, -150.0, {0, 0}},
    {"threshold above the byte clamps", Threshold, 200.0, {255, 9}},
    {"ratio 2.5", Ratio, 2.5, {2, 5}},
    {"ratio 1.1", Ratio, 1.1, {1, 1}},
    {"ratio 0.3", Ratio, 0.3, {0, 3}},
    {"ratio negative clamps", Ratio, -1.0, {0, 0}},
    {"knee 0.3", Knee, 0.3, {0, 3}},
    {"knee 30.5 keeps its tenths digit", Knee, 30.5, {30, 5}},

    {"distance 3.25", Distance, 3.25, {3, 25}},
    {"distance 0.07", Distance, 0.07, {0, 7}},
    {"spectrum 1000.5 Hz", SpectrumFreq, 1000.5, {0x03, 0xE8, 50}},
    {"spectrum 20000.07 Hz", SpectrumFreq, 20000.07, {0x4E, 0x20, 7}},
    {"spectrum 25000.004 Hz is not pushed up a step", SpectrumFreq, 25000.004, {0x61, 0xA8, 0}},
    {"spectrum negative Hz clamps", SpectrumFreq, -1.0, {0, 0, 0}},
    {"spectrum above 16 bits clamps", SpectrumFreq, 70000.0, {0xFF, 0xFF, 99}},
    {"spectrum gain -3.25 dB", SpectrumGain, -3.25, {0xFD, 0xE7}},
    {"spectrum gain +2.25 dB", SpectrumGain, 2.25, {0x02, 0x19}},
    {"spectrum gain -0.25 dB", SpectrumGain, -0.25, {0x00, 0xE7}},
    {"spectrum gain below range clamps", SpectrumGain, -200.0, {0x80, 0x9D}},
};

TEST(ValueEncoding, EncodesDocumentedValuesToExactBytes) {
  for (const EncodeCase& c : kEncodeCases) {
    const Bytes actual = c.encode(c.input);
    EXPECT_EQ(actual, c.expected) << c.label << ": got " << Hex(actual) << "expected "
                                  << Hex(c.expected);
  }
}

TEST(ValueEncoding, WordsAreBigEndianExceptMemoryWords) {
  struct Case {
    std::int64_t input;
    Bytes expected;
  };
  const Case u16[] = {{1000, {0x03, 0xE8}}, {3000, {0x0B, 0xB8}}, {0, {0, 0}},
                      {65535, {0xFF, 0xFF}}, {-5, {0, 0}},       {70000, {0xFF, 0xFF}}};
  for (const Case& c : u16) {
    EXPECT_EQ(ToBytes(EncodeU16BE(c.input)), c.expected) << c.input;
    EXPECT_EQ(ToBytes(EncodeFrequency(c.input)), c.expected) << c.input;
  }
  EXPECT_EQ(ToBytes(EncodeU32LE(0x10)), (Bytes{0x10, 0, 0, 0}));
  EXPECT_EQ(ToBytes(EncodeU32LE(0x01020304)), (Bytes{0x04, 0x03, 0x02, 0x01}));
  EXPECT_EQ(ToBytes(EncodeU32BE(0x01020304)), (Bytes{0x01, 0x02, 0x03, 0x04}));
}

TEST(ValueEncoding, SignedBytesClampToTheirRange) {
  const std::pair<int, std::uint8_t> cases[] = {
      {-1, 0xFF}, {-128, 0x80}, {127, 0x7F}, {0, 0x00}, {500, 0x7F}, {-500, 0x80}};
  for (const auto& [value, byte] : cases) {
    EXPECT_EQ(EncodeSignedByte(value), byte) << value;
  }
}

// ---------------------------------------------------------------------------------------
// Decoding: exact values and short input

std::optional<double> AsDouble(std::optional<std::uint16_t> v) {
  return v ? std::optional<double>(*v) : std::nullopt;
}
std::optional<double> AsDouble(std::optional<std::uint32_t> v) {
  return v ? std::optional<double>(*v) : std::nullopt;
}
std::optional<double> AsDouble(std::optional<int> v) {
  return v ? std::optional<double>(*v) : std::nullopt;
}

struct ValueDecodeCase {
  const char* label;
  std::optional<double> (*decode)(ByteView);
  Bytes input;
  double expected;
};

const ValueDecodeCase kDecodeCases[] = {
    {"gain 24,5", DecodeEqGain, {24, 5}, 6.5},
    {"gain 0,0", DecodeEqGain, {0, 0}, -18.0},
    {"gain 14,7", DecodeEqGain, {14, 7}, -3.3},
    {"Q reply 4,36", DecodeEqQ, {4, 36}, 4.36},
    {"Q reply 2,5 is hundredths", DecodeEqQ, {2, 5}, 2.05},
    {"Q command 2,5 is tenths", DecodeEqQCommand, {2, 5}, 2.5},
    {"delay 12 01 59", DecodeDelay, {12, 0x01, 0x59}, 12.345},
    {"delay 255 FF FF", DecodeDelay, {255, 0xFF, 0xFF}, 255.0 + 65.535},
    {"fine trim reply 05 46", DecodeTrimFine, {0x05, 0x46}, -5.70},
    {"fine trim command FB BA", DecodeTrimFineCommand, {0xFB, 0xBA}, -5.70},
    {"noise 28 05", DecodeNoiseLevel, {0x28, 0x05}, -59.5},
    {"noise 32 00", DecodeNoiseLevel, {0x32, 0x00}, -50.0},
    {"ratio 2,5", DecodeCompressorRatio, {2, 5}, 2.5},
    {"knee 1,1", DecodeCompressorKnee, {1, 1}, 1.1},
    {"distance 3,25", DecodeIrcDistance, {3, 25}, 3.25},
    {"spectrum 03 E8 32", DecodeSpectrumFrequency, {0x03, 0xE8, 50}, 1000.5},
    {"spectrum gain FD E7", DecodeSpectrumGain, {0xFD, 0xE7}, -3.25},
    {"spectrum gain 02 19", DecodeSpectrumGain, {0x02, 0x19}, 2.25},
    {"threshold 50,5 truncates toward zero",
     [](ByteView b) { return AsDouble(DecodeCompressorThreshold(b)); }, {50, 5}, -49.0},
    {"threshold 69,7", [](ByteView b) { return AsDouble(DecodeCompressorThreshold(b)); },
     {69, 7}, -30.0},
    {"threshold 100,5", [](ByteView b) { return AsDouble(DecodeCompressorThreshold(b)); },
     {100, 5}, 0.0},
    {"threshold 150,0", [](ByteView b) { return AsDouble(DecodeCompressorThreshold(b)); },
     {150, 0}, 50.0},
    {"frequency 03 E8", [](ByteView b) { return AsDouble(DecodeFrequency(b)); }, {0x03, 0xE8},
     1000.0},
    {"u16 0B B8", [](ByteView b) { return AsDouble(DecodeU16BE(b)); }, {0x0B, 0xB8}, 3000.0},
    {"u32 LE 02 01 00 00", [](ByteView b) { return AsDouble(DecodeU32LE(b)); },
     {0x02, 0x01, 0x00, 0x00}, 258.0},
    {"u32 BE 00 00 01 02", [](ByteView b) { return AsDouble(DecodeU32BE(b)); },
     {0x00, 0x00, 0x01, 0x02}, 258.0},
    {"u32 LE FF FF FF FF", [](ByteView b) { return AsDouble(DecodeU32LE(b)); },
     {0xFF, 0xFF, 0xFF, 0xFF}, 4294967295.0},
    {"trim coarse via ReadTrim", [](ByteView b) { return ReadTrim(b, false); }, {0xFB}, -5.0},
    {"trim fine via ReadTrim", [](ByteView b) { return ReadTrim(b, true); }, {0x05, 0x46},
     -5.70},
};

TEST(ValueDecoding, DecodesDocumentedBytes) {
  for (const ValueDecodeCase& c : kDecodeCases) {
    const std::optional<double> value = c.decode(c.input);
    ASSERT_TRUE(value.has_value()) << c.label;
    EXPECT_NEAR(*value, c.expected, 1e-9) << c.label;
  }
}

// A decoder given one byte less than its field must refuse rather than read on; given
// more, it must read only its own field.
TEST(ValueDecoding, ReadsOnlyItsOwnFieldAndRefusesShortInput) {
  for (const ValueDecodeCase& c : kDecodeCases) {
    const ByteView whole(c.input);
    EXPECT_FALSE(c.decode(whole.first(whole.size() - 1)).has_value()) << c.label;

    Bytes longer = c.input;
    longer.insert(longer.end(), {0xFF, 0x7F, 0x80});
    const std::optional<double> value = c.decode(longer);
    ASSERT_TRUE(value.has_value()) << c.label;
    EXPECT_NEAR(*value, c.expected, 1e-9) << c.label;
  }
  EXPECT_FALSE(DecodeEqGain({}).has_value());
  EXPECT_FALSE(ReadTrim({}, false).has_value());
}

TEST(ValueDecoding, SingleBytesAreSigned) {
  EXPECT_EQ(DecodeTrimCoarse(0xFB), -5.0);
  EXPECT_EQ(DecodeMainVolume(0xF6), -10);
  EXPECT_EQ(DecodeMainVolume(0x42), 66);
  EXPECT_EQ(DecodeSignedByte(0xFF), -1);
  EXPECT_EQ(DecodeSignedByte(0x80), -128);
  EXPECT_EQ(DecodeSignedByte(0x7F), 127);
}

TEST(ValueEncoding, WriteTrimWritesTheConfiguredWidthOrNothing) {
  std::array<std::uint8_t, 3> out{0x11, 0x22, 0x33};
  EXPECT_EQ(WriteTrim(-5.7, true, std::span(out).first(1)), 0u);
  EXPECT_EQ(out, (std::array<std::uint8_t, 3>{0x11, 0x22, 0x33}));
  EXPECT_EQ(WriteTrim(-5.7, false, out), 1u);
  EXPECT_EQ(out, (std::array<std::uint8_t, 3>{0xFB, 0x22, 0x33}));
  EXPECT_EQ(WriteTrim(-5.7, true, out), 2u);
  EXPECT_EQ(out, (std::array<std::uint8_t, 3>{0xFB, 0xBA, 0x33}));
  EXPECT_EQ(WriteTrim(-5.7, false, std::span<std::uint8_t>{}), 0u);
}

// ---------------------------------------------------------------------------------------
// Round trips over every step of a field, from double and from float inputs

struct RoundTrip {
  const char* label;
  std::int64_t first;  ///< first and last step, inclusive; the value is step / divisor
  std::int64_t last;
  double divisor;
  bool fromFloat;  ///< also start from the float nearest to each value
  std::optional<double> (*trip)(double);
};

const RoundTrip kRoundTrips[] = {
    {"gain", -180, 2379, 10.0, true, [](double v) { return DecodeEqGain(EncodeEqGain(v)); }},
    {"Q sent", 0, 2559, 10.0, true, [](double v) { return DecodeEqQCommand(EncodeEqQ(v)); }},
    {"Q reported", 0, 25599, 100.0, true, [](double v) { return DecodeEqQ(EncodeEqQReply(v)); }},
    {"delay", 0, 255999, 1000.0, true, [](double v) { return DecodeDelay(EncodeDelay(v)); }},
    {"trim coarse", -128, 127, 1.0, true,
     [](double v) { return std::optional<double>(DecodeTrimCoarse(EncodeTrimCoarse(v))); }},
    {"trim fine sent", -12899, 12799, 100.0, true,
     [](double v) { return DecodeTrimFineCommand(EncodeTrimFine(v)); }},
    {"trim fine reported", -25599, 0, 100.0, true,
     [](double v) { return DecodeTrimFine(EncodeTrimFineReply(v)); }},
    {"main volume", -128, 127, 1.0, true,
     [](double v) { return std::optional<double>(DecodeMainVolume(EncodeMainVolume(v))); }},
    {"noise level", -1000, 1559, 10.0, true,
     [](double v) { return DecodeNoiseLevel(EncodeNoiseLevel(v)); }},
    {"compressor ratio", 0, 2559, 10.0, true,
     [](double v) { return DecodeCompressorRatio(EncodeCompressorRatio(v)); }},
    {"compressor knee", 0, 2559, 10.0, true,
     [](double v) { return DecodeCompressorKnee(EncodeCompressorKnee(v)); }},
    {"calibration distance", 0, 25599, 100.0, true,
     [](double v) { return DecodeIrcDistance(EncodeIrcDistance(v)); }},
    // Float cannot hold 65535.99 Hz to a hundredth, so this one starts from doubles only.
    {"spectrum frequency", 0, 6553599, 100.0, false,
     [](double v) { return DecodeSpectrumFrequency(EncodeSpectrumFrequency(v)); }},
    {"spectrum gain", -12899, 12799, 100.0, true,
     [](double v) { return DecodeSpectrumGain(EncodeSpectrumGain(v)); }},
    {"u16", 0, 65535, 1.0, false, [](double v) {
       return AsDouble(DecodeU16BE(EncodeU16BE(static_cast<std::int64_t>(v))));
     }},
};

// Reports the first failing step only, so a systematic fault does not flood the output.
void CheckRoundTrip(const RoundTrip& rt, bool fromFloat) {
  for (std::int64_t k = rt.first; k <= rt.last; ++k) {
    const double expected = static_cast<double>(k) / rt.divisor;
    const double input =
        fromFloat ? double{static_cast<float>(k) / static_cast<float>(rt.divisor)} : expected;
    const std::optional<double> back = rt.trip(input);
    if (!back || std::fabs(*back - expected) > 1e-9) {
      ADD_FAILURE() << rt.label << (fromFloat ? " (float)" : "") << ": " << expected
                    << " came back as " << (back ? std::to_string(*back) : "nothing");
      return;
    }
  }
}

TEST(ValueRoundTrip, EveryStepOfEveryFieldComesBack) {
  for (const RoundTrip& rt : kRoundTrips) {
    CheckRoundTrip(rt, false);
    if (rt.fromFloat) {
      CheckRoundTrip(rt, true);
    }
  }
}

TEST(ValueRoundTrip, MemoryWordsComeBack) {
  for (std::uint32_t v : {0u, 1u, 0x10u, 0x102u, 0x80000000u, 0xDEADBEEFu, 0xFFFFFFFFu}) {
    EXPECT_EQ(DecodeU32LE(EncodeU32LE(v)), v);
    EXPECT_EQ(DecodeU32BE(EncodeU32BE(v)), v);
  }
}

// The box reads a sent Q with a tenths digit but reports it with hundredths: every Q sent
// as x.y is reported back (in the same bytes) as x.0y.
TEST(ValueRoundTrip, QSentAsTenthsReadsBackAsHundredths) {
  EXPECT_NEAR(*DecodeEqQ(EncodeEqQ(2.5)), 2.05, 1e-12);
  EXPECT_NEAR(*DecodeEqQ(EncodeEqQ(4.36)), 4.03, 1e-12);
  for (int k = 0; k <= 2559; ++k) {
    const double expected = k / 10 + (k % 10) / 100.0;
    ASSERT_NEAR(*DecodeEqQ(EncodeEqQ(k / 10.0)), expected, 1e-9) << k;
  }
}

// Fractional values truncate toward zero on the way out, like int(): a decoded value is
// the input with its extra digits cut off, never rounded up or away from zero.
TEST(ValueRoundTrip, ExtraDigitsAreCutTowardZero) {
  for (int k = -1279; k <= 1279; ++k) {
    const double v = k / 10.0;
    ASSERT_EQ(DecodeMainVolume(EncodeMainVolume(v)), k / 10) << v;
    ASSERT_EQ(DecodeTrimCoarse(EncodeTrimCoarse(v)), k / 10) << v;
  }
  for (int k = 0; k <= 25599; ++k) {
    const double h = k / 100.0 - 100.0;  // threshold with a hundredths digit
    const int tenths = (k / 10) - 1000;  // tenths of dB actually sent
    ASSERT_EQ(DecodeCompressorThreshold(EncodeCompressorThreshold(h)), tenths / 10) << h;
  }
  EXPECT_NEAR(*DecodeEqGain(EncodeEqGain(-3.25)), -3.3, 1e-12);
  EXPECT_NEAR(*DecodeDelay(EncodeDelay(12.3456)), 12.345, 1e-12);
  EXPECT_NEAR(*DecodeTrimFineCommand(EncodeTrimFine(-5.789)), -5.78, 1e-12);
}

}  // namespace
}  // namespace qb
