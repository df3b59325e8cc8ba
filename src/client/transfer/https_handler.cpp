#include "client/transfer/https_handler.h"

#include "http/token.h"
#include "http/uri.h"
#include "transport/ssl_io_handler.h"

namespace tolvar::client {

bool IsHttpsUrl(const std::string& url) {
  return http::SameText(http::TNetURI(url).Protocol, "https");
}

std::shared_ptr<transport::TNetIOHandler> NewHttpsIOHandler() {
  auto handler = std::make_shared<transport::TNetSSLIOHandlerSocket>();
  handler->SSLOptions().VerifyServer = true;
  return handler;
}

}  // namespace tolvar::client
