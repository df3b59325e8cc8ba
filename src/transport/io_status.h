// What a receive or a connect came to, typed, so that "timed out" cannot be
// mistaken for a byte count or for another layer's number.
#pragma once

namespace tolvar::transport {

enum TNetRecvStatus {
  rsReceived,  // Bytes > 0 arrived
  rsClosed,    // the peer closed (a raw count of 0)
  rsFailed,    // the socket failed; the thread's socket error says why
  rsTimedOut,  // nothing arrived within the time-out (or the socket was released meanwhile)
};

struct TNetRecvResult {
  TNetRecvStatus Status = rsClosed;
  int Bytes = 0;  // > 0 only with rsReceived

  // From a raw receive count: bytes, 0 = the peer closed, negative = failed.
  static constexpr TNetRecvResult OfCount(int count) {
    if (count > 0) return {rsReceived, count};
    return {count == 0 ? rsClosed : rsFailed, 0};
  }
  static constexpr TNetRecvResult TimedOut() { return {rsTimedOut, 0}; }
};

enum TNetConnectStatus {
  csConnected,
  csFailed,    // the thread's socket error says why
  csTimedOut,  // the wait passed; the socket is still open
};

}  // namespace tolvar::transport
