// Failures of a SOCKS negotiation. Each class carries its fixed English
// message; callers that do not care about the reason catch ENetSocksError.
#pragma once

#include <string>

#include "transport/exceptions.h"

namespace tolvar::transport {

class ENetSocksError : public ENetException {
 public:
  using ENetException::ENetException;
};

#define TOLVAR_SOCKS_ERROR(name, text) \
  class name : public ENetSocksError { \
   public:                             \
    name() : ENetSocksError(text) {}   \
  }

// SOCKS 4 / 4A replies.
TOLVAR_SOCKS_ERROR(ENetSocksRequestFailed, "Request rejected or failed.");
TOLVAR_SOCKS_ERROR(ENetSocksRequestServerFailed, "Request rejected because SOCKS server cannot connect.");
TOLVAR_SOCKS_ERROR(ENetSocksRequestIdentFailed,
                   "Request rejected because the client program and identd report different user-ids.");
TOLVAR_SOCKS_ERROR(ENetSocksUnknownError, "Unknown socks error.");
// SOCKS 5 greeting, authentication and reply (RFC 1928 section 6).
TOLVAR_SOCKS_ERROR(ENetSocksServerRespondError, "Socks server did not respond.");
TOLVAR_SOCKS_ERROR(ENetSocksAuthMethodError, "Invalid socks authentication method.");
TOLVAR_SOCKS_ERROR(ENetSocksAuthError, "Authentication error to socks server.");
TOLVAR_SOCKS_ERROR(ENetSocksServerGeneralError, "General SOCKS server failure.");
TOLVAR_SOCKS_ERROR(ENetSocksServerPermissionError, "Connection not allowed by ruleset.");
TOLVAR_SOCKS_ERROR(ENetSocksServerNetUnreachableError, "Network unreachable.");
TOLVAR_SOCKS_ERROR(ENetSocksServerHostUnreachableError, "Host unreachable.");
TOLVAR_SOCKS_ERROR(ENetSocksServerConnectionRefusedError, "Connection refused.");
TOLVAR_SOCKS_ERROR(ENetSocksServerTTLExpiredError, "TTL expired.");
TOLVAR_SOCKS_ERROR(ENetSocksServerCommandError, "Command not supported.");
TOLVAR_SOCKS_ERROR(ENetSocksServerAddressError, "Address type not supported.");

#undef TOLVAR_SOCKS_ERROR

// A field that does not fit its one-byte length on the wire (a SOCKS 5 host
// name, user name or password over 255 bytes). Raised before anything is
// sent: cutting the field would reach a different host or send different
// credentials.
class ENetSocksFieldTooLong : public ENetSocksError {
 public:
  explicit ENetSocksFieldTooLong(const std::string& field)
      : ENetSocksError("Socks " + field + " is longer than 255 bytes.") {}
};

}  // namespace tolvar::transport
