// The connection's way to the network: a TNetTCPConnection never touches
// sockets itself. Calling order: Open, ConnectTo, then any WaitReadable,
// Recv, Send, then Close. Close may also come from another thread.
#pragma once

#include <string>

#include "transport/component.h"
#include "transport/io_status.h"
#include "transport/timeout.h"

namespace tolvar::transport {

class TNetIOHandler : public TNetComponent {
 public:
  virtual void AcceptCompleted() {}
  virtual void Close() {}
  virtual void ConnectTo(const std::string& host, int port, const std::string& bound_ip, int bound_port,
                         int bound_port_min, int bound_port_max, int timeout_ms) {
    (void)host, (void)port, (void)bound_ip, (void)bound_port, (void)bound_port_min, (void)bound_port_max,
        (void)timeout_ms;
  }
  virtual bool Connected() = 0;
  virtual void Open() {}
  // timeout_ms: milliseconds or TimeoutInfinite (see timeout.h).
  virtual bool WaitReadable(int timeout_ms) = 0;
  // Raw counts: bytes, 0 = the peer closed, -1 = error (read the stack's
  // socket error on the same thread).
  virtual int Recv(char* buffer, int length) = 0;
  virtual int Send(const char* buffer, int length) = 0;

  // Receives up to `length` bytes, waiting at most `timeout_ms` (as
  // WaitReadable) for them. This one waits, then receives through Recv; a
  // handler may receive first and wait only when nothing is there, which
  // spares a wait per block on a busy connection.
  virtual TNetRecvResult RecvWithin(char* buffer, int length, int timeout_ms) {
    if (!WaitReadable(timeout_ms)) return TNetRecvResult::TimedOut();
    return TNetRecvResult::OfCount(Recv(buffer, length));
  }
};

}  // namespace tolvar::transport
