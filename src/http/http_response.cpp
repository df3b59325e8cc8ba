#include "http/http_response.h"

#include "http/number.h"
#include "http/token.h"

namespace tolvar::http {

int TNetHTTPResponse::StatusCode() {
  std::string rest = StatusLine;
  TakeToken(rest, " ");
  rest = Trim(rest);
  return ParseInt32(TakeToken(rest, " ")).value_or(-1);
}

bool TNetHTTPResponse::KeepAlive(bool connected, TNetHTTPProtocolVersion own_version) {
  if (StatusLine.size() >= 8) {
    const std::string version = StatusLine.substr(5, 3);
    if (SameText(version, "1.0")) ServerVersion = pv1_0;
    if (SameText(version, "1.1")) ServerVersion = pv1_1;
  }
  if (!connected) return false;
  const std::string connection = Trim(Connection);
  const std::string proxy_connection = Trim(ProxyConnection);
  // The client's own version decides, not the server's.
  if (own_version == pv1_0) {
    return SameText(connection, "KEEP-ALIVE") || SameText(proxy_connection, "KEEP-ALIVE");
  }
  return !SameText(connection, "CLOSE") && !SameText(proxy_connection, "CLOSE");
}

}  // namespace tolvar::http
