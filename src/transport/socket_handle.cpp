#include "transport/socket_handle.h"

#include <chrono>

#include "transport/exceptions.h"
#include "transport/stack.h"

namespace tolvar::transport {

namespace ps = platform;

namespace {

// Results are ignored, and a sockets library that is gone (at process exit)
// leaves nothing to close: this runs in destructors, which must not throw.
void ShutdownQuietly(ps::SocketHandle h) noexcept {
  try {
    ps::Shutdown(h, 2);
  } catch (...) {
  }
}

void CloseQuietly(ps::SocketHandle h) noexcept {
  try {
    ps::CloseSocket(h);
  } catch (...) {
  }
}

}  // namespace

// Marks one call in progress on the socket; the handle stays open until the
// last such call has left. `ok` is false when the socket was already gone.
class TNetSocketHandle::Use {
 public:
  explicit Use(TNetSocketHandle* owner) : owner_(owner) {
    std::lock_guard<std::mutex> lock(owner_->mutex_);
    ok = owner_->has_socket_.load() && owner_->handle_ != ps::kInvalidSocket;
    if (ok) {
      handle = owner_->handle_;
      ++owner_->users_;
    }
  }
  ~Use() {
    if (!ok) return;
    std::lock_guard<std::mutex> lock(owner_->mutex_);
    if (--owner_->users_ == 0 && owner_->close_pending_) {
      CloseQuietly(owner_->handle_);
      owner_->handle_ = ps::kInvalidSocket;
      owner_->close_pending_ = false;
    }
  }
  Use(const Use&) = delete;
  Use& operator=(const Use&) = delete;

  bool ok = false;
  ps::SocketHandle handle = ps::kInvalidSocket;

 private:
  TNetSocketHandle* owner_;
};

TNetSocketHandle::~TNetSocketHandle() {
  ReleaseSocket();
}

ps::SocketHandle TNetSocketHandle::Handle() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return handle_;
}

void TNetSocketHandle::OpenSocket(int type, int protocol) {
  ReleaseSocket();
  ps::SocketHandle s = TNetStack::Instance()->NewSocket(type, protocol);
  std::lock_guard<std::mutex> lock(mutex_);
  handle_ = s;
  has_socket_.store(true, std::memory_order_release);
}

void TNetSocketHandle::ReleaseSocket(bool reset_local) noexcept {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (has_socket_.exchange(false)) {
      // Both directions: the shutdown of the receive side is what wakes a
      // call blocked on the socket in another thread.
      ShutdownQuietly(handle_);
      if (users_ == 0) {
        CloseQuietly(handle_);
        handle_ = ps::kInvalidSocket;
      } else {
        close_pending_ = true;
      }
    }
  }
  (void)reset_local;
}

void TNetSocketHandle::Reset(bool reset_local) {
  ReleaseSocket();
  if (reset_local) {
    IP.clear();
    Port = 0;
  }
  PeerAddress.clear();
  PeerPortNumber = 0;
}

bool TNetSocketHandle::TryBind(int port) {
  Use use(this);
  if (!use.ok) throw ENetSocketError(ps::kWsaENotSock);
  ps::Ipv4Endpoint local{TNetStack::ParseInAddr(IP.empty() ? "0.0.0.0" : IP), static_cast<std::uint16_t>(port)};
  int rc = StackCall([&] { return ps::Bind(use.handle, local); });
  if (TNetStack::Instance()->CheckSocketResult(rc, {ps::kWsaEAddrInUse})) return false;
  RefreshLocalBinding();
  return true;
}

void TNetSocketHandle::Bind() {
  if (Port != 0 || ClientPortMin == 0 || ClientPortMax == 0) {
    if (!TryBind(Port)) throw ENetCouldNotBindSocket();
    return;
  }
  if (ClientPortMax < ClientPortMin) throw ENetInvalidPortRange(ClientPortMin, ClientPortMax);
  for (int port = ClientPortMax; port >= ClientPortMin; --port) {
    if (TryBind(port)) return;
  }
  throw ENetCanNotBindPortInRange(ClientPortMin, ClientPortMax);
}

TNetSocketHandle::Wait TNetSocketHandle::WaitFor(bool write, ps::WaitLimit limit, ps::SocketHandle h) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(limit.Unlimited() ? 0 : limit.Milliseconds());
  const ps::WaitLimit slice = ps::WakeSlice();
  for (;;) {
    if (!HasSocket()) return Wait::kReleased;
    ps::WaitLimit wait = limit;
    if (!limit.Unlimited()) {
      wait = ps::WaitLimit::Ms(
          static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()));
    }
    wait = wait.AtMost(slice);
    std::vector<ps::SocketHandle> a{h}, b{h};
    int rc = write ? StackCall([&] { return ps::Select(nullptr, &a, &b, wait); })
                   : StackCall([&] { return ps::Select(&a, nullptr, nullptr, wait); });
    if (!HasSocket()) return Wait::kReleased;
    if (rc > 0) return Wait::kReady;
    if (rc < 0) return Wait::kTimedOut;  // a select error counts as not ready
    if (!limit.Unlimited() && Clock::now() >= deadline) return Wait::kTimedOut;
  }
}

TNetConnectStatus TNetSocketHandle::Connect(ps::WaitLimit limit) {
  Use use(this);
  if (!use.ok) {
    StackCall([] { ps::SetLastError(ps::kWsaENotSock); });
    return csFailed;
  }
  ps::Ipv4Endpoint peer{TNetStack::ParseInAddr(PeerAddress), static_cast<std::uint16_t>(PeerPortNumber)};
  StackCall([&] { return ps::SetNonBlocking(use.handle, true); });
  int rc = StackCall([&] { return ps::Connect(use.handle, peer); });
  if (rc != 0) {
    int code = StackCall([] { return ps::LastError(); });
    if (code != ps::kWsaEWouldBlock && code != ps::kWsaEInProgress) return csFailed;
    switch (WaitFor(true, limit, use.handle)) {
      case Wait::kReleased:
        StackCall([] { ps::SetLastError(ps::kWsaENotSock); });
        return csFailed;
      case Wait::kTimedOut:
        return csTimedOut;
      case Wait::kReady:
        break;
    }
    code = StackCall([&] { return ps::PendingError(use.handle); });
    if (code != 0) {
      StackCall([&] { ps::SetLastError(code); });
      return csFailed;
    }
  }
  RefreshLocalBinding();
  RefreshPeerBinding();
  return csConnected;
}

void TNetSocketHandle::AssignPeer(const std::string& address, int port) {
  PeerAddress = address;
  PeerPortNumber = port;
}

bool TNetSocketHandle::WaitReadable(ps::WaitLimit limit) {
  if (!HasSocket()) throw ENetConnClosedGracefully();
  Use use(this);
  if (!use.ok) return false;
  return WaitFor(false, limit, use.handle) == Wait::kReady;
}

int TNetSocketHandle::Recv(char* buffer, int length) {
  Use use(this);
  for (;;) {
    if (!use.ok || !HasSocket()) {
      StackCall([] { ps::SetLastError(ps::kWsaENotSock); });
      return -1;
    }
    int n = StackCall([&] { return ps::Recv(use.handle, buffer, length); });
    if (n >= 0 || StackCall([] { return ps::LastError(); }) != ps::kWsaEWouldBlock) return n;
    WaitFor(false, ps::WaitLimit::None(), use.handle);
  }
}

TNetRecvResult TNetSocketHandle::RecvWithin(char* buffer, int length, ps::WaitLimit limit) {
  using Clock = std::chrono::steady_clock;
  if (!HasSocket()) throw ENetConnClosedGracefully();
  Use use(this);
  if (!use.ok) return TNetRecvResult::TimedOut();
  // Receive first only when the last receive filled the whole buffer (more
  // is likely waiting); otherwise the data has to be waited for anyway, and
  // a receive that finds nothing would be one system call too many.
  bool receive_first = last_receive_filled_;
  bool waited = false;
  Clock::time_point deadline;
  for (;;) {
    if (!HasSocket()) return TNetRecvResult::TimedOut();
    if (!receive_first) {
      // The clock is read only once a wait is needed.
      if (!waited) deadline = Clock::now() + std::chrono::milliseconds(limit.Unlimited() ? 0 : limit.Milliseconds());
      waited = true;
      ps::WaitLimit left = limit;
      if (!limit.Unlimited()) {
        left = ps::WaitLimit::Ms(
            static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()));
      }
      if (WaitFor(false, left, use.handle) != Wait::kReady) return TNetRecvResult::TimedOut();
    }
    receive_first = false;
    int n = StackCall([&] { return ps::Recv(use.handle, buffer, length); });
    last_receive_filled_ = n == length;
    if (n >= 0 || StackCall([] { return ps::LastError(); }) != ps::kWsaEWouldBlock) return TNetRecvResult::OfCount(n);
  }
}

int TNetSocketHandle::Send(const char* buffer, int length) {
  Use use(this);
  for (;;) {
    if (!use.ok || !HasSocket()) {
      StackCall([] { ps::SetLastError(ps::kWsaENotSock); });
      return -1;
    }
    int n = StackCall([&] { return ps::Send(use.handle, buffer, length); });
    if (n >= 0 || StackCall([] { return ps::LastError(); }) != ps::kWsaEWouldBlock) return n;
    WaitFor(true, ps::WaitLimit::None(), use.handle);
  }
}

void TNetSocketHandle::SetSocketOption(int level, int option, const void* value, int length) {
  Use use(this);
  if (!use.ok) throw ENetSocketError(ps::kWsaENotSock);
  TNetStack::Instance()->CheckSocketResult(
      StackCall([&] { return ps::SetSockOpt(use.handle, level, option, value, length); }));
}

void TNetSocketHandle::RefreshLocalBinding() {
  Use use(this);
  if (!use.ok) throw ENetSocketError(ps::kWsaENotSock);
  ps::Ipv4Endpoint e;
  TNetStack::Instance()->CheckSocketResult(StackCall([&] { return ps::GetSockName(use.handle, &e); }));
  IP = TNetStack::InAddrToText(e.address);
  Port = e.port;
}

void TNetSocketHandle::RefreshPeerBinding() {
  Use use(this);
  if (!use.ok) throw ENetSocketError(ps::kWsaENotSock);
  ps::Ipv4Endpoint e;
  TNetStack::Instance()->CheckSocketResult(StackCall([&] { return ps::GetPeerName(use.handle, &e); }));
  PeerAddress = TNetStack::InAddrToText(e.address);
  PeerPortNumber = e.port;
}

void TNetSocketHandle::Assign(const TNetSocketHandle& other) {
  IP = other.IP;
  Port = other.Port;
  PeerAddress = other.PeerAddress;
  PeerPortNumber = other.PeerPortNumber;
}

}  // namespace tolvar::transport
