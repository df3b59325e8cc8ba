// The system-TLS handler (Schannel) against real TLS servers on loopback,
// with a CA made for the run and added to the host's trusted roots, which
// Wine's certificate store reads (scripts/tls_peers.sh).
#include "transport/system_tls_io_handler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <string>

#include "platform/socket.h"
#include "support/failure_of.h"
#include "support/tls_peers.h"
#include "transport/tcp_client.h"

namespace tolvar::transport {
namespace {

using tolvar::testing::FailureOf;
using tolvar::testing::TlsPeers;

std::string SystemTlsFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class SystemTLSIOHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    peers_ = TlsPeers::Find();
    if (peers_ == nullptr) GTEST_SKIP() << "TOLVAR_TLS_PEERS does not name the running servers";
    if (!peers_->trusted) GTEST_SKIP() << "the test CA could not be added to the host's trusted roots";
    handler_ = std::make_shared<TNetSystemTLSIOHandler>();
    client_.SetIOHandler(handler_);
    client_.Host = "127.0.0.1";
    client_.ReadTimeout = 20000;
  }
  // GET over TLS (HTTP/1.0: the server closes after the body), the whole
  // reply with its head.
  std::string Get(const std::string& path) {
    client_.Write("GET " + path + " HTTP/1.0\r\n\r\n");
    return client_.ReadAllUntilClosed();
  }

  const TlsPeers* peers_ = nullptr;
  std::shared_ptr<TNetSystemTLSIOHandler> handler_;
  TNetTCPClient client_;
};

TEST_F(SystemTLSIOHandlerTest, VerifiedFetchIsByteForByte) {
  const std::string file = SystemTlsFile(peers_->www + "/all.bin");
  ASSERT_EQ(file.size(), 256u * 200 + 3);
  // By name (SNI sent) and by IP literal (checked against the IP entry).
  for (const char* name : {"localhost", "127.0.0.1"}) {
    SCOPED_TRACE(name);
    handler_->SetServerName(name);
    client_.Port = peers_->valid;
    client_.Connect(10000);
    EXPECT_TRUE(handler_->ProtocolName() == "TLS 1.2" || handler_->ProtocolName() == "TLS 1.3")
        << handler_->ProtocolName();
    const std::string reply = Get("/all.bin");
    const auto body = reply.find("\r\n\r\n");
    ASSERT_NE(body, std::string::npos) << reply.substr(0, 200);
    EXPECT_EQ(reply.compare(0, 15, "HTTP/1.0 200 ok"), 0) << reply.substr(0, 100);
    EXPECT_TRUE(reply.substr(body + 4) == file) << "body of " << reply.size() - body - 4 << " bytes differs";
    client_.Disconnect();
  }
}

TEST_F(SystemTLSIOHandlerTest, EachRefusalNamesItsCheckAndTheHost) {
  struct Case {
    int TlsPeers::*port;
    const char* name;
    platform::SystemTlsFailure failure;
    const char* message;
  };
  const Case cases[] = {
      {&TlsPeers::untrusted, "localhost", platform::SystemTlsFailure::kUntrusted,
       "TLS certificate check failed for localhost: the certificate is not issued by a trusted authority."},
      {&TlsPeers::valid, "wrong.example", platform::SystemTlsFailure::kHostName,
       "TLS certificate check failed for wrong.example: the certificate is not valid for this host name."},
      {&TlsPeers::valid, "127.0.0.2", platform::SystemTlsFailure::kHostName,
       "TLS certificate check failed for 127.0.0.2: the certificate is not valid for this host name."},
      {&TlsPeers::expired, "localhost", platform::SystemTlsFailure::kExpired,
       "TLS certificate check failed for localhost: the certificate has expired or is not yet valid."},
      {&TlsPeers::tls10, "localhost", platform::SystemTlsFailure::kHandshake,
       "TLS handshake with localhost failed: no protocol version or cipher in common (TLS 1.2 or later is "
       "required)."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    handler_->SetServerName(c.name);
    client_.Port = peers_->*c.port;
    platform::SystemTlsFailure failure = platform::SystemTlsFailure::kNone;
    const std::string message = FailureOf<ENetSystemTLSError>([&] {
      try {
        client_.Connect(10000);
      } catch (const ENetSystemTLSError& e) {
        failure = e.Failure();
        throw;
      }
    });
    EXPECT_EQ(message, c.message);
    EXPECT_EQ(failure, c.failure);
    // Nothing of the refused connection stays open.
    EXPECT_FALSE(client_.Connected());
  }
}

TEST_F(SystemTLSIOHandlerTest, CutStreamFailsInsteadOfEndingCleanly) {
  handler_->SetServerName("localhost");
  client_.Port = peers_->cut;
  client_.Connect(10000);
  client_.Write("GET /any HTTP/1.0\r\n\r\n");
  std::string got;
  char buffer[4096];
  int n;
  while ((n = handler_->Recv(buffer, sizeof buffer)) > 0) got.append(buffer, static_cast<std::size_t>(n));
  EXPECT_EQ(n, -1);
  EXPECT_EQ(platform::LastError(), platform::kWsaEConnAborted);
  EXPECT_EQ(got.substr(0, 15), "HTTP/1.0 200 OK");
  EXPECT_EQ(got.size(), 43u + 5000u);
}

TEST_F(SystemTLSIOHandlerTest, TlsThroughAProxyTunnel) {
  handler_->SetPassThrough(true);
  client_.Port = peers_->proxy;
  client_.Connect(10000);
  client_.Write("CONNECT localhost:" + std::to_string(peers_->valid) + " HTTP/1.1\r\nHost: localhost\r\n\r\n");
  EXPECT_EQ(client_.ReceiveLine("\r\n").substr(0, 12), "HTTP/1.0 200");
  while (!client_.ReceiveLine("\r\n").empty()) {
  }
  handler_->SetServerName("localhost");
  handler_->SetPassThrough(false);
  EXPECT_FALSE(handler_->ProtocolName().empty());
  const std::string reply = Get("/all.bin");
  const auto body = reply.find("\r\n\r\n");
  ASSERT_NE(body, std::string::npos);
  EXPECT_TRUE(reply.substr(body + 4) == SystemTlsFile(peers_->www + "/all.bin"));
}

TEST_F(SystemTLSIOHandlerTest, SilentServerTimesOutAndCloseWakesABlockedRead) {
  handler_->SetServerName("localhost");
  client_.Port = peers_->valid;
  // The server waits for a request that never comes.
  handler_->ReadTimeout = 300;
  client_.Connect(10000);
  char buffer[64];
  EXPECT_EQ(handler_->Recv(buffer, sizeof buffer), -1);
  EXPECT_EQ(platform::LastError(), 10060);
  client_.Disconnect();

  handler_->ReadTimeout = TimeoutInfinite;
  client_.Connect(10000);
  auto blocked = std::async(std::launch::async, [&] {
    try {
      return handler_->Recv(buffer, sizeof buffer);
    } catch (const ENetException&) {
      return -1;  // closed before the read began
    }
  });
  // Whether the read is already blocked or not yet started, it must end.
  handler_->Close();
  ASSERT_EQ(blocked.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_LT(blocked.get(), 1);
}

}  // namespace
}  // namespace tolvar::transport
