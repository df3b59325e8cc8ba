#include "platform/command_line_wipe.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvar::platform {
namespace command_line_wipe_test_posix {

TEST(WipeCommandLineSpansTest, OverwritesOnlyTheSpansAndKeepsEveryLength) {
  char prog[] = "tolvar";
  char user[] = "ann";
  char attached[] = "-xpsecret";
  char other[] = "-u";
  char* argv[] = {prog, user, attached, other, nullptr};
  // A span past its argument's end is cut there; one naming no argument
  // does nothing.
  WipeCommandLineSpans(4, argv, {{1, 0, 3}, {2, 3, 100}, {9, 0, 4}});
  EXPECT_EQ(std::string(argv[0]), "tolvar");
  EXPECT_EQ(std::string(argv[1]), "***");
  EXPECT_EQ(std::string(argv[2]), "-xp******");
  EXPECT_EQ(std::string(argv[3]), "-u");
}

}  // namespace command_line_wipe_test_posix
}  // namespace tolvar::platform
