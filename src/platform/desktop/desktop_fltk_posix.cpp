// The desktop module: the X display, the main window and its loop, the
// screen, the message box. Loaded by the program only to show a window.
#include "platform/desktop/desktop_fltk_posix.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Tooltip.H>
#include <FL/fl_ask.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "platform/desktop/desktop_text_posix.h"

namespace tolvar::platform::desktop {

std::unique_ptr<TWidgetSurface> CreateFltkSurface(TFltkWindow& window, TWidgetEvents& events);

class TFltkWindow::TMainWindow final : public Fl_Double_Window {
 public:
  TMainWindow(TFltkWindow& owner, int w, int h, const char* caption) : Fl_Double_Window(w, h, caption), owner_(owner) {}

  void resize(int x, int y, int w, int h) override {
    const bool sized = w != this->w() || h != this->h();
    Fl_Double_Window::resize(x, y, w, h);
    // The toolkit has scaled the controls; the form lays them out again
    // by its anchors.
    if (sized && owner_.on_resize) owner_.on_resize(w, h);
  }

  int handle(int event) override {
    if (event == FL_SHORTCUT && Fl::event_key() == FL_F + 12 && Fl::event_state(FL_CTRL)) {
      const char* path = std::getenv("TOLVAR_WINDOW_DUMP");
      if (path != nullptr && *path != '\0' && owner_.on_dump) {
        owner_.on_dump(path);
        return 1;
      }
    }
    return Fl_Double_Window::handle(event);
  }

 private:
  TFltkWindow& owner_;
};

TFltkWindow::TFltkWindow(const std::string& caption, const TWindowBounds& design, int wake_fd,
                         TDesktopWindowEvents& events)
    : events_(events), caption_(ProgramTextToUtf8(caption)), wake_fd_(wake_fd) {
  window_ = std::make_unique<TMainWindow>(*this, design.width, design.height, caption_.c_str());
  window_->end();
  window_->callback(&TFltkWindow::OnCloseButton, this);
  // The user may resize; the form's anchors place the controls.
  window_->resizable(window_.get());
  window_->size_range(100, 100);
  window_->xclass("tolvar");
  if (wake_fd_ >= 0) Fl::add_fd(wake_fd_, FL_READ, &TFltkWindow::OnWakeFd, this);
}

TFltkWindow::~TFltkWindow() {
  if (wake_fd_ >= 0) Fl::remove_fd(wake_fd_);
  window_->hide();
}

Fl_Double_Window& TFltkWindow::Window() {
  return *window_;
}

void TFltkWindow::OnWakeFd(int, void* self) {
  static_cast<TFltkWindow*>(self)->events_.OnWake();
}

void TFltkWindow::OnCloseButton(Fl_Widget*, void* self) {
  // The toolkit closes a window on Escape too; this form closes only on
  // the close button (or the window manager's close), as on Windows.
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  static_cast<TFltkWindow*>(self)->events_.OnUserClose();
}

void TFltkWindow::SetBounds(const TWindowBounds& b) {
  window_->resize(b.left, b.top, b.width, b.height);
}

TWindowBounds TFltkWindow::Bounds() const {
  return TWindowBounds{window_->x(), window_->y(), window_->w(), window_->h()};
}

void TFltkWindow::Show(bool minimised) {
  if (minimised) {
    // Shown iconic from the start: the window never takes the focus.
    window_->iconize();
  } else {
    window_->show();
  }
}

bool TFltkWindow::Minimised() const {
  // Iconic: mapped once, now unmapped by the window manager.
  return window_->shown() && !window_->visible();
}

void TFltkWindow::Run() {
  while (!quit_) Fl::wait(1e20);
}

void TFltkWindow::Quit() {
  quit_ = true;
  window_->hide();
}

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

class TFltkDesktop final : public TDesktop {
 public:
  explicit TFltkDesktop(Display* display) {
    // The toolkit's connection, open until the process ends.
    fl_open_display(display);
    // The form's button face: the classic Windows grey, as on Windows.
    Fl::background(0xD4, 0xD0, 0xC8);
    Fl_Tooltip::enable(1);
  }

  std::unique_ptr<TDesktopWindow> CreateWindow(const std::string& caption, const TWindowBounds& design, int wake_fd,
                                               TDesktopWindowEvents& events) override {
    return std::make_unique<TFltkWindow>(caption, design, wake_fd, events);
  }

  std::unique_ptr<TWidgetSurface> CreateSurface(TDesktopWindow& window, TWidgetEvents& events) override {
    return CreateFltkSurface(static_cast<TFltkWindow&>(window), events);
  }

  // Asked on a connection of their own to the display $DISPLAY names now,
  // as screen.h promises: nothing is remembered between calls.
  bool PrimaryScreen(ScreenRect* screen) override {
    XConnection d;
    if (!d.get()) return false;
    const int n = DefaultScreen(d.get());
    const int width = DisplayWidth(d.get(), n);
    const int height = DisplayHeight(d.get(), n);
    if (width <= 0 || height <= 0) return false;
    *screen = ScreenRect{0, 0, width - 1, height - 1};
    return true;
  }

  bool WorkArea(ScreenRect* area) override {
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

  void ShowErrorBox(const std::string& caption, const std::string& text) override {
    // The failure texts mix the program's own words with the system's
    // message; both read right as code page 932 where they are ASCII.
    const std::string title = LocaleToUtf8(caption);
    std::string body = ProgramTextToUtf8(text);
    for (std::size_t at = body.find('\r'); at != std::string::npos; at = body.find('\r', at)) body.erase(at, 1);
    fl_message_title(title.c_str());
    fl_alert("%s", body.c_str());
  }
};

}  // namespace

}  // namespace tolvar::platform::desktop

extern "C" __attribute__((visibility("default"))) tolvar::platform::TDesktop* tolvar_desktop_open(const char* display,
                                                                                                  std::string* why) {
  Display* d = XOpenDisplay(display);
  if (d == nullptr) {
    *why = std::string("The X display \"") + (display ? display : "") + "\" cannot be opened.";
    return nullptr;
  }
  try {
    // Lives as long as the process: the program keeps the module loaded.
    return new tolvar::platform::desktop::TFltkDesktop(d);
  } catch (const std::exception& e) {
    *why = e.what();
    return nullptr;
  }
}
