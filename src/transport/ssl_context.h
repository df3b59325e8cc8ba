// One OpenSSL context (SSL_CTX): protocol method, certificates, key, cipher
// list and verification, set up from a TLS handler's options. Creating one
// loads OpenSSL on first use.
#pragma once

#include <cstdint>
#include <string>

#include "transport/openssl_api.h"
#include "transport/ssl_options.h"
#include "transport/ssl_owner.h"

namespace tolvar::transport {

class TNetSSLContext {
 public:
  // ENetOSSLCouldNotLoadSSLLibrary "Could not load SSL library." when no
  // OpenSSL can be loaded. `owner` answers the callbacks and must outlive
  // the context.
  // Each TLS connection made from the context keeps the context in slot 0
  // of its ex_data, so the callbacks find the owner and VerifyDepth.
  explicit TNetSSLContext(TNetSSLOwner* owner);
  ~TNetSSLContext();
  TNetSSLContext(const TNetSSLContext&) = delete;
  TNetSSLContext& operator=(const TNetSSLContext&) = delete;

  // Builds the OpenSSL context from the fields below (an unassigned mode
  // becomes the client or server mode). Raises the ENetOpenSSLError family:
  // mode, method, context, root certificate, certificate, key, cipher list.
  // How the versions map onto the installed library:
  //   current releases (1.1, 3): every version uses the version-flexible
  //     method; sslvSSLv3 and sslvTLSv1 set that version as the lowest
  //     accepted, sslvSSLv2 and sslvSSLv23 leave the library's own floor;
  //   legacy releases: the version's own method where the library has it;
  //     else the flexible SSLv23 method with the older versions switched off.
  // With VerifyServer the method is always the flexible one with TLS 1.2 as
  // the lowest version, peer verification is on and an empty cipher list
  // keeps the library's defaults; a library that lacks what the checks need
  // raises ENetOSSLConnectError naming it.
  void Init(bool client);

  TNetSSLVersion Method = sslvSSLv2;
  TNetSSLMode Mode = sslmUnassigned;
  std::string RootCertFile;
  std::string CertFile;
  std::string KeyFile;
  std::int32_t VerifyDepth = 0;
  TNetSSLVerifyMode VerifyMode = 0;
  std::string VerifyDirs;
  std::string CipherList;
  bool StatusInfoOn = false;  // install the info callback
  bool VerifyOn = false;      // install the verify callback
  bool VerifyServer = false;  // see TNetSSLOptions::VerifyServer

  ossl::SSL_CTX* Handle() const { return ctx_; }
  const ossl::Api& Api() const { return *api_; }
  TNetSSLOwner* Owner() const { return owner_; }

  // Contexts alive in the process.
  static int LiveCount();

  // The callbacks OpenSSL calls; each serialises on its own process-wide lock.
  static int PasswordCallback(char* buffer, int size, int rwflag, void* userdata);
  static void InfoCallback(const ossl::SSL* ssl, int where, int ret);
  static int VerifyCallback(int preverify_ok, ossl::X509_STORE_CTX* store);

 private:
  const ossl::SSL_METHOD* ChooseMethod(long* floor, long* legacy_options) const;
  void Free();

  const ossl::Api* api_;
  TNetSSLOwner* owner_;
  ossl::SSL_CTX* ctx_ = nullptr;
};

}  // namespace tolvar::transport
