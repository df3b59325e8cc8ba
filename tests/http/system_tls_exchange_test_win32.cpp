// The engine's https route over the system's TLS (Schannel under Wine): the
// exchange sets the origin's name and switches pass-through per request, so
// one handler carries direct https and a proxy's CONNECT tunnel, and every
// refusal reaches the caller as the handler's own message.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "http/custom_http.h"
#include "support/tls_peers.h"
#include "transport/system_tls_io_handler.h"

namespace tolvar::http {
namespace {

using tolvar::testing::TlsPeers;

std::string SystemTlsExchangeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

TEST(TNetHTTPSystemTlsTest, FetchesAndRefusals) {
  const TlsPeers* peers = TlsPeers::Find();
  if (peers == nullptr) GTEST_SKIP() << "TOLVAR_TLS_PEERS does not name the running servers";
  if (!peers->trusted) GTEST_SKIP() << "the test CA could not be added to the host's trusted roots";
  const std::string file = SystemTlsExchangeFile(peers->www + "/all.bin");
  ASSERT_FALSE(file.empty());
  auto url = [](const char* host, int port) { return std::string("https://") + host + ":" + std::to_string(port); };
  struct Case {
    std::string url;
    bool proxy;
    std::string failure;  // empty: the file arrives whole
  };
  const Case cases[] = {
      {url("localhost", peers->valid) + "/all.bin", false, ""},
      {url("127.0.0.1", peers->valid) + "/all.bin", false, ""},
      {url("localhost", peers->valid) + "/all.bin", true, ""},
      {url("localhost", peers->untrusted) + "/all.bin", false,
       "TLS certificate check failed for localhost: the certificate is not issued by a trusted authority."},
      {url("localhost", peers->expired) + "/all.bin", false,
       "TLS certificate check failed for localhost: the certificate has expired or is not yet valid."},
      {url("localhost", peers->tls10) + "/all.bin", false,
       "TLS handshake with localhost failed: no protocol version or cipher in common (TLS 1.2 or later is "
       "required)."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url + (c.proxy ? " through the proxy" : ""));
    auto tls = std::make_shared<tolvar::transport::TNetSystemTLSIOHandler>();
    TNetHTTP client;
    client.SetIOHandler(tls);
    client.ReadTimeout = 20000;
    if (c.proxy) {
      client.ProxyParams.SetProxyServer("127.0.0.1");
      client.ProxyParams.SetProxyPort(peers->proxy);
    }
    tolvar::platform::TMemoryStream page;
    std::string failure;
    try {
      client.Get(c.url, &page);
    } catch (const tolvar::transport::ENetException& e) {
      failure = e.what();
    }
    EXPECT_EQ(failure, c.failure);
    if (c.failure.empty()) {
      EXPECT_EQ(client.Response().StatusCode(), 200);
      EXPECT_TRUE(page.Bytes() == file) << page.Bytes().size() << " of " << file.size() << " bytes";
      EXPECT_FALSE(tls->PassThrough());
    }
  }
}

TEST(TNetHTTPSystemTlsTest, CutStreamIsAFailureNotAShortBody) {
  const TlsPeers* peers = TlsPeers::Find();
  if (peers == nullptr) GTEST_SKIP() << "TOLVAR_TLS_PEERS does not name the running servers";
  if (!peers->trusted) GTEST_SKIP() << "the test CA could not be added to the host's trusted roots";
  auto tls = std::make_shared<tolvar::transport::TNetSystemTLSIOHandler>();
  TNetHTTP client;
  client.SetIOHandler(tls);
  client.ReadTimeout = 20000;
  tolvar::platform::TMemoryStream page;
  EXPECT_THROW(client.Get("https://localhost:" + std::to_string(peers->cut) + "/", &page),
               tolvar::transport::ENetException);
  EXPECT_LT(page.Bytes().size(), 100000u);
}

}  // namespace
}  // namespace tolvar::http
