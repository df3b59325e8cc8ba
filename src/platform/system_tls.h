// The operating system's own TLS client, where the system has one
// (system_tls_win32.cpp: Schannel through SSPI, verified against the Windows
// certificate store). Linux has none (system_tls_posix.cpp): tolvar speaks
// TLS there through OpenSSL, so SystemTlsAvailable() is false and
// SystemTlsSession::Create gives null.
//
// A session never touches a socket itself: it moves its records through a
// SystemTlsChannel, so the caller keeps its waits, time-outs and the wake-up
// of a blocked call from another thread.
#pragma once

#include <memory>
#include <string>

namespace tolvar::platform {

// The raw byte stream under a session (a connected TCP socket).
class SystemTlsChannel {
 public:
  // Raw counts as for sockets: bytes, 0 = the peer closed, -1 = failure with
  // the thread's socket error set (10060 when the wait ran out). Each call
  // may wait as long as the caller allows for a record.
  virtual int RecvRaw(char* buffer, int length) = 0;
  virtual int SendRaw(const char* buffer, int length) = 0;

 protected:
  ~SystemTlsChannel() = default;
};

// Why a handshake failed; the message names the check and the host.
enum class SystemTlsFailure {
  kNone,
  kHandshake,    // protocol failure, no common version or cipher, peer gone
  kUntrusted,    // chain not ending in a trusted root
  kHostName,     // certificate not issued for the server name
  kExpired,      // outside its validity period
  kCertificate,  // refused for another reason (revoked, wrong usage, ...)
};

struct SystemTlsResult {
  SystemTlsFailure failure = SystemTlsFailure::kNone;
  std::string message;  // empty on success
};

// One TLS client connection. Driven by one thread at a time; the channel
// must outlive the session.
class SystemTlsSession {
 public:
  // Null where the system has no TLS client (Linux) or it cannot be used.
  static std::unique_ptr<SystemTlsSession> Create(SystemTlsChannel& channel);
  virtual ~SystemTlsSession() = default;

  // Runs the client handshake for `server_name` (sent as SNI unless it is
  // an IP literal; the certificate must be valid for it), TLS 1.2 at least,
  // then checks the chain against the system's trusted roots. On failure
  // the session is unusable.
  virtual SystemTlsResult Handshake(const std::string& server_name) = 0;
  // Plain bytes: up to `length` read, 0 when the peer sent its closing
  // alert, -1 on failure with the socket error set (10053 for a TLS
  // protocol failure or a stream cut off without the closing alert, so a
  // truncated body never reads as a complete one).
  virtual int Read(char* buffer, int length) = 0;
  // Sends all `length` bytes; returns `length`, or -1 as for Read.
  virtual int Write(const char* buffer, int length) = 0;
  // Bytes readable without the channel: decrypted bytes held, or received
  // records not yet decrypted.
  virtual int Pending() const = 0;
  // Sends the closing alert once (best effort, never waits for the reply).
  virtual void Shutdown() = 0;
  // "TLS 1.3" and so on, after a successful handshake.
  virtual std::string ProtocolName() const = 0;
};

// Whether SystemTlsSession::Create can give a session on this platform.
bool SystemTlsAvailable();

}  // namespace tolvar::platform
