// A TCP connection with its target host and port and the connect step.
#pragma once

#include <functional>
#include <string>

#include "transport/tcp_connection.h"

namespace tolvar::transport {

class TNetTCPClient : public TNetTCPConnection {
 public:
  // Creates its own socket handler unless one is set (it gets this client's
  // OnStatus). ENetAlreadyConnected "Already connected." when connected.
  // On any failure the socket is dropped and the exception passes on.
  // Status hsConnected after success, then OnConnected.
  virtual void Connect(int timeout_ms = TimeoutDefault);

  std::string BoundIP;
  int BoundPort = 0;
  int BoundPortMin = 0;
  int BoundPortMax = 0;
  std::string Host;
  int Port = 0;
  std::string Username;
  std::string Password;
  std::function<void(TNetTCPClient*)> OnConnected;
};

}  // namespace tolvar::transport
