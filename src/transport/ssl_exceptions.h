// Failures of the TLS layer, each with its fixed English message.
#pragma once

#include <string>

#include "transport/exceptions.h"

namespace tolvar::transport {

class ENetOpenSSLError : public ENetException {
 public:
  using ENetException::ENetException;
};

// A certificate or key file that could not be used.
class ENetOpenSSLLoadError : public ENetOpenSSLError {
 public:
  using ENetOpenSSLError::ENetOpenSSLError;
};

#define TOLVAR_SSL_ERROR(name, base, text) \
  class name : public base {               \
   public:                                 \
    name() : base(text) {}                 \
  }

class ENetOSSLCouldNotLoadSSLLibrary : public ENetOpenSSLError {
 public:
  ENetOSSLCouldNotLoadSSLLibrary() : ENetOpenSSLError("Could not load SSL library.") {}

 protected:
  explicit ENetOSSLCouldNotLoadSSLLibrary(const std::string& text) : ENetOpenSSLError(text) {}
};

// A verifying handler's load failure: the text also names the libraries
// that were looked for, so a user knows what to install.
class ENetOSSLLibraryMissing : public ENetOSSLCouldNotLoadSSLLibrary {
 public:
  explicit ENetOSSLLibraryMissing(const std::string& tried)
      : ENetOSSLCouldNotLoadSSLLibrary("Could not load SSL library (tried " + tried + ").") {}
};
TOLVAR_SSL_ERROR(ENetOSSLLoadingRootCertError, ENetOpenSSLLoadError, "Could not load root certificate.");
TOLVAR_SSL_ERROR(ENetOSSLLoadingCertError, ENetOpenSSLLoadError, "Could not load certificate.");
TOLVAR_SSL_ERROR(ENetOSSLLoadingKeyError, ENetOpenSSLLoadError, "Could not load key, check password.");
TOLVAR_SSL_ERROR(ENetOSSLModeNotSet, ENetOpenSSLError, "Mode has not been set.");
TOLVAR_SSL_ERROR(ENetOSSLGetMethodError, ENetOpenSSLError, "Error geting SSL method.");
TOLVAR_SSL_ERROR(ENetOSSLCreatingContextError, ENetOpenSSLError, "Error creating SSL context.");
TOLVAR_SSL_ERROR(ENetOSSLSettingCipherError, ENetOpenSSLError, "SetCipher failed.");
TOLVAR_SSL_ERROR(ENetOSSLDataBindingError, ENetOpenSSLError, "Error binding data to SSL socket.");
TOLVAR_SSL_ERROR(ENetOSSLAcceptError, ENetOpenSSLError, "Error accepting connection with SSL.");

class ENetOSSLConnectError : public ENetOpenSSLError {
 public:
  ENetOSSLConnectError() : ENetOpenSSLError("Error connecting with SSL.") {}
  // A verifying handler's failed handshake names the host and the
  // library's reason (empty when it gave none): "Error connecting with SSL
  // to HOST: REASON."
  ENetOSSLConnectError(const std::string& host, const std::string& reason)
      : ENetOpenSSLError("Error connecting with SSL to " + host + (reason.empty() ? "" : ": " + reason) + ".") {}

 protected:
  struct Text {};
  ENetOSSLConnectError(Text, const std::string& text) : ENetOpenSSLError(text) {}
};

// The server's certificate did not pass a verifying handler's checks:
// "Certificate check failed for HOST: CHECK." with the library's text of
// the failed check ("hostname mismatch", "certificate has expired", ...).
class ENetOSSLVerifyError : public ENetOSSLConnectError {
 public:
  ENetOSSLVerifyError(const std::string& host, const std::string& check)
      : ENetOSSLConnectError(Text{}, "Certificate check failed for " + host + ": " + check + ".") {}
};

#undef TOLVAR_SSL_ERROR

}  // namespace tolvar::transport
