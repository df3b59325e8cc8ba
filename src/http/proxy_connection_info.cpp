#include "http/proxy_connection_info.h"

#include "http/token.h"

namespace tolvar::http {

void TNetProxyConnectionInfo::AssignTo(TNetProxyConnectionInfo& dest) const {
  dest.SetProxyServer(FProxyServer);
  dest.SetProxyPort(FProxyPort);
  dest.ProxyUsername = ProxyUsername;
  dest.ProxyPassword = ProxyPassword;
  dest.BasicAuthentication = BasicAuthentication;
}

void TNetProxyConnectionInfo::Clear() {
  SetProxyServer("");
  SetProxyPort(0);
  ProxyUsername.clear();
  ProxyPassword.clear();
}

void TNetProxyConnectionInfo::SetProxyServer(std::string_view server) {
  if (!SameText(server, FProxyServer)) Authentication.reset();
  FProxyServer = std::string(server);
}

void TNetProxyConnectionInfo::SetProxyPort(std::int32_t port) {
  if (port != FProxyPort) Authentication.reset();
  FProxyPort = port;
}

void TNetProxyConnectionInfo::AddProxyAuthorization(TNetHeaderList& target) {
  if (!Authentication && BasicAuthentication) {
    Authentication = std::make_unique<TNetBasicAuthentication>();
    Authentication->AssignUserName(ProxyUsername);
    Authentication->AssignPassword(ProxyPassword);
  }
  if (!Authentication) return;
  std::string text = Authentication->AuthorizationText();
  if (!text.empty()) target.SetValueOf("Proxy-Authorization", text);
}

}  // namespace tolvar::http
