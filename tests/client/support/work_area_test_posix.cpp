// Linux: the work area comes from the X server the program talks to, once
// the desktop module is open (a scripted run opens none and fits nothing).
#include <gtest/gtest.h>

#include <limits>

#include "client/support/work_area.h"
#include "platform/desktop_posix.h"
#include "support/xvfb_display.h"

namespace tolvar::client {
namespace work_area_test_posix {

using tolvar::testing::TNoDisplay;
using tolvar::testing::TXvfbDisplay;

TEST(GetWorkAreaTest, WholeScreenWhereTheDesktopReportsNoWorkArea) {
  TXvfbDisplay x(640, 480);
  if (!x.Ok()) GTEST_SKIP() << "Xvfb could not be started";
  ASSERT_NO_THROW(platform::OpenDesktop());
  EXPECT_EQ(GetWorkArea(), (TRect{0, 0, 639, 479}));
}

TEST(GetWorkAreaTest, TheCurrentDesktopsWorkArea) {
  TXvfbDisplay x(800, 600);
  if (!x.Ok()) GTEST_SKIP() << "Xvfb could not be started";
  ASSERT_NO_THROW(platform::OpenDesktop());
  x.PublishWorkAreas({0, 0, 800, 600, 40, 24, 760, 576}, 1);
  EXPECT_EQ(GetWorkArea(), (TRect{40, 24, 799, 599}));
  // A window saved half below the panel-free part comes back inside it.
  TRect r{100, 500, 399, 699};
  FitIntoArea(r, GetWorkArea());
  EXPECT_EQ(r, (TRect{100, 400, 399, 599}));
  // A current desktop without an entry falls back to the first one.
  x.PublishWorkAreas({0, 30, 800, 570, 0, 0, 0, 0}, 5);
  EXPECT_EQ(GetWorkArea(), (TRect{0, 30, 799, 599}));
}

TEST(GetWorkAreaTest, NoDisplayMovesNothing) {
  TNoDisplay none;
  const TRect area = GetWorkArea();
  EXPECT_EQ(area.Left, std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(area.Bottom, std::numeric_limits<std::int32_t>::max());
  TRect r{5000, 5000, 5399, 5299};
  FitIntoArea(r, area);
  EXPECT_EQ(r, (TRect{5000, 5000, 5399, 5299}));
}

}  // namespace work_area_test_posix
}  // namespace tolvar::client
