// The window host of Linux: the message queue that the worker threads post
// and send into, served either by a loop of its own (headless: a scripted
// run, nothing on the screen) or by the desktop module's window loop, which
// a pipe wakes whenever something was handed over.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "platform/desktop_posix.h"
#include "platform/window_host.h"

namespace tolvar::platform {
namespace {

struct Posted {
  std::uint32_t msg;
  std::uintptr_t wparam;
  std::intptr_t lparam;
};

// A send in progress; lives on the sender's stack until `done`.
struct Sent {
  Posted message;
  std::intptr_t result = 0;
  bool done = false;
};

struct Queue {
  std::deque<Posted> posted;
  std::deque<Sent*> sent;
  bool closed = false;
  TDesktopWindow* window = nullptr;  // the desktop window serving it, if any
};

// One lock and one condition for every queue and signal of the process:
// there is one main window, and a signal must wake the window's thread
// while it waits in WaitServingSends.
std::mutex& Lock() {
  static std::mutex m;
  return m;
}
std::condition_variable& Changed() {
  static std::condition_variable cv;
  return cv;
}
// Live windows by handle; guarded by Lock().
std::map<WindowHandle, Queue*>& Windows() {
  static std::map<WindowHandle, Queue*> windows;
  return windows;
}
WindowHandle next_handle = 1;  // guarded by Lock()

// Windows are desktop windows once InitialiseWindowing opened the desktop.
bool windowed = false;  // set before any window exists
// The desktop loop's wake-up: a byte is written whenever a queue or the
// close request changes, and the loop drains it before it looks at the
// queues, so nothing handed over is left unseen. Both ends non-blocking: a
// full pipe already wakes the loop.
int wake_pipe[2] = {-1, -1};

// Called with Lock() held after every change the window's thread must see.
void WakeLocked() {
  Changed().notify_all();
  if (wake_pipe[1] >= 0) {
    const char byte = 1;
    (void)!::write(wake_pipe[1], &byte, 1);
  }
}

void DrainWakePipe() {
  char bytes[256];
  while (::read(wake_pipe[0], bytes, sizeof bytes) > 0) {
  }
}

// SIGTERM is how a process is asked to end here, as a close message asks a
// window on Windows: it becomes a close request that the window's thread
// handles in its loop. The handler may only write to a pipe; a thread of
// its own reads it and raises the request under the lock.
int term_pipe[2] = {-1, -1};
bool close_requested = false;  // guarded by Lock(); for whichever window runs

extern "C" void OnTerminateSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // The write end does not block: a flood of signals only loses bytes,
  // and one is enough.
  (void)!::write(term_pipe[1], &byte, 1);
  errno = saved;
}

void WatchTerminateSignal() {
  for (;;) {
    char byte = 0;
    const ssize_t n = ::read(term_pipe[0], &byte, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    std::lock_guard<std::mutex> lock(Lock());
    close_requested = true;
    WakeLocked();
  }
}

void TakeTerminateSignalAsCloseRequest() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (::pipe2(term_pipe, O_CLOEXEC) != 0) return;  // SIGTERM then ends the process as before
    ::fcntl(term_pipe[1], F_SETFL, ::fcntl(term_pipe[1], F_GETFL) | O_NONBLOCK);
    // Blocked in its read until the process ends; it owns nothing.
    std::thread(WatchTerminateSignal).detach();
    struct sigaction action = {};
    action.sa_handler = OnTerminateSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
  });
}

}  // namespace

struct TSignal::Impl {
  bool set = false;  // guarded by Lock()
};

TSignal::TSignal() : impl_(std::make_unique<Impl>()) {}
TSignal::~TSignal() = default;

void TSignal::Set() {
  std::lock_guard<std::mutex> lock(Lock());
  impl_->set = true;
  Changed().notify_all();
}

bool TSignal::IsSet() const {
  std::lock_guard<std::mutex> lock(Lock());
  return impl_->set;
}

bool TSignal::WaitFor(int timeout_ms) const {
  std::unique_lock<std::mutex> lock(Lock());
  return Changed().wait_for(lock, std::chrono::milliseconds(timeout_ms), [this] { return impl_->set; });
}

struct TWindowHost::Impl : TDesktopWindowEvents {
  TWindowHost* host = nullptr;
  TWindowEvents* events = nullptr;
  std::unique_ptr<TDesktopWindow> window;  // null for the headless host
  WindowHandle handle = kNoWindow;
  Queue queue;  // guarded by Lock()
  TWindowBounds bounds;
  bool minimised = false;
  bool closed = false;  // window's thread only

  // Takes the queue off the registry and lets every waiting sender go.
  void Retire() {
    std::lock_guard<std::mutex> lock(Lock());
    queue.closed = true;
    for (Sent* s : queue.sent) s->done = true;
    queue.sent.clear();
    queue.posted.clear();
    Windows().erase(handle);
    WakeLocked();
  }

  // Everything handed over so far, in the headless loop's order: a close
  // request from outside, then sends, then posted messages one at a time.
  // Stops when the window has closed.
  void OnWake() override {
    DrainWakePipe();
    std::unique_lock<std::mutex> lock(Lock());
    while (!closed) {
      if (close_requested) {
        close_requested = false;
        lock.unlock();
        host->RequestClose();
        lock.lock();
        continue;
      }
      if (ServeOneSend(lock)) continue;
      if (queue.posted.empty()) break;
      const Posted p = queue.posted.front();
      queue.posted.pop_front();
      lock.unlock();
      events->OnMessage(p.msg, p.wparam, p.lparam);
      lock.lock();
    }
  }

  void OnUserClose() override { host->RequestClose(); }

  // Handles the oldest sent message, if any; called with `lock` held,
  // releases it during the handler.
  bool ServeOneSend(std::unique_lock<std::mutex>& lock) {
    if (queue.sent.empty()) return false;
    Sent* s = queue.sent.front();
    queue.sent.pop_front();
    lock.unlock();
    const std::intptr_t result = events->OnMessage(s->message.msg, s->message.wparam, s->message.lparam);
    lock.lock();
    s->result = result;
    s->done = true;
    WakeLocked();
    return true;
  }
};

TWindowHost::TWindowHost(const std::string& caption, TWindowBounds design, TWindowEvents& events)
    : impl_(std::make_unique<Impl>()) {
  impl_->host = this;
  impl_->events = &events;
  impl_->bounds = design;
  if (windowed) impl_->window = OpenDesktop().CreateWindow(caption, design, wake_pipe[0], *impl_);
  std::lock_guard<std::mutex> lock(Lock());
  impl_->handle = next_handle++;
  impl_->queue.window = impl_->window.get();
  Windows()[impl_->handle] = &impl_->queue;
}

TWindowHost::~TWindowHost() {
  impl_->Retire();
  impl_->window.reset();
}

TDesktopWindow* DesktopWindowOf(WindowHandle window) {
  std::lock_guard<std::mutex> lock(Lock());
  auto it = Windows().find(window);
  return it == Windows().end() ? nullptr : it->second->window;
}

WindowHandle TWindowHost::Handle() const {
  return impl_->handle;
}

void TWindowHost::SetBounds(const TWindowBounds& bounds) {
  impl_->bounds = bounds;
  if (impl_->window) impl_->window->SetBounds(bounds);
}

TWindowBounds TWindowHost::Bounds() const {
  return impl_->window ? impl_->window->Bounds() : impl_->bounds;
}

void TWindowHost::Show(bool minimised) {
  impl_->minimised = minimised;
  if (impl_->window) impl_->window->Show(minimised);
}

bool TWindowHost::Minimised() const {
  return impl_->window ? impl_->window->Minimised() : impl_->minimised;
}

void TWindowHost::Run() {
  if (impl_->window) {
    // What was handed over before the loop started is served first; the
    // pipe still holds its bytes, so this only saves a round.
    impl_->OnWake();
    if (!impl_->closed) impl_->window->Run();
    return;
  }
  std::unique_lock<std::mutex> lock(Lock());
  Queue& q = impl_->queue;
  while (!impl_->closed) {
    Changed().wait(lock, [&] { return impl_->closed || close_requested || !q.sent.empty() || !q.posted.empty(); });
    if (impl_->closed) break;
    if (close_requested) {
      close_requested = false;
      lock.unlock();
      RequestClose();
      lock.lock();
      continue;
    }
    if (impl_->ServeOneSend(lock)) continue;
    const Posted p = q.posted.front();
    q.posted.pop_front();
    lock.unlock();
    impl_->events->OnMessage(p.msg, p.wparam, p.lparam);
    lock.lock();
  }
}

void TWindowHost::Close() {
  if (impl_->closed) return;
  impl_->events->OnClose();
  impl_->closed = true;
  impl_->Retire();
  if (impl_->window) impl_->window->Quit();
}

void TWindowHost::RequestClose() {
  if (impl_->closed) return;
  impl_->events->OnCloseRequest();
  Close();
}

bool TWindowHost::Closed() const {
  return impl_->closed;
}

bool TWindowHost::WaitServingSends(const TSignal& signal, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  std::unique_lock<std::mutex> lock(Lock());
  for (;;) {
    if (signal.impl_->set) return true;
    if (impl_->ServeOneSend(lock)) continue;
    if (Changed().wait_until(lock, deadline) == std::cv_status::timeout) return signal.impl_->set;
  }
}

void InitialiseWindowing(bool quiet) {
  TakeTerminateSignalAsCloseRequest();
  if (quiet) {
    // A scripted run shows its window minimised where a desktop is at
    // hand, as on Windows, but needs none: without a display nothing of
    // the desktop is loaded, and a module or display that fails leaves the
    // run headless rather than ending it.
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') return;
    try {
      OpenDesktop();
    } catch (const std::exception&) {
      return;
    }
  } else {
    OpenDesktop();  // throws, saying what is missing
  }
  std::lock_guard<std::mutex> lock(Lock());
  if (wake_pipe[0] < 0) {
    if (::pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
      wake_pipe[0] = wake_pipe[1] = -1;
      throw std::runtime_error("The window's wake-up pipe cannot be made.");
    }
  }
  windowed = true;
  // A failure in a scripted run's minimised window goes to standard error
  // only: no message box waits for a user who is not there.
  SetDesktopInteractive(!quiet);
}

bool PostWindowMessage(WindowHandle window, std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam) {
  std::lock_guard<std::mutex> lock(Lock());
  auto it = Windows().find(window);
  if (it == Windows().end() || it->second->closed) return false;
  it->second->posted.push_back(Posted{msg, wparam, lparam});
  WakeLocked();
  return true;
}

std::intptr_t SendWindowMessage(WindowHandle window, std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam) {
  std::unique_lock<std::mutex> lock(Lock());
  auto it = Windows().find(window);
  if (it == Windows().end() || it->second->closed) return 0;
  Sent s{Posted{msg, wparam, lparam}};
  it->second->sent.push_back(&s);
  WakeLocked();
  Changed().wait(lock, [&] { return s.done; });
  return s.result;
}

}  // namespace tolvar::platform
