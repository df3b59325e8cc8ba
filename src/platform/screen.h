// The primary screen and what the desktop keeps of it for itself, one file
// per target (screen_posix.cpp asks the X server through the desktop
// module, screen_win32.cpp the window system). Nothing here is remembered between calls.
#pragma once

#include <cstdint>

namespace tolvar::platform {

// Screen pixels, inclusive on all sides.
struct ScreenRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

// The primary screen from 0, 0 to width - 1, height - 1; false when no
// screen can be asked (Linux: no desktop window has opened the display).
bool GetPrimaryScreen(ScreenRect* screen);

// The rectangle of the taskbar window as the window system reports it;
// false when there is none (always on Linux, which has no such window).
bool GetTaskbarRect(ScreenRect* taskbar);

// The part of the primary screen that the desktop itself reports as free of
// panels and docks, when it reports one: on Linux the window manager's work
// area of the current desktop (_NET_WORKAREA, which the window toolkit
// reports too). False where the work area follows from the taskbar window
// instead (Windows), or where the desktop reports none.
bool GetDesktopWorkArea(ScreenRect* area);

}  // namespace tolvar::platform
