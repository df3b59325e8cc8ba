#include <gtest/gtest.h>

#include <filesystem>

#include "unanswered_connect.h"

namespace tolvar::transport {
namespace connect_timeout_test_posix {

std::size_t OpenDescriptors() {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

TEST(TNetTCPClientTest, UnansweredConnectLeavesNoDescriptorOpen) {
  TNetComponent keep_stack;  // the stack itself may hold descriptors
  StuckListener listener(true);
  const std::size_t before = OpenDescriptors();
  ExpectUnansweredConnectFails(listener);
  ExpectUnansweredConnectFails(listener);
  EXPECT_EQ(OpenDescriptors(), before);
}

}  // namespace connect_timeout_test_posix
}  // namespace tolvar::transport
