#include "transport/tcp_connection.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "transport/exceptions.h"

namespace tolvar::transport {

namespace {

void PutInt32(std::int32_t value, bool convert, unsigned char out[4]) {
  auto v = static_cast<std::uint32_t>(value);
  if (convert) {
    out[0] = static_cast<unsigned char>(v >> 24);
    out[1] = static_cast<unsigned char>(v >> 16);
    out[2] = static_cast<unsigned char>(v >> 8);
    out[3] = static_cast<unsigned char>(v);
  } else {
    std::memcpy(out, &v, 4);
  }
}

}  // namespace

TNetTCPConnection::TNetTCPConnection() {
  // Read progress counts bytes consumed from the buffer, not bytes received.
  receive_queue_.OnBytesRemoved = [this](TNetSimpleBuffer&, std::int32_t n) { FireWork(wmRead, n); };
}

TNetTCPConnection::~TNetTCPConnection() {
  auto h = IOHandler();
  if (!h) return;
  // A handler's close may fail (a library that is gone at process exit);
  // nothing is left to do about it here, and a destructor must not throw.
  try {
    h->Close();
  } catch (...) {
  }
}

std::shared_ptr<TNetIOHandler> TNetTCPConnection::IOHandler() const {
  std::lock_guard<std::mutex> lock(handler_mutex_);
  return io_handler_;
}

bool TNetTCPConnection::OwnsIOHandler() const {
  std::lock_guard<std::mutex> lock(handler_mutex_);
  return owns_io_handler_;
}

void TNetTCPConnection::SetIOHandler(std::shared_ptr<TNetIOHandler> handler, bool owned) {
  std::lock_guard<std::mutex> lock(handler_mutex_);
  io_handler_ = std::move(handler);
  owns_io_handler_ = owned && io_handler_;
}

void TNetTCPConnection::FireDisconnected() {
  if (OnDisconnected) OnDisconnected(this);
}

void TNetTCPConnection::ClearConnectionState() {
  receive_queue_.Clear();
  peer_closed_ = false;
}

void TNetTCPConnection::DropSocket() {
  auto h = IOHandler();
  if (!h) return;
  peer_closed_ = true;
  h->Close();
}

void TNetTCPConnection::Disconnect() {
  FireStatus(hsDisconnecting);
  DropSocket();
  std::shared_ptr<TNetIOHandler> released;
  {
    std::lock_guard<std::mutex> lock(handler_mutex_);
    if (owns_io_handler_) {
      // A driving thread inside the handler holds its own reference, so the
      // handler is freed when the last of the two lets go.
      released = std::move(io_handler_);
      owns_io_handler_ = false;
    }
  }
  released.reset();
  FireDisconnected();
  FireStatus(hsDisconnected);
}

bool TNetTCPConnection::TestDisconnected(bool raise_if_disconnected, bool ignore_buffer) {
  return TestDisconnectedOn(IOHandler(), raise_if_disconnected, ignore_buffer);
}

bool TNetTCPConnection::TestDisconnectedOn(const std::shared_ptr<TNetIOHandler>& h, bool raise_if_disconnected,
                                           bool ignore_buffer) {
  bool disconnected = false;
  if (peer_closed_ || !h) {
    if (h) {
      if (h->Connected()) {
        DropSocket();
        FireStatus(hsDisconnected);
        FireDisconnected();
      }
      disconnected = true;
    }
  } else {
    disconnected = !h->Connected();
  }
  if (disconnected && raise_if_disconnected && (receive_queue_.Size() == 0 || ignore_buffer)) {
    throw ENetConnClosedGracefully();
  }
  return disconnected;
}

bool TNetTCPConnection::Connected() {
  return ConnectedOn(IOHandler());
}

bool TNetTCPConnection::ConnectedOn(const std::shared_ptr<TNetIOHandler>& h) {
  TestDisconnectedOn(h, false, false);
  return h && h->Connected();
}

void TNetTCPConnection::TestClosedByPeer(bool raise_if_disconnected) {
  FillInputBuffer(raise_if_disconnected, 1, false);
}

int TNetTCPConnection::FillInputBuffer(bool raise_if_disconnected, int timeout_ms, bool raise_on_timeout) {
  return Receive(raise_if_disconnected, timeout_ms, raise_on_timeout, nullptr, 0, nullptr);
}

char* TNetTCPConnection::ReceiveBlock(std::int32_t* size) {
  const std::int32_t wanted = std::max<std::int32_t>(RecvBufferSize, 1);
  if (!receive_block_ || receive_block_size_ != wanted) {
    // Left uninitialised on purpose: every receive overwrites what it uses.
    receive_block_.reset(new char[static_cast<std::size_t>(wanted)]);
    receive_block_size_ = wanted;
  }
  *size = wanted;
  return receive_block_.get();
}

int TNetTCPConnection::Receive(bool raise_if_disconnected, int timeout_ms, bool raise_on_timeout,
                               platform::TStream* sink, std::int32_t sink_max, std::int32_t* delivered) {
  timeout_ms = CallTimeout(timeout_ms, ReadTimeout);
  if (delivered) *delivered = 0;
  // One reference for the whole call: it keeps the handler alive even when
  // another thread's Disconnect lets go of it (its socket then fails the
  // wait), and it spares fetching it under the lock at every step.
  const std::shared_ptr<TNetIOHandler> h = IOHandler();
  int n = 0;
  TestDisconnectedOn(h, raise_if_disconnected, false);
  if (!ConnectedOn(h)) {
    if (raise_if_disconnected) throw ENetNotConnected();
    return 0;
  }
  do {
    std::int32_t size = 0;
    char* block = ReceiveBlock(&size);
    const TNetRecvResult got = h->RecvWithin(block, size, timeout_ms);
    if (got.Status == rsTimedOut) {
      if (raise_on_timeout) throw ENetReadTimeout();
      return -1;
    }
    n = got.Bytes;
    peer_closed_ = got.Status == rsClosed;
    if (got.Status == rsFailed) {
      TNetStack* stack = TNetStack::Instance();
      stack->CheckSocketResult(-1, {platform::kWsaEShutdown, platform::kWsaEConnAborted});
      int code = stack->LastError;
      DropSocket();
      if (receive_queue_.Size() == 0) throw ENetSocketError(code);
      n = 0;
    }
    if (n > 0) {
      if (ASCIIFilter) {
        for (int i = 0; i < n; ++i) block[i] = static_cast<char>(block[i] & 0x7f);
      }
      std::int32_t direct = 0;
      if (sink && receive_queue_.Size() == 0) {
        // Nothing is buffered ahead of this block, so it may skip the buffer.
        // Whatever the stream does not take stays buffered, in order.
        const std::int32_t wanted = std::min<std::int32_t>(n, std::max<std::int32_t>(sink_max, 0));
        direct = wanted > 0 ? std::max<std::int32_t>(sink->Write(block, wanted), 0) : 0;
        if (direct > 0) {
          if (delivered) *delivered = direct;
          FireWork(wmRead, direct);
        }
        if (direct < n) receive_queue_.Append(block + direct, n - direct);
        if (direct < wanted) throw platform::EStreamError("Stream write error");
      } else {
        receive_queue_.Append(block, n);
      }
    }
    TestDisconnectedOn(h, raise_if_disconnected, false);
  } while (n == 0 && ConnectedOn(h));
  return n;
}

void TNetTCPConnection::ReadMaxLine(std::int32_t max, std::string* out) {
  if (MaxLineAction == maException) throw ENetReadLnMaxLineLengthExceeded();
  LastLineCut = true;
  *out = receive_queue_.TakeBytes(max);
}

std::string TNetTCPConnection::ReceiveLine(const std::string& terminator_in, int timeout_ms, int max_line_length) {
  const std::string terminator = terminator_in.empty() ? "\n" : terminator_in;
  const std::int32_t max = max_line_length == -1 ? MaxLineLength : max_line_length;
  LastLineCut = false;
  LastLineTimedOut = false;
  std::int64_t term_pos = 0;  // 1-based position of the terminator, 0 = none
  std::int32_t searched = 0;
  for (;;) {
    if (receive_queue_.Size() > 0) {
      // Resume a little before the searched end so that a terminator split
      // across two receives is still found.
      std::int32_t from = std::max<std::int32_t>(0, searched - static_cast<std::int32_t>(terminator.size()) + 1);
      std::string_view view(receive_queue_.Memory(), static_cast<std::size_t>(receive_queue_.Size()));
      auto at = view.find(terminator, static_cast<std::size_t>(from));
      if (at != std::string_view::npos) term_pos = static_cast<std::int64_t>(at) + 1;
      searched = receive_queue_.Size();
    }
    if (max != 0 && term_pos - 1 > max) {
      std::string line;
      ReadMaxLine(max, &line);
      return line;
    }
    if (term_pos == 0) {
      if (max != 0 && searched > max) {
        std::string line;
        ReadMaxLine(max, &line);
        return line;
      }
      TestDisconnected(true, true);
      // 0: the peer closed with an unterminated line buffered; -1: an
      // explicit time-out passed (only TimeoutDefault raises).
      if (FillInputBuffer(true, timeout_ms, timeout_ms == TimeoutDefault) <= 0) {
        LastLineTimedOut = true;
        return {};
      }
      continue;
    }
    break;
  }
  std::string line = receive_queue_.TakeBytes(static_cast<std::int32_t>(term_pos - 1));
  receive_queue_.Remove(static_cast<std::int32_t>(terminator.size()));
  if (terminator == "\n" && !line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string TNetTCPConnection::ReadNonEmptyLine(int fail_count) {
  for (int i = 0; i < fail_count; ++i) {
    std::string line = ReceiveLine("\n");
    auto b = line.find_first_not_of(" \t\r\n\v\f");
    if (b == std::string::npos) continue;
    std::size_t e = line.size();
    while (e > b && static_cast<unsigned char>(line[e - 1]) <= ' ') --e;
    while (b < e && static_cast<unsigned char>(line[b]) <= ' ') ++b;
    if (b < e) return line.substr(b, e - b);
  }
  return {};
}

void TNetTCPConnection::ReadExact(void* buffer, std::int32_t count) {
  if (count <= 0 || !buffer) return;
  while (receive_queue_.Size() < count) {
    FillInputBuffer(true, TimeoutDefault, true);
    TestDisconnected(true, true);
  }
  std::memcpy(buffer, receive_queue_.Memory(), static_cast<std::size_t>(count));
  receive_queue_.Remove(count);
}

std::int32_t TNetTCPConnection::ReadInt32(bool convert) {
  unsigned char b[4];
  ReadExact(b, 4);
  if (!convert) {
    std::int32_t v;
    std::memcpy(&v, b, 4);
    return v;
  }
  return static_cast<std::int32_t>((std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                                   (std::uint32_t{b[2]} << 8) | b[3]);
}

void TNetTCPConnection::WriteBuffered(platform::TStream& stream, std::int32_t count) {
  // Removed only once written: a failed write leaves the bytes buffered.
  stream.WriteBuffer(receive_queue_.Memory(), count);
  receive_queue_.Remove(count);
}

void TNetTCPConnection::ReadToStream(platform::TStream& stream, std::int32_t byte_count, bool read_until_disconnect) {
  if (byte_count == -1 && !read_until_disconnect) byte_count = ReadInt32(true);
  if (byte_count >= 0) {
    std::int64_t pos = stream.Position();
    stream.SetSize(pos + byte_count);
    stream.SetPosition(pos);
  }
  std::int32_t remaining = read_until_disconnect ? 2147483647 : byte_count;
  FireWorkBegin(wmRead, read_until_disconnect ? 0 : byte_count);
  try {
    // Bytes read ahead (with a header, say) go first; afterwards the buffer
    // is empty whenever a receive starts, so received blocks go straight to
    // the stream and a close or failure finds nothing held back.
    while (remaining > 0) {
      if (receive_queue_.Size() > 0) {
        const std::int32_t n = std::min(receive_queue_.Size(), remaining);
        WriteBuffered(stream, n);
        remaining -= n;
        continue;
      }
      if (!ConnectedOn(IOHandler())) break;
      std::int32_t delivered = 0;
      try {
        Receive(true, TimeoutDefault, true, &stream, remaining, &delivered);
      } catch (const ENetConnClosedGracefully&) {
        if (!read_until_disconnect) throw;
        break;
      }
      remaining -= delivered;
    }
  } catch (...) {
    FireWorkEnd(wmRead);
    if (stream.GetSize() > stream.Position()) stream.SetSize(stream.Position());
    throw;
  }
  FireWorkEnd(wmRead);
  if (stream.GetSize() > stream.Position()) stream.SetSize(stream.Position());
}

std::string TNetTCPConnection::TakeBufferedInput() {
  if (Connected()) FillInputBuffer(false, TimeoutDefault, true);
  return receive_queue_.TakeBytes(receive_queue_.Size());
}

std::string TNetTCPConnection::ReadAllUntilClosed() {
  std::string all;
  FireWorkBegin(wmRead, 0);
  try {
    while (Connected()) all += TakeBufferedInput();
    all += receive_queue_.TakeBytes(receive_queue_.Size());
  } catch (...) {
    FireWorkEnd(wmRead);
    throw;
  }
  FireWorkEnd(wmRead);
  return all;
}

void TNetTCPConnection::SendNow(const char* bytes, std::int32_t count) {
  std::int32_t pos = 0;
  while (pos < count) {
    auto h = IOHandler();
    if (!h) throw ENetNotConnected();
    int sent = h->Send(bytes + pos, count - pos);
    peer_closed_ = sent == 0;
    TestDisconnected(true, false);
    if (sent == -1) {
      TNetStack* stack = TNetStack::Instance();
      if (stack->CheckSocketResult(-1,
                                   {platform::kWsaEShutdown, platform::kWsaEConnAborted, platform::kWsaEConnReset})) {
        int code = stack->LastError;
        DropSocket();
        throw ENetSocketError(code);
      }
    }
    FireWork(wmWrite, sent);
    pos += sent;
  }
}

void TNetTCPConnection::WriteBytes(const void* buffer, std::int32_t count, bool write_now) {
  if (count <= 0 || !buffer) return;
  TestDisconnected(true, true);
  if (!Connected()) throw ENetNotConnected();
  if (write_now || !pending_writes_) {
    SendNow(static_cast<const char*>(buffer), count);
    return;
  }
  pending_writes_->Append(static_cast<const char*>(buffer), count);
  if (WriteBufferThreshold > 0 && pending_writes_->Size() >= WriteBufferThreshold) {
    SendWriteBuffer(WriteBufferThreshold);
  }
}

void TNetTCPConnection::Write(const std::string& text) {
  if (!text.empty()) WriteBytes(text.data(), static_cast<std::int32_t>(text.size()));
}

void TNetTCPConnection::WriteLine(const std::string& text) {
  Write(text + "\r\n");
}

void TNetTCPConnection::WriteInt32(std::int32_t value, bool convert) {
  unsigned char b[4];
  PutInt32(value, convert, b);
  WriteBytes(b, 4);
}

void TNetTCPConnection::WriteFromStream(platform::TStream& stream, bool all, bool write_byte_count, std::int64_t size) {
  if (all) stream.SetPosition(0);
  std::int64_t pos = stream.Position();
  const std::int64_t end = size != 0 ? pos + size : stream.GetSize();
  const auto count = static_cast<std::int32_t>(end - pos);
  if (write_byte_count) WriteInt32(count, true);
  FireWorkBegin(wmWrite, count);
  try {
    std::vector<char> scratch(static_cast<std::size_t>(std::max(SendBufferSize, 1)));
    for (;;) {
      auto n = static_cast<std::int32_t>(std::min<std::int64_t>(end - pos, SendBufferSize));
      if (n <= 0) break;
      std::int32_t got = stream.Read(scratch.data(), n);
      if (got == 0) throw ENetNoDataToRead();
      WriteBytes(scratch.data(), got);
      pos += got;
    }
  } catch (...) {
    FireWorkEnd(wmWrite);
    throw;
  }
  FireWorkEnd(wmWrite);
}

void TNetTCPConnection::BeginWriteBuffering(std::int32_t threshold) {
  pending_writes_ = std::make_unique<TNetSimpleBuffer>();
  WriteBufferThreshold = threshold;
}

void TNetTCPConnection::SendWriteBuffer(std::int32_t byte_count) {
  if (!pending_writes_ || pending_writes_->Size() == 0) return;
  std::int32_t n = pending_writes_->Size();
  if (byte_count != -1 && n >= byte_count) n = byte_count;
  // Sent from the buffer in place; the bytes are dropped once they are out,
  // so a failed send leaves them for DiscardWriteBuffer.
  WriteBytes(pending_writes_->Memory(), n, true);
  pending_writes_->Remove(n);
}

void TNetTCPConnection::EndWriteBuffering() {
  try {
    SendWriteBuffer(-1);
  } catch (...) {
    pending_writes_.reset();
    throw;
  }
  pending_writes_.reset();
}

void TNetTCPConnection::DiscardWriteBuffer() {
  if (pending_writes_) pending_writes_->Clear();
}

}  // namespace tolvar::transport
