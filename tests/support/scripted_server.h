// A loopback TCP server that plays a fixed script per connection, for tests
// of the transport and the HTTP engine. It listens on 127.0.0.1 at a free
// port (Port()) and serves the scripts in order: script i for the i-th
// accepted connection. Steps of a script run one after the other on the
// server's own thread:
//
//   ReadUntil(bytes)   read until the received bytes of this connection end
//                      with `bytes` (e.g. "\r\n\r\n" after a request head)
//   ReadCount(n)       read exactly n more bytes
//   Send(bytes, ms)    wait ms milliseconds (0 = none), then send the bytes
//   Sleep(ms)          pause
//   Close()            graceful close (FIN) and end of this connection
//   Reset()            abortive close (RST) and end of this connection
//   Silent()           send nothing until the client closes or the server
//                      stops (read time-out tests); arriving bytes are recorded
//   WaitPeerClose()    read and record until the client closes
//
// Close the connection only after reading what the client sent: closing with
// unread bytes makes the system send RST, which may discard the replies.
// A script that ends without Close/Reset closes gracefully. Everything the
// server receives on connection i is recorded and returned by Received(i),
// so a test can assert the exact request bytes. A read step that sees the
// peer close before it is satisfied is recorded in Failures() and ends the
// connection. The destructor stops the server, closes every socket and joins
// the thread; a silent step is abandoned then. All methods are thread-safe.
//
// Example:
//   TScriptedServer server({TScript().ReadUntil("\r\n\r\n").Send("HTTP/1.0 200 OK\r\n\r\nbody").Close()});
//   ... connect to 127.0.0.1:server.Port() ...
//   server.WaitDone(5000);
//   EXPECT_EQ(server.Received(0), "GET / HTTP/1.0\r\n\r\n");
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket.h"

namespace tolvar::testing {

// The blank line that ends a request head: what most scripts read up to.
inline constexpr char kHeadEnd[] = "\r\n\r\n";

class TScript {
 public:
  enum class Kind { kReadUntil, kReadCount, kSend, kSleep, kClose, kReset, kSilent, kWaitPeerClose };
  struct Step {
    Kind kind;
    std::string bytes;
    std::size_t count = 0;
    int delay_ms = 0;
  };

  TScript& ReadUntil(std::string bytes);
  TScript& ReadCount(std::size_t n);
  TScript& Send(std::string bytes, int delay_ms = 0);
  TScript& Sleep(int ms);
  TScript& Close();
  TScript& Reset();
  TScript& Silent();
  TScript& WaitPeerClose();

  const std::vector<Step>& Steps() const { return steps_; }

 private:
  std::vector<Step> steps_;
};

class TScriptedServer {
 public:
  explicit TScriptedServer(std::vector<TScript> scripts);
  ~TScriptedServer();
  TScriptedServer(const TScriptedServer&) = delete;
  TScriptedServer& operator=(const TScriptedServer&) = delete;

  int Port() const { return port_; }
  // Bytes received so far on the i-th connection (empty when not accepted).
  std::string Received(std::size_t i) const;
  // Connections accepted so far.
  std::size_t Accepted() const;
  // Waits until every script has finished; false when `timeout_ms` passed.
  bool WaitDone(int timeout_ms);
  std::vector<std::string> Failures() const;
  // Stops serving now: closes the listener and any open connection.
  void Stop();

 private:
  void Run();
  void Serve(std::size_t index, platform::SocketHandle s);
  // Waits until `s` is readable (or writable); false on time-out or stop.
  bool WaitReady(platform::SocketHandle s, bool write, long ms);
  bool Stopping() const;
  void Fail(std::size_t index, const std::string& what);

  std::vector<TScript> scripts_;
  platform::SocketHandle listener_ = platform::kInvalidSocket;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable done_cv_;
  bool stop_ = false;                  // guarded by mutex_
  bool done_ = false;                  // guarded by mutex_
  std::vector<std::string> received_;  // guarded by mutex_
  std::vector<std::string> failures_;  // guarded by mutex_
  std::size_t accepted_ = 0;           // guarded by mutex_
  std::thread thread_;
};

}  // namespace tolvar::testing
