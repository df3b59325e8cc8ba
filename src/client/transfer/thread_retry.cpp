#include "client/transfer/thread_retry.h"

#include <chrono>

#include "client/transfer/transfer_messages.h"

namespace tolvar::client {

void TThreadRetry::Terminate() {
  TTransferThread::Terminate();
  std::lock_guard<std::mutex> lock(FMutex);
  FWoken = true;
  FWake.notify_all();
}

void TThreadRetry::Execute() {
  {
    std::unique_lock<std::mutex> lock(FMutex);
    const auto interval = std::chrono::milliseconds(IntervalMs > 0 ? IntervalMs : 0);
    FWake.wait_for(lock, interval, [this] { return FWoken; });
  }
  if (!Terminated()) platform::PostWindowMessage(NotifyWindow, WM_TRANSFER_COMMAND, kCommandRetryDue, 0);
}

}  // namespace tolvar::client
