#include "platform/socket.h"

#include <gtest/gtest.h>

#include <string>

#include "support/scripted_server.h"

namespace tolvar::platform {
namespace {

using testing::TScript;
using testing::TScriptedServer;

SocketHandle ConnectTo(int port) {
  EXPECT_EQ(StartSockets(), 0);
  SocketHandle s = Socket(2, 1, 0);
  EXPECT_NE(s, kInvalidSocket);
  EXPECT_EQ(Connect(s, Ipv4Endpoint{{127, 0, 0, 1}, static_cast<std::uint16_t>(port)}), 0);
  return s;
}

std::string ReadAll(SocketHandle s) {
  std::string got;
  char buf[4096];
  int n;
  while ((n = Recv(s, buf, sizeof buf)) > 0) got.append(buf, static_cast<std::size_t>(n));
  EXPECT_EQ(n, 0) << LastError();
  return got;
}

TEST(SocketTest, ScriptedServerRecordsRequestAndSendsReply) {
  TScriptedServer server({TScript().ReadUntil("\r\n\r\n").Send("HTTP/1.0 200 OK\r\n\r\n").Send("body", 20).Close()});
  SocketHandle s = ConnectTo(server.Port());
  const std::string request = "GET / HTTP/1.0\r\nHost: x\r\n\r\n";
  ASSERT_EQ(Send(s, request.data(), static_cast<int>(request.size())), static_cast<int>(request.size()));
  EXPECT_EQ(ReadAll(s), "HTTP/1.0 200 OK\r\n\r\nbody");
  CloseSocket(s);
  ASSERT_TRUE(server.WaitDone(5000));
  EXPECT_EQ(server.Received(0), request);
  EXPECT_TRUE(server.Failures().empty());
}

TEST(SocketTest, ScriptedServerServesConnectionsInSequence) {
  TScriptedServer server({TScript().ReadCount(3).Send("one").Close(), TScript().ReadCount(3).Send("two").Close()});
  for (const char* expected : {"one", "two"}) {
    SocketHandle s = ConnectTo(server.Port());
    ASSERT_EQ(Send(s, "abc", 3), 3);
    EXPECT_EQ(ReadAll(s), expected);
    CloseSocket(s);
  }
  ASSERT_TRUE(server.WaitDone(5000));
  EXPECT_EQ(server.Accepted(), 2u);
  EXPECT_EQ(server.Received(1), "abc");
}

TEST(SocketTest, ResetReportsConnectionReset) {
  TScriptedServer server({TScript().ReadCount(1).Reset()});
  SocketHandle s = ConnectTo(server.Port());
  ASSERT_EQ(Send(s, "x", 1), 1);
  char buf[16];
  EXPECT_EQ(Recv(s, buf, sizeof buf), kSocketError);
  EXPECT_EQ(LastError(), kWsaEConnReset);
  CloseSocket(s);
}

TEST(SocketTest, RefusedConnectReportsWinsockCode) {
  ASSERT_EQ(StartSockets(), 0);
  // A port that was just free: bind, read the port, close, connect.
  SocketHandle probe = Socket(2, 1, 0);
  Ipv4Endpoint local{{127, 0, 0, 1}, 0};
  ASSERT_EQ(Bind(probe, local), 0);
  ASSERT_EQ(GetSockName(probe, &local), 0);
  CloseSocket(probe);
  SocketHandle s = Socket(2, 1, 0);
  EXPECT_EQ(Connect(s, local), kSocketError);
  EXPECT_EQ(LastError(), 10061);
  CloseSocket(s);
}

TEST(SocketTest, SelectReportsReadableAndTimesOut) {
  // The server answers only after the client's byte, so nothing can be
  // readable at the first select, however the two threads are scheduled.
  TScriptedServer server({TScript().ReadCount(1).Send("x").WaitPeerClose()});
  SocketHandle s = ConnectTo(server.Port());
  std::vector<SocketHandle> read{s};
  EXPECT_EQ(Select(&read, nullptr, nullptr, WaitLimit::Ms(0)), 0);
  EXPECT_TRUE(read.empty());
  read = {s};
  EXPECT_EQ(Select(&read, nullptr, nullptr, WaitLimit::Ms(50)), 0);
  ASSERT_EQ(Send(s, "?", 1), 1);
  read = {s};
  EXPECT_EQ(Select(&read, nullptr, nullptr, WaitLimit::Ms(30000)), 1);
  EXPECT_EQ(read, std::vector<SocketHandle>{s});
  CloseSocket(s);
}

TEST(SocketTest, ResolveHostFindsLoopbackAndFailsUnknownHost) {
  ASSERT_EQ(StartSockets(), 0);
  std::array<std::uint8_t, 4> a{};
  ASSERT_TRUE(ResolveHost("localhost", &a));
  EXPECT_EQ(a[0], 127);
  EXPECT_FALSE(ResolveHost("no-such-host.invalid", &a));
  EXPECT_EQ(LastError(), kWsaHostNotFound);
}

}  // namespace
}  // namespace tolvar::platform
