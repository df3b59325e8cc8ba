// One TCP socket of a connection. Driven by one thread; ReleaseSocket may
// also come from another thread (a cross-thread disconnect). Such a release
// wakes every call blocked on the socket at once, but the handle itself is
// closed only when no call is using it any more, so the driving thread never
// works on a handle number the system may already have given to a new socket.
// All waits are wakeable: connect, recv and send run on a non-blocking socket
// behind select.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/socket.h"
#include "transport/io_status.h"

namespace tolvar::transport {

class TNetSocketHandle {
 public:
  TNetSocketHandle() = default;
  ~TNetSocketHandle();
  TNetSocketHandle(const TNetSocketHandle&) = delete;
  TNetSocketHandle& operator=(const TNetSocketHandle&) = delete;

  platform::SocketHandle Handle() const;
  bool HasSocket() const { return has_socket_.load(std::memory_order_acquire); }

  void OpenSocket(int type, int protocol);
  // Thread-safe, never throws (the destructor relies on it). Marks the
  // socket gone first (so Connected is false at once), shuts it down in both
  // directions and closes it once no call uses it.
  void ReleaseSocket(bool reset_local = false) noexcept;
  void Reset(bool reset_local);
  void Bind();
  // Connects to PeerAddress:PeerPortNumber, waiting at most `limit`.
  // csFailed sets the thread's socket error (10038 when the socket was
  // released meanwhile).
  TNetConnectStatus Connect(platform::WaitLimit limit);
  void AssignPeer(const std::string& address, int port);
  // false on time-out, on a select error and when released meanwhile.
  // ENetConnClosedGracefully when there is no socket at the start.
  bool WaitReadable(platform::WaitLimit limit);
  // Raw results: bytes, 0 = peer closed, -1 = error (10038 when released).
  int Recv(char* buffer, int length);
  // WaitReadable then Recv in one, but receiving first while the receives
  // keep filling the buffer: the wait (and its system call) happens only
  // when nothing is there yet. rsTimedOut also when the socket was released
  // meanwhile, as WaitReadable reports it. The same ENetConnClosedGracefully
  // when there is no socket at the start.
  TNetRecvResult RecvWithin(char* buffer, int length, platform::WaitLimit limit);
  int Send(const char* buffer, int length);
  void SetSocketOption(int level, int option, const void* value, int length);
  void RefreshLocalBinding();
  void RefreshPeerBinding();
  void Assign(const TNetSocketHandle& other);

  // Driving thread only.
  std::string IP;
  int Port = 0;
  std::string PeerAddress;
  int PeerPortNumber = 0;
  int ClientPortMin = 0;
  int ClientPortMax = 0;

 private:
  class Use;
  enum class Wait { kReady, kTimedOut, kReleased };
  Wait WaitFor(bool write, platform::WaitLimit limit, platform::SocketHandle h);
  bool TryBind(int port);

  mutable std::mutex mutex_;
  platform::SocketHandle handle_ = platform::kInvalidSocket;  // guarded by mutex_
  int users_ = 0;                                             // guarded by mutex_
  bool close_pending_ = false;                                // guarded by mutex_
  std::atomic<bool> has_socket_{false};
  bool last_receive_filled_ = false;  // driving thread only
};

}  // namespace tolvar::transport
