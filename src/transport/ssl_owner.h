// What the TLS context and connection need of the handler that owns them:
// the events OpenSSL's callbacks raise, and the socket the records travel
// on. The handler implements it; the context and the connection never see
// more of it.
#pragma once

#include <string>

#include "transport/socket_handle.h"
#include "transport/ssl_certificate.h"

namespace tolvar::transport {

class TNetSSLOwner {
 public:
  // Called from OpenSSL's callbacks, on the thread that drives the
  // connection; an exception is swallowed there.
  virtual void FireStatusInfo(const std::string& message) = 0;
  virtual void FireGetPassword(std::string& password) = 0;
  virtual bool FireVerifyPeer(TNetX509& certificate) = 0;
  // The socket under the TLS connection.
  virtual TNetSocketHandle& Binding() = 0;
  // Longest wait, in ms, for each piece of a TLS record (TimeoutInfinite:
  // no limit).
  virtual int RecordWaitMs() const = 0;

 protected:
  ~TNetSSLOwner() = default;
};

}  // namespace tolvar::transport
