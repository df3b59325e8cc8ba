#include "transport/socks_info.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/failure_of.h"
#include "support/scripted_server.h"
#include "transport/io_handler_socket.h"
#include "transport/socks_exceptions.h"
#include "transport/stack.h"
#include "transport/tcp_client.h"

namespace tolvar::transport {
namespace socks_info_test {

using testing::TScript;
using testing::TScriptedServer;
using tolvar::testing::FailureOf;

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

// A client whose socket handler goes through the scripted server as its
// SOCKS proxy, for the target host:port.
struct ViaSocks {
  ViaSocks(TScriptedServer& proxy, TSocksVersion version, std::string target_host = "127.0.0.1", int target_port = 8080)
      : handler(std::make_shared<TNetIOHandlerSocket>()) {
    handler->SocksInfo().Version = version;
    handler->SocksInfo().Host = "127.0.0.1";
    handler->SocksInfo().Port = proxy.Port();
    client.SetIOHandler(handler);
    client.Host = std::move(target_host);
    client.Port = target_port;
  }
  std::shared_ptr<TNetIOHandlerSocket> handler;
  TNetTCPClient client;
};

const std::string kGranted4 = Bytes({0, 90, 0, 0, 0, 0, 0, 0});
const std::string kNoAuth5 = Bytes({5, 0});
const std::string kIpv4Bound5 = Bytes({5, 0, 0, 1, 127, 0, 0, 1, 0x1f, 0x90});

TEST(TNetSocksInfoTest, Socks4RequestsAndTargetDataAfterTheReply) {
  TScriptedServer proxy({
      TScript().ReadCount(9).Send(kGranted4 + "from target\n").WaitPeerClose(),
      TScript().ReadCount(12).Send(kGranted4).WaitPeerClose(),
      TScript().ReadUntil(std::string("example.test") + '\0').Send(kGranted4).WaitPeerClose(),
  });
  {
    // Empty user name: exactly 9 bytes, the address resolved locally.
    ViaSocks v(proxy, svSocks4, "LOCALHOST", 8080);
    v.client.Connect();
    EXPECT_EQ(v.client.ReceiveLine(), "from target");
  }
  {
    ViaSocks v(proxy, svSocks4, "10.1.2.3", 443);
    v.handler->SocksInfo().Username = "bob";
    v.client.Connect();
  }
  {
    ViaSocks v(proxy, svSocks4A, "example.test", 80);
    v.handler->SocksInfo().Username = "al";
    v.client.Connect();
  }
  ASSERT_TRUE(proxy.WaitDone(5000));
  EXPECT_EQ(proxy.Received(0), Bytes({4, 1, 0x1f, 0x90, 127, 0, 0, 1, 0}));
  EXPECT_EQ(proxy.Received(1), Bytes({4, 1, 1, 0xbb, 10, 1, 2, 3}) + "bob" + '\0');
  EXPECT_EQ(proxy.Received(2), Bytes({4, 1, 0, 80, 0, 0, 0, 1}) + "al" + '\0' + "example.test" + '\0');
  EXPECT_TRUE(proxy.Failures().empty());
}

TEST(TNetSocksInfoTest, Socks4ReplyCodes) {
  const std::vector<std::pair<int, std::string>> cases = {
      {91, "Request rejected or failed."},
      {92, "Request rejected because SOCKS server cannot connect."},
      {93, "Request rejected because the client program and identd report different user-ids."},
      {0, "Unknown socks error."},
  };
  std::vector<TScript> scripts;
  for (const auto& c : cases) scripts.push_back(TScript().ReadCount(9).Send(Bytes({0, c.first, 0, 0, 0, 0, 0, 0})));
  TScriptedServer proxy(scripts);
  for (const auto& c : cases) {
    ViaSocks v(proxy, svSocks4);
    EXPECT_EQ(FailureOf<ENetSocksError>([&] { v.client.Connect(); }), c.second) << c.first;
    // The failed negotiation's socket is closed by the client.
    EXPECT_FALSE(v.client.Connected());
  }
}

TEST(TNetSocksInfoTest, Socks5RequestsWithAndWithoutCredentials) {
  TScriptedServer proxy({
      TScript().ReadCount(3).Send(kNoAuth5).ReadCount(7 + 9).Send(kIpv4Bound5 + "hello\n").WaitPeerClose(),
      TScript()
          .ReadCount(3)
          .Send(Bytes({5, 2}))
          .ReadCount(3 + 4 + 6)
          .Send(Bytes({1, 0}))
          .ReadCount(7 + 12)
          .Send(kIpv4Bound5)
          .WaitPeerClose(),
  });
  {
    ViaSocks v(proxy, svSocks5, "127.0.0.1", 8080);
    v.client.Connect();
    EXPECT_EQ(v.client.ReceiveLine(), "hello");
  }
  {
    ViaSocks v(proxy, svSocks5, "example.test", 443);
    v.handler->SocksInfo().Authentication = saUsernamePassword;
    v.handler->SocksInfo().Username = "user";
    v.handler->SocksInfo().Password = "secret";
    v.client.Connect();
  }
  ASSERT_TRUE(proxy.WaitDone(5000));
  // The target always goes as a name, never resolved locally.
  EXPECT_EQ(proxy.Received(0), Bytes({5, 1, 0, 5, 1, 0, 3, 9}) + "127.0.0.1" + Bytes({0x1f, 0x90}));
  EXPECT_EQ(proxy.Received(1), Bytes({5, 1, 2, 1, 4}) + "user" + Bytes({6}) + "secret" + Bytes({5, 1, 0, 3, 12}) +
                                   "example.test" + Bytes({1, 0xbb}));
  EXPECT_TRUE(proxy.Failures().empty());
}

TEST(TNetSocksInfoTest, Socks5GreetingAndAuthenticationFailures) {
  TScriptedServer proxy({
      TScript().ReadCount(3).Send(Bytes({5, 255})),
      TScript().ReadCount(3).Send(Bytes({5, 0})),  // user/password offered, none chosen
      TScript().ReadCount(3).Send(Bytes({5, 2})).ReadCount(4).Send(Bytes({1, 1})),
  });
  {
    ViaSocks v(proxy, svSocks5);
    EXPECT_EQ(FailureOf<ENetSocksAuthMethodError>([&] { v.client.Connect(); }), "Invalid socks authentication method.");
  }
  for (const char* expected : {"Invalid socks authentication method.", "Authentication error to socks server."}) {
    ViaSocks v(proxy, svSocks5);
    v.handler->SocksInfo().Authentication = saUsernamePassword;
    v.handler->SocksInfo().Username = "u";
    EXPECT_EQ(FailureOf<ENetSocksError>([&] { v.client.Connect(); }), expected);
  }
}

TEST(TNetSocksInfoTest, Socks5ReplyCodes) {
  const std::vector<std::string> messages = {
      "General SOCKS server failure.", "Connection not allowed by ruleset.",
      "Network unreachable.",          "Host unreachable.",
      "Connection refused.",           "TTL expired.",
      "Command not supported.",        "Address type not supported.",
      "Unknown socks error.",
  };
  std::vector<TScript> scripts;
  for (int code = 1; code <= 9; ++code)
    scripts.push_back(TScript().ReadCount(3).Send(kNoAuth5).ReadCount(16).Send(Bytes({5, code, 0, 1, 0})));
  TScriptedServer proxy(scripts);
  for (int code = 1; code <= 9; ++code) {
    ViaSocks v(proxy, svSocks5);
    EXPECT_EQ(FailureOf<ENetSocksError>([&] { v.client.Connect(); }), messages[code - 1]) << code;
  }
}

TEST(TNetSocksInfoTest, Socks5BoundAddressIsConsumedByItsType) {
  const std::vector<std::string> bound = {
      Bytes({1, 10, 0, 0, 1, 0, 80}),                         // IPv4
      Bytes({3, 9}) + "proxy.lan" + Bytes({0, 80}),           // name of 9 bytes: 16 in all
      Bytes({4}) + std::string(16, '\x01') + Bytes({0, 80}),  // IPv6
      Bytes({9, 7, 0, 80}),                                   // unknown type: 2 more bytes
  };
  std::vector<TScript> scripts;
  for (const auto& b : bound)
    scripts.push_back(
        TScript().ReadCount(3).Send(kNoAuth5).ReadCount(16).Send(Bytes({5, 0, 0}) + b + "DATA\n").WaitPeerClose());
  TScriptedServer proxy(scripts);
  for (std::size_t i = 0; i < bound.size(); ++i) {
    ViaSocks v(proxy, svSocks5);
    v.client.Connect();
    // Had the reply been under- or over-read, the line would be cut or
    // carry address bytes.
    EXPECT_EQ(v.client.ReceiveLine(), "DATA") << i;
  }
}

TEST(TNetSocksInfoTest, SilentOrClosingServerDidNotRespond) {
  TScriptedServer proxy({
      TScript().ReadCount(3).Silent(),
      TScript().ReadCount(9).Send(Bytes({0, 90, 0})).Silent(),  // a reply cut short
      TScript().ReadCount(3).Close(),
  });
  {
    ViaSocks v(proxy, svSocks5);
    v.handler->SocksInfo().ReadTimeout = 200;
    EXPECT_EQ(FailureOf<ENetSocksServerRespondError>([&] { v.client.Connect(); }), "Socks server did not respond.");
  }
  {
    // Without a time-out of its own the negotiation uses the connect time-out.
    ViaSocks v(proxy, svSocks4);
    EXPECT_EQ(FailureOf<ENetSocksServerRespondError>([&] { v.client.Connect(300); }), "Socks server did not respond.");
  }
  {
    ViaSocks v(proxy, svSocks5);
    EXPECT_EQ(FailureOf<ENetSocksServerRespondError>([&] { v.client.Connect(); }), "Socks server did not respond.");
  }
}

TEST(TNetSocksInfoTest, NoSocksConnectsStraightToTheTarget) {
  TScriptedServer target({TScript().ReadCount(5).Send("ok\n").WaitPeerClose()});
  auto handler = std::make_shared<TNetIOHandlerSocket>();
  handler->SocksInfo().Host = "127.0.0.1";
  handler->SocksInfo().Port = 1;  // would be refused if used
  TNetTCPClient client;
  client.SetIOHandler(handler);
  client.Host = "127.0.0.1";
  client.Port = target.Port();
  client.Connect();
  client.Write("hello");
  EXPECT_EQ(client.ReceiveLine(), "ok");
  client.Disconnect();
  ASSERT_TRUE(target.WaitDone(5000));
  EXPECT_EQ(target.Received(0), "hello");
}

TEST(TNetSocksInfoTest, OverlongSocks5FieldsFailBeforeSending) {
  TScriptedServer proxy({TScript().WaitPeerClose(), TScript().WaitPeerClose()});
  {
    ViaSocks v(proxy, svSocks5, std::string(256, 'h'));
    EXPECT_EQ(FailureOf<ENetSocksFieldTooLong>([&] { v.client.Connect(); }),
              "Socks host name is longer than 255 bytes.");
  }
  {
    ViaSocks v(proxy, svSocks5);
    v.handler->SocksInfo().Authentication = saUsernamePassword;
    v.handler->SocksInfo().Password = std::string(300, 'p');
    EXPECT_EQ(FailureOf<ENetSocksFieldTooLong>([&] { v.client.Connect(); }),
              "Socks password is longer than 255 bytes.");
  }
  ASSERT_TRUE(proxy.WaitDone(5000));
  EXPECT_EQ(proxy.Received(0), "");
  EXPECT_EQ(proxy.Received(1), "");
}

// An in-memory handler that hands out its canned reply one byte per
// receive, as a network may split it arbitrarily.
class TrickleHandler : public TNetIOHandler {
 public:
  explicit TrickleHandler(std::string reply) : reply_(std::move(reply)) {}
  bool Connected() override { return true; }
  bool WaitReadable(int) override { return pos_ < reply_.size(); }
  int Recv(char* buffer, int length) override {
    if (pos_ >= reply_.size() || length < 1) return 0;
    *buffer = reply_[pos_++];
    ++receives;
    return 1;
  }
  int Send(const char* buffer, int length) override {
    sent.append(buffer, static_cast<std::size_t>(length));
    return length;
  }
  std::string sent;
  int receives = 0;

 private:
  std::string reply_;
  std::size_t pos_ = 0;
};

TEST(TNetSocksInfoTest, RepliesSplitIntoSingleBytesAreCompleted) {
  {
    const std::string reply = kNoAuth5 + Bytes({5, 0, 0, 3, 4}) + "host" + Bytes({0, 1});
    TrickleHandler h(reply);
    TNetSocksInfo info;
    info.Version = svSocks5;
    info.NegotiateSocks(h, "t.example", 80);
    EXPECT_EQ(h.receives, static_cast<int>(reply.size()));
  }
  {
    TrickleHandler h(kGranted4);
    TNetSocksInfo info;
    info.Version = svSocks4A;
    info.NegotiateSocks(h, "t.example", 80);
    EXPECT_EQ(h.receives, 8);
    EXPECT_EQ(h.sent, Bytes({4, 1, 0, 80, 0, 0, 0, 1, 0}) + "t.example" + '\0');
  }
  {
    // The reply ends one byte early: the wait finds nothing more.
    TrickleHandler h(kNoAuth5 + Bytes({5, 0, 0, 1, 1, 2, 3, 4, 0}));
    TNetSocksInfo info;
    info.Version = svSocks5;
    EXPECT_EQ(FailureOf<ENetSocksServerRespondError>([&] { info.NegotiateSocks(h, "t", 1); }),
              "Socks server did not respond.");
  }
}

TEST(TNetSocksInfoTest, AssignCopiesTheSixSettings) {
  TNetSocksInfo a;
  a.Authentication = saUsernamePassword;
  a.Host = "proxy";
  a.Password = "pw";
  a.Port = 9050;
  a.Username = "me";
  a.Version = svSocks4A;
  a.ReadTimeout = 5;
  TNetSocksInfo b;
  b.Assign(a);
  EXPECT_EQ(b.Authentication, saUsernamePassword);
  EXPECT_EQ(b.Host, "proxy");
  EXPECT_EQ(b.Password, "pw");
  EXPECT_EQ(b.Port, 9050);
  EXPECT_EQ(b.Username, "me");
  EXPECT_EQ(b.Version, svSocks4A);
  EXPECT_EQ(b.ReadTimeout, TimeoutDefault);
}

}  // namespace socks_info_test
}  // namespace tolvar::transport
