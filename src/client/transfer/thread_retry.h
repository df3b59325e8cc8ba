// The thread that waits out the interval between two attempts.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "client/transfer/transfer_thread.h"
#include "platform/window_host.h"

namespace tolvar::client {

// Sleeps IntervalMs, then, unless told to stop, posts WM_TRANSFER_COMMAND
// kCommandRetryDue to NotifyWindow. Terminate ends the sleep at once: the
// thread holds nothing, so a close never waits out the interval.
class TThreadRetry : public TTransferThread {
 public:
  std::int32_t IntervalMs = 0;
  platform::WindowHandle NotifyWindow = platform::kNoWindow;

  void Terminate() override;

 protected:
  void Execute() override;

 private:
  std::mutex FMutex;
  std::condition_variable FWake;
  bool FWoken = false;  // guarded by FMutex
};

}  // namespace tolvar::client
