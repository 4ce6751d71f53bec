#pragma once
// Base fixture of the command-family suites: a link over a scripted box with the given
// decoder tables installed, opened before each test and closed after it. Waits are capped
// at 0 ms, so a silent box costs nothing.

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

#include "devicelink/device_link.h"
#include "devicelink/reply_decoders.h"
#include "tests/support/scripted_hid.h"

namespace qb::test {

class ScriptedLinkTest : public ::testing::Test {
 protected:
  explicit ScriptedLinkTest(std::initializer_list<DecoderTable> tables)
      : backend(std::make_shared<ScriptedHidBackend>()),
        hid(backend->State()),
        link(backend, LinkTimings{/*waitCapMs*/ 0, /*readSliceMs*/ 1}) {
    InstallDecoderTables(link, tables);
  }
  void SetUp() override {
    link.OpenHIDDevice();
    ASSERT_TRUE(link.IsDeviceOpen());
  }
  void TearDown() override { link.CloseHIDDevice(false); }

  std::shared_ptr<ScriptedHidBackend> backend;
  ScriptedHidState& hid;
  DeviceLink link;
};

}  // namespace qb::test
