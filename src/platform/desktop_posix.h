// The desktop half of the Linux build: a shared module beside the program
// (kDesktopModuleName) that holds everything needing X and the window
// toolkit. The program opens it at run time only when a window is to be
// shown, so a scripted run needs no desktop library at all.
//
// Program and module come from one tree and one compiler and pass C++
// objects through these interfaces. Once opened the module stays loaded
// until the process ends: the objects it made have their code in it.
//
// Everything here runs on the thread that opened the desktop (the window's
// thread), except where a comment says otherwise.
#pragma once

#include <memory>
#include <string>

#include "platform/screen.h"
#include "platform/widget_surface.h"
#include "platform/window_host.h"

namespace tolvar::platform {

// What the desktop window reports to its host, from inside its loop.
class TDesktopWindowEvents {
 public:
  virtual ~TDesktopWindowEvents() = default;
  // The wake-up descriptor given to CreateWindow is readable: other threads
  // have handed messages over. The host drains the descriptor itself.
  virtual void OnWake() = 0;
  // The user or the window manager asked the window to close.
  virtual void OnUserClose() = 0;
};

class TDesktopWindow {
 public:
  virtual ~TDesktopWindow() = default;
  // Bounds are the window's client area in screen pixels: what the window
  // manager adds around it is not counted, so a rectangle read here and
  // given back later puts the window where it was.
  virtual void SetBounds(const TWindowBounds& bounds) = 0;
  virtual TWindowBounds Bounds() const = 0;
  // Shows the window, minimised (without taking the focus) or normally.
  virtual void Show(bool minimised) = 0;
  virtual bool Minimised() const = 0;
  // Runs the toolkit's loop until Quit; the host's OnWake runs whenever
  // the wake-up descriptor is readable, also inside modal dialogs.
  virtual void Run() = 0;
  // Takes the window off the screen for good and ends Run.
  virtual void Quit() = 0;
};

class TDesktop {
 public:
  virtual ~TDesktop() = default;
  // A top-level window with `caption` (code page 932) whose client area
  // has the size of `design`. `wake_fd` is watched for reading for as long
  // as the window exists. Throws std::runtime_error when no window can be
  // made.
  virtual std::unique_ptr<TDesktopWindow> CreateWindow(const std::string& caption, const TWindowBounds& design,
                                                       int wake_fd, TDesktopWindowEvents& events) = 0;
  // The controls of `window` (borrowed, as `events` is).
  virtual std::unique_ptr<TWidgetSurface> CreateSurface(TDesktopWindow& window, TWidgetEvents& events) = 0;
  // The answers of screen.h, from the display the desktop opened.
  virtual bool PrimaryScreen(ScreenRect* screen) = 0;
  virtual bool WorkArea(ScreenRect* area) = 0;
  // A modal message box with `text` (the system's character set) that the
  // user must close.
  virtual void ShowErrorBox(const std::string& caption, const std::string& text) = 0;
};

// The module's one export, looked up by kDesktopOpenSymbol: connects to the
// X display named by `display` and returns the desktop, or null with
// `why` saying what failed. Called once per process.
using TDesktopOpenFunction = TDesktop* (*)(const char* display, std::string* why);
inline constexpr char kDesktopOpenSymbol[] = "tolvar_desktop_open";
inline constexpr char kDesktopModuleName[] = "tolvar-desktop.so";

// Opens the module (beside the program) and its display, once per process;
// later calls return what the first one did. Throws std::runtime_error
// saying what is missing: no display named, the module or a library it
// needs, or a display that cannot be opened.
TDesktop& OpenDesktop();
// The desktop opened so far; null before OpenDesktop succeeded. From any
// thread once opened.
TDesktop* OpenedDesktop();
// The desktop window behind a live host's handle; null for a headless one.
TDesktopWindow* DesktopWindowOf(WindowHandle window);
// Whether the process shows a window the user works with (not a scripted
// run's minimised one): only then is a failure a message box too.
void SetDesktopInteractive(bool interactive);
bool DesktopInteractive();

}  // namespace tolvar::platform
