#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/error_code_posix.h"
#include "platform/system.h"

namespace tolvar::platform {
namespace system_test_posix {

// Codes are Windows numbers on Linux too; their texts used to be read as
// errno, so 5 said "Input/output error" and 3 "No such process".
TEST(SystemErrorTextTest, WindowsCodesShowTheTextOfTheirMeaning) {
  EXPECT_EQ(SystemErrorText(2), std::strerror(ENOENT));
  EXPECT_EQ(SystemErrorText(3), std::strerror(ENOTDIR));
  EXPECT_EQ(SystemErrorText(5), std::strerror(EACCES));
  EXPECT_EQ(SystemErrorText(8), std::strerror(ENOMEM));
  EXPECT_EQ(SystemErrorText(112), std::strerror(ENOSPC));
  // A number that is no Windows code known here has no text, as on Windows.
  EXPECT_EQ(SystemErrorText(99999), "");
}

TEST(SystemErrorTextTest, LastErrorCodeIsAWindowsCodeWhoseTextIsTheErrnoText) {
  errno = ENOENT;
  EXPECT_EQ(LastErrorCode(), 2u);
  errno = EISDIR;
  EXPECT_EQ(LastErrorCode(), 5u);
  // Every errno comes back with a text: its own, or (where several errno
  // values share one Windows code) the text of that code's meaning.
  for (int e = 1; e < 134; ++e) {
    errno = e;
    const unsigned long code = LastErrorCode();
    const std::string text = SystemErrorText(code);
    EXPECT_FALSE(text.empty()) << "errno " << e;
    if (code & kForeignErrnoFlag) {
      EXPECT_EQ(text, std::strerror(e)) << "errno " << e;
    } else {
      EXPECT_EQ(text, std::strerror(ErrnoOfWindowsCode(code))) << "errno " << e;
      EXPECT_EQ(WindowsErrorCode(ErrnoOfWindowsCode(code)), code) << "errno " << e;
    }
  }
}

// A closed standard handle's number went to the next socket, so the
// response header "written to standard error" went into the connection.
// Runs in a child: it closes its own standard error.
TEST(StdHandleTest, RegressionClosedStdErrGaveItsNumberToASocket) {
  const pid_t pid = fork();
  ASSERT_NE(pid, -1);
  if (pid == 0) {
    ::close(2);
    InitialiseProcess();
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    unsigned long code = 0;
    const bool open = IsOpenHandle(GetStdHandle(StdStream::kError), &code);
    const bool write_failed = ::write(2, "x", 1) == -1;
    // Bit by bit: 1 the socket took 2, 2 the handle counted as open,
    // 4 the code's text was empty, 8 a write went through.
    _exit((s == 2 ? 1 : 0) | (open ? 2 : 0) | (SystemErrorText(code).empty() ? 4 : 0) | (write_failed ? 0 : 8));
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// The code of a closed handle came as a raw errno, which has no text as a
// Windows code: the failure was reported as an empty line.
TEST(StdHandleTest, RegressionClosedHandleReportedWithoutText) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);
  ::close(fds[1]);
  unsigned long code = 0;
  EXPECT_FALSE(IsOpenHandle(fds[0], &code));
  EXPECT_EQ(SystemErrorText(code), SystemErrorText(WindowsErrorCode(EBADF)));
  EXPECT_FALSE(SystemErrorText(code).empty());
}

}  // namespace system_test_posix
}  // namespace tolvar::platform
