#include "transport/component.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <mutex>

#include "transport/stack.h"

namespace tolvar::transport {
namespace {

std::mutex g_stack_mutex;
int g_live_count = 0;  // guarded by g_stack_mutex

const char* Format(TNetStatus status) {
  switch (status) {
    case hsResolving:
      return "Resolving hostname %s.";
    case hsConnecting:
      return "Connecting to %s.";
    case hsConnected:
      return "Connected.";
    case hsDisconnecting:
      return "Disconnecting.";
    case hsDisconnected:
      return "Disconnected.";
    default:
      return "%s";
  }
}

}  // namespace

std::string FormatStatus(TNetStatus status, const std::vector<std::string>& args) {
  std::string text = Format(status);
  auto at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, args.empty() ? std::string() : args[0]);
  return text;
}

TNetComponent::TNetComponent() {
  std::lock_guard<std::mutex> lock(g_stack_mutex);
  if (g_live_count == 0) TNetStack::CreateInstance();
  ++g_live_count;
}

TNetComponent::~TNetComponent() {
  std::lock_guard<std::mutex> lock(g_stack_mutex);
  if (--g_live_count == 0) TNetStack::FreeInstance();
}

int TNetComponent::LiveCount() {
  std::lock_guard<std::mutex> lock(g_stack_mutex);
  return g_live_count;
}

void TNetComponent::FireStatus(TNetStatus status, const std::vector<std::string>& args) {
  if (OnStatus) OnStatus(this, status, FormatStatus(status, args));
}

void TNetComponent::FireWorkBegin(TWorkMode mode, std::int32_t count_max) {
  WorkInfo& w = work_[mode];
  if (++w.level == 1) {
    w.count_max = count_max;
    w.count = 0;
    if (OnWorkBegin) OnWorkBegin(this, mode, count_max);
  }
}

void TNetComponent::FireWork(TWorkMode mode, std::int32_t count) {
  WorkInfo& w = work_[mode];
  if (w.level < 1) return;
  // A body beyond 2 GiB must not wrap the running total; it stays at the
  // largest count the event can carry.
  const std::int64_t total = static_cast<std::int64_t>(w.count) + count;
  w.count = static_cast<std::int32_t>(std::min<std::int64_t>(total, std::numeric_limits<std::int32_t>::max()));
  if (OnWork) OnWork(this, mode, w.count);
}

void TNetComponent::FireWorkEnd(TWorkMode mode) {
  WorkInfo& w = work_[mode];
  if (w.level == 1 && OnWorkEnd) OnWorkEnd(this, mode);
  if (w.level > 0) --w.level;
}

}  // namespace tolvar::transport
