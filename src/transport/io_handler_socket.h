// The I/O handler over one TCP socket (IPv4, stream, default protocol).
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "transport/io_handler.h"
#include "transport/socket_handle.h"
#include "transport/socks_info.h"

namespace tolvar::transport {

class TNetIOHandlerSocket : public TNetIOHandler {
 public:
  TNetIOHandlerSocket();

  void Open() override;
  // Thread-safe: releases the socket, waking a call blocked on it.
  void Close() override;
  bool Connected() override { return binding_->HasSocket(); }
  // Binds (any address and port unless given), resolves (status
  // hsResolving unless the host is numeric), connects (status hsConnecting
  // with the address). timeout_ms TimeoutDefault or 0: no time-out, failures
  // raise ENetSocketError; else (IsTimedConnect) ENetConnectTimeout
  // "Connect timed out." with the socket closed, or ENetConnectException
  // with the socket error's text.
  void ConnectTo(const std::string& host, int port, const std::string& bound_ip, int bound_port, int bound_port_min,
                 int bound_port_max, int timeout_ms) override;
  bool WaitReadable(int timeout_ms) override;
  // ENetClosedSocket "Disconnected." when not connected.
  int Recv(char* buffer, int length) override;
  int Send(const char* buffer, int length) override;
  // Receives first and waits only when nothing is there, straight from the
  // socket: it bypasses Recv. A handler derived from this one that changes
  // the bytes (TLS, say) must override it too, or its Recv is never called.
  TNetRecvResult RecvWithin(char* buffer, int length, int timeout_ms) override;

  TNetSocketHandle& Binding() { return *binding_; }
  // false: TCP_NODELAY is set before connecting.
  bool UseNagle = true;

  // The SOCKS proxy settings, created with svNoSocks on first use. With a
  // SOCKS version set, ConnectTo connects to the proxy and negotiates for
  // the target (each reply wait bounded by ConnectTo's time-out unless the
  // settings carry their own). SetSocksInfo shares settings with others.
  TNetSocksInfo& SocksInfo();
  void SetSocksInfo(std::shared_ptr<TNetSocksInfo> info) { socks_info_ = std::move(info); }

 private:
  // Created with the handler (not on first Open) so that a Close from
  // another thread never races with its creation.
  const std::unique_ptr<TNetSocketHandle> binding_;
  // Set by Close, cleared by Open: a Close that comes from another thread
  // before ConnectTo has opened the socket still aborts the connect.
  std::atomic<bool> closed_{false};
  std::shared_ptr<TNetSocksInfo> socks_info_;  // driving thread only
};

}  // namespace tolvar::transport
