// An I/O handler that keeps the wire in memory, for tests of everything
// above the connection: each connection plays a script of input pieces, and
// what the client sends is captured per connection. No socket, no timing:
// a test chooses exactly how the input is split and how it ends.
//
//   TMemoryIOHandler wire;
//   wire.Serve({"HTTP/1.1 200 OK\r\nContent-", "Length: 2\r\n\r\nok"}, TMemoryIOHandler::TEnd::Open);
//   client.SetIOHandler(wire.Shared());   // not owned by the client
//   client.Get("http://h/", &body);
//   EXPECT_EQ(wire.Sent(0), "GET / HTTP/1.1\r\n...");
//
// Every Recv returns at most one piece (never two joined), so framing code
// meets the splits the script chose. A Connect takes the next scripted
// connection; connecting with none left fails with ENetConnectException.
// Close may come from another thread (an abort): it ends a blocked wait.
//
// A fail count makes the wire fail at its n-th Recv or Send, as a reset
// connection does, so that one loop tries every failure point of an
// exchange:
//
//   for (int n = 0; n < limit; ++n) {
//     TMemoryIOHandler wire;
//     wire.Serve(...);
//     wire.FailAt(n);
//     ... run the exchange: it either succeeds (n beyond its calls) or fails
//         with the engine's error, and must leave nothing half done ...
//   }
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "transport/io_handler.h"

namespace tolvar::testing {

class TMemoryIOHandler : public transport::TNetIOHandler {
 public:
  // What follows the last piece of a connection.
  enum class TEnd {
    Close,  // a graceful close by the server: Recv returns 0
    Open,   // nothing more, the server keeps the connection: every
            // wait for input times out at once ("Read Timeout")
    Block,  // nothing more until Close, from any thread
  };

  // Adds the script of the next connection to be made.
  void Serve(std::vector<std::string> pieces, TEnd end = TEnd::Close);

  // A shared handle to this handler for SetIOHandler; the test keeps the
  // handler object itself alive for as long as the client uses it.
  std::shared_ptr<TMemoryIOHandler> Shared();

  // Bytes the client sent on connection i (empty when not made).
  std::string Sent(std::size_t i) const;
  // Connections made so far.
  std::size_t Connections() const;
  // Pieces of the current connection not yet received.
  std::size_t PiecesLeft() const;
  // Host and port of the last connect.
  std::string LastHost() const;
  int LastPort() const;
  // True once a thread waits for input in a Block end (for abort tests).
  bool Blocked() const;
  // The n-th Recv or Send from now on (0: the next one) and every later one
  // fail with -1 and socket error 10054 (connection reset); negative: none.
  void FailAt(int n);
  // Recv and Send calls made so far.
  int Calls() const;

  void Close() override;
  void ConnectTo(const std::string& host, int port, const std::string& bound_ip, int bound_port, int bound_port_min,
                 int bound_port_max, int timeout_ms) override;
  bool Connected() override;
  bool WaitReadable(int timeout_ms) override;
  int Recv(char* buffer, int length) override;
  int Send(const char* buffer, int length) override;

 private:
  struct TConnectionScript {
    std::vector<std::string> pieces;
    TEnd end = TEnd::Close;
  };

  mutable std::mutex mutex_;
  std::condition_variable closed_cv_;
  std::vector<TConnectionScript> scripts_;  // guarded by mutex_
  std::vector<std::string> sent_;           // guarded by mutex_
  std::size_t current_ = 0;                 // index + 1 of the open script; guarded
  std::size_t next_piece_ = 0;              // guarded by mutex_
  std::size_t piece_offset_ = 0;            // bytes of the next piece already taken
  bool connected_ = false;                  // guarded by mutex_
  bool blocked_ = false;                    // guarded by mutex_
  int calls_ = 0;                           // guarded by mutex_
  int fail_at_ = -1;                        // a call number; guarded by mutex_
  std::string host_;                        // guarded by mutex_
  int port_ = 0;                            // guarded by mutex_

  // Counts a Recv or Send; true (with the socket error set) when it fails.
  bool Fails();
};

}  // namespace tolvar::testing
