// Route planning: where one request goes and how, worked out from plain
// values before anything touches the connection. The client applies the
// route (the current location, the request record, the host and port to
// connect to, the TLS handler's mode) only once it is planned whole, so a
// refused URL leaves the current location where it was.
#pragma once

#include <cstdint>
#include <string>

#include "http/http_types.h"
#include "http/uri.h"

namespace tolvar::http {

// The I/O handler a client has installed, as far as a route cares.
enum class TNetHandlerKind {
  None,   // none yet: the connection makes a plain one
  Plain,  // a handler that cannot speak TLS
  Tls,    // the TLS handler, which also passes bytes through unchanged
};

struct TNetRouteQuery {
  // The current location: a URL without host, port or full path takes
  // them from here. Its credentials are not used.
  TNetURI Current;
  // The URL of the request or of the redirect being followed.
  std::string URL;
  TNetHTTPMethod Method = hmGet;
  TNetHTTPProtocolVersion Version = pv1_1;
  // The request's credentials so far; a URL's user information replaces them.
  std::string Username;
  std::string Password;
  // Empty: no proxy.
  std::string ProxyServer;
  std::int32_t ProxyPort = 0;
  TNetHandlerKind Handler = TNetHandlerKind::None;
};

struct TNetRoute {
  // The new current location, with the request's credentials.
  TNetURI Location;
  // The request target: path, document and parameters, "*" for OPTIONS *,
  // or the absolute URI through a plain proxy.
  std::string Target;
  // The Host line: host, and ":port" unless the port is 80.
  std::string HostLine;
  ConnectionKind Kind = ConnectionKind::Direct;
  // Where the connection goes: the origin server or the proxy.
  std::string ConnectHost;
  int ConnectPort = 0;
  // The TLS handler's mode, when one is installed: true passes bytes
  // through unchanged (plain http, and everything to a proxy until its
  // tunnel is open).
  bool PassThrough = true;
};

// Raises ENetException for a port outside 0 to 65535 or a method that needs
// HTTP/1.1 under 1.0, ENetUnknownProtocol for a scheme other than http and
// https, a conversion error for a server port that is no number, and
// ENetIOHandlerPropInvalid for https without a handler that can carry it.
TNetRoute PlanRoute(const TNetRouteQuery& query);

}  // namespace tolvar::http
