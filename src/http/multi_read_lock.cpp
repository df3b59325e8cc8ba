#include "http/multi_read_lock.h"

namespace tolvar::http {

void TNetMultiReadLock::BeginRead() {
  std::unique_lock<std::mutex> guard(FMutex);
  if (FWriteDepth > 0 && FWriter == std::this_thread::get_id()) {
    ++FWriteDepth;  // the writer reading counts as one more write level
    return;
  }
  FChanged.wait(guard, [this] { return FWriteDepth == 0; });
  ++FReaders;
}

void TNetMultiReadLock::EndRead() {
  std::lock_guard<std::mutex> guard(FMutex);
  if (FWriteDepth > 0 && FWriter == std::this_thread::get_id()) {
    --FWriteDepth;
  } else {
    --FReaders;
  }
  if (FWriteDepth == 0 && FReaders == 0) FChanged.notify_all();
}

void TNetMultiReadLock::BeginWrite() {
  std::unique_lock<std::mutex> guard(FMutex);
  if (FWriteDepth > 0 && FWriter == std::this_thread::get_id()) {
    ++FWriteDepth;
    return;
  }
  FChanged.wait(guard, [this] { return FWriteDepth == 0 && FReaders == 0; });
  FWriter = std::this_thread::get_id();
  FWriteDepth = 1;
}

void TNetMultiReadLock::EndWrite() {
  std::lock_guard<std::mutex> guard(FMutex);
  if (--FWriteDepth == 0) {
    FWriter = std::thread::id();
    FChanged.notify_all();
  }
}

}  // namespace tolvar::http
