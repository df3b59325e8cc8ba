// The I/O handler that runs a connection through TLS (OpenSSL, loaded at run
// time). In pass-through mode it is the plain socket handler, so one
// connection can talk plainly first (a proxy's CONNECT exchange) and then be
// switched to TLS with SetPassThrough(false). Driven by one thread; Close may
// also come from another thread, which makes a blocked call fail promptly
// while the TLS connection is freed only once that call has left it.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "transport/io_handler_socket.h"
#include "transport/ssl_context.h"
#include "transport/ssl_options.h"
#include "transport/ssl_socket.h"
#include "transport/tls_handler.h"

namespace tolvar::transport {

class TNetSSLIOHandlerSocket : public TNetIOHandlerSocket, public TNetSSLOwner, public TNetTLSHandler {
 public:
  TNetSSLIOHandlerSocket() = default;
  ~TNetSSLIOHandlerSocket() override;

  // The plain connect (and SOCKS), OnBeforeConnect, the context from
  // SSLOptions (a library that cannot be loaded is ignored in pass-through
  // mode), then the handshake unless in pass-through mode.
  void ConnectTo(const std::string& host, int port, const std::string& bound_ip, int bound_port, int bound_port_min,
                 int bound_port_max, int timeout_ms) override;
  void Open() override;
  // Ends the TLS connection (closing alert), frees the context, closes the
  // socket. Thread-safe.
  void Close() override;
  // Also true when decrypted bytes are waiting inside the TLS layer.
  bool WaitReadable(int timeout_ms) override;
  int Recv(char* buffer, int length) override;
  // Waits, then receives through Recv (the socket handler's own receive
  // would hand over the encrypted bytes).
  TNetRecvResult RecvWithin(char* buffer, int length, int timeout_ms) override {
    return TNetIOHandler::RecvWithin(buffer, length, timeout_ms);
  }
  int Send(const char* buffer, int length) override;

  bool PassThrough() const override { return pass_through_.load(); }
  // false on a connected handler starts TLS on the open connection
  // (ENetOSSLCouldNotLoadSSLLibrary when there is no context); true only
  // stores the mode: later bytes go plainly.
  void SetPassThrough(bool value) override;
  // The name SNI carries and the certificate must show when
  // SSLOptions().VerifyServer is on; without that only stored.
  void SetServerName(const std::string& host) override { server_name_ = host; }
  const std::string& ServerName() const override { return server_name_; }

  TNetSSLOptions& SSLOptions() { return options_; }

  // Longest wait, in ms, for each piece of a handshake reply or of a TLS
  // record once its first bytes arrived. TimeoutDefault: the time-out given
  // to ConnectTo (the connection's read time-out in the HTTP engine), no
  // limit when that is TimeoutDefault or 0; TimeoutInfinite: no limit. A
  // silent peer then fails the handshake ("Error connecting with SSL.") or
  // the read (socket error 10060) instead of blocking the caller forever.
  int ReadTimeout = TimeoutDefault;
  // The wait in force for this connection (driving thread only).
  int RecordWaitMs() const override { return record_wait_ms_; }
  TNetSocketHandle& Binding() override { return TNetIOHandlerSocket::Binding(); }
  // The current TLS connection, or null (pass-through, not connected).
  std::shared_ptr<TNetSSLSocket> SSLSocket() const;

  // Set before connecting. They may be called on any thread that drives the
  // connection, one at a time per kind.
  std::function<void(const std::string& message)> OnStatusInfo;
  std::function<void(std::string& password)> OnGetPassword;
  std::function<bool(TNetX509& certificate)> OnVerifyPeer;
  std::function<void()> OnBeforeConnect;

  virtual void FireBeforeConnect();
  void FireStatusInfo(const std::string& message) override;
  void FireGetPassword(std::string& password) override;
  // true when no OnVerifyPeer is set.
  bool FireVerifyPeer(TNetX509& certificate) override;

 protected:
  // Creates the TLS connection and runs the client handshake; nothing when
  // one exists.
  virtual void StartTlsHandshake();

 private:
  void Init();
  std::shared_ptr<TNetSSLContext> Context() const;
  // No OpenSSL: a verifying handler also names the libraries looked for.
  [[noreturn]] void ThrowNotLoaded() const;

  TNetSSLOptions options_;
  std::string server_name_;
  int record_wait_ms_ = TimeoutInfinite;
  std::atomic<bool> pass_through_{false};
  mutable std::mutex mutex_;
  std::shared_ptr<TNetSSLContext> context_;  // guarded by mutex_
  std::shared_ptr<TNetSSLSocket> ssl_;       // guarded by mutex_
};

}  // namespace tolvar::transport
