// The settings of a TLS connection, copied into its context when the
// connection is set up.
#pragma once

#include <cstdint>
#include <string>

namespace tolvar::transport {

// sslvSSLv23 lets the two ends agree on any version; the others set the
// lowest version the connection accepts (see TNetSSLContext).
enum TNetSSLVersion : std::uint8_t { sslvSSLv2, sslvSSLv23, sslvSSLv3, sslvTLSv1 };
enum TNetSSLMode : std::uint8_t { sslmUnassigned, sslmClient, sslmServer, sslmBoth };
// A set: OR of these bits, which are OpenSSL's verify flags.
enum TNetSSLVerifyModeBit : std::uint8_t {
  sslvrfPeer = 1,
  sslvrfFailIfNoPeerCert = 2,
  sslvrfClientOnce = 4,
};
using TNetSSLVerifyMode = std::uint8_t;

struct TNetSSLOptions {
  std::string RootCertFile;  // PEM: the certificate authorities to verify against
  std::string CertFile;      // PEM: this end's certificate
  std::string KeyFile;       // PEM: its private key (may be password-protected)
  TNetSSLVersion Method = sslvSSLv2;
  TNetSSLMode Mode = sslmUnassigned;
  std::int32_t VerifyDepth = 0;  // longest chain below the peer certificate
  TNetSSLVerifyMode VerifyMode = 0;
  std::string VerifyDirs;
  std::string CipherList;  // empty: a broad default list (the library's own when VerifyServer)
  // Off, the fields above decide everything, as a program that installs
  // the handler itself expects. On, the connection proves it reaches the
  // server it was meant for: the peer's chain must verify against the
  // system's trust store (SSL_CERT_FILE / SSL_CERT_DIR, plus RootCertFile),
  // the certificate must name the handler's server name (an IP literal
  // must be among its IP addresses), the name goes out as SNI, nothing
  // below TLS 1.2 is spoken, and an empty CipherList keeps the library's
  // defaults. A failed check ends the handshake with ENetOSSLVerifyError.
  bool VerifyServer = false;
};

}  // namespace tolvar::transport
