#include "support/scripted_server.h"

#include <chrono>
#include <stdexcept>

namespace tolvar::testing {

namespace ps = platform;

TScript& TScript::ReadUntil(std::string bytes) {
  steps_.push_back({Kind::kReadUntil, std::move(bytes), 0, 0});
  return *this;
}
TScript& TScript::ReadCount(std::size_t n) {
  steps_.push_back({Kind::kReadCount, {}, n, 0});
  return *this;
}
TScript& TScript::Send(std::string bytes, int delay_ms) {
  steps_.push_back({Kind::kSend, std::move(bytes), 0, delay_ms});
  return *this;
}
TScript& TScript::Sleep(int ms) {
  steps_.push_back({Kind::kSleep, {}, 0, ms});
  return *this;
}
TScript& TScript::Close() {
  steps_.push_back({Kind::kClose, {}, 0, 0});
  return *this;
}
TScript& TScript::Reset() {
  steps_.push_back({Kind::kReset, {}, 0, 0});
  return *this;
}
TScript& TScript::Silent() {
  steps_.push_back({Kind::kSilent, {}, 0, 0});
  return *this;
}
TScript& TScript::WaitPeerClose() {
  steps_.push_back({Kind::kWaitPeerClose, {}, 0, 0});
  return *this;
}

// The server's waits look at the stop flag this often.
constexpr long kSliceMs = 20;

TScriptedServer::TScriptedServer(std::vector<TScript> scripts)
    : scripts_(std::move(scripts)), received_(scripts_.size()) {
  if (ps::StartSockets() != 0) throw std::runtime_error("scripted server: socket start-up failed");
  listener_ = ps::Socket(2, 1, 0);
  if (listener_ == ps::kInvalidSocket) throw std::runtime_error("scripted server: no socket");
  ps::Ipv4Endpoint local{{127, 0, 0, 1}, 0};
  if (ps::Bind(listener_, local) != 0 || ps::Listen(listener_, 16) != 0 || ps::GetSockName(listener_, &local) != 0) {
    ps::CloseSocket(listener_);
    throw std::runtime_error("scripted server: cannot listen");
  }
  port_ = local.port;
  thread_ = std::thread([this] { Run(); });
}

TScriptedServer::~TScriptedServer() {
  Stop();
  thread_.join();
  ps::CloseSocket(listener_);
}

void TScriptedServer::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stop_ = true;
}

bool TScriptedServer::Stopping() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stop_;
}

std::string TScriptedServer::Received(std::size_t i) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return i < received_.size() ? received_[i] : std::string();
}

std::size_t TScriptedServer::Accepted() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return accepted_;
}

std::vector<std::string> TScriptedServer::Failures() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return failures_;
}

bool TScriptedServer::WaitDone(int timeout_ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  return done_cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [this] { return done_; });
}

void TScriptedServer::Fail(std::size_t index, const std::string& what) {
  std::lock_guard<std::mutex> lock(mutex_);
  failures_.push_back("connection " + std::to_string(index) + ": " + what);
}

bool TScriptedServer::WaitReady(ps::SocketHandle s, bool write, long ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (Stopping()) return false;
    long slice = kSliceMs;
    if (ms >= 0) {
      auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
      if (left <= 0) return false;
      if (left < slice) slice = static_cast<long>(left);
    }
    std::vector<ps::SocketHandle> ready{s};
    if (ps::Select(write ? nullptr : &ready, write ? &ready : nullptr, nullptr, ps::WaitLimit::Ms(slice)) > 0)
      return true;
  }
}

void TScriptedServer::Run() {
  for (std::size_t i = 0; i < scripts_.size(); ++i) {
    if (!WaitReady(listener_, false, -1)) break;
    ps::SocketHandle s = ps::Accept(listener_, nullptr);
    if (s == ps::kInvalidSocket) {
      Fail(i, "accept failed");
      break;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++accepted_;
    }
    // Sends never block: a client that stops reading and closes must not
    // leave this thread inside a send that nothing wakes (under Wine a
    // blocked send is not ended by the peer's reset), and Stop() must end
    // a send to a client that neither reads nor closes.
    ps::SetNonBlocking(s, true);
    Serve(i, s);
  }
  std::lock_guard<std::mutex> lock(mutex_);
  done_ = true;
  done_cv_.notify_all();
}

void TScriptedServer::Serve(std::size_t index, ps::SocketHandle s) {
  std::string got;           // this connection's bytes, mirrored into received_
  std::size_t consumed = 0;  // bytes a finished read step has accounted for
  // One receive into `got`; false when the peer closed, failed or we stop.
  auto receive_some = [&]() {
    if (!WaitReady(s, false, -1)) return false;
    char buf[65536];
    int n = ps::Recv(s, buf, sizeof buf);
    if (n < 0 && ps::LastError() == ps::kWsaEWouldBlock) return true;
    if (n <= 0) return false;
    got.append(buf, static_cast<std::size_t>(n));
    std::lock_guard<std::mutex> lock(mutex_);
    received_[index] = got;
    return true;
  };
  bool closed = false;
  for (const TScript::Step& step : scripts_[index].Steps()) {
    if (Stopping()) break;
    switch (step.kind) {
      case TScript::Kind::kReadUntil: {
        std::size_t hit;
        while ((hit = got.find(step.bytes, consumed)) == std::string::npos) {
          if (!receive_some()) {
            Fail(index, "closed before \"" + step.bytes + "\"");
            closed = true;
            break;
          }
        }
        if (!closed) consumed = hit + step.bytes.size();
        break;
      }
      case TScript::Kind::kReadCount:
        while (got.size() < consumed + step.count) {
          if (!receive_some()) {
            Fail(index, "closed before " + std::to_string(step.count) + " bytes");
            closed = true;
            break;
          }
        }
        if (!closed) consumed += step.count;
        break;
      case TScript::Kind::kSend: {
        if (step.delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(step.delay_ms));
        std::size_t pos = 0;
        while (pos < step.bytes.size()) {
          if (!WaitReady(s, true, -1)) {
            closed = true;
            break;
          }
          int n = ps::Send(s, step.bytes.data() + pos, static_cast<int>(step.bytes.size() - pos));
          if (n < 0 && ps::LastError() == ps::kWsaEWouldBlock) continue;
          if (n <= 0) {
            Fail(index, "send failed with " + std::to_string(ps::LastError()));
            closed = true;
            break;
          }
          pos += static_cast<std::size_t>(n);
        }
        break;
      }
      case TScript::Kind::kSleep:
        std::this_thread::sleep_for(std::chrono::milliseconds(step.delay_ms));
        break;
      case TScript::Kind::kClose:
        closed = true;
        break;
      case TScript::Kind::kReset: {
        // Linger on with time 0: closesocket sends RST instead of FIN.
        const unsigned short linger[2] = {1, 0};
        ps::SetSockOpt(s, ps::kSolSocket, ps::kSoLinger, linger, sizeof linger);
        ps::CloseSocket(s);
        return;
      }
      case TScript::Kind::kSilent:
      case TScript::Kind::kWaitPeerClose:
        while (receive_some()) {
        }
        closed = true;
        break;
    }
    if (closed) break;
  }
  ps::Shutdown(s, 1);
  ps::CloseSocket(s);
}

}  // namespace tolvar::testing
