// Opening the box through the production hidapi backend, with hidapi's enumeration and
// open calls and access(2) replaced by doubles: which node opens, and a box that is
// present but refused to this user is told apart from one that is absent or broken.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "devicelink/device_link.h"
#include "devicelink/hidapi_calls.h"
#include "tests/support/log_capture.h"

namespace qb::test {
namespace {

/// One device node as the fake system has it.
struct FakeNode {
  std::string path;
  int openError;    ///< 0: the node opens; otherwise errno of the failed open
  int accessError;  ///< 0: read and write allowed; otherwise errno of access(2)
};

/// The system behind the double: the nodes hidapi would enumerate for the box's ids.
class FakeHidapi {
 public:
  explicit FakeHidapi(std::vector<FakeNode> nodes) : m_nodes(std::move(nodes)) {
    m_infos.resize(m_nodes.size());
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
      m_infos[i].path = m_nodes[i].path.data();
      m_infos[i].vendor_id = kBoxVendorId;
      m_infos[i].product_id = kBoxProductId;
      m_infos[i].next = i + 1 < m_nodes.size() ? &m_infos[i + 1] : nullptr;
    }
  }

  HidapiCalls Calls() {
    HidapiCalls calls;
    calls.enumerate = [this](unsigned short, unsigned short) -> hid_device_info* {
      if (m_infos.empty()) return nullptr;  // hidapi's empty list
      ++listsHandedOut;
      return m_infos.data();
    };
    calls.freeEnumeration = [this](hid_device_info* list) {
      if (list != nullptr) ++listsFreed;
    };
    calls.openPath = [this](const char* path) -> hid_device* {
      const FakeNode& node = Node(path);
      // hidapi does not promise to keep errno; a node whose open lost it is told by access.
      errno = node.openError == -1 ? 0 : node.openError;
      if (node.openError != 0) return nullptr;
      ++opened;
      return reinterpret_cast<hid_device*>(&m_handle);
    };
    calls.close = [this](hid_device* device) {
      if (device == reinterpret_cast<hid_device*>(&m_handle)) ++closed;
    };
    calls.access = [this](const char* path, int) {
      errno = Node(path).accessError;
      return errno == 0 ? 0 : -1;
    };
    return calls;
  }

  int listsHandedOut = 0;
  int listsFreed = 0;
  int opened = 0;
  int closed = 0;

 private:
  const FakeNode& Node(const char* path) const {
    for (const FakeNode& node : m_nodes)
      if (node.path == path) return node;
    ADD_FAILURE() << "unknown node " << path;
    return m_nodes.front();
  }

  std::vector<FakeNode> m_nodes;
  std::vector<hid_device_info> m_infos;
  int m_handle = 0;
};

struct OpenCase {
  const char* name;
  std::vector<FakeNode> nodes;
  HidOpenStatus status;
  std::string path;
};

class HidapiOpenTest : public ::testing::TestWithParam<OpenCase> {};

TEST_P(HidapiOpenTest, ReportsWhyTheBoxStayedClosedAndNamesTheNode) {
  FakeHidapi system(GetParam().nodes);
  {
    HidOpenResult result = MakeHidapiBackend(system.Calls())->Open(kBoxVendorId, kBoxProductId);
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(result.path, GetParam().path);
    EXPECT_EQ(result.device != nullptr, GetParam().status == HidOpenStatus::Opened);
  }
  EXPECT_EQ(system.listsFreed, system.listsHandedOut) << "the enumeration is freed";
  EXPECT_EQ(system.closed, system.opened) << "an opened device closes with its object";
}

constexpr int kLostErrno = -1;  ///< the failed open left errno at 0

INSTANTIATE_TEST_SUITE_P(
    Nodes, HidapiOpenTest,
    ::testing::Values(
        OpenCase{"NoBox", {}, HidOpenStatus::NotFound, ""},
        OpenCase{"Opens", {{"/dev/hidraw2", 0, 0}}, HidOpenStatus::Opened, "/dev/hidraw2"},
        OpenCase{"RefusedByTheOpen", {{"/dev/hidraw3", EACCES, EACCES}}, HidOpenStatus::PermissionDenied,
                 "/dev/hidraw3"},
        OpenCase{"RefusedErrnoLostButAccessSaysSo", {{"/dev/hidraw3", kLostErrno, EPERM}},
                 HidOpenStatus::PermissionDenied, "/dev/hidraw3"},
        // Granted between the open and the check, as udev does just after a plug-in: still
        // a refusal, so the session tries again.
        OpenCase{"RefusedThenGranted", {{"/dev/hidraw3", EACCES, 0}}, HidOpenStatus::PermissionDenied,
                 "/dev/hidraw3"},
        OpenCase{"BusyIsNoRefusal", {{"/dev/hidraw3", EBUSY, 0}}, HidOpenStatus::Failed, "/dev/hidraw3"},
        OpenCase{"ARefusalOutranksAnotherFailure", {{"/dev/hidraw1", EIO, 0}, {"/dev/hidraw4", EACCES, EACCES}},
                 HidOpenStatus::PermissionDenied, "/dev/hidraw4"},
        OpenCase{"AnAccessibleSecondNodeOpens", {{"/dev/hidraw1", EACCES, EACCES}, {"/dev/hidraw5", 0, 0}},
                 HidOpenStatus::Opened, "/dev/hidraw5"}),
    [](const ::testing::TestParamInfo<OpenCase>& c) { return std::string(c.param.name); });

TEST(HidapiOpenLinkTest, TheLinkKeepsTheRefusalAndTheLogNamesTheNode) {
  LogCapture log;
  FakeHidapi system({{"/dev/hidraw7", EACCES, EACCES}});
  DeviceLink link(MakeHidapiBackend(system.Calls()), LinkTimings{0, 1});
  EXPECT_EQ(link.OpenHIDDevice(), 0);
  EXPECT_FALSE(link.IsDeviceOpen());
  const LinkOpenOutcome outcome = link.LastOpenOutcome();
  EXPECT_EQ(outcome.status, HidOpenStatus::PermissionDenied);
  EXPECT_EQ(outcome.path, "/dev/hidraw7");
  EXPECT_NE(log.Console().find("no permission to open /dev/hidraw7"), std::string::npos) << log.Console();
}

}  // namespace
}  // namespace qb::test
