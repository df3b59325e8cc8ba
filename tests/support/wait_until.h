// Polling for what another process does (a window appearing, a file
// written, an exit): the condition is asked every 50 ms until it holds or
// `timeout_ms` has passed. Generous bounds keep a loaded machine from
// failing a case; a condition that holds returns at once.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace tolvar::testing {

// Long enough for a program started under Wine on a busy machine.
inline constexpr int kWaitMs = 30000;

inline bool WaitUntil(const std::function<bool()>& done, int timeout_ms = kWaitMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

}  // namespace tolvar::testing
