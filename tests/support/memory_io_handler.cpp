#include "support/memory_io_handler.h"

#include <algorithm>
#include <cstring>

#include "platform/socket.h"
#include "transport/exceptions.h"

namespace tolvar::testing {

namespace {

// The handler outlives every client in a test, so the shared handle does
// not own it.
struct TNoDelete {
  void operator()(TMemoryIOHandler*) const {}
};

}  // namespace

void TMemoryIOHandler::Serve(std::vector<std::string> pieces, TEnd end) {
  std::lock_guard<std::mutex> lock(mutex_);
  // Empty pieces would read as a close; they carry nothing anyway.
  pieces.erase(std::remove(pieces.begin(), pieces.end(), std::string()), pieces.end());
  scripts_.push_back(TConnectionScript{std::move(pieces), end});
}

std::shared_ptr<TMemoryIOHandler> TMemoryIOHandler::Shared() {
  return std::shared_ptr<TMemoryIOHandler>(this, TNoDelete());
}

std::string TMemoryIOHandler::Sent(std::size_t i) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return i < sent_.size() ? sent_[i] : std::string();
}

std::size_t TMemoryIOHandler::Connections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sent_.size();
}

std::size_t TMemoryIOHandler::PiecesLeft() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (current_ == 0) return 0;
  return scripts_[current_ - 1].pieces.size() - next_piece_;
}

std::string TMemoryIOHandler::LastHost() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return host_;
}

int TMemoryIOHandler::LastPort() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return port_;
}

bool TMemoryIOHandler::Blocked() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return blocked_;
}

void TMemoryIOHandler::FailAt(int n) {
  std::lock_guard<std::mutex> lock(mutex_);
  fail_at_ = n < 0 ? -1 : calls_ + n;
}

int TMemoryIOHandler::Calls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_;
}

bool TMemoryIOHandler::Fails() {
  const bool fails = fail_at_ >= 0 && calls_ >= fail_at_;
  ++calls_;
  if (fails) platform::SetLastError(platform::kWsaEConnReset);
  return fails;
}

void TMemoryIOHandler::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    connected_ = false;
  }
  closed_cv_.notify_all();
}

void TMemoryIOHandler::ConnectTo(const std::string& host, int port, const std::string&, int, int, int, int) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (sent_.size() >= scripts_.size()) throw transport::ENetConnectException("No scripted connection left.");
  sent_.emplace_back();
  current_ = sent_.size();
  next_piece_ = 0;
  piece_offset_ = 0;
  connected_ = true;
  host_ = host;
  port_ = port;
}

bool TMemoryIOHandler::Connected() {
  std::lock_guard<std::mutex> lock(mutex_);
  return connected_;
}

bool TMemoryIOHandler::WaitReadable(int) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!connected_) throw transport::ENetClosedSocket();
  const TConnectionScript& script = scripts_[current_ - 1];
  // A call due to fail is ready at once, as a reset socket is.
  if (fail_at_ >= 0 && calls_ >= fail_at_) return true;
  if (next_piece_ < script.pieces.size() || script.end == TEnd::Close) return true;
  if (script.end == TEnd::Open) return false;
  blocked_ = true;
  closed_cv_.wait(lock, [this] { return !connected_; });
  blocked_ = false;
  // As a socket closed under a waiting select: the next call fails.
  return true;
}

int TMemoryIOHandler::Recv(char* buffer, int length) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!connected_) throw transport::ENetClosedSocket();
  if (Fails()) return -1;
  const TConnectionScript& script = scripts_[current_ - 1];
  if (next_piece_ >= script.pieces.size()) return 0;
  const std::string& piece = script.pieces[next_piece_];
  const std::size_t n = std::min(piece.size() - piece_offset_, static_cast<std::size_t>(std::max(length, 0)));
  std::memcpy(buffer, piece.data() + piece_offset_, n);
  piece_offset_ += n;
  if (piece_offset_ == piece.size()) {
    ++next_piece_;
    piece_offset_ = 0;
  }
  return static_cast<int>(n);
}

int TMemoryIOHandler::Send(const char* buffer, int length) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!connected_) throw transport::ENetClosedSocket();
  if (Fails()) return -1;
  sent_[current_ - 1].append(buffer, static_cast<std::size_t>(length));
  return length;
}

}  // namespace tolvar::testing
