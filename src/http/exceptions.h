// The engine's own failures. All derive from the transport's ENetException,
// so a caller catches one family for the whole network stack.
#pragma once

#include <stdexcept>
#include <string>

#include "transport/exceptions.h"

namespace http {

using tolvar::ENetException;

// Composing a URL that lacks its protocol or host.
class ENetURIException : public ENetException {
 public:
  using ENetException::ENetException;
};

// A URL protocol other than http/https without an explicit port.
class ENetUnknownProtocol : public ENetException {
 public:
  using ENetException::ENetException;
};

class ENetFailedToRetreiveTimeZoneInfo : public ENetException {
 public:
  ENetFailedToRetreiveTimeZoneInfo() : ENetException("Failed attempting to retrieve time zone information.") {}
};

class ENetAlreadyRegisteredAuthenticationMethod : public ENetException {
 public:
  using ENetException::ENetException;
};

// A text that had to be an integer and is not one; the message names the
// text, as the run-time's conversion error does.
class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(const std::string& text) : std::runtime_error("'" + text + "' is not a valid integer value") {}
};

}  // namespace http
