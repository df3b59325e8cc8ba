// Time-outs of the transport: milliseconds, with two sentinels. Every rule
// that turns a time-out setting into a wait lives here, so the sentinels mean
// the same at every call site.
#pragma once

#include "platform/wait_limit.h"

namespace tolvar::transport {

// The owner's default (a connection's ReadTimeout, say).
inline constexpr int TimeoutDefault = -1;
// No limit.
inline constexpr int TimeoutInfinite = -2;

// The platform wait for a time-out: TimeoutInfinite waits without limit; any
// other negative value (a TimeoutDefault no owner replaced) looks once.
constexpr platform::WaitLimit WaitLimitOf(int timeout_ms) {
  return timeout_ms == TimeoutInfinite ? platform::WaitLimit::None() : platform::WaitLimit::Ms(timeout_ms);
}

// A call's time-out against its connection's ReadTimeout, whose 0 means no
// limit: TimeoutDefault takes the ReadTimeout; anything else stays (an
// explicit 0 is one look).
constexpr int CallTimeout(int timeout_ms, int read_timeout_ms) {
  if (timeout_ms != TimeoutDefault) return timeout_ms;
  return read_timeout_ms == 0 ? TimeoutInfinite : read_timeout_ms;
}

// A handler's own wait for each piece of a reply (TLS records, SOCKS replies)
// against the time-out its owner hands in: TimeoutDefault defers to the
// owner's, and a result of TimeoutDefault or 0 means no limit.
constexpr int PieceTimeout(int own_ms, int owner_ms) {
  const int ms = own_ms == TimeoutDefault ? owner_ms : own_ms;
  return ms == TimeoutDefault || ms == 0 ? TimeoutInfinite : ms;
}

// A connect's time-out: TimeoutDefault and 0 connect untimed (a failure is a
// plain socket error); any other value is timed (a failure is a connect
// failure with the error's text), waiting the milliseconds when positive and
// without limit otherwise.
constexpr bool IsTimedConnect(int timeout_ms) {
  return timeout_ms != TimeoutDefault && timeout_ms != 0;
}
constexpr platform::WaitLimit ConnectWaitOf(int timeout_ms) {
  return timeout_ms > 0 ? platform::WaitLimit::Ms(timeout_ms) : platform::WaitLimit::None();
}

}  // namespace tolvar::transport
