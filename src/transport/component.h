// The base of every transport and protocol object that reports progress:
// status events (a status and a ready-made text) and work events (begin,
// progress, end of a read or write transfer). Events fire on the thread that
// performs the operation. The number of live components keeps the
// process-wide socket stack alive.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tolvar::transport {

enum TNetStatus {
  hsResolving,
  hsConnecting,
  hsConnected,
  hsDisconnecting,
  hsDisconnected,
  hsStatusText,
  ftpTransfer,
  ftpReady,
  ftpAborted
};
enum TWorkMode { wmRead, wmWrite };

class TNetComponent;
using TNetStatusEvent = std::function<void(TNetComponent* sender, TNetStatus status, const std::string& text)>;
using TWorkBeginEvent = std::function<void(TNetComponent* sender, TWorkMode mode, std::int32_t count_max)>;
using TWorkEvent = std::function<void(TNetComponent* sender, TWorkMode mode, std::int32_t count)>;
using TWorkEndEvent = std::function<void(TNetComponent* sender, TWorkMode mode)>;

// The status's format ("Connecting to %s.") filled with the first argument.
std::string FormatStatus(TNetStatus status, const std::vector<std::string>& args);

class TNetComponent {
 public:
  // Creates the socket stack when this is the first live component; a
  // failure to start it (ENetStackInitializationFailed, ENetWS2StubError)
  // propagates and leaves the count unchanged, so a later component retries.
  TNetComponent();
  virtual ~TNetComponent();
  TNetComponent(const TNetComponent&) = delete;
  TNetComponent& operator=(const TNetComponent&) = delete;

  TNetStatusEvent OnStatus;
  TWorkEvent OnWork;
  TWorkBeginEvent OnWorkBegin;
  TWorkEndEvent OnWorkEnd;

  void FireStatus(TNetStatus status) { FireStatus(status, {}); }
  void FireStatus(TNetStatus status, const std::vector<std::string>& args);
  // Nesting per mode: only the outermost begin and end fire; progress is the
  // running total of the outermost bracket and fires only inside one.
  virtual void FireWorkBegin(TWorkMode mode, std::int32_t count_max = 0);
  virtual void FireWork(TWorkMode mode, std::int32_t count);
  virtual void FireWorkEnd(TWorkMode mode);

  // Live components of the process (for tests).
  static int LiveCount();

 private:
  struct WorkInfo {
    std::int32_t count = 0;
    std::int32_t count_max = 0;
    std::int32_t level = 0;
  };
  WorkInfo work_[2];
};

}  // namespace tolvar::transport
