// A multi-reader, single-writer lock whose writer may take it again (for
// reading or writing) while it holds it. Readers may not upgrade.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace tolvar::http {

class TNetMultiReadLock {
 public:
  void BeginRead();
  void EndRead();
  void BeginWrite();
  void EndWrite();

 private:
  std::mutex FMutex;
  std::condition_variable FChanged;
  int FReaders = 0;         // guarded by FMutex
  int FWriteDepth = 0;      // guarded by FMutex; nested takes by the writer
  std::thread::id FWriter;  // guarded by FMutex; valid while FWriteDepth > 0
};

// Scoped holders.
class TNetReadAccess {
 public:
  explicit TNetReadAccess(TNetMultiReadLock& lock) : FLock(lock) { FLock.BeginRead(); }
  ~TNetReadAccess() { FLock.EndRead(); }
  TNetReadAccess(const TNetReadAccess&) = delete;
  TNetReadAccess& operator=(const TNetReadAccess&) = delete;

 private:
  TNetMultiReadLock& FLock;
};

class TNetWriteAccess {
 public:
  explicit TNetWriteAccess(TNetMultiReadLock& lock) : FLock(lock) { FLock.BeginWrite(); }
  ~TNetWriteAccess() { FLock.EndWrite(); }
  TNetWriteAccess(const TNetWriteAccess&) = delete;
  TNetWriteAccess& operator=(const TNetWriteAccess&) = delete;

 private:
  TNetMultiReadLock& FLock;
};

}  // namespace tolvar::http
