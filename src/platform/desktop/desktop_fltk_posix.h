// The desktop module's main window: a toolkit window that hands the close
// button and the host's wake-up to the window host, and its size changes
// and the test dump key to the controls on it.
#pragma once

#include <FL/Fl_Double_Window.H>

#include <functional>
#include <memory>
#include <string>

#include "platform/desktop_posix.h"

namespace tolvar::platform::desktop {

class TFltkWindow final : public TDesktopWindow {
 public:
  TFltkWindow(const std::string& caption, const TWindowBounds& design, int wake_fd, TDesktopWindowEvents& events);
  ~TFltkWindow() override;

  void SetBounds(const TWindowBounds& bounds) override;
  TWindowBounds Bounds() const override;
  void Show(bool minimised) override;
  bool Minimised() const override;
  void Run() override;
  void Quit() override;

  Fl_Double_Window& Window();
  // True once Quit has taken the window off the screen.
  bool Gone() const { return quit_; }
  // The client area's new size, after the toolkit resized the window.
  std::function<void(int width, int height)> on_resize;
  // Ctrl+F12 while TOLVAR_WINDOW_DUMP names a file: the controls write
  // what they show there (the window tests read it).
  std::function<void(const std::string& path)> on_dump;

 private:
  class TMainWindow;
  static void OnWakeFd(int fd, void* self);
  static void OnCloseButton(Fl_Widget* widget, void* self);

  TDesktopWindowEvents& events_;
  std::unique_ptr<TMainWindow> window_;
  std::string caption_;  // the toolkit keeps a pointer to the label
  int wake_fd_;
  bool quit_ = false;
};

}  // namespace tolvar::platform::desktop
