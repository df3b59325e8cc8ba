#include "platform/socket_errors_posix.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace tolvar::platform {
namespace socket_errors_test_posix {

// EPERM used to reach the texts as "Socket Error # 1".
TEST(WinsockCodeOfErrnoTest, EveryErrnoBecomesAWinsockCode) {
  EXPECT_EQ(WinsockCodeOfErrno(EPERM), 10013);
  EXPECT_EQ(WinsockCodeOfErrno(EACCES), 10013);
  EXPECT_EQ(WinsockCodeOfErrno(ENOMEM), 10055);
  EXPECT_EQ(WinsockCodeOfErrno(ENOBUFS), 10055);
  EXPECT_EQ(WinsockCodeOfErrno(ECONNREFUSED), 10061);
  EXPECT_EQ(WinsockCodeOfErrno(EPIPE), 10058);
  EXPECT_EQ(WinsockCodeOfErrno(EDOM), kWsaSysCallFailure);
  EXPECT_EQ(WinsockCodeOfErrno(0), kWsaSysCallFailure);
  for (int e = 1; e < 134; ++e) {
    const int code = WinsockCodeOfErrno(e);
    EXPECT_GE(code, 10004) << "errno " << e;
    EXPECT_LE(code, 11004) << "errno " << e;
  }
}

}  // namespace socket_errors_test_posix
}  // namespace tolvar::platform
