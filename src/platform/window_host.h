// The main window of tolvar as the operating system sees it: something that
// receives messages from any thread and runs a message loop on the thread
// that created it (window_host_win32.cpp, window_host_posix.cpp).
//
// Windows: a real top-level window; messages are PostMessageA and
// SendMessageA to its handle. Linux: a headless host with a thread-safe
// queue; post enqueues, send enqueues and waits until the window's thread has
// handled the message. Either way posted messages are handled in posting
// order, and a sent message is handled as soon as the window's thread next
// looks at its queue, possibly ahead of earlier posted ones.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tolvar::platform {

// A window handle as an integer: an HWND on Windows, a registry key of the
// queue on Linux. 0 is no window. Posting to a window that is gone fails
// quietly on both targets.
using WindowHandle = std::intptr_t;
inline constexpr WindowHandle kNoWindow = 0;

// What the window does, called on the window's thread only.
class TWindowEvents {
 public:
  virtual ~TWindowEvents() = default;
  // A posted or sent message; the result goes back to a sender.
  virtual std::intptr_t OnMessage(std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam) = 0;
  // A close request from outside (the user, the system): runs before the
  // closing notification and may wait for other threads.
  virtual void OnCloseRequest() = 0;
  // The closing notification, both for a close request and for Close().
  virtual void OnClose() = 0;
};

// A one-shot signal that another thread raises (a thread's end) and the
// window's thread can wait for while it keeps serving sent messages.
class TSignal {
 public:
  TSignal();
  ~TSignal();
  TSignal(const TSignal&) = delete;
  TSignal& operator=(const TSignal&) = delete;
  void Set();
  bool IsSet() const;
  // Waits up to `timeout_ms` without serving any message; true when set.
  bool WaitFor(int timeout_ms) const;

 private:
  friend class TWindowHost;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Window geometry in screen pixels: outer position and size.
struct TWindowBounds {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

class TWindowHost {
 public:
  // Creates the window, not yet shown, with `events` as its behaviour
  // (borrowed: it must outlive the host). Throws std::runtime_error when
  // the window cannot be made; the system's error code is then
  // LastErrorCode().
  TWindowHost(const std::string& caption, TWindowBounds design, TWindowEvents& events);
  ~TWindowHost();
  TWindowHost(const TWindowHost&) = delete;
  TWindowHost& operator=(const TWindowHost&) = delete;

  WindowHandle Handle() const;

  void SetBounds(const TWindowBounds& bounds);
  TWindowBounds Bounds() const;
  // Shows the window, minimised (without taking the focus) or normally.
  void Show(bool minimised);
  bool Minimised() const;

  // Handles messages until the window has closed.
  void Run();
  // Closes from code: the closing notification, then the loop ends. No
  // close request is raised.
  void Close();
  // Closes as the user would: close request, closing notification, end.
  void RequestClose();
  bool Closed() const;

  // Waits up to `timeout_ms` for `signal`, handling sent messages meanwhile
  // so that a thread blocked in a send can go on and end. Posted messages
  // stay queued. True when the signal was raised.
  bool WaitServingSends(const TSignal& signal, int timeout_ms);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Prepares the process for its main window; `quiet` is a scripted run,
// whose window starts minimised. Throws std::runtime_error when a window
// the user works with cannot be had (on Linux: no display, or the desktop
// module or a library it needs is missing); a scripted run on Linux then
// goes on headless, with no window at all, and loads nothing of the
// desktop when no display is named. On Linux the process from then on
// takes SIGTERM as a close request from outside to its running window (as
// a close message is on Windows); one that comes before the window runs
// closes it as soon as it does.
void InitialiseWindowing(bool quiet);

// From any thread. False when the window is gone (the message is dropped).
bool PostWindowMessage(WindowHandle window, std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam);
// From a thread other than the window's: waits until the window has
// handled the message and returns its result; 0 at once when the window is
// gone or closes meanwhile.
std::intptr_t SendWindowMessage(WindowHandle window, std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam);

}  // namespace tolvar::platform
