#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <vector>

#include "platform/screen.h"

namespace tolvar::platform {
namespace {

// A connection to the X server named by $DISPLAY, closed when it goes.
class XConnection {
 public:
  XConnection() : display_(XOpenDisplay(nullptr)) {}
  ~XConnection() {
    if (display_) XCloseDisplay(display_);
  }
  XConnection(const XConnection&) = delete;
  XConnection& operator=(const XConnection&) = delete;
  Display* get() const { return display_; }

 private:
  Display* display_;
};

// The 32-bit CARDINAL values of a property of the root window; empty when
// it is not set. Xlib hands format-32 items over as longs.
std::vector<long> RootCardinals(Display* d, const char* name) {
  std::vector<long> values;
  const Atom property = XInternAtom(d, name, True);
  if (property == None) return values;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, DefaultRootWindow(d), property, 0, 1024, False, XA_CARDINAL, &type, &format, &count, &after,
                         &data) == Success &&
      data) {
    if (type == XA_CARDINAL && format == 32) {
      const long* items = reinterpret_cast<const long*>(data);
      values.assign(items, items + count);
    }
    XFree(data);
  }
  return values;
}

}  // namespace

bool GetPrimaryScreen(ScreenRect* screen) {
  XConnection d;
  if (!d.get()) return false;
  const int n = DefaultScreen(d.get());
  const int width = DisplayWidth(d.get(), n);
  const int height = DisplayHeight(d.get(), n);
  if (width <= 0 || height <= 0) return false;
  *screen = ScreenRect{0, 0, width - 1, height - 1};
  return true;
}

bool GetTaskbarRect(ScreenRect*) {
  return false;
}

bool GetDesktopWorkArea(ScreenRect* area) {
  XConnection d;
  if (!d.get()) return false;
  // Four values (x, y, width, height) per desktop; the current desktop's
  // count, the first one's when the window manager does not say which.
  const std::vector<long> areas = RootCardinals(d.get(), "_NET_WORKAREA");
  const std::vector<long> current = RootCardinals(d.get(), "_NET_CURRENT_DESKTOP");
  std::size_t desktop = current.empty() ? 0 : static_cast<std::size_t>(current[0]);
  if ((desktop + 1) * 4 > areas.size()) desktop = 0;
  if (areas.size() < 4) return false;
  const long x = areas[desktop * 4], y = areas[desktop * 4 + 1];
  const long w = areas[desktop * 4 + 2], h = areas[desktop * 4 + 3];
  if (w <= 0 || h <= 0) return false;
  *area = ScreenRect{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), static_cast<std::int32_t>(x + w - 1),
                     static_cast<std::int32_t>(y + h - 1)};
  return true;
}

}  // namespace tolvar::platform
