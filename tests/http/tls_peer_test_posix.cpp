// The engine's https route when a program installs the TLS handler: a GET
// to a real HTTPS server (s_server on loopback, started for the test run).
// Without the handler the same URL fails before anything is sent (see the
// request tests). Linux only: the Windows build has no OpenSSL here.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "http/custom_http.h"
#include "support/file_bytes.h"
#include "support/tls_socks_peers.h"
#include "transport/ssl_io_handler.h"

namespace tolvar::http {
namespace tls_peer_test_posix {

using tolvar::testing::TlsSocksPeers;

using tolvar::testing::ReadFileBytes;

TEST(TNetHTTPTlsTest, GetOverTlsWithTheHandlerInstalled) {
  const TlsSocksPeers* peers = TlsSocksPeers::Find();
  if (peers == nullptr) GTEST_SKIP() << "TOLVAR_TLS_SOCKS_PEERS does not name the running peers";
  auto tls = std::make_shared<tolvar::transport::TNetSSLIOHandlerSocket>();
  tls->SSLOptions().RootCertFile = peers->pki + "/ca.pem";
  tls->SSLOptions().VerifyMode = tolvar::transport::sslvrfPeer;
  tls->SSLOptions().VerifyDepth = 2;
  TNetHTTP client;
  client.SetIOHandler(tls);
  client.ReadTimeout = 10000;
  tolvar::platform::TMemoryStream page;
  client.Get("https://127.0.0.1:" + std::to_string(peers->https) + "/page.htm", &page);
  const std::string expected = ReadFileBytes(peers->www + "/page.htm");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(client.Response().StatusCode(), 200);
  EXPECT_TRUE(page.Bytes() == expected) << page.Bytes().size() << " of " << expected.size() << " bytes";
  EXPECT_FALSE(tls->PassThrough());

  // The same handler carries plain http too, passing the bytes through.
  tolvar::platform::TMemoryStream plain;
  EXPECT_THROW(client.Get("http://127.0.0.1:" + std::to_string(peers->tls) + "/", &plain),
               tolvar::transport::ENetException);
  EXPECT_TRUE(tls->PassThrough());
}

}  // namespace tls_peer_test_posix
}  // namespace tolvar::http
