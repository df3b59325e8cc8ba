#include "platform/profile.h"

#include <gtest/gtest.h>

#include "support/temp_path.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tolvar::platform {
namespace profile_test {

using tolvar::testing::FreshTempPath;

TEST(ProfileTest, SectionsAreKeptApartAndCaseIsIgnored) {
  const std::string ini = FreshTempPath("profile_test_a.ini");
  ASSERT_TRUE(WriteIniValue(ini, "User.alice", "CommandLine", "\" -u \"a\" \""));
  ASSERT_TRUE(WriteIniValue(ini, "User.bob", "CommandLine", "-u b"));
  ASSERT_TRUE(WriteIniValue(ini, "User.alice", "PositionMain", "1, 2, 3, 4"));
  EXPECT_EQ(ReadIniValue(ini, "user.ALICE", "commandline", ""), " -u \"a\" ");
  EXPECT_EQ(ReadIniValue(ini, "User.bob", "CommandLine", ""), "-u b");
  EXPECT_EQ(ReadIniValue(ini, "User.alice", "PositionMain", ""), "1, 2, 3, 4");
  EXPECT_EQ(ReadIniValue(ini, "User.carol", "CommandLine", "none"), "none");
  std::filesystem::remove(ini);
}

TEST(ProfileTest, LongValuesAreCutOnRead) {
  const std::string ini = FreshTempPath("profile_test_b.ini");
  const std::string value(3000, 'v');
  ASSERT_TRUE(WriteIniValue(ini, "S", "K", "\"" + value + "\""));
  EXPECT_EQ(ReadIniValue(ini, "S", "K", ""), value.substr(0, kProfileReadLimit));
  std::filesystem::remove(ini);
}

}  // namespace profile_test
}  // namespace tolvar::platform
