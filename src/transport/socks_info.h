// The settings of a SOCKS proxy and the negotiation that asks it to connect
// to the real target, run on a socket that has just connected to the proxy.
// After a successful negotiation the socket carries the target's bytes
// unchanged. Wire formats: SOCKS 4 and 4A as the SOCKS 4 protocol gives
// them, SOCKS 5 per RFC 1928 with user name/password per RFC 1929.
#pragma once

#include <string>

#include "transport/component.h"
#include "transport/timeout.h"

namespace tolvar::transport {

class TNetIOHandler;

enum TSocksVersion { svNoSocks, svSocks4, svSocks4A, svSocks5 };
enum TSocksAuthentication { saNoAuthentication, saUsernamePassword };

class TNetSocksInfo : public TNetComponent {
 public:
  // Copies the six settings (not ReadTimeout, which belongs to the owner).
  void Assign(const TNetSocksInfo& other);

  // Negotiates on `handler`, which is connected to Host:Port, for the
  // target. Nothing for svNoSocks. SOCKS 4 resolves the target locally;
  // SOCKS 4A and 5 send its name. Every reply is read in full however the
  // network splits it, each wait bounded by the time-out (below). Failures
  // raise the ENetSocksError family; a send failure raises ENetSocketError.
  // The connection to the proxy stays open on failure; the caller closes it.
  // `timeout_ms`: the owner's read time-out (TimeoutDefault or 0 = no limit),
  // used when ReadTimeout is TimeoutDefault.
  void NegotiateSocks(TNetIOHandler& handler, const std::string& host, int port, int timeout_ms = TimeoutDefault);

  TSocksAuthentication Authentication = saNoAuthentication;
  std::string Host;  // the SOCKS server
  std::string Password;
  int Port = 1080;
  std::string Username;
  TSocksVersion Version = svNoSocks;
  // Longest wait for each part of a reply, in ms. TimeoutDefault: the
  // time-out the owner passes in; TimeoutInfinite: no limit. A server that
  // stays silent that long fails with "Socks server did not respond.".
  int ReadTimeout = TimeoutDefault;

 private:
  void Socks4(TNetIOHandler& handler, const std::string& host, int port, int timeout_ms);
  void Socks5(TNetIOHandler& handler, const std::string& host, int port, int timeout_ms);
};

}  // namespace tolvar::transport
