// Linux: the window host is headless (a scripted run's queue, nothing on
// the screen), so there are no controls to make; InitialiseWindowing has
// already refused a run that would need them.
#include "platform/widget_surface.h"

namespace tolvar::platform {

std::unique_ptr<TWidgetSurface> CreateWidgetSurface(TWindowHost&, TWidgetEvents&) {
  return nullptr;
}

}  // namespace tolvar::platform
