// The HTTP proxy settings of a client and its Proxy-Authorization line.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "http/authentication.h"
#include "http/header_list.h"

namespace tolvar::http {

class TNetProxyConnectionInfo {
 public:
  TNetProxyConnectionInfo() = default;
  virtual ~TNetProxyConnectionInfo() = default;
  TNetProxyConnectionInfo(const TNetProxyConnectionInfo&) = delete;
  TNetProxyConnectionInfo& operator=(const TNetProxyConnectionInfo&) = delete;

  // Copies server, port, user name, password and BasicAuthentication.
  virtual void AssignTo(TNetProxyConnectionInfo& dest) const;
  // Empties server, user name and password, port 0; BasicAuthentication stays.
  void Clear();

  // A different server (ignoring case) or port drops the authentication
  // object, which belongs to the old proxy.
  void SetProxyServer(std::string_view server);
  void SetProxyPort(std::int32_t port);
  const std::string& ProxyServer() const { return FProxyServer; }
  std::int32_t ProxyPort() const { return FProxyPort; }

  // Sets the Proxy-Authorization line of `target` when there is one to send.
  void AddProxyAuthorization(TNetHeaderList& target);

  std::string ProxyUsername;
  std::string ProxyPassword;
  bool BasicAuthentication = false;
  std::unique_ptr<TNetAuthentication> Authentication;

 private:
  std::string FProxyServer;
  std::int32_t FProxyPort = 0;
};

}  // namespace tolvar::http
