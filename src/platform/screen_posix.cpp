// The X server is asked through the desktop module, and only once a window
// has opened it: a scripted run loads no desktop library and so has no
// screen to fit into.
#include "platform/desktop_posix.h"
#include "platform/screen.h"

namespace tolvar::platform {

bool GetPrimaryScreen(ScreenRect* screen) {
  TDesktop* desktop = OpenedDesktop();
  return desktop != nullptr && desktop->PrimaryScreen(screen);
}

bool GetTaskbarRect(ScreenRect*) {
  return false;
}

bool GetDesktopWorkArea(ScreenRect* area) {
  TDesktop* desktop = OpenedDesktop();
  return desktop != nullptr && desktop->WorkArea(area);
}

}  // namespace tolvar::platform
