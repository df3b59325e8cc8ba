#include "http/custom_http.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "http/exceptions.h"
#include "http/protocol_failure_of.h"
#include "support/failure_of.h"
#include "support/loopback.h"
#include "support/memory_io_handler.h"
#include "support/scripted_server.h"
#include "transport/exceptions.h"

namespace tolvar::http {
namespace custom_http_test {

using tolvar::testing::TMemoryIOHandler;
using tolvar::testing::TScript;
using tolvar::testing::TScriptedServer;
using TEnd = TMemoryIOHandler::TEnd;

const std::string kAgent = "User-Agent: Mozilla/3.0 (compatible; Quillon)\r\n";
using tolvar::testing::kHeadEnd;

using tolvar::testing::LoopbackOrigin;
using tolvar::testing::LoopbackUrl;

using tolvar::testing::FailureOf;

TEST(TNetCustomHTTPRequestTest, GetHeadInFixedOrderWithDefaults) {
  TMemoryIOHandler wire;
  wire.Serve({"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA"}, TEnd::Open);
  TNetHTTP client;
  client.SetIOHandler(wire.Shared());
  client.Request().Referer = "http://referer.test/";
  tolvar::platform::TMemoryStream body;
  client.Get("http://host.test:8080/dir/page.html#frag", &body);
  EXPECT_EQ(body.Bytes(), "hello");
  EXPECT_EQ(client.Response().StatusCode(), 200);
  // HTTP/1.1 without "Connection: close": the connection stays.
  EXPECT_TRUE(client.Connected());
  client.Disconnect();
  EXPECT_EQ(wire.LastHost(), "host.test");
  EXPECT_EQ(wire.LastPort(), 8080);
  EXPECT_EQ(wire.Sent(0),
            "GET /dir/page.html HTTP/1.1\r\nContent-Type: text/html\r\nHost: host.test:8080\r\n"
            "Accept: text/html, */*\r\nReferer: http://referer.test/\r\n" +
                kAgent + "\r\n");
}

TEST(TNetCustomHTTPRequestTest, PostIsHttp10OnAFreshConnectionWithContentLength) {
  TScriptedServer server({TScript()
                              .ReadUntil(kHeadEnd)
                              .Send("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\na")
                              .ReadUntil(kHeadEnd)
                              .WaitPeerClose(),
                          TScript().ReadUntil(kHeadEnd).ReadCount(4).Send("HTTP/1.0 200 OK\r\n\r\nposted").Close(),
                          TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\n\r\n").Close()});
  TNetHTTP client;
  tolvar::platform::TMemoryStream body;
  client.Get(LoopbackUrl(server, "/first"), &body);
  tolvar::platform::TMemoryStream source;
  source.WriteBuffer("data", 4);
  tolvar::platform::TMemoryStream answer;
  client.Post(LoopbackUrl(server, "/post"), &source, &answer);
  EXPECT_EQ(answer.Bytes(), "posted");
  EXPECT_EQ(client.ProtocolVersion, pv1_1);
  tolvar::platform::TMemoryStream empty;
  client.Post(LoopbackUrl(server, "/empty"), &empty, &answer);
  ASSERT_TRUE(server.WaitDone(5000));
  const std::string tail = "Content-Type: text/html\r\n";
  EXPECT_EQ(server.Received(1), "POST /post HTTP/1.0\r\nConnection: keep-alive\r\n" + tail +
                                    "Content-Length: 4\r\nHost: " + LoopbackOrigin(server) +
                                    "\r\nAccept: text/html, */*\r\n" + kAgent + "\r\ndata");
  EXPECT_NE(server.Received(2).find("POST /empty HTTP/1.0\r\n"), std::string::npos);
  EXPECT_NE(server.Received(2).find("\r\nContent-Length: 0\r\n"), std::string::npos);
}

TEST(TNetCustomHTTPRequestTest, PutIsHttp11AndReusesTheConnection) {
  TScriptedServer server({TScript()
                              .ReadUntil(kHeadEnd)
                              .Send("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\na")
                              .ReadUntil(kHeadEnd)
                              .ReadCount(3)
                              .Send("HTTP/1.1 201 Created\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok")
                              .WaitPeerClose()});
  TNetHTTP client;
  tolvar::platform::TMemoryStream body;
  client.Get(LoopbackUrl(server, "/a"), &body);
  tolvar::platform::TMemoryStream source;
  source.WriteBuffer("put", 3);
  source.SetPosition(1);  // the whole source is sent whatever its position
  tolvar::platform::TMemoryStream answer;
  client.Put(LoopbackUrl(server, "/b"), &source, &answer);
  EXPECT_EQ(answer.Bytes(), "ok");
  // "Connection: close" ends the connection after the request.
  EXPECT_FALSE(client.Connected());
  ASSERT_TRUE(server.WaitDone(5000));
  EXPECT_EQ(server.Accepted(), 1u);
  const std::string received = server.Received(0);
  EXPECT_NE(received.find("PUT /b HTTP/1.1\r\nContent-Type: text/html\r\nContent-Length: 3\r\n"), std::string::npos);
  EXPECT_EQ(received.substr(received.size() - 7), "\r\n\r\nput");
}

TEST(TNetCustomHTTPRequestTest, PreemptiveBasicIncludingTheLoneColon) {
  TMemoryIOHandler wire;
  wire.Serve({"HTTP/1.0 200 OK\r\n\r\n"});
  wire.Serve({"HTTP/1.0 200 OK\r\n\r\n"});
  {
    TNetHTTP client;
    client.SetIOHandler(wire.Shared());
    client.Request().BasicAuthentication = true;
    client.Request().Username = "user";
    client.Request().Password = "pass";
    client.Get("http://h/", nullptr);
  }
  {
    TNetHTTP client;
    client.SetIOHandler(wire.Shared());
    client.Request().BasicAuthentication = true;
    client.Get("http://h/", nullptr);
  }
  EXPECT_NE(wire.Sent(0).find("\r\n" + kAgent + "Authorization: Basic dXNlcjpwYXNz\r\n\r\n"), std::string::npos);
  EXPECT_NE(wire.Sent(1).find("\r\nAuthorization: Basic Og==\r\n\r\n"), std::string::npos);
}

TEST(TNetCustomHTTPRequestTest, LaterRequestsCarryCookiesAndResolveRelativeUrls) {
  TScriptedServer server({TScript()
                              .ReadUntil(kHeadEnd)
                              .Send("HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nset-cookie: b=2; path=/\r\n"
                                    "Content-Length: 0\r\n\r\n")
                              .ReadUntil(kHeadEnd)
                              .Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n")
                              .WaitPeerClose()});
  TNetHTTP client;
  client.Get(LoopbackUrl(server, "/dir/a.html"), nullptr);
  client.Get("b.html?x=1", nullptr);
  client.Disconnect();
  ASSERT_TRUE(server.WaitDone(5000));
  const std::string received = server.Received(0);
  const std::size_t second = received.find("GET /dir/b.html?x=1 HTTP/1.1\r\n");
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(received.find("Cookie:"), received.find("Cookie:", second));
  EXPECT_NE(received.find("\r\nCookie: "), std::string::npos);
  // Only the cookie with a path goes back; one without a path never does.
  EXPECT_NE(received.find("\r\nCookie: b=2\r\n", second), std::string::npos);
  EXPECT_EQ(received.find("a=1"), std::string::npos);
}

TEST(TNetCustomHTTPRequestTest, ThroughAProxyTheTargetIsAbsolute) {
  TScriptedServer proxy({TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\n\r\nvia proxy").Close(),
                         TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\n\r\n").Close()});
  tolvar::platform::TMemoryStream body;
  {
    TNetHTTP client;
    client.ProxyParams.SetProxyServer("127.0.0.1");
    client.ProxyParams.SetProxyPort(proxy.Port());
    client.Get("http://origin.test/x/y.htm?q", &body);
    // The current location keeps the origin server.
    EXPECT_EQ(client.Location().Host, "origin.test");
  }
  {
    TNetHTTP client;
    client.ProtocolVersion = pv1_0;
    client.ProxyParams.SetProxyServer("127.0.0.1");
    client.ProxyParams.SetProxyPort(proxy.Port());
    client.Get("http://origin.test:81/", nullptr);
  }
  ASSERT_TRUE(proxy.WaitDone(5000));
  EXPECT_EQ(body.Bytes(), "via proxy");
  EXPECT_EQ(proxy.Received(0),
            "GET http://origin.test:80/x/y.htm?q HTTP/1.1\r\nContent-Type: text/html\r\n"
            "Host: origin.test\r\nAccept: text/html, */*\r\n" +
                kAgent + "\r\n");
  EXPECT_EQ(proxy.Received(1),
            "GET http://origin.test:81/ HTTP/1.0\r\nContent-Type: text/html\r\n"
            "Proxy-Connection: keep-alive\r\nHost: origin.test:81\r\nAccept: text/html, */*\r\n" +
                kAgent + "\r\n");
}

TEST(TNetCustomHTTPRequestTest, HttpsNeedsATlsHandlerDirectAndThroughTheTunnel) {
  TScriptedServer proxy(
      {TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 Connection established\r\n\r\n").WaitPeerClose(),
       TScript()
           .ReadUntil(kHeadEnd)
           .Send("HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"p\"\r\n"
                 "Content-Length: 6\r\n\r\ndenied")
           .WaitPeerClose()});
  TNetHTTP direct;
  EXPECT_EQ(FailureOf([&] { direct.Get("https://127.0.0.1:" + std::to_string(proxy.Port()) + "/", nullptr); }),
            "IOHandler value is not valid");
  EXPECT_EQ(proxy.Accepted(), 0u);

  TNetHTTP tunnel;
  tunnel.ProxyParams.SetProxyServer("127.0.0.1");
  tunnel.ProxyParams.SetProxyPort(proxy.Port());
  EXPECT_EQ(FailureOf([&] { tunnel.Get("https://secure.test/page", nullptr); }), "IOHandler value is not valid");
  EXPECT_FALSE(tunnel.Connected());

  TNetHTTP refused;
  refused.ProxyParams.SetProxyServer("127.0.0.1");
  refused.ProxyParams.SetProxyPort(proxy.Port());
  const auto failure = ProtocolFailureOf([&] { refused.Get("https://secure.test/", nullptr); });
  EXPECT_EQ(std::string(failure.what()), "HTTP/1.1 407 Proxy Authentication Required");
  EXPECT_EQ(failure.ReplyErrorCode(), 407);
  EXPECT_EQ(failure.ErrorBody, "denied");
  refused.Disconnect();
  ASSERT_TRUE(proxy.WaitDone(5000));
  EXPECT_EQ(proxy.Received(0),
            "CONNECT secure.test:443 HTTP/1.1\r\nContent-Type: text/html\r\nPragma: no-cache\r\n"
            "Proxy-Connection: keep-alive\r\nHost: secure.test:443\r\n"
            "Accept: text/html, */*\r\n" +
                kAgent + "\r\n");
}

TEST(TNetCustomHTTPRequestTest, LineBreaksInTheHeadFailBeforeConnecting) {
  TScriptedServer server({});
  struct Case {
    std::function<void(TNetHTTP&)> set;
    std::string url_path;
    std::string field;
  };
  const std::vector<Case> cases = {
      {[](TNetHTTP& c) { c.Request().Referer = "http://r/\r\nX-Evil: 1"; }, "/", "Referer"},
      {[](TNetHTTP& c) { c.Request().UserAgent = "agent\n"; }, "/", "User-Agent"},
      {[](TNetHTTP& c) { c.Request().CustomHeaders.Add("X-Mine: a\rb"); }, "/", "X-Mine"},
      {[](TNetHTTP&) {}, "/a\r\nX-Evil: 1", "URL"},
      // The credentials would be cut at the break, sending a wrong password.
      {[](TNetHTTP& c) { c.Request().Password = "pa\r\nss"; }, "/", "Password"},
      {[](TNetHTTP& c) { c.ProxyParams.ProxyUsername = "proxy\nuser"; }, "/", "proxy user name"},
  };
  for (const Case& c : cases) {
    TNetHTTP client;
    c.set(client);
    EXPECT_EQ(FailureOf([&] { client.Get(LoopbackUrl(server, c.url_path), nullptr); }),
              "The request field " + c.field + " holds a line break; nothing was sent.")
        << c.field;
  }
  TNetHTTP host;
  EXPECT_EQ(FailureOf([&] { host.Get("http://bad\nhost.test/", nullptr); }),
            "The request field Host holds a line break; nothing was sent.");
  EXPECT_EQ(server.Accepted(), 0u);
}

TEST(TNetCustomHTTPRequestTest, RefusedTargetsAndMethods) {
  TNetHTTP client;
  EXPECT_EQ(FailureOf<ENetUnknownProtocol>([&] { client.Get("ftp://files.test/x", nullptr); }), "");
  TNetHTTP old;
  old.ProtocolVersion = pv1_0;
  EXPECT_EQ(FailureOf([&] { old.PerformRequest(hmPut, "http://127.0.0.1:1/", nullptr, nullptr); }),
            "This request method is supported in HTTP 1.1");
}

// The framings through the whole client, over the in-memory wire: how the
// input is split is the test's choice, never the network's.
TEST(TNetCustomHTTPResponseTest, BodyFramings) {
  const std::string chunk(26, 'c');
  TMemoryIOHandler wire;
  wire.Serve({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1a\r\n" + chunk + "\r\n0\r\n\r\n",
              "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;ext=1\r\nhello\r\n3 \r\n, w\r\n0\r\n\r\n",
              "HTTP/1.1 100 Continue\r\nX-Interim: 1\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
              "HTTP/1.1 204 No Content\r\n\r\ntrailing"},
             TEnd::Open);
  wire.Serve({"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n"}, TEnd::Open);
  wire.Serve({"HTTP/1.0 200 OK\r\n\r\nuntil ", "close"}, TEnd::Close);
  TNetHTTP client;
  client.SetIOHandler(wire.Shared());
  int chunk_events = 0;
  client.OnStatus = [&](tolvar::transport::TNetComponent*, tolvar::transport::TNetStatus status,
                        const std::string& text) {
    if (status == tolvar::transport::hsStatusText && text == "Chunk Started") ++chunk_events;
  };
  tolvar::platform::TMemoryStream body;
  client.Get("http://h/chunked", &body);
  EXPECT_EQ(body.Bytes(), chunk);
  EXPECT_EQ(chunk_events, 1);

  tolvar::platform::TMemoryStream extension;
  client.Get("http://h/extension", &extension);
  EXPECT_EQ(extension.Bytes(), "hello, w");

  tolvar::platform::TMemoryStream interim;
  client.Get("http://h/continue", &interim);
  EXPECT_EQ(interim.Bytes(), "ok");
  EXPECT_EQ(client.Response().StatusLine, "HTTP/1.1 200 OK");
  EXPECT_EQ(client.Response().RawLines.FindName("X-Interim"), -1);

  tolvar::platform::TMemoryStream no_content;
  client.Get("http://h/nothing", &no_content);
  EXPECT_EQ(no_content.Bytes(), "");
  client.Disconnect();

  tolvar::platform::TMemoryStream head;
  client.PerformRequest(hmHead, "http://h/head", nullptr, &head);
  EXPECT_EQ(head.Bytes(), "");
  EXPECT_EQ(client.Response().ContentLength(), 1000);
  EXPECT_TRUE(client.Connected());
  client.Disconnect();

  tolvar::platform::TMemoryStream until_close;
  client.Get("http://h/close", &until_close);
  EXPECT_EQ(until_close.Bytes(), "until close");
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(wire.Connections(), 3u);
}

// Each receive and send of a GET fails in turn, as on a reset connection,
// for every framing. Every attempt fails with the engine's error for the
// reset, leaves the client disconnected and keeps no byte of the body that
// did not arrive; once the failure point lies beyond the exchange it
// completes whole.
TEST(TNetCustomHTTPResponseTest, EveryFailurePointOfAGet) {
  const struct {
    const char* name;
    std::vector<std::string> pieces;
    TEnd end;
  } framings[] = {
      {"length", {"HTTP/1.1 200 OK\r\nContent-Le", "ngth: 11\r\n\r\nhello", " world"}, TEnd::Open},
      {"chunked",
       {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel", "lo\r\n6\r\n world\r\n", "0\r\n\r\n"},
       TEnd::Open},
      {"until close", {"HTTP/1.0 200 OK\r\n\r\nhello", " world"}, TEnd::Close},
  };
  const std::string want = "hello world";
  for (const auto& framing : framings) {
    bool whole = false;
    for (int n = 0; !whole && n < 40; ++n) {
      TMemoryIOHandler wire;
      wire.Serve(framing.pieces, framing.end);
      wire.FailAt(n);
      TNetHTTP client;
      client.SetIOHandler(wire.Shared());
      tolvar::platform::TMemoryStream body;
      const std::string failure = FailureOf([&] { client.Get("http://h/", &body); });
      if (failure == "no exception") {
        whole = true;
        EXPECT_EQ(body.Bytes(), want) << framing.name;
        continue;
      }
      EXPECT_EQ(failure, "Socket Error # 10054\r\nConnection reset by peer.") << framing.name << " call " << n;
      EXPECT_FALSE(client.Connected()) << framing.name << " call " << n;
      EXPECT_EQ(want.compare(0, body.Bytes().size(), body.Bytes()), 0) << framing.name << ": " << body.Bytes();
    }
    EXPECT_TRUE(whole) << framing.name;
  }
}

TEST(TNetCustomHTTPResponseTest, ShortBodiesAndLengthsBeyond32Bits) {
  TMemoryIOHandler wire;
  // 4 GiB + 5: a length cut to 32 bits would stop after 5 bytes.
  wire.Serve({"HTTP/1.1 200 OK\r\nContent-Length: 4294967301\r\n\r\n0123456789"});
  wire.Serve({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nshort"});
  wire.Serve({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n"});
  TNetHTTP client;
  client.SetIOHandler(wire.Shared());
  tolvar::platform::TMemoryStream body;
  client.Get("http://h/big", &body);
  EXPECT_EQ(body.Bytes(), "0123456789");
  EXPECT_EQ(client.Response().ContentLength(), 4294967301LL);
  // A chunk the server cuts short is an error: nothing else would tell.
  tolvar::platform::TMemoryStream chunked;
  EXPECT_EQ(FailureOf([&] { client.Get("http://h/cut", &chunked); }), "Connection Closed Gracefully.");
  EXPECT_EQ(chunked.Bytes(), "short");
  // A close right after the last chunk still ends a complete body.
  tolvar::platform::TMemoryStream last;
  client.Get("http://h/last", &last);
  EXPECT_EQ(last.Bytes(), "");
  EXPECT_EQ(wire.Connections(), 3u);
}

TEST(TNetCustomHTTPResponseTest, ChunkSizesThatOverflowOrAreNotNumbersFail) {
  // The server keeps each connection open: the failed request, not the
  // server's close, must end it, or the second request would go out on it.
  TMemoryIOHandler wire;
  wire.Serve({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1FFFFFFFFFFFFFFFF\r\n"}, TEnd::Open);
  wire.Serve({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"}, TEnd::Open);
  TNetHTTP client;
  client.SetIOHandler(wire.Shared());
  tolvar::platform::TMemoryStream body;
  EXPECT_EQ(FailureOf([&] { client.Get("http://h/", &body); }), "Chunk size out of range: 1FFFFFFFFFFFFFFFF");
  EXPECT_EQ(FailureOf([&] { client.Get("http://h/", &body); }), "Invalid chunk size line: zz");
  EXPECT_EQ(wire.Connections(), 2u);
}

TEST(TNetCustomHTTPOutcomeTest, EveryStatusOtherThan2xxFailsWithTheStatusLine) {
  struct Row {
    std::string response;
    std::string status_line;
    int code;
    std::string error_body;
  };
  const std::vector<Row> rows = {
      {"HTTP/1.1 302 Found\r\nLocation: /elsewhere\r\nContent-Length: 8\r\n\r\nredirect", "HTTP/1.1 302 Found", 302,
       "redirect"},
      {"HTTP/1.1 200 OK\r\nLocation: /elsewhere\r\nContent-Length: 2\r\n\r\nok", "HTTP/1.1 200 OK", 200, "ok"},
      {"HTTP/1.1 304 Not Modified\r\nContent-Length: 0\r\n\r\n", "HTTP/1.1 304 Not Modified", 304, ""},
      {"HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"x\"\r\nContent-Length: 4\r\n\r\nauth",
       "HTTP/1.1 401 Unauthorized", 401, "auth"},
      {"HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nNot found", "HTTP/1.1 404 Not Found", 404, "Not found"},
      {"HTTP/1.0 503 Busy\r\n\r\ntry later", "HTTP/1.0 503 Busy", 503, "try later"},
  };
  std::vector<TScript> scripts;
  for (const Row& row : rows) scripts.push_back(TScript().ReadUntil(kHeadEnd).Send(row.response).Close());
  TScriptedServer server(scripts);
  for (const Row& row : rows) {
    TNetHTTP client;
    client.Request().BasicAuthentication = true;
    client.Request().Username = "u";
    tolvar::platform::TMemoryStream body;
    body.WriteBuffer("kept", 4);
    const auto failure = ProtocolFailureOf([&] { client.Get(LoopbackUrl(server, "/"), &body); });
    EXPECT_EQ(std::string(failure.what()), row.status_line);
    EXPECT_EQ(failure.ReplyErrorCode(), row.code);
    EXPECT_EQ(failure.ErrorBody, row.error_body) << row.status_line;
    // The caller's stream is untouched by a failing response.
    EXPECT_EQ(body.Bytes(), "kept");
    EXPECT_EQ(client.Response().StatusLine, row.status_line);
  }
  ASSERT_TRUE(server.WaitDone(5000));
}

TEST(TNetCustomHTTPOutcomeTest, ErrorBodyWithoutLengthOnAnOpenConnectionTimesOut) {
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send("HTTP/1.1 404 Not Found\r\n\r\npartial").Silent()});
  TNetHTTP client;
  client.ReadTimeout = 30000;  // the error body gets its own 2000 ms
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FailureOf([&] { client.Get(LoopbackUrl(server, "/"), nullptr); }), "Read Timeout");
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(1900));
  EXPECT_LT(elapsed, std::chrono::milliseconds(25000));
  EXPECT_EQ(client.ReadTimeout, 30000);
}

TEST(TNetCustomHTTPOutcomeTest, ServerClosingDuringTheHeadIsUndefined) {
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n").Close(),
                          TScript().ReadUntil(kHeadEnd).Send("HTTP/1.1 200 O").Close(),
                          TScript().ReadUntil(kHeadEnd).Close()});
  TNetHTTP client;
  EXPECT_EQ(FailureOf([&] { client.Get(LoopbackUrl(server, "/"), nullptr); }), "Undefined situation");
  EXPECT_EQ(FailureOf([&] { client.Get(LoopbackUrl(server, "/"), nullptr); }), "Connection Closed Gracefully.");
  EXPECT_EQ(FailureOf([&] { client.Get(LoopbackUrl(server, "/"), nullptr); }), "Connection Closed Gracefully.");
  ASSERT_TRUE(server.WaitDone(5000));
}

TEST(TNetCustomHTTPOutcomeTest, AFollowedRedirectCutsTheStreamBackToItsStart) {
  TScriptedServer server({TScript()
                              .ReadUntil(kHeadEnd)
                              .Send("HTTP/1.1 302 Found\r\nLocation: /final\r\nContent-Length: 13\r\n\r\nredirect page")
                              .ReadUntil(kHeadEnd)
                              .Send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nfinal")
                              .WaitPeerClose()});
  TNetHTTP client;
  client.HandleRedirects = true;
  tolvar::platform::TMemoryStream body;
  body.WriteBuffer("PREFIX", 6);
  client.Get(LoopbackUrl(server, "/start"), &body);
  EXPECT_EQ(body.Bytes(), "PREFIXfinal");
  EXPECT_EQ(client.RedirectCount(), 0);
  client.Disconnect();
  ASSERT_TRUE(server.WaitDone(5000));
  EXPECT_NE(server.Received(0).find("GET /final HTTP/1.1\r\n"), std::string::npos);
}

TEST(TNetCustomHTTPLimitTest, OversizedHeadFailsPromptly) {
  std::string endless_lines = "HTTP/1.1 200 OK\r\n";
  while (endless_lines.size() < (1 << 20) + 4096) endless_lines += "X-Filler: " + std::string(100, 'f') + "\r\n";
  std::string endless_interim;
  while (endless_interim.size() < (1 << 20) + 4096) endless_interim += "HTTP/1.1 100 Continue\r\n\r\n";
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send(endless_lines).Silent(),
                          TScript().ReadUntil(kHeadEnd).Send(endless_interim).Silent()});
  for (int i = 0; i < 2; ++i) {
    TNetHTTP client;
    client.ReadTimeout = 20000;
    EXPECT_EQ(FailureOf([&] { client.Get(LoopbackUrl(server, "/"), nullptr); }),
              "The response header is larger than 1048576 bytes.");
    EXPECT_FALSE(client.Connected());
  }
}

TEST(TNetCustomHTTPLimitTest, ErrorAndRedirectBodiesAreCapped) {
  const std::string lots(200 * 1024, 'e');
  TScriptedServer server(
      {TScript().ReadUntil(kHeadEnd).Send("HTTP/1.1 500 Oops\r\nContent-Length: 100000000\r\n\r\n" + lots).Silent(),
       TScript().ReadUntil(kHeadEnd).Send("HTTP/1.1 404 Not Found\r\n\r\n" + lots).Silent(),
       TScript()
           .ReadUntil(kHeadEnd)
           .Send("HTTP/1.1 404 Not Found\r\nTransfer-Encoding: chunked\r\n\r\n30000\r\n" + lots)
           .Silent(),
       TScript()
           .ReadUntil(kHeadEnd)
           .Send("HTTP/1.1 301 Moved\r\nLocation: /next\r\nContent-Length: 100000000\r\n\r\n" + lots)
           .Silent(),
       TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\n\r\nnext").Close()});
  for (int i = 0; i < 3; ++i) {
    TNetHTTP client;
    client.ReadTimeout = 20000;
    const auto failure = ProtocolFailureOf([&] { client.Get(LoopbackUrl(server, "/"), nullptr); });
    EXPECT_EQ(failure.ErrorBody.size(), 65536u) << failure.what();
    EXPECT_EQ(failure.ErrorBody, lots.substr(0, 65536));
    EXPECT_FALSE(client.Connected());
  }
  TNetHTTP client;
  client.ReadTimeout = 20000;
  client.HandleRedirects = true;
  tolvar::platform::TMemoryStream body;
  client.Get(LoopbackUrl(server, "/"), &body);
  EXPECT_EQ(body.Bytes(), "next");
  EXPECT_EQ(server.Accepted(), 5u);
}

TEST(TNetCustomHTTPKeepAliveTest, TheClientsOwnVersionDecides) {
  struct Row {
    TNetHTTPProtocolVersion client_version;
    std::string headers;
    bool kept;
  };
  const std::vector<Row> rows = {
      {pv1_1, "", true},
      {pv1_1, "Connection: Close\r\n", false},
      {pv1_1, "Proxy-Connection:  close \r\n", false},
      {pv1_0, "", false},
      {pv1_0, "Connection: Keep-Alive\r\n", true},
      {pv1_0, "Proxy-Connection: keep-alive\r\n", true},
  };
  std::vector<TScript> scripts;
  for (const Row& row : rows) {
    // An HTTP/1.0 status line changes nothing: the server's version is
    // only recorded.
    scripts.push_back(TScript()
                          .ReadUntil(kHeadEnd)
                          .Send("HTTP/1.0 200 OK\r\n" + row.headers + "Content-Length: 2\r\n\r\nok")
                          .WaitPeerClose());
  }
  TScriptedServer server(scripts);
  for (const Row& row : rows) {
    TNetHTTP client;
    client.ProtocolVersion = row.client_version;
    client.Get(LoopbackUrl(server, "/"), nullptr);
    EXPECT_EQ(client.Connected(), row.kept) << row.client_version << " " << row.headers;
    EXPECT_EQ(client.Response().ServerVersion, pv1_0);
  }
}

TEST(TNetCustomHTTPThreadTest, DisconnectFromAnotherThreadEndsABlockedRequest) {
  for (int round = 0; round < 20; ++round) {
    TScriptedServer server(
        {TScript().ReadUntil(kHeadEnd).Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nsome").Silent()});
    TNetHTTP client;
    client.Request().BasicAuthentication = true;
    std::atomic<bool> reading{false};
    client.OnWorkBegin = [&](tolvar::transport::TNetComponent*, tolvar::transport::TWorkMode mode, std::int32_t) {
      if (mode == tolvar::transport::wmRead) reading = true;
    };
    tolvar::platform::TMemoryStream body;
    std::string failure;
    std::thread worker([&] { failure = FailureOf([&] { client.Get(LoopbackUrl(server, "/"), &body); }); });
    while (!reading) std::this_thread::yield();
    if (round % 2 == 1) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    client.Disconnect();
    worker.join();
    // The close must not pass for the end of the body.
    EXPECT_NE(failure, "no exception");
    EXPECT_FALSE(client.Connected());
    EXPECT_LE(body.Bytes().size(), 4u);
  }
}

TEST(TNetCustomHTTPAuthorizationTest, HandlersAnswerChallengesOnlyWithARegisteredScheme) {
  const std::string challenge_401 =
      "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: NTLM\r\nWWW-Authenticate: "
      "basic realm=\"r\"\r\nContent-Length: 4\r\n\r\ndeny";
  TScriptedServer server({TScript()
                              .ReadUntil(kHeadEnd)
                              .Send(challenge_401)
                              .ReadUntil(kHeadEnd)
                              .Send("HTTP/1.1 200 OK\r\nContent-Length: 7\r\n\r\nwelcome")
                              .WaitPeerClose(),
                          TScript()
                              .ReadUntil(kHeadEnd)
                              .Send("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: NTLM\r\nContent-Length: 0\r\n\r\n")
                              .WaitPeerClose()});
  TNetHTTP client;
  client.HTTPOptions.Include(hoInProcessAuth);
  int asked = 0;
  client.OnAuthorization = [&](TNetCustomHTTP&, TNetAuthentication& auth, bool& handled) {
    ++asked;
    auth.AssignUserName("who");
    auth.AssignPassword("secret");
    handled = true;
  };
  tolvar::platform::TMemoryStream body;
  client.Get(LoopbackUrl(server, "/private"), &body);
  EXPECT_EQ(body.Bytes(), "welcome");
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(client.Request().Username, "who");
  client.Disconnect();

  // Only an unregistered scheme: no object is made and the 401 stands.
  TNetHTTP other;
  other.OnAuthorization = client.OnAuthorization;
  EXPECT_EQ(FailureOf([&] { other.Get(LoopbackUrl(server, "/"), nullptr); }), "HTTP/1.1 401 Unauthorized");
  EXPECT_EQ(other.Request().Authentication, nullptr);
  other.Disconnect();
  ASSERT_TRUE(server.WaitDone(5000));
  const std::string received = server.Received(0);
  const std::size_t again = received.find("GET /private HTTP/1.1", 1);
  ASSERT_NE(again, std::string::npos);
  EXPECT_NE(received.find("Authorization: Basic d2hvOnNlY3JldA==\r\n", again), std::string::npos);
}

// Standard output as the body's destination: no position, no size.
class TPipeLikeStream : public tolvar::platform::TMemoryStream {
 public:
  std::int32_t Write(const void* buffer, std::int32_t count) override {
    data_.append(static_cast<const char*>(buffer), static_cast<std::size_t>(count));
    return count;
  }
  std::int64_t Seek(std::int64_t, tolvar::platform::TSeekOrigin) override { return -1; }
  void SetSize(std::int64_t) override {}
};

TEST(TNetCustomHTTPResponseTest, BodiesReachAStreamWithoutPositionWhole) {
  // Longer than one read piece, so the body is read in several.
  std::string big((16 << 20) + 3, 'b');
  for (std::size_t i = 0; i < big.size(); i += 4093) big[i] = static_cast<char>('a' + i % 26);
  TScriptedServer server(
      {TScript()
           .ReadUntil(kHeadEnd)
           .Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(big.size()) + "\r\n\r\n" + big)
           .ReadUntil(kHeadEnd)
           .Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\none\r\n3\r\ntwo\r\n0\r\n\r\n")
           .WaitPeerClose()});
  TNetHTTP client;
  TPipeLikeStream counted;
  client.Get(LoopbackUrl(server, "/big"), &counted);
  EXPECT_TRUE(counted.Bytes() == big) << counted.Bytes().size();
  TPipeLikeStream chunked;
  client.Get(LoopbackUrl(server, "/chunks"), &chunked);
  EXPECT_EQ(chunked.Bytes(), "onetwo");
  client.Disconnect();
}

}  // namespace custom_http_test
}  // namespace tolvar::http
