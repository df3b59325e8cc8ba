#include "transport/tcp_connection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "support/failure_of.h"
#include "support/memory_io_handler.h"
#include "support/scripted_server.h"
#include "transport/exceptions.h"
#include "transport/socket_handle.h"
#include "transport/tcp_client.h"

namespace tolvar::transport {
namespace tcp_connection_test {

using testing::TScript;
using testing::TScriptedServer;

struct Connected {
  explicit Connected(TScriptedServer& server) {
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    client.Connect();
  }
  TNetTCPClient client;
};

using testing::TMemoryIOHandler;
using TEnd = TMemoryIOHandler::TEnd;

// A client connected over the in-memory wire: `pieces` arrive one per
// receive, then `end`. The wire outlives the client (declared first).
struct OnWire {
  explicit OnWire(std::vector<std::string> pieces, TEnd end = TEnd::Close) {
    wire.Serve(std::move(pieces), end);
    client.SetIOHandler(wire.Shared());
    client.Connect();
  }
  TMemoryIOHandler wire;
  TNetTCPClient client;
};

using tolvar::testing::FailureOf;

TEST(TNetTCPConnectionTest, LineEndings) {
  // The second line's end split between two receives.
  OnWire c({"HTTP/1.0 200 OK\r", "\nbare\nkeep\r\r\nlast"});
  EXPECT_EQ(c.client.ReceiveLine(), "HTTP/1.0 200 OK");
  EXPECT_EQ(c.client.ReceiveLine(), "bare");
  EXPECT_EQ(c.client.ReceiveLine(), "keep\r");
  // The peer closed with an unterminated line buffered: first an empty
  // result marked as timed out, then the close.
  EXPECT_EQ(c.client.ReceiveLine(), "");
  EXPECT_TRUE(c.client.LastLineTimedOut);
  EXPECT_EQ(FailureOf<ENetConnClosedGracefully>([&] { c.client.ReceiveLine(); }), "Connection Closed Gracefully.");
}

TEST(TNetTCPConnectionTest, MaxLineLengthBothActionsAndNoLimit) {
  const std::string long_line(16385 + 100, 'x');
  {
    OnWire c({long_line + "\n"}, TEnd::Open);
    EXPECT_EQ(FailureOf<ENetReadLnMaxLineLengthExceeded>([&] { c.client.ReceiveLine(); }), "Max line length exceeded.");
  }
  {
    OnWire c({long_line + "\n"}, TEnd::Open);
    c.client.MaxLineAction = maSplit;
    EXPECT_EQ(c.client.ReceiveLine(), std::string(16384, 'x'));
    EXPECT_TRUE(c.client.LastLineCut);
    EXPECT_EQ(c.client.ReceiveLine(), std::string(101, 'x'));
    EXPECT_FALSE(c.client.LastLineCut);
  }
  {
    OnWire c({long_line.substr(0, 9000), long_line.substr(9000) + "\n"}, TEnd::Open);
    c.client.MaxLineLength = 0;
    EXPECT_EQ(c.client.ReceiveLine(), long_line);
  }
}

TEST(TNetTCPConnectionTest, ReadTimeoutOnSilentServer) {
  TScriptedServer server({TScript().Silent()});
  Connected c(server);
  c.client.ReadTimeout = 200;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FailureOf<ENetReadTimeout>([&] { c.client.ReceiveLine(); }), "Read Timeout");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
}

// Runs `read` on a worker and waits for it (generously); a read that never
// returns is unblocked by a disconnect so that the test can end and fail.
bool ReturnsOnItsOwn(TNetTCPConnection& connection, const std::function<void()>& read) {
  std::promise<void> done;
  auto finished = done.get_future();
  std::thread worker([&] {
    try {
      read();
    } catch (...) {
    }
    done.set_value();
  });
  const bool returned = finished.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
  if (!returned) connection.Disconnect();
  worker.join();
  return returned;
}

TEST(TNetTCPConnectionTest, ReceiveLineWithExplicitTimeoutReturnsAgainstSilentPeer) {
  // The line comes only after the client's byte: until then the peer is silent.
  TScriptedServer server({TScript().ReadCount(1).Send("late\n").WaitPeerClose()});
  Connected c(server);
  c.client.ReadTimeout = 0;  // the explicit time-outs alone bound the waits
  std::string line = "unset";
  // Used to wait for ever.
  ASSERT_TRUE(ReturnsOnItsOwn(c.client, [&] { line = c.client.ReceiveLine("\n", 100); }));
  EXPECT_EQ(line, "");
  EXPECT_TRUE(c.client.LastLineTimedOut);
  // Used to spin on the processor for ever: 0 is a single poll.
  line = "unset";
  ASSERT_TRUE(ReturnsOnItsOwn(c.client, [&] { line = c.client.ReceiveLine("\n", 0); }));
  EXPECT_EQ(line, "");
  EXPECT_TRUE(c.client.LastLineTimedOut);
  // A time-out neither closes the connection nor loses what comes later.
  EXPECT_TRUE(c.client.Connected());
  c.client.Write("g");
  EXPECT_EQ(c.client.ReceiveLine("\n", 30000), "late");
  EXPECT_FALSE(c.client.LastLineTimedOut);
}

TEST(TNetTCPConnectionTest, BufferedDataIsReadBeforeCloseIsReported) {
  OnWire c({"0123456789line\n"});
  char ten[10];
  c.client.ReadExact(ten, 10);
  EXPECT_EQ(std::string(ten, 10), "0123456789");
  EXPECT_EQ(c.client.ReceiveLine(), "line");
  EXPECT_THROW(c.client.ReceiveLine(), ENetConnClosedGracefully);
  EXPECT_FALSE(c.client.Connected());
}

TEST(TNetTCPConnectionTest, ReadToStreamUntilClose) {
  OnWire c({"head\n01234", "56789"});
  EXPECT_EQ(c.client.ReceiveLine(), "head");
  platform::TMemoryStream out;
  c.client.ReadToStream(out, -1, true);
  EXPECT_EQ(out.Bytes(), "0123456789");
}

// Records the size of every write, to see what reached the stream when.
class RecordingStream : public platform::TMemoryStream {
 public:
  std::int32_t Write(const void* buffer, std::int32_t count) override {
    writes.push_back(count);
    return platform::TMemoryStream::Write(buffer, count);
  }
  std::vector<std::int32_t> writes;
};

// Takes `room` bytes in all, then refuses more (a full disk, say).
class FillingStream : public platform::TMemoryStream {
 public:
  explicit FillingStream(std::int64_t room) : room_(room) {}
  std::int32_t Write(const void* buffer, std::int32_t count) override {
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(count, room_ - Position()));
    return n > 0 ? platform::TMemoryStream::Write(buffer, n) : 0;
  }

 private:
  std::int64_t room_;
};

TEST(TNetTCPConnectionTest, ReadToStreamCutShortKeepsEveryByteThatArrived) {
  // The body comes only after the client's go-ahead, so "ABC" is certainly
  // buffered (read ahead with the line) and the 600 bytes certainly are not.
  const std::string body(600, 'b');
  TScriptedServer server({TScript().Send("head\nABC").ReadCount(1).Send(body).Close()});
  Connected c(server);
  EXPECT_EQ(c.client.ReceiveLine(), "head");
  while (c.client.ReceiveQueue().Size() < 3) c.client.FillInputBuffer();
  c.client.Write("g");
  RecordingStream out;
  std::vector<std::int32_t> progress;
  c.client.OnWork = [&](TNetComponent*, TWorkMode, std::int32_t n) { progress.push_back(n); };
  EXPECT_EQ(FailureOf<ENetConnClosedGracefully>([&] { c.client.ReadToStream(out, 1000); }),
            "Connection Closed Gracefully.");
  // What was buffered is written first; every received byte follows before
  // the close is raised, and the pre-sized stream is cut back to them.
  EXPECT_EQ(out.Bytes(), "ABC" + body);
  EXPECT_EQ(out.GetSize(), 603);
  ASSERT_FALSE(out.writes.empty());
  EXPECT_EQ(out.writes.front(), 3);
  EXPECT_EQ(c.client.ReceiveQueue().Size(), 0);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front(), 3);
  EXPECT_EQ(progress.back(), 603);
}

TEST(TNetTCPConnectionTest, ReadToStreamCutShortKeepsThePartialLastBlock) {
  // More than two receive blocks, ending inside one: however the bytes are
  // split into receives, none of the 70000 may stay behind.
  std::string body;
  for (int i = 0; i < 70000; ++i) body.push_back(static_cast<char>('a' + i % 26));
  OnWire c({body.substr(0, 33333), body.substr(33333)});
  platform::TMemoryStream out;
  EXPECT_THROW(c.client.ReadToStream(out, 100000), ENetConnClosedGracefully);
  EXPECT_EQ(out.GetSize(), 70000);
  EXPECT_TRUE(out.Bytes() == body);
}

TEST(TNetTCPConnectionTest, ReadToStreamKeepsBytesBeyondTheCountBuffered) {
  OnWire c({"0123456789rest\n"}, TEnd::Open);
  platform::TMemoryStream out;
  c.client.ReadToStream(out, 10);
  EXPECT_EQ(out.Bytes(), "0123456789");
  EXPECT_EQ(c.client.ReceiveLine(), "rest");
}

TEST(TNetTCPConnectionTest, ReadToStreamFailedWriteKeepsUnwrittenBytesBuffered) {
  OnWire c({"0123456789abcdefghij\n"}, TEnd::Open);
  FillingStream out(10);
  EXPECT_THROW(c.client.ReadToStream(out, 21), platform::EStreamError);
  EXPECT_EQ(out.Bytes(), "0123456789");
  // Nothing the stream refused is lost.
  EXPECT_EQ(c.client.ReceiveLine(), "abcdefghij");
}

TEST(TNetTCPConnectionTest, ReadToStreamWithCountAndPrefix) {
  const std::string body(100000, 'z');
  std::string prefixed = std::string("\0\0\0\5", 4) + "hello";
  // The count prefix arrives in the same receive as the first body's end.
  OnWire c({body.substr(0, 99990), body.substr(99990) + prefixed}, TEnd::Open);
  platform::TMemoryStream out;
  c.client.ReadToStream(out, 100000);
  EXPECT_EQ(out.Bytes(), body);
  platform::TMemoryStream second;
  c.client.ReadToStream(second);
  EXPECT_EQ(second.Bytes(), "hello");
}

TEST(TNetTCPConnectionTest, WriteBufferingSendsOneBlock) {
  OnWire c({}, TEnd::Open);
  c.client.BeginWriteBuffering();
  c.client.WriteLine("GET / HTTP/1.0");
  c.client.WriteLine("Host: x");
  EXPECT_EQ(c.wire.Sent(0), "");
  c.client.WriteLine();
  c.client.EndWriteBuffering();
  EXPECT_EQ(c.wire.Sent(0), "GET / HTTP/1.0\r\nHost: x\r\n\r\n");
  EXPECT_EQ(c.wire.Calls(), 1);
}

TEST(TNetTCPConnectionTest, WriteBufferThresholdFlushesThresholdSizedBlocks) {
  OnWire c({}, TEnd::Open);
  c.client.BeginWriteBuffering(10);
  for (const char* piece : {"aaaaa", "bbbbb", "ccccc", "ddddd", "eeeee"}) c.client.Write(piece);
  // Two flushes of 10 bytes went out; the last 5 wait for the end.
  EXPECT_EQ(c.wire.Sent(0), "aaaaabbbbbcccccddddd");
  EXPECT_EQ(c.wire.Calls(), 2);
  c.client.EndWriteBuffering();
  EXPECT_EQ(c.wire.Sent(0), "aaaaabbbbbcccccdddddeeeee");
}

TEST(TNetTCPConnectionTest, DiscardedWriteBufferIsNeverSent) {
  OnWire c({}, TEnd::Open);
  c.client.BeginWriteBuffering();
  c.client.Write("lost");
  c.client.DiscardWriteBuffer();
  c.client.Write("kept");
  c.client.EndWriteBuffering();
  EXPECT_EQ(c.wire.Sent(0), "kept");
}

TEST(TNetTCPConnectionTest, ASCIIFilterClearsBitSeven) {
  OnWire c({"\xC1\xE2z\n"}, TEnd::Open);
  c.client.ASCIIFilter = true;
  EXPECT_EQ(c.client.ReceiveLine(), "Abz");
}

TEST(TNetTCPConnectionTest, WriteFromStreamSendsAllBytes) {
  platform::TMemoryStream in;
  std::string data(70000, 'q');
  in.WriteBuffer(data.data(), static_cast<std::int32_t>(data.size()));
  OnWire c({}, TEnd::Open);
  c.client.WriteFromStream(in);
  EXPECT_EQ(c.wire.Sent(0), data);
}

// Each receive and send of a short exchange fails in turn, as on a reset
// connection. Every attempt ends with the reset's error and no byte in the
// stream that did not arrive; once the failure point lies beyond the
// exchange's calls it completes whole.
TEST(TNetTCPConnectionTest, EveryFailurePointOfAnExchange) {
  const std::string body = "0123456789abcdefghij";
  bool whole = false;
  for (int n = 0; !whole && n < 40; ++n) {
    OnWire c({"HTTP/1.0 200 OK\r\nLength: 20\r", "\n\r\n0123456789", "abcdefghij"}, TEnd::Open);
    c.wire.FailAt(n);
    platform::TMemoryStream out;
    const std::string failure = FailureOf([&] {
      c.client.WriteLine("GET / HTTP/1.0");
      c.client.WriteLine();
      while (!c.client.ReceiveLine().empty()) {
      }
      c.client.ReadToStream(out, 20);
    });
    if (failure == "no exception") {
      whole = true;
      EXPECT_EQ(out.Bytes(), body);
      continue;
    }
    EXPECT_EQ(failure, "Socket Error # 10054\r\nConnection reset by peer.") << "failing call " << n;
    EXPECT_EQ(body.compare(0, out.Bytes().size(), out.Bytes()), 0) << n << ": " << out.Bytes();
  }
  EXPECT_TRUE(whole);
}

TEST(TNetTCPClientTest, AlreadyConnectedAndDoubleDisconnect) {
  TScriptedServer server({TScript().WaitPeerClose()});
  Connected c(server);
  std::vector<std::string> statuses;
  c.client.OnStatus = [&](TNetComponent*, TNetStatus, const std::string& t) { statuses.push_back(t); };
  EXPECT_EQ(FailureOf<ENetAlreadyConnected>([&] { c.client.Connect(); }), "Already connected.");
  EXPECT_TRUE(c.client.Connected());
  c.client.Disconnect();
  c.client.Disconnect();
  EXPECT_EQ(statuses, (std::vector<std::string>{"Disconnecting.", "Disconnected.", "Disconnecting.", "Disconnected."}));
  EXPECT_EQ(FailureOf<ENetNotConnected>([&] { c.client.Write("x"); }), "Not Connected");
}

TEST(TNetTCPClientTest, StatusesOfConnect) {
  TScriptedServer server({TScript().WaitPeerClose()});
  TNetTCPClient client;
  std::vector<std::string> statuses;
  client.OnStatus = [&](TNetComponent*, TNetStatus, const std::string& t) { statuses.push_back(t); };
  client.Host = "localhost";
  client.Port = server.Port();
  client.Connect();
  EXPECT_EQ(statuses,
            (std::vector<std::string>{"Resolving hostname localhost.", "Connecting to 127.0.0.1.", "Connected."}));
}

int FreePort() {
  TNetComponent keep;
  TNetSocketHandle h;
  h.OpenSocket(1, 0);
  h.IP = "127.0.0.1";
  h.Bind();
  return h.Port;  // closed again when h goes
}

TEST(TNetTCPClientTest, RefusedConnectWithAndWithoutTimeout) {
  TNetTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = FreePort();
  try {
    client.Connect();
    FAIL();
  } catch (const ENetSocketError& e) {
    EXPECT_STREQ(e.what(), "Socket Error # 10061\r\nConnection refused.");
  }
  try {
    client.Connect(5000);
    FAIL();
  } catch (const ENetConnectException& e) {
    EXPECT_STREQ(e.what(), "Socket Error # 10061\r\nConnection refused.");
  }
  EXPECT_FALSE(client.Connected());
}

TEST(TNetTCPClientTest, UnknownHost) {
  TNetTCPClient client;
  client.Host = "no-such-host.invalid";
  client.Port = 80;
  EXPECT_EQ(FailureOf<ENetSocketError>([&] { client.Connect(); }), "Socket Error # 11001\r\nHost not found.");
}

TEST(TNetTCPClientTest, ConnectWithTimeoutIsNoSlowerThanWithout) {
  // A connect that completes at once must be noticed at once, not at the
  // next step of a fixed polling clock. Compared with the connect without a
  // time-out on the same machine, best of five each, so the bound does not
  // depend on how fast or how busy the machine is; a polling step of 125 ms
  // would still show.
  constexpr int kTries = 5;
  TScript idle = TScript().WaitPeerClose();
  TScriptedServer server(std::vector<TScript>(2 * kTries, idle));
  auto best = [&](int timeout_ms) {
    auto fastest = std::chrono::steady_clock::duration::max();
    for (int i = 0; i < kTries; ++i) {
      TNetTCPClient client;
      client.Host = "127.0.0.1";
      client.Port = server.Port();
      const auto start = std::chrono::steady_clock::now();
      client.Connect(timeout_ms);
      fastest = std::min(fastest, std::chrono::steady_clock::now() - start);
      EXPECT_TRUE(client.Connected());
    }
    return fastest;
  };
  const auto without = best(0);
  const auto with = best(60000);
  EXPECT_LT(with, without + std::chrono::milliseconds(100));
}

}  // namespace tcp_connection_test
}  // namespace tolvar::transport
