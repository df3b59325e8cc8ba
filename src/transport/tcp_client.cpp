#include "transport/tcp_client.h"

#include <memory>

#include "transport/exceptions.h"
#include "transport/io_handler_socket.h"

namespace tolvar::transport {

void TNetTCPClient::Connect(int timeout_ms) {
  auto h = IOHandler();
  if (!h) {
    auto own = std::make_shared<TNetIOHandlerSocket>();
    own->OnStatus = OnStatus;
    SetIOHandler(own, true);
    h = own;
  } else if (h->Connected()) {
    throw ENetAlreadyConnected();
  }
  try {
    h->Open();
    // A Disconnect from another thread since the handler was set.
    if (IOHandler() != h) throw ENetNotConnected();
    ClearConnectionState();
    h->ConnectTo(Host, Port, BoundIP, BoundPort, BoundPortMin, BoundPortMax, timeout_ms);
    FireStatus(hsConnected, {Host});
    if (OnConnected) OnConnected(this);
  } catch (...) {
    DropSocket();
    throw;
  }
}

}  // namespace tolvar::transport
