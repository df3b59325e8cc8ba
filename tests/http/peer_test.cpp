// The engine against real peers: an nginx web server and a tinyproxy HTTP
// proxy started by the test run (scripts/peers.sh). TOLVAR_PEERS names the
// file with their ports; without it the cases are skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "http/custom_http.h"
#include "http/exceptions.h"
#include "support/file_bytes.h"

namespace tolvar::http {
namespace peer_test {

struct Peers {
  int http = 0;
  int proxy = 0;
  std::string root;
};

// Null when the peers are not running for this test run.
const Peers* FindPeers() {
  static const Peers* found = []() -> const Peers* {
    const char* file = std::getenv("TOLVAR_PEERS");
    if (file == nullptr || *file == '\0') return nullptr;
    std::ifstream in(file);
    static Peers peers;
    std::string key;
    while (in >> key) {
      if (key == "http") in >> peers.http;
      if (key == "proxy") in >> peers.proxy;
      if (key == "root") in >> peers.root;
    }
    return peers.http != 0 && peers.proxy != 0 ? &peers : nullptr;
  }();
  return found;
}

using tolvar::testing::ReadFileBytes;

class TNetHTTPPeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    peers_ = FindPeers();
    if (peers_ == nullptr) GTEST_SKIP() << "TOLVAR_PEERS does not name the running peers";
    origin_ = "127.0.0.1:" + std::to_string(peers_->http);
  }
  std::string Url(const std::string& path) const { return "http://" + origin_ + path; }
  void UseProxy(TNetHTTP& client) const {
    client.ProxyParams.SetProxyServer("127.0.0.1");
    client.ProxyParams.SetProxyPort(peers_->proxy);
  }

  const Peers* peers_ = nullptr;
  std::string origin_;
};

TEST_F(TNetHTTPPeerTest, FilesArriveWholeOverOneKeptConnection) {
  TNetHTTP client;
  tolvar::platform::TMemoryStream page;
  client.Get(Url("/page.htm"), &page);
  const std::string expected_page = ReadFileBytes(peers_->root + "/page.htm");
  ASSERT_FALSE(expected_page.empty());
  EXPECT_EQ(page.Bytes(), expected_page);
  EXPECT_EQ(client.Response().ContentLength(), static_cast<std::int64_t>(expected_page.size()));
  EXPECT_TRUE(client.Connected());

  int connects = 0;
  client.OnStatus = [&](tolvar::transport::TNetComponent*, tolvar::transport::TNetStatus status, const std::string&) {
    if (status == tolvar::transport::hsConnected) ++connects;
  };
  tolvar::platform::TMemoryStream big;
  client.Get(Url("/big.bin"), &big);
  EXPECT_EQ(connects, 0);
  const std::string expected_big = ReadFileBytes(peers_->root + "/big.bin");
  EXPECT_EQ(big.Bytes().size(), expected_big.size());
  EXPECT_TRUE(big.Bytes() == expected_big);
}

TEST_F(TNetHTTPPeerTest, ChunkedBodyOfAnIncludePage) {
  TNetHTTP client;
  tolvar::platform::TMemoryStream body;
  client.Get(Url("/ssi.htm"), &body);
  EXPECT_EQ(client.Response().RawLines.ValueOf("Transfer-Encoding"), "chunked");
  EXPECT_EQ(body.Bytes(), "before GET after\n");
}

TEST_F(TNetHTTPPeerTest, MissingAndMovedPagesFailWithTheStatusLine) {
  TNetHTTP client;
  try {
    client.Get(Url("/missing.htm"), nullptr);
    ADD_FAILURE() << "a 404 passed";
  } catch (const ENetHTTPProtocolException& e) {
    EXPECT_STREQ(e.what(), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(e.ReplyErrorCode(), 404);
    EXPECT_NE(e.ErrorBody.find("<title>404 Not Found</title>"), std::string::npos);
  }
  try {
    client.Get(Url("/moved"), nullptr);
    ADD_FAILURE() << "a 302 passed";
  } catch (const ENetHTTPProtocolException& e) {
    EXPECT_STREQ(e.what(), "HTTP/1.1 302 Moved Temporarily");
    EXPECT_NE(client.Response().Location.find("/page.htm"), std::string::npos);
  }
}

TEST_F(TNetHTTPPeerTest, PostCarriesItsBodyAndCookiesComeBack) {
  TNetHTTP client;
  tolvar::platform::TMemoryStream source;
  source.WriteBuffer("a=1&b=2", 7);
  tolvar::platform::TMemoryStream answer;
  client.Post(Url("/echo"), &source, &answer);
  EXPECT_EQ(answer.Bytes(), "POST host=" + origin_ + " cookie= length=7");
  tolvar::platform::TMemoryStream again;
  client.Get(Url("/echo"), &again);
  EXPECT_EQ(again.Bytes(), "GET host=" + origin_ + " cookie=peer=seen length=");
}

TEST_F(TNetHTTPPeerTest, ThroughTheProxy) {
  TNetHTTP client;
  UseProxy(client);
  tolvar::platform::TMemoryStream page;
  client.Get(Url("/page.htm"), &page);
  EXPECT_EQ(page.Bytes(), ReadFileBytes(peers_->root + "/page.htm"));
  EXPECT_NE(client.Response().RawLines.ValueOf("Via").find("tinyproxy"), std::string::npos);

  // The proxy closes after each answer without saying so; whether its close
  // has arrived when the next request goes out is a race, and a request
  // sent on the closed connection fails (AConnectionTheServerClosesUnannounced
  // shows that case on its own). Each request here starts afresh, as every
  // run of tolvar does.
  client.Disconnect();
  tolvar::platform::TMemoryStream first;
  client.Get(Url("/echo"), &first);
  EXPECT_EQ(first.Bytes(), "GET host=" + origin_ + " cookie= length=");
  tolvar::platform::TMemoryStream source;
  source.WriteBuffer("xyz", 3);
  tolvar::platform::TMemoryStream answer;
  client.Post(Url("/echo"), &source, &answer);
  EXPECT_EQ(answer.Bytes(), "POST host=" + origin_ + " cookie=peer=seen length=3");
}

TEST_F(TNetHTTPPeerTest, TheProxyRefusesATunnelToAPortItDoesNotAllow) {
  TNetHTTP client;
  UseProxy(client);
  try {
    client.Get("https://127.0.0.1:" + std::to_string(peers_->http) + "/", nullptr);
    ADD_FAILURE() << "the tunnel opened";
  } catch (const ENetHTTPProtocolException& e) {
    EXPECT_GE(e.ReplyErrorCode(), 400) << e.what();
  }
}

}  // namespace peer_test
}  // namespace tolvar::http
