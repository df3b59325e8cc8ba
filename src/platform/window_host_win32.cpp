// The main window of the Windows build: a real top-level window whose
// procedure hands the private messages and the close request to the
// controller; the worker threads post and send to its handle.
#include <windows.h>

#include <stdexcept>

#include "platform/window_host.h"

namespace tolvar::platform {
namespace {

const char kWindowClass[] = "TolvarMainWindow";

HWND ToHwnd(WindowHandle h) {
  return reinterpret_cast<HWND>(h);
}

}  // namespace

struct TSignal::Impl {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);  // manual reset
  ~Impl() {
    if (event) CloseHandle(event);
  }
};

TSignal::TSignal() : impl_(std::make_unique<Impl>()) {
  if (!impl_->event) throw std::runtime_error("CreateEvent failed");
}
TSignal::~TSignal() = default;

void TSignal::Set() {
  SetEvent(impl_->event);
}

bool TSignal::IsSet() const {
  return WaitForSingleObject(impl_->event, 0) == WAIT_OBJECT_0;
}

bool TSignal::WaitFor(int timeout_ms) const {
  return WaitForSingleObject(impl_->event, static_cast<DWORD>(timeout_ms)) == WAIT_OBJECT_0;
}

struct TWindowHost::Impl {
  TWindowEvents* events = nullptr;
  HWND hwnd = nullptr;
  bool closed = false;

  // Closing notification, then the window goes; the loop ends after the
  // message that closed it.
  void CloseNow() {
    if (closed) return;
    events->OnClose();
    closed = true;
    if (hwnd) DestroyWindow(hwnd);
    // Wakes a GetMessage that dispatched the closing message itself (a sent
    // one) and would otherwise wait on; a stray WM_NULL harms no one.
    PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
  }

  static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Impl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcA(hwnd, msg, wparam, lparam);
    if (msg >= WM_USER && msg < 0x8000) {
      return static_cast<LRESULT>(
          self->events->OnMessage(msg, static_cast<std::uintptr_t>(wparam), static_cast<std::intptr_t>(lparam)));
    }
    switch (msg) {
      case WM_CLOSE:
        if (!self->closed) {
          self->events->OnCloseRequest();
          self->CloseNow();
        }
        return 0;
      case WM_DESTROY:
        // No WM_QUIT: the loop ends on `closed`, and a quit message left in
        // the thread's queue would end the next window's loop at once.
        self->closed = true;
        self->hwnd = nullptr;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        return 0;
      default:
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
  }
};

TWindowHost::TWindowHost(const std::string& caption, TWindowBounds design, TWindowEvents& events)
    : impl_(std::make_unique<Impl>()) {
  impl_->events = &events;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &Impl::Procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kWindowClass;
  // A second host in one process finds the class registered already.
  if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw std::runtime_error("The window class cannot be registered.");
  impl_->hwnd = CreateWindowExA(0, kWindowClass, caption.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                design.width, design.height, nullptr, nullptr, instance, impl_.get());
  if (!impl_->hwnd) throw std::runtime_error("The main window cannot be created.");
}

TWindowHost::~TWindowHost() {
  if (impl_->hwnd) {
    SetWindowLongPtrA(impl_->hwnd, GWLP_USERDATA, 0);
    DestroyWindow(impl_->hwnd);
  }
}

WindowHandle TWindowHost::Handle() const {
  return reinterpret_cast<WindowHandle>(impl_->hwnd);
}

void TWindowHost::SetBounds(const TWindowBounds& b) {
  if (impl_->hwnd) MoveWindow(impl_->hwnd, b.left, b.top, b.width, b.height, FALSE);
}

TWindowBounds TWindowHost::Bounds() const {
  TWindowBounds b;
  if (!impl_->hwnd) return b;
  // The restored rectangle, also while the window is minimised.
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  if (GetWindowPlacement(impl_->hwnd, &wp)) {
    b.left = wp.rcNormalPosition.left;
    b.top = wp.rcNormalPosition.top;
    b.width = wp.rcNormalPosition.right - wp.rcNormalPosition.left;
    b.height = wp.rcNormalPosition.bottom - wp.rcNormalPosition.top;
  }
  return b;
}

void TWindowHost::Show(bool minimised) {
  if (impl_->hwnd) ShowWindow(impl_->hwnd, minimised ? SW_SHOWMINNOACTIVE : SW_SHOW);
}

bool TWindowHost::Minimised() const {
  return impl_->hwnd && IsIconic(impl_->hwnd);
}

void TWindowHost::Run() {
  MSG m;
  while (!impl_->closed && GetMessageA(&m, nullptr, 0, 0) > 0) {
    // The keyboard of a form: Tab between the controls, Enter for the
    // default button, arrows in the radio group.
    if (impl_->hwnd && IsDialogMessageA(impl_->hwnd, &m)) continue;
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

void TWindowHost::Close() {
  impl_->CloseNow();
}

void TWindowHost::RequestClose() {
  if (impl_->hwnd) SendMessageA(impl_->hwnd, WM_CLOSE, 0, 0);
}

bool TWindowHost::Closed() const {
  return impl_->closed;
}

bool TWindowHost::WaitServingSends(const TSignal& signal, int timeout_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    const DWORD left = elapsed >= static_cast<DWORD>(timeout_ms) ? 0 : static_cast<DWORD>(timeout_ms) - elapsed;
    const DWORD r = MsgWaitForMultipleObjects(1, &signal.impl_->event, FALSE, left, QS_SENDMESSAGE);
    if (r == WAIT_OBJECT_0) return true;
    if (r != WAIT_OBJECT_0 + 1) return signal.IsSet();
    // Peeking dispatches the messages sent from other threads; posted ones
    // stay in the queue.
    MSG m;
    PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

void InitialiseWindowing(bool) {}

bool PostWindowMessage(WindowHandle window, std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam) {
  return PostMessageA(ToHwnd(window), msg, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam)) != 0;
}

std::intptr_t SendWindowMessage(WindowHandle window, std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam) {
  return static_cast<std::intptr_t>(
      SendMessageA(ToHwnd(window), msg, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam)));
}

}  // namespace tolvar::platform
