#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/error_code_posix.h"
#include "platform/system.h"

namespace tolvar::platform {
namespace {

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

}  // namespace
}  // namespace tolvar::platform
