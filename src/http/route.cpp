#include "http/route.h"

#include "http/exceptions.h"
#include "http/number.h"
#include "http/token.h"
#include "transport/exceptions.h"

namespace tolvar::http {

namespace {

constexpr int kMaxPort = 65535;

// A port beyond 16 bits would wrap to another one in the socket address
// while the Host line named the bogus one.
void CheckPortRange(std::int64_t port, const char* what) {
  if (port < 0 || port > kMaxPort) {
    throw ENetException("The " + std::string(what) + " port " + std::to_string(port) +
                        " is outside the range 0 to 65535.");
  }
}

// The port as a number for the default-port rule: anything that is not a
// number counts as 0.
int PortNumber(const std::string& port) {
  return ParseInt32(port).value_or(0);
}

// The location the URL names, read against the current one, and the
// request target and Host line that go with it.
void ResolveTarget(const TNetRouteQuery& query, TNetRoute& route) {
  const TNetURI target(query.URL);
  // Refused before anything else: a later URL without a port would inherit
  // it from the current location.
  if (const auto port = ParseInt64(target.Port)) CheckPortRange(*port, "server");
  TNetURI& location = route.Location;
  location = query.Current;
  if (!target.Username.empty()) {
    location.Username = target.Username;
    location.Password = target.Password;
  } else {
    location.Username = query.Username;
    location.Password = query.Password;
  }
  location.Path = MergePath(location.Path, target.Path, "/");
  location.Document = target.Document;
  location.Params = target.Params;
  if (!target.Host.empty()) location.Host = target.Host;
  location.Protocol = target.Protocol.empty() ? "http" : target.Protocol;
  if (!target.Port.empty()) {
    location.Port = target.Port;
  } else {
    // A default port follows the scheme; any other port stays with the host.
    const int current = PortNumber(location.Port);
    if (current == 0 || current == 80 || current == 443) {
      if (SameText(location.Protocol, "http")) {
        location.Port = "80";
      } else if (SameText(location.Protocol, "https")) {
        location.Port = "443";
      } else {
        throw ENetUnknownProtocol("");
      }
    }
  }
  route.Target = location.Path + location.Document + location.Params;
  if (query.Method == hmOptions && target.Document == "*") route.Target = "*";
  if (query.Method >= hmOptions && query.Method <= hmDelete && query.Version == pv1_0) {
    throw ENetException("This request method is supported in HTTP 1.1");
  }
  route.HostLine = location.Port == "80" ? location.Host : location.Host + ":" + location.Port;
}

// Direct or through the proxy, and whether the TLS handler speaks TLS.
void ChooseRoute(const TNetRouteQuery& query, TNetRoute& route) {
  TNetURI& location = route.Location;
  const bool https = SameText(location.Protocol, "https");
  if (query.ProxyServer.empty()) {
    const int port = StrictInt32(location.Port);
    CheckPortRange(port, "server");
    route.ConnectHost = location.Host;
    route.ConnectPort = port;
    // https goes direct only through a TLS handler that a program installed;
    // plain http through such a handler passes its bytes through unchanged.
    if (https) {
      if (query.Handler != TNetHandlerKind::Tls) throw transport::ENetIOHandlerPropInvalid();
      route.PassThrough = false;
      route.Kind = ConnectionKind::DirectTls;
    } else {
      route.PassThrough = true;
      route.Kind = ConnectionKind::Direct;
    }
    return;
  }
  CheckPortRange(query.ProxyPort, "proxy");
  // The origin's port too: it goes into the absolute target and the Host
  // line. A text that is no number at all is the proxy's to refuse.
  if (const auto origin_port = ParseInt64(location.Port)) CheckPortRange(*origin_port, "server");
  route.ConnectHost = query.ProxyServer;
  route.ConnectPort = query.ProxyPort;
  // Through a proxy the TLS handler, if any, talks plainly: to the proxy
  // itself, or inside the tunnel until the proxy opened it. Without any
  // handler the tunnel is refused once the proxy has opened it.
  route.PassThrough = true;
  if (https) {
    if (query.Handler == TNetHandlerKind::Plain) throw transport::ENetIOHandlerPropInvalid();
    route.Kind = ConnectionKind::ProxyTunnel;
    return;
  }
  route.Kind = ConnectionKind::Proxy;
  route.Target = location.AbsoluteURI();
}

}  // namespace

TNetRoute PlanRoute(const TNetRouteQuery& query) {
  TNetRoute route;
  ResolveTarget(query, route);
  ChooseRoute(query, route);
  return route;
}

}  // namespace tolvar::http
