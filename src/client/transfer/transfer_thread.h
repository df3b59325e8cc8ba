// The thread base of the connection worker and the retry waiter.
#pragma once

#include <atomic>
#include <thread>

#include "platform/window_host.h"

namespace tolvar::client {

// A thread object that is created suspended, started once, may be asked to
// stop (a flag its Execute reads) and can be waited for with a bound. It is
// never released by its own termination: the owner releases it, and the
// destructor waits for a thread that is still running, so an owner that
// cannot wait (a worker stuck past the bounded wait at close) must keep the
// object alive instead of releasing it.
class TTransferThread {
 public:
  TTransferThread() = default;
  virtual ~TTransferThread();
  TTransferThread(const TTransferThread&) = delete;
  TTransferThread& operator=(const TTransferThread&) = delete;

  // Runs Execute on a new thread; once only.
  void Start();
  // Written by the owner's thread, read by Execute without a lock: a late
  // read only costs a message that the owner ignores.
  virtual void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  // Raised when Execute has returned.
  const platform::TSignal& Finished() const { return FFinished; }

 protected:
  virtual void Execute() = 0;

 private:
  std::atomic<bool> FTerminated{false};
  platform::TSignal FFinished;
  std::thread FThread;
};

}  // namespace tolvar::client
