// SOCKS negotiation against a real SOCKS server (danted on loopback, started
// for the test run), carrying a conversation with a scripted target.
#include <gtest/gtest.h>

#include <memory>

#include "support/failure_of.h"
#include "support/loopback.h"
#include "support/scripted_server.h"
#include "support/tls_socks_peers.h"
#include "transport/io_handler_socket.h"
#include "transport/socks_exceptions.h"
#include "transport/tcp_client.h"

namespace tolvar::transport {
namespace socks_peer_test {

using testing::TScript;
using testing::TScriptedServer;
using tolvar::testing::FailureOf;
using tolvar::testing::TlsSocksPeers;

class SocksPeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    peers_ = TlsSocksPeers::Find();
    if (peers_ == nullptr) GTEST_SKIP() << "TOLVAR_TLS_SOCKS_PEERS does not name the running peers";
  }
  // A client whose handler goes through danted to host:port.
  std::unique_ptr<TNetTCPClient> Client(TSocksVersion version, const std::string& host, int port) {
    auto handler = std::make_shared<TNetIOHandlerSocket>();
    handler->SocksInfo().Version = version;
    handler->SocksInfo().Host = "127.0.0.1";
    handler->SocksInfo().Port = peers_->socks;
    auto client = std::make_unique<TNetTCPClient>();
    client->SetIOHandler(handler);
    client->Host = host;
    client->Port = port;
    client->ReadTimeout = 10000;
    return client;
  }
  const TlsSocksPeers* peers_ = nullptr;
};

TEST_F(SocksPeerTest, EveryVersionCarriesTheConversation) {
  TScriptedServer target({
      TScript().ReadUntil("ping 4\n").Send("pong 4\n").WaitPeerClose(),
      TScript().ReadUntil("ping 5\n").Send("pong 5\n").WaitPeerClose(),
  });
  const struct {
    TSocksVersion version;
    const char* host;
    const char* name;
  } cases[] = {{svSocks4, "127.0.0.1", "4"}, {svSocks5, "localhost", "5"}};
  for (const auto& c : cases) {
    auto client = Client(c.version, c.host, target.Port());
    client->Connect(10000);
    client->Write(std::string("ping ") + c.name + "\n");
    EXPECT_EQ(client->ReceiveLine(), std::string("pong ") + c.name);
    client->Disconnect();
  }
  EXPECT_TRUE(target.WaitDone(10000));
  EXPECT_TRUE(target.Failures().empty());
}

TEST_F(SocksPeerTest, RefusedTargetIsTheServersReply) {
  const int closed_port = tolvar::testing::RefusedPort();
  auto v5 = Client(svSocks5, "127.0.0.1", closed_port);
  EXPECT_EQ(FailureOf<ENetSocksError>([&] { v5->Connect(10000); }), "Connection refused.");
  EXPECT_FALSE(v5->Connected());
  auto v4 = Client(svSocks4, "127.0.0.1", closed_port);
  EXPECT_EQ(FailureOf<ENetSocksError>([&] { v4->Connect(10000); }), "Request rejected or failed.");
}

}  // namespace socks_peer_test
}  // namespace tolvar::transport
