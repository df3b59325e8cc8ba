// The headless window host of Linux: no window on the screen, only the
// message queue that the worker threads post and send into.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

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
    Changed().notify_all();
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

struct TWindowHost::Impl {
  TWindowEvents* events;
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
    Changed().notify_all();
  }

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
    Changed().notify_all();
    return true;
  }
};

TWindowHost::TWindowHost(const std::string& /*caption*/, TWindowBounds design, TWindowEvents& events)
    : impl_(std::make_unique<Impl>()) {
  impl_->events = &events;
  impl_->bounds = design;
  std::lock_guard<std::mutex> lock(Lock());
  impl_->handle = next_handle++;
  Windows()[impl_->handle] = &impl_->queue;
}

TWindowHost::~TWindowHost() {
  impl_->Retire();
}

WindowHandle TWindowHost::Handle() const {
  return impl_->handle;
}

void TWindowHost::SetBounds(const TWindowBounds& bounds) {
  impl_->bounds = bounds;
}

TWindowBounds TWindowHost::Bounds() const {
  return impl_->bounds;
}

void TWindowHost::Show(bool minimised) {
  impl_->minimised = minimised;
}

bool TWindowHost::Minimised() const {
  return impl_->minimised;
}

void TWindowHost::Run() {
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

void InitialiseWindowing(bool headless) {
  if (headless) {
    TakeTerminateSignalAsCloseRequest();
    return;
  }
  // No system error lies behind this; a stale errno must not be reported.
  errno = 0;
  throw std::runtime_error("No desktop window can be opened by this build; use -q for a scripted run.");
}

bool PostWindowMessage(WindowHandle window, std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam) {
  std::lock_guard<std::mutex> lock(Lock());
  auto it = Windows().find(window);
  if (it == Windows().end() || it->second->closed) return false;
  it->second->posted.push_back(Posted{msg, wparam, lparam});
  Changed().notify_all();
  return true;
}

std::intptr_t SendWindowMessage(WindowHandle window, std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam) {
  std::unique_lock<std::mutex> lock(Lock());
  auto it = Windows().find(window);
  if (it == Windows().end() || it->second->closed) return 0;
  Sent s{Posted{msg, wparam, lparam}};
  it->second->sent.push_back(&s);
  Changed().notify_all();
  Changed().wait(lock, [&] { return s.done; });
  return s.result;
}

}  // namespace tolvar::platform
