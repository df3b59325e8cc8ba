#include <gtest/gtest.h>

#include "unanswered_connect.h"

namespace tolvar::transport {
namespace {

TEST(TNetTCPClientTest, ConnectToUnansweredAddressTimesOutOrFailsPromptly) {
  StuckListener listener(true);
  ExpectUnansweredConnectFails(listener);
}

}  // namespace
}  // namespace tolvar::transport
