#include "http/route.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/exceptions.h"
#include "support/failure_of.h"

namespace tolvar::http::route_test {
namespace route_test {

using tolvar::testing::FailureOf;

const char* KindName(ConnectionKind kind) {
  switch (kind) {
    case ConnectionKind::Direct:
      return "Direct";
    case ConnectionKind::DirectTls:
      return "DirectTls";
    case ConnectionKind::Proxy:
      return "Proxy";
    case ConnectionKind::ProxyTunnel:
      return "ProxyTunnel";
  }
  return "?";
}

// Everything a route decides, on one line, or the failure's text.
std::string PlanText(const TNetRouteQuery& query) {
  std::string text;
  const std::string failure = FailureOf([&] {
    TNetRoute route = PlanRoute(query);
    text = std::string(KindName(route.Kind)) + " to " + route.ConnectHost + ":" + std::to_string(route.ConnectPort) +
           (route.PassThrough ? " plain" : " tls") + ", target " + route.Target + ", Host " + route.HostLine + ", at " +
           route.Location.ComposeURI(true, false);
  });
  return failure == "no exception" ? text : "fails: " + failure;
}

struct TRouteRow {
  const char* current;  // "" : a client that has made no request yet
  const char* url;
  const char* proxy;  // "" : none; else host, port 3128
  TNetHandlerKind handler;
  const char* expected;
};

TNetRouteQuery QueryOf(const TRouteRow& row) {
  TNetRouteQuery query;
  if (*row.current != '\0') {
    query.Current = TNetURI(row.current);
  } else {
    query.Current.Port = "80";
  }
  query.URL = row.url;
  query.ProxyServer = row.proxy;
  query.ProxyPort = 3128;
  query.Handler = row.handler;
  return query;
}

TEST(TNetRouteTest, TheURLAgainstTheCurrentLocationTheProxyAndTheHandler) {
  using H = TNetHandlerKind;
  const std::vector<TRouteRow> rows = {
      {"", "http://a.test/d/p.html?q=1", "", H::None,
       "Direct to a.test:80 plain, target /d/p.html?q=1, Host a.test, at http://a.test:80/d/p.html?q=1"},
      // A relative URL keeps host and non-default port; the path merges.
      {"http://a.test:8080/d/", "p.html", "", H::None,
       "Direct to a.test:8080 plain, target /d/p.html, Host a.test:8080, at http://a.test:8080/d/p.html"},
      {"http://a.test:8080/d/", "/top", "", H::Plain,
       "Direct to a.test:8080 plain, target /top, Host a.test:8080, at http://a.test:8080/top"},
      // A default port follows the scheme.
      {"http://a.test:80/", "https://a.test/s", "", H::Tls,
       "DirectTls to a.test:443 tls, target /s, Host a.test:443, at https://a.test:443/s"},
      {"https://a.test:443/", "http://a.test/", "", H::Tls,
       "Direct to a.test:80 plain, target /, Host a.test, at http://a.test:80/"},
      {"", "https://a.test/", "", H::None, "fails: IOHandler value is not valid"},
      {"", "https://a.test/", "", H::Plain, "fails: IOHandler value is not valid"},
      // Through a proxy: the absolute URI as target, without user
      // information; https asks for a tunnel, which a plain handler cannot
      // carry on.
      {"", "http://u:pw@o.test:81/p", "proxy.test", H::None,
       "Proxy to proxy.test:3128 plain, target http://o.test:81/p, Host o.test:81, at http://u:pw@o.test:81/p"},
      {"", "https://o.test/p", "proxy.test", H::None,
       "ProxyTunnel to proxy.test:3128 plain, target /p, Host o.test:443, at https://o.test:443/p"},
      {"", "https://o.test/p", "proxy.test", H::Tls,
       "ProxyTunnel to proxy.test:3128 plain, target /p, Host o.test:443, at https://o.test:443/p"},
      {"", "https://o.test/p", "proxy.test", H::Plain, "fails: IOHandler value is not valid"},
      {"", "http://a.test:70000/", "", H::None, "fails: The server port 70000 is outside the range 0 to 65535."},
      {"", "http://a.test:99999/", "proxy.test", H::None,
       "fails: The server port 99999 is outside the range 0 to 65535."},
      {"", "ftp://a.test/f", "", H::None, "fails: "},
  };
  for (const TRouteRow& row : rows) {
    SCOPED_TRACE(std::string(row.current) + " + " + row.url + " via " + row.proxy);
    EXPECT_EQ(PlanText(QueryOf(row)), row.expected);
  }
}

TEST(TNetRouteTest, CredentialsMethodsAndProxyPort) {
  TNetRouteQuery query;
  query.Current.Port = "80";
  query.URL = "http://a.test/";
  query.Username = "kept";
  query.Password = "secret";
  EXPECT_EQ(PlanRoute(query).Location.Username, "kept");
  query.URL = "http://new:pw@a.test/";
  const TNetRoute route = PlanRoute(query);
  EXPECT_EQ(route.Location.Username, "new");
  EXPECT_EQ(route.Location.Password, "pw");

  query.URL = "http://a.test/*";
  query.Method = hmOptions;
  EXPECT_EQ(PlanRoute(query).Target, "*");
  query.Version = pv1_0;
  EXPECT_EQ(FailureOf([&] { PlanRoute(query); }), "This request method is supported in HTTP 1.1");
  query.Method = hmGet;
  EXPECT_EQ(FailureOf([&] { PlanRoute(query); }), "no exception");

  query.ProxyServer = "proxy.test";
  query.ProxyPort = 65536;
  EXPECT_EQ(FailureOf([&] { PlanRoute(query); }), "The proxy port 65536 is outside the range 0 to 65535.");
}

}  // namespace route_test
}  // namespace tolvar::http::route_test
