// A loopback listener that never accepts. With `fill`, its backlog is filled
// first, so that a further connect to it stays pending until it is given up:
// an unanswered connect without leaving the machine.
#pragma once

#include <chrono>
#include <thread>
#include <vector>

#include "platform/socket.h"

namespace tolvar::transport {

class StuckListener {
 public:
  explicit StuckListener(bool fill) {
    platform::StartSockets();
    listener_ = platform::Socket(2, 1, 0);
    platform::Ipv4Endpoint e{{127, 0, 0, 1}, 0};
    platform::Bind(listener_, e);
    platform::Listen(listener_, 0);
    platform::GetSockName(listener_, &e);
    port = e.port;
    if (!fill) return;
    for (int i = 0; i < 8; ++i) {
      platform::SocketHandle s = platform::Socket(2, 1, 0);
      platform::SetNonBlocking(s, true);
      platform::Connect(s, e);
      fillers_.push_back(s);
    }
    // The backlog is full once one of them got in (the others stay pending
    // with it); wait for that rather than for a fixed time. Generous: it
    // only bounds a machine on which that never happens.
    std::vector<platform::SocketHandle> writable = fillers_;
    platform::Select(nullptr, &writable, nullptr, platform::WaitLimit::Ms(30000));
  }
  ~StuckListener() {
    for (auto s : fillers_) platform::CloseSocket(s);
    platform::CloseSocket(listener_);
  }
  StuckListener(const StuckListener&) = delete;
  StuckListener& operator=(const StuckListener&) = delete;

  int port = 0;

 private:
  platform::SocketHandle listener_;
  std::vector<platform::SocketHandle> fillers_;
};

}  // namespace tolvar::transport
