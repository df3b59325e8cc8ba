// Failures of the TLS layer, each with its fixed English message.
#pragma once

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

TOLVAR_SSL_ERROR(ENetOSSLCouldNotLoadSSLLibrary, ENetOpenSSLError, "Could not load SSL library.");
TOLVAR_SSL_ERROR(ENetOSSLLoadingRootCertError, ENetOpenSSLLoadError, "Could not load root certificate.");
TOLVAR_SSL_ERROR(ENetOSSLLoadingCertError, ENetOpenSSLLoadError, "Could not load certificate.");
TOLVAR_SSL_ERROR(ENetOSSLLoadingKeyError, ENetOpenSSLLoadError, "Could not load key, check password.");
TOLVAR_SSL_ERROR(ENetOSSLModeNotSet, ENetOpenSSLError, "Mode has not been set.");
TOLVAR_SSL_ERROR(ENetOSSLGetMethodError, ENetOpenSSLError, "Error geting SSL method.");
TOLVAR_SSL_ERROR(ENetOSSLCreatingContextError, ENetOpenSSLError, "Error creating SSL context.");
TOLVAR_SSL_ERROR(ENetOSSLSettingCipherError, ENetOpenSSLError, "SetCipher failed.");
TOLVAR_SSL_ERROR(ENetOSSLDataBindingError, ENetOpenSSLError, "Error binding data to SSL socket.");
TOLVAR_SSL_ERROR(ENetOSSLAcceptError, ENetOpenSSLError, "Error accepting connection with SSL.");
TOLVAR_SSL_ERROR(ENetOSSLConnectError, ENetOpenSSLError, "Error connecting with SSL.");

#undef TOLVAR_SSL_ERROR

}  // namespace tolvar::transport
