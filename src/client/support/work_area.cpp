#include "client/support/work_area.h"

#include <limits>

#include "platform/screen.h"

namespace tolvar::client {
namespace {

// Direction of a point from the centre: 0 at the centre, then 1 to 8
// clockwise from "right" on a screen whose y grows downwards.
int Direction(std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy) {
  const std::int64_t dx = std::int64_t{x} - cx;
  const std::int64_t dy = std::int64_t{y} - cy;
  if (dx == 0 && dy == 0) return 0;
  if (dy == 0) return dx > 0 ? 1 : 5;
  if (dx == 0) return dy > 0 ? 3 : 7;
  if (dy > 0) return dx > 0 ? 2 : 4;
  return dx > 0 ? 8 : 6;
}

}  // namespace

TRect WorkAreaBesideTaskbar(const TRect& screen, const TRect& taskbar) {
  const auto cx = static_cast<std::int32_t>((std::int64_t{screen.Left} + screen.Right) / 2);
  const auto cy = static_cast<std::int32_t>((std::int64_t{screen.Top} + screen.Bottom) / 2);
  TRect area = screen;
  switch (Direction(taskbar.Left, taskbar.Top, cx, cy)) {
    case 1:
    case 2:
    case 8:  // top-left corner right of the centre: right edge
      area.Right = taskbar.Left - 1;
      break;
    case 6:
    case 7:  // top-left corner above the centre: left or top edge
      switch (Direction(taskbar.Right, taskbar.Bottom, cx, cy)) {
        case 1:
        case 2:
        case 7:
        case 8:
          area.Top = taskbar.Bottom + 1;
          break;
        default:
          area.Left = taskbar.Right + 1;
          break;
      }
      break;
    default:  // 0, 3, 4, 5: bottom edge
      area.Bottom = taskbar.Top - 1;
      break;
  }
  return area;
}

TRect GetWorkArea() {
  platform::ScreenRect s;
  if (!platform::GetPrimaryScreen(&s)) {
    constexpr std::int32_t lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t hi = std::numeric_limits<std::int32_t>::max();
    return TRect{lo, lo, hi, hi};
  }
  const TRect screen{s.left, s.top, s.right, s.bottom};
  platform::ScreenRect desktop;
  if (platform::GetDesktopWorkArea(&desktop)) return TRect{desktop.left, desktop.top, desktop.right, desktop.bottom};
  platform::ScreenRect t;
  if (!platform::GetTaskbarRect(&t)) return screen;
  return WorkAreaBesideTaskbar(screen, TRect{t.left, t.top, t.right, t.bottom});
}

}  // namespace tolvar::client
