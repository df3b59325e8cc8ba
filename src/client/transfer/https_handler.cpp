#include "client/transfer/https_handler.h"

#include "http/token.h"
#include "http/uri.h"
#include "platform/system_tls.h"
#include "transport/ssl_io_handler.h"
#include "transport/system_tls_io_handler.h"

namespace tolvar::client {

bool IsHttpsUrl(const std::string& url) {
  return http::SameText(http::TNetURI(url).Protocol, "https");
}

std::shared_ptr<transport::TNetIOHandler> NewHttpsIOHandler() {
  // Where the system has a TLS client of its own (Windows, whose users have
  // no OpenSSL), that one, verified against the system's certificate store.
  if (platform::SystemTlsAvailable()) return std::make_shared<transport::TNetSystemTLSIOHandler>();
  auto handler = std::make_shared<transport::TNetSSLIOHandlerSocket>();
  handler->SSLOptions().VerifyServer = true;
  return handler;
}

}  // namespace tolvar::client
