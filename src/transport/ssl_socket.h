// One TLS connection (SSL) over a TLS handler's socket, its current cipher
// and the certificates handed to the verify event.
#pragma once

#include <memory>
#include <string>

#include "transport/openssl_api.h"
#include "transport/ssl_owner.h"

namespace tolvar::transport {

class TNetSSLContext;

// The cipher a connection agreed on (valid while the connection lives).
class TNetSSLCipher {
 public:
  TNetSSLCipher(const ossl::Api& api, const ossl::SSL_CIPHER* cipher) : api_(api), cipher_(cipher) {}
  std::string Name() const;
  std::string Description() const;  // OpenSSL's one-line description
  int Bits() const;                 // the algorithm's key bits
  std::string Version() const;

 private:
  const ossl::Api& api_;
  const ossl::SSL_CIPHER* cipher_;
};

class TNetSSLSocket : private ossl::BioEndpoint {
 public:
  // Runs the client handshake over the owner's socket. The context is kept
  // alive as long as this connection. Raises ENetOSSLConnectError when the
  // connection cannot be created or the handshake fails,
  // ENetOSSLDataBindingError when it cannot carry its owner.
  // `owner` must outlive the connection.
  // A verifying context (VerifyServer) checks the certificate against
  // `server_name` (a host name, sent as SNI too, or an IPv4 literal) and
  // raises ENetOSSLVerifyError when a check fails; without a name there is
  // nothing to check against, which is a failure too.
  TNetSSLSocket(TNetSSLOwner* owner, std::shared_ptr<TNetSSLContext> context, const std::string& server_name = {});
  // Sends the closing alert when the handshake had completed, then frees
  // the connection.
  ~TNetSSLSocket() override;
  TNetSSLSocket(const TNetSSLSocket&) = delete;
  TNetSSLSocket& operator=(const TNetSSLSocket&) = delete;

  // Plain bytes, 0 when the peer closed, -1 on failure (the socket error is
  // set: a TLS protocol failure reads as 10053, connection aborted).
  int Read(char* buffer, int length);
  int Write(const char* buffer, int length);
  // Decrypted bytes already held, readable without waiting on the socket.
  int Pending() const;

  const TNetSSLCipher& Cipher();
  // "Cipher: name = ...; description = ...; bits = ...; version = ...; "
  std::string CipherText();
  TNetSSLOwner* Owner() const { return owner_; }
  TNetSSLContext& Context() const { return *context_; }

 private:
  int BioRead(char* buffer, int length) noexcept override;
  int BioWrite(const char* buffer, int length) noexcept override;
  // Retries once on want-read/want-write, maps the result to socket terms.
  template <typename Op>
  int Io(Op op);
  // Names the server for SNI and the certificate check.
  void ExpectServer(const std::string& server_name);
  // The exception for a failed handshake; frees the connection first.
  [[noreturn]] void FailHandshake(const std::string& server_name);

  TNetSSLOwner* owner_;
  std::shared_ptr<TNetSSLContext> context_;
  const ossl::Api& api_;
  ossl::SSL* ssl_ = nullptr;
  bool established_ = false;
  std::unique_ptr<TNetSSLCipher> cipher_;
};

}  // namespace tolvar::transport
