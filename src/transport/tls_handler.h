// What the HTTP exchange needs of an I/O handler that can speak TLS, whatever
// carries the TLS underneath (OpenSSL loaded at run time, or the operating
// system's own TLS). The exchange finds it with dynamic_cast on the installed
// handler; a handler without it can carry plain http only.
#pragma once

#include <string>

namespace tolvar::transport {

class TNetTLSHandler {
 public:
  virtual ~TNetTLSHandler() = default;

  // true: bytes pass through unchanged (plain http, and a proxy's CONNECT
  // exchange before its tunnel is open).
  virtual bool PassThrough() const = 0;
  // false on a connected handler starts TLS on the open connection; true
  // only stores the mode.
  virtual void SetPassThrough(bool value) = 0;
  // The origin server's host name (or IP literal) as the URL gives it, never
  // the proxy's: the name a verifying handler sends as SNI and checks the
  // certificate against. Set before TLS starts on a connection.
  virtual void SetServerName(const std::string& host) = 0;
  virtual const std::string& ServerName() const = 0;
};

}  // namespace tolvar::transport
