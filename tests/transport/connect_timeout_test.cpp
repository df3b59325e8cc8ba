#include <gtest/gtest.h>

#include "unanswered_connect.h"

namespace tolvar {
namespace {

TEST(TNetTCPClientTest, ConnectToUnansweredAddressTimesOutOrFailsPromptly) {
  ExpectUnansweredConnectFails();
}

}  // namespace
}  // namespace tolvar
