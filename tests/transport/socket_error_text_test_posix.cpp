#include <gtest/gtest.h>

#include <cerrno>

#include "platform/socket_errors_posix.h"
#include "transport/exceptions.h"

namespace tolvar::transport {
namespace socket_error_text_test_posix {

std::string TextOfErrno(int e) {
  return ENetSocketError(platform::WinsockCodeOfErrno(e)).what();
}

// Linux failures read as their Windows twins; one without a twin still
// reads as a socket failure, never as an unrelated Winsock number.
TEST(TNetSocketErrorTest, LinuxFailuresReadAsTheirWindowsTwins) {
  EXPECT_EQ(TextOfErrno(EPERM), "Socket Error # 10013\r\nAccess denied.");
  EXPECT_EQ(TextOfErrno(ENOMEM), "Socket Error # 10055\r\nNo buffer space available.");
  EXPECT_EQ(TextOfErrno(ETIMEDOUT), "Socket Error # 10060\r\nConnection timed out.");
  EXPECT_EQ(TextOfErrno(EDOM), "Socket Error # 10107\r\n");
}

}  // namespace socket_error_text_test_posix
}  // namespace tolvar::transport
