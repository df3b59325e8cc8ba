// The private window messages between the worker threads and the transfer
// controller. Numbers are in the application range (WM_USER is 0x0400).
#pragma once

#include <cstdint>

namespace tolvar::client {

// Posted. wParam: kCommandStart (the window to itself), kCommandRetryDue
// (the retry thread), kCommandFinished (the worker; lParam -1 when the
// request returned normally, 0 when it failed). Other codes are ignored.
inline constexpr std::uint32_t WM_TRANSFER_COMMAND = 0x0400 + 0x1000;
// Sent by the worker, which waits until the window has handled it. lParam:
// address of a NUL-terminated text, valid only until the send returns.
inline constexpr std::uint32_t WM_TRANSFER_ERROR = 0x0400 + 0x1001;
// Posted. wParam: kStatusResolving, kStatusConnected, kStatusAborting.
inline constexpr std::uint32_t WM_TRANSFER_STATUS = 0x0400 + 0x1002;

enum : std::uintptr_t { kCommandStart = 0, kCommandRetryDue = 1, kCommandFinished = 2 };
enum : std::uintptr_t { kStatusResolving = 0, kStatusConnected = 1, kStatusAborting = 2 };

}  // namespace tolvar::client
