// The initial full read against the virtual box: which queries it sends, in which order,
// and when it stops early.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "tests/support/core_test_access.h"
#include "core/equalizer_manager.h"
#include "devicelink/link_decoders.h"
#include "devicelink/wire_codes.h"
#include "simulator/virtual_hid.h"

namespace qb {
namespace {

using sim::BoxCommand;
using Bytes = std::vector<std::uint8_t>;

BoxCommand Get(std::uint8_t id, Bytes payload = {}) { return {DSP_PACKET, id, OP_GET, std::move(payload)}; }

/// The read-out's queries after the handshake, built from the box's point of view.
std::vector<BoxCommand> ExpectedReads(const PerOutput<int>& eqSizes) {
  std::vector<BoxCommand> c;
  for (const std::uint8_t id : {DSP_SOURCE_SWITCH, DSP_VOLUME, DSP_SUBWOOFER_VOLUME, DSP_MUTE,
                                DSP_AMP_MUTE, DSP_SPK_CH_CONFIG})
    c.push_back(Get(id));
  c.push_back({FLASH_PACKET, FLASH_SCENE_VALID, OP_GET, {}});
  c.push_back(Get(DSP_DELAY_CH, {0, 0, 0, 7}));
  c.push_back(Get(DSP_CH_TYPE, {0, 0, 0, 7}));
  c.push_back(Get(DSP_CH_SOLO, {0, 0, 0, 7}));
  c.push_back(Get(DSP_CH_LINK, {0}));
  c.push_back(Get(DSP_CH_LOCK, {0}));
  c.push_back(Get(DSP_FILTER_GET, {0, 0, 0, 3}));
  c.push_back(Get(DSP_FILTER_GET, {0, 0, 4, 7}));
  c.push_back(Get(DSP_EQ_BYPASS, {0, 0, 0, 7}));
  for (std::uint8_t o = 0; o < kOutputCount; ++o) {
    const int size = eqSizes[o];
    for (int f = 0; f < size; f += 8) {
      const int last = std::min(f + 7, size - 1);
      c.push_back(Get(DSP_EQ_CH, {0, 0, o, static_cast<std::uint8_t>(f), static_cast<std::uint8_t>(last)}));
    }
  }
  c.push_back(Get(DSP_TRIM_CH, {0, 0, 0, 7}));
  c.push_back(Get(DSP_MUTE_CH, {0, 0, 0, 7}));
  c.push_back(Get(DSP_PHASE_CH, {0, 0, 0, 7}));
  for (std::uint8_t s = 0; s < 9; ++s) c.push_back(Get(DSP_MIX_CH, {0, s, 0, 7}));
  const std::array<int, 9> inputs = {2, 2, 2, 0, 0, 6, 2, 0, 0};
  for (std::uint8_t s = 0; s < 9; ++s) {
    for (std::uint8_t in = 0; in < inputs[s]; ++in) c.push_back(Get(DSP_INPUT_MIX_CH_TRIM, {0, s, in, 0, 7}));
  }
  for (std::uint8_t scene = 1; scene <= 10; ++scene)
    c.push_back({FLASH_PACKET, FLASH_SCENE_NAME, OP_GET, {scene}});
  return c;
}

PerOutput<int> AllBands() {
  PerOutput<int> sizes;
  sizes.fill(kMaxEqBands);
  return sizes;
}

const BoxCommand kPcConnect{MCU_PACKET, MCU_PC_CONNECT, OP_SET, {1}};
const BoxCommand kHandshake{MCU_PACKET, MCU_HANDSHAKE, OP_SET, {}};

class StatusInitTest : public ::testing::Test {
 protected:
  void Start(sim::VirtualBoxConfig config = {}) {
    m_backend = sim::MakeVirtualBoxBackend(config);
    m_manager = std::make_unique<EqualizerManager>(m_backend, LinkTimings{.waitCapMs = 300});
    // The handshake's decoder is what tells the read-out the model; the main window
    // installs the decoders in the program.
    InstallReplyDecoders(CoreTestAccess::Link(*m_manager));
    CoreTestAccess::Link(*m_manager).OpenHIDDevice();
    ASSERT_TRUE(CoreTestAccess::Link(*m_manager).IsDeviceOpen());
    m_backend->Box()->ClearCommands();
  }
  void TearDown() override {
    if (m_manager) CoreTestAccess::Link(*m_manager).CloseHIDDevice(false);
  }
  std::vector<BoxCommand> Commands() const { return m_backend->Box()->Commands(); }

  std::shared_ptr<sim::VirtualHidBackend> m_backend;
  std::unique_ptr<EqualizerManager> m_manager;
};

TEST_F(StatusInitTest, ReadsTheWholeBoxInOrder) {
  Start();
  PerOutput<int> eqSizes;
  eqSizes.fill(kMaxEqBands);
  eqSizes[2] = 20;  // blocks 0..7, 8..15, 16..19
  eqSizes[5] = 8;   // one block

  EXPECT_EQ(m_manager->Session().PC_UI_Status_Init(eqSizes), 0);

  std::vector<BoxCommand> expected{kPcConnect, kHandshake};
  const auto reads = ExpectedReads(eqSizes);
  expected.insert(expected.end(), reads.begin(), reads.end());
  EXPECT_EQ(Commands(), expected);
}

TEST_F(StatusInitTest, SilentBoxFailsAfterTheHandshake) {
  Start();
  m_backend->Box()->SetSilent(true);
  EXPECT_EQ(m_manager->Session().PC_UI_Status_Init(AllBands()), -1);
  EXPECT_EQ(Commands(), (std::vector<BoxCommand>{kPcConnect, kHandshake}));
}

TEST_F(StatusInitTest, ForeignModelOrLoaderIsNotRead) {
  for (const bool loader : {false, true}) {
    sim::VirtualBoxConfig config;
    if (loader) config.applicationMode = false;
    else config.model = 12;
    Start(config);
    EXPECT_EQ(m_manager->Session().PC_UI_Status_Init(AllBands()), 0) << loader;
    EXPECT_EQ(Commands(), (std::vector<BoxCommand>{kPcConnect, kHandshake})) << loader;
    CoreTestAccess::Link(*m_manager).CloseHIDDevice(false);
  }
}

}  // namespace
}  // namespace qb
