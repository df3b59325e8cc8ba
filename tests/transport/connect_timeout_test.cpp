#include <gtest/gtest.h>

#include "unanswered_connect.h"

namespace tolvar::transport {
namespace connect_timeout_test {

TEST(TNetTCPClientTest, ConnectToUnansweredAddressTimesOutOrFailsPromptly) {
  StuckListener listener(true);
  ExpectUnansweredConnectFails(listener);
}

}  // namespace connect_timeout_test
}  // namespace tolvar::transport
