// A buffered TCP connection: an input buffer in front of the I/O handler,
// line reading with a maximum length, counted and until-close stream reads,
// a read time-out on every wait, and write buffering.
//
// Threads: one thread drives the connection. The only call allowed from
// another thread is Disconnect, which makes a call blocked in connect,
// select, receive or send fail promptly with one of the transport's
// exceptions; the I/O handler is freed only when the driving thread has left it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/stream.h"
#include "transport/component.h"
#include "transport/io_handler.h"
#include "transport/managed_buffer.h"
#include "transport/simple_buffer.h"
#include "transport/stack.h"

namespace tolvar::transport {

enum TNetMaxLineAction { maException = 0, maSplit = 1 };

class TNetTCPConnection : public TNetComponent {
 public:
  TNetTCPConnection();
  ~TNetTCPConnection() override;

  virtual bool Connected();
  // Thread-safe (see above). Statuses hsDisconnecting, hsDisconnected.
  virtual void Disconnect();
  virtual void DropSocket();
  virtual bool TestDisconnected(bool raise_if_disconnected = true, bool ignore_buffer = false);
  virtual void TestClosedByPeer(bool raise_if_disconnected);
  virtual void ClearConnectionState();
  // Bytes received, 0, or -1 on a time-out that does not raise.
  virtual int FillInputBuffer(bool raise_if_disconnected = true, int timeout_ms = TimeoutDefault,
                              bool raise_on_timeout = true);
  // One line without its terminator (and without a CR before an LF
  // terminator). With TimeoutDefault a wait that passes ReadTimeout raises
  // ENetReadTimeout. With an explicit time-out (0 = one poll) a wait that
  // passes it returns "" with LastLineTimedOut set, as does a close by the
  // peer with an unterminated line buffered.
  virtual std::string ReceiveLine(const std::string& terminator = "\n", int timeout_ms = TimeoutDefault,
                                  int max_line_length = -1);
  std::string ReadNonEmptyLine(int fail_count = 2147483647);
  void ReadExact(void* buffer, std::int32_t count);
  std::int32_t ReadInt32(bool convert = true);
  // byte_count -1 without until_disconnect reads a 4-byte count prefix first.
  // Every byte received for the stream is written to it before any failure
  // (the peer's close included) is raised, so a read cut short leaves in the
  // stream exactly what arrived; bytes beyond the count stay buffered.
  void ReadToStream(platform::TStream& stream, std::int32_t byte_count = -1, bool read_until_disconnect = false);
  std::string TakeBufferedInput();
  virtual std::string ReadAllUntilClosed();

  void WriteBytes(const void* buffer, std::int32_t count, bool write_now = false);
  virtual void Write(const std::string& text);
  virtual void WriteLine(const std::string& text = "");
  void WriteInt32(std::int32_t value, bool convert = true);
  virtual void WriteFromStream(platform::TStream& stream, bool all = true, bool write_byte_count = false,
                               std::int64_t size = 0);
  void BeginWriteBuffering(std::int32_t threshold = -1);
  void EndWriteBuffering();
  void SendWriteBuffer(std::int32_t byte_count = -1);
  void DiscardWriteBuffer();

  // The handler in use; the connection owns it when it created it.
  std::shared_ptr<TNetIOHandler> IOHandler() const;
  void SetIOHandler(std::shared_ptr<TNetIOHandler> handler, bool owned = false);

  TNetManagedBuffer& ReceiveQueue() { return receive_queue_; }
  bool PeerClosed() const { return peer_closed_.load(); }

  bool ASCIIFilter = false;
  TNetMaxLineAction MaxLineAction = maException;
  std::int32_t MaxLineLength = 16384;  // 0: no limit
  bool LastLineCut = false;
  bool LastLineTimedOut = false;
  std::int32_t ReadTimeout = 0;  // ms; 0: no time-out
  std::int32_t RecvBufferSize = 32768;
  std::int32_t SendBufferSize = 32768;
  std::int32_t WriteBufferThreshold = -1;
  std::function<void(TNetTCPConnection*)> OnDisconnected;

 protected:
  virtual void FireDisconnected();
  // Is the handler owned? Guarded by handler_mutex_.
  bool OwnsIOHandler() const;

 private:
  // TestDisconnected and Connected on a handler the caller already holds.
  bool TestDisconnectedOn(const std::shared_ptr<TNetIOHandler>& h, bool raise_if_disconnected, bool ignore_buffer);
  bool ConnectedOn(const std::shared_ptr<TNetIOHandler>& h);
  // The one wait-and-receive of the connection (FillInputBuffer's contract).
  // With `sink` and nothing buffered, up to `sink_max` bytes of the block
  // go straight to `sink` (their count in *delivered) and only the rest is
  // buffered, so a stream read costs no copy through the buffer.
  int Receive(bool raise_if_disconnected, int timeout_ms, bool raise_on_timeout, platform::TStream* sink,
              std::int32_t sink_max, std::int32_t* delivered);
  // Moves `count` buffered bytes to `stream`.
  void WriteBuffered(platform::TStream& stream, std::int32_t count);
  char* ReceiveBlock(std::int32_t* size);
  void SendNow(const char* bytes, std::int32_t count);
  void ReadMaxLine(std::int32_t max, std::string* out);

  mutable std::mutex handler_mutex_;
  std::shared_ptr<TNetIOHandler> io_handler_;  // guarded by handler_mutex_
  bool owns_io_handler_ = false;               // guarded by handler_mutex_
  std::atomic<bool> peer_closed_{false};
  TNetManagedBuffer receive_queue_;
  // One receive call's block, reused and never cleared: a receive writes
  // into it directly, so no byte is filled in before it is overwritten.
  std::unique_ptr<char[]> receive_block_;
  std::int32_t receive_block_size_ = 0;
  // Present between BeginWriteBuffering and EndWriteBuffering.
  std::unique_ptr<TNetSimpleBuffer> pending_writes_;
};

}  // namespace tolvar::transport
