// Linux only: Wine run as root writes a read-only file anyway, so this
// case cannot fail the write there.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include "support/temp_path.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tolvar::platform {
namespace profile_test_posix {

using tolvar::testing::FreshTempPath;

TEST(ProfileTest, ReadOnlyFileFailsToWrite) {
  const std::string ini = FreshTempPath("profile_test_c.ini");
  ASSERT_TRUE(WriteIniValue(ini, "S", "K", "old"));
  std::filesystem::permissions(ini, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  EXPECT_FALSE(WriteIniValue(ini, "S", "K", "new"));
  EXPECT_EQ(ReadIniValue(ini, "S", "K", ""), "old");
  std::filesystem::permissions(ini, std::filesystem::perms::owner_all);
  std::filesystem::remove(ini);
}

}  // namespace profile_test_posix
}  // namespace tolvar::platform
