// The I/O handler that runs a connection through the operating system's own
// TLS client (platform/system_tls.h), verified against the system's trusted
// roots with the server name checked: what tolvar uses for https where the
// system has TLS of its own (Windows). It is driven exactly like the OpenSSL
// handler: pass-through mode carries a proxy's CONNECT exchange plainly, and
// SetPassThrough(false) starts TLS on the open connection. Driven by one
// thread; Close may also come from another thread, which makes a blocked call
// fail promptly while the session is freed only once that call has left it.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "platform/system_tls.h"
#include "transport/exceptions.h"
#include "transport/io_handler_socket.h"
#include "transport/timeout.h"
#include "transport/tls_handler.h"

namespace tolvar::transport {

// A TLS connection that could not be set up or verified: the message names
// the failed check and the host ("TLS certificate check failed for HOST:
// the certificate is not valid for this host name.").
class ENetSystemTLSError : public ENetException {
 public:
  ENetSystemTLSError(platform::SystemTlsFailure failure, const std::string& message)
      : ENetException(message), failure_(failure) {}
  platform::SystemTlsFailure Failure() const { return failure_; }

 private:
  platform::SystemTlsFailure failure_;
};

class TNetSystemTLSIOHandler : public TNetIOHandlerSocket, public TNetTLSHandler, private platform::SystemTlsChannel {
 public:
  // "The system has no TLS client." where platform::SystemTlsAvailable() is
  // false: callers ask that first and take the OpenSSL handler there.
  static constexpr const char* kUnavailableText = "The system has no TLS client.";

  TNetSystemTLSIOHandler() = default;
  ~TNetSystemTLSIOHandler() override;

  // The plain connect (and SOCKS), then the handshake unless in
  // pass-through mode. ENetSystemTLSError when TLS fails; the socket stays
  // open (the connection closes it).
  void ConnectTo(const std::string& host, int port, const std::string& bound_ip, int bound_port, int bound_port_min,
                 int bound_port_max, int timeout_ms) override;
  // Sends the closing alert, frees the session, closes the socket.
  // Thread-safe.
  void Close() override;
  // Also true when the session holds bytes readable without the socket.
  bool WaitReadable(int timeout_ms) override;
  int Recv(char* buffer, int length) override;
  // Waits, then receives through Recv (the socket handler's own receive
  // would hand over the encrypted bytes).
  TNetRecvResult RecvWithin(char* buffer, int length, int timeout_ms) override {
    return TNetIOHandler::RecvWithin(buffer, length, timeout_ms);
  }
  int Send(const char* buffer, int length) override;

  bool PassThrough() const override { return pass_through_.load(); }
  // false on a connected handler runs the handshake on the open connection
  // (ENetSystemTLSError when it fails); true only stores the mode.
  void SetPassThrough(bool value) override;
  // The name sent as SNI and checked against the certificate; empty: the
  // host given to ConnectTo.
  void SetServerName(const std::string& host) override { server_name_ = host; }
  const std::string& ServerName() const override { return server_name_; }

  // Longest wait, in ms, for each piece of a handshake reply or of a TLS
  // record, as for the OpenSSL handler: TimeoutDefault takes the time-out
  // given to ConnectTo, no limit when that is TimeoutDefault or 0;
  // TimeoutInfinite: no limit. A silent peer then fails the handshake or the
  // read (socket error 10060) instead of blocking the caller forever.
  int ReadTimeout = TimeoutDefault;
  int RecordWaitMs() const { return record_wait_ms_; }
  // "TLS 1.2" or "TLS 1.3" once TLS runs, else empty.
  std::string ProtocolName() const;

 private:
  int RecvRaw(char* buffer, int length) override;
  int SendRaw(const char* buffer, int length) override;
  void StartTls();
  std::shared_ptr<platform::SystemTlsSession> Session() const;

  std::string server_name_;
  std::string connect_host_;
  int record_wait_ms_ = TimeoutInfinite;
  std::atomic<bool> pass_through_{false};
  mutable std::mutex mutex_;
  std::shared_ptr<platform::SystemTlsSession> session_;  // guarded by mutex_
};

}  // namespace tolvar::transport
