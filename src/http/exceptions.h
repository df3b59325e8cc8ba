// The engine's own failures. All derive from the transport's ENetException,
// so a caller catches one family for the whole network stack.
//
// Everything a request (Get, Post, Put, PerformRequest) may raise, which the
// worker catches and reports by what():
//   - ENetException and its family: engine, transport, and the socket
//     library's failures (raised as ENetWS2StubError);
//   - EConvertError: a port or Content-Range that is no number;
//   - tolvar::platform::EStreamError (EFileStreamError): the body or source stream
//     failed, a full disk or a closed pipe;
//   - std::bad_alloc.
// All but the last derive from std::runtime_error, whose what() is the
// message shown, so catching std::exception covers the whole list.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

#include "transport/exceptions.h"

namespace tolvar::http {

using tolvar::transport::ENetException;

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

// A final response the client does not handle: the reply code is the status
// code, the message the status line as received, ErrorBody the start of the
// response's body.
class ENetHTTPProtocolException : public tolvar::transport::ENetProtocolReplyError {
 public:
  ENetHTTPProtocolException(int code, const std::string& status_line, std::string error_body)
      : tolvar::transport::ENetProtocolReplyError(code, status_line), ErrorBody(std::move(error_body)) {}
  std::string ErrorBody;
};

// A text that had to be an integer and is not one; the message names the
// text, as the run-time's conversion error does.
class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(const std::string& text) : std::runtime_error("'" + text + "' is not a valid integer value") {}
};

}  // namespace tolvar::http
