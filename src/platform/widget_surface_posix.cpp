// Linux: the controls come from the desktop module, on the window it made;
// the headless host of a scripted run has none.
#include <stdexcept>

#include "platform/desktop_posix.h"
#include "platform/widget_surface.h"

namespace tolvar::platform {

std::unique_ptr<TWidgetSurface> CreateWidgetSurface(TWindowHost& host, TWidgetEvents& events) {
  TDesktopWindow* window = DesktopWindowOf(host.Handle());
  if (window == nullptr) return nullptr;
  TDesktop* desktop = OpenedDesktop();
  if (desktop == nullptr) throw std::runtime_error("The desktop is gone.");
  return desktop->CreateSurface(*window, events);
}

}  // namespace tolvar::platform
