#include "http/http_protocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/exceptions.h"
#include "transport/tcp_client.h"

namespace tolvar::http::protocol_test {
namespace http_protocol_test {

// Answers the protocol's questions as told and counts them; the wire is
// never connected, so nothing reaches a network.
class TProtocolTestClient : public TNetHTTPProtocolClient {
 public:
  transport::TNetTCPConnection& Wire() override { return wire; }
  void CloseConnection() override { ++closes; }
  bool ConfirmRedirect(std::string& dest, TNetHTTPMethod&, int num_redirect) override {
    ++redirect_asks;
    asked_redirect_number = num_redirect;
    dest = "/moved";
    return confirm;
  }
  bool AuthorizeServer(TNetHTTPRequest&, TNetHTTPResponse&) override {
    ++server_asks;
    return authorize;
  }
  bool AuthorizeProxy(TNetHTTPRequest&, TNetHTTPResponse&) override {
    ++proxy_asks;
    return authorize;
  }
  bool ReadBody(TNetHTTPResponse&, std::int32_t) override { return false; }
  TNetProxyConnectionInfo& ProxyInfo() override { return proxy; }
  TNetCookieManager* CookieManager() const override { return nullptr; }

  transport::TNetTCPClient wire;
  TNetProxyConnectionInfo proxy;
  bool confirm = true;
  bool authorize = true;
  int redirect_asks = 0;
  int asked_redirect_number = -1;
  int server_asks = 0;
  int proxy_asks = 0;
  int closes = 0;
};

// The counters and limits come in with each decision: a client is asked
// only while the request has rounds left, and a refusal is the failure.
TEST(TNetHTTPProtocolTest, TheCountsPassedInDecideWhetherTheClientIsAsked) {
  struct Row {
    const char* what;
    int code;
    int redirects;
    int auth_rounds;
    int proxy_rounds;
    int expected_redirect_asks;
    int expected_server_asks;
    int expected_proxy_asks;
    bool expected_failure;
    NextStep expected_step;
  };
  // At the maximum a confirmed redirect is not followed but accepted as the
  // request's answer.
  const std::vector<Row> rows = {
      {"redirect below the maximum", 302, 3, 0, 0, 1, 0, 0, false, NextStep::NextRequest},
      {"redirect at the maximum", 302, 15, 0, 0, 1, 0, 0, false, NextStep::Finished},
      {"401 with rounds left", 401, 0, 2, 0, 0, 1, 0, false, NextStep::NextRequest},
      {"401 with none left", 401, 0, 3, 0, 0, 0, 0, true, NextStep::Undecided},
      {"407 with rounds left", 407, 0, 3, 2, 0, 0, 1, false, NextStep::NextRequest},
      {"407 with none left", 407, 0, 0, 3, 0, 0, 0, true, NextStep::Undecided},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TProtocolTestClient client;
    TNetHTTPProtocol protocol(client);
    protocol.Request.URL = "/start";
    protocol.Response.StatusLine = "HTTP/1.1 " + std::to_string(row.code) + " Some";
    if (row.code == 302) protocol.Response.Location = "/elsewhere";
    TNetExchangeCounts counts;
    counts.RedirectCount = row.redirects;
    counts.RedirectMaximum = 15;
    counts.HandleRedirects = true;
    counts.AuthRetryCount = row.auth_rounds;
    counts.AuthProxyRetryCount = row.proxy_rounds;
    counts.AuthRetries = 3;
    bool failed = false;
    NextStep step = NextStep::Undecided;
    try {
      step = protocol.DecideNext(counts);
    } catch (const ENetHTTPProtocolException& e) {
      failed = true;
      EXPECT_EQ(e.ReplyErrorCode(), row.code);
    }
    EXPECT_EQ(failed, row.expected_failure);
    EXPECT_EQ(client.redirect_asks, row.expected_redirect_asks);
    EXPECT_EQ(client.server_asks, row.expected_server_asks);
    EXPECT_EQ(client.proxy_asks, row.expected_proxy_asks);
    if (row.expected_redirect_asks == 1) {
      EXPECT_EQ(client.asked_redirect_number, row.redirects);
    }
    EXPECT_EQ(step, row.expected_step);
    if (row.expected_step == NextStep::NextRequest && row.code == 302) {
      EXPECT_EQ(protocol.Request.URL, "/moved");
    }
    if (row.expected_step == NextStep::Finished) {
      EXPECT_EQ(protocol.Response.Location, "/moved");
    }
  }
}

// The client's own version decides whether a connection is kept, and an
// open connection is required whatever the header says.
TEST(TNetHTTPProtocolTest, KeepAliveFollowsTheClientsVersionAndTheConnection) {
  struct Row {
    const char* status_line;
    const char* connection;
    const char* proxy_connection;
    bool connected;
    TNetHTTPProtocolVersion own;
    bool expected;
    TNetHTTPProtocolVersion expected_server;
  };
  const std::vector<Row> rows = {
      {"HTTP/1.1 200 OK", "", "", true, pv1_1, true, pv1_1},
      {"HTTP/1.1 200 OK", " Close ", "", true, pv1_1, false, pv1_1},
      {"HTTP/1.1 200 OK", "", "close", true, pv1_1, false, pv1_1},
      {"HTTP/1.1 200 OK", "", "", false, pv1_1, false, pv1_1},
      {"HTTP/1.0 200 OK", "", "", true, pv1_0, false, pv1_0},
      {"HTTP/1.0 200 OK", "Keep-Alive", "", true, pv1_0, true, pv1_0},
      {"HTTP/1.1 200 OK", "", "keep-alive", true, pv1_0, true, pv1_1},
      {"HTTP/1.0 200 OK", "keep-alive", "", false, pv1_0, false, pv1_0},
      // The server's version does not decide: a 1.0 answer to a 1.1 client
      // without "close" keeps the connection.
      {"HTTP/1.0 200 OK", "", "", true, pv1_1, true, pv1_0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.status_line) + " / " + row.connection + " / " + row.proxy_connection);
    TNetHTTPResponse response;
    response.StatusLine = row.status_line;
    response.Connection = row.connection;
    response.ProxyConnection = row.proxy_connection;
    response.ServerVersion = row.expected_server == pv1_0 ? pv1_1 : pv1_0;
    EXPECT_EQ(response.KeepAlive(row.connected, row.own), row.expected);
    EXPECT_EQ(response.ServerVersion, row.expected_server);
  }
}

}  // namespace http_protocol_test
}  // namespace tolvar::http::protocol_test
