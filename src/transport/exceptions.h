// The exception family of the transport and the HTTP engine. Every class
// carries a fixed English message (what()), which tolvar shows to the user
// as it is; callers catch ENetException for any failure of a request.
#pragma once

#include <stdexcept>
#include <string>

namespace tolvar::transport {

class ENetException : public std::runtime_error {
 public:
  explicit ENetException(const std::string& message) : std::runtime_error(message) {}
};

// A failure that callers may treat as an ordinary end.
class ENetSilentException : public ENetException {
 public:
  using ENetException::ENetException;
};

class ENetConnClosedGracefully : public ENetSilentException {
 public:
  ENetConnClosedGracefully() : ENetSilentException("Connection Closed Gracefully.") {}
};

class ENetAlreadyConnected : public ENetException {
 public:
  ENetAlreadyConnected() : ENetException("Already connected.") {}
};

class ENetClosedSocket : public ENetException {
 public:
  ENetClosedSocket() : ENetException("Disconnected.") {}
};

class ENetReadTimeout : public ENetException {
 public:
  ENetReadTimeout() : ENetException("Read Timeout") {}
};

class ENetReadLnMaxLineLengthExceeded : public ENetException {
 public:
  ENetReadLnMaxLineLengthExceeded() : ENetException("Max line length exceeded.") {}
};

class ENetInvalidServiceName : public ENetException {
 public:
  explicit ENetInvalidServiceName(const std::string& service)
      : ENetException("'" + service + "' is not a valid service.") {}
};

class ENetConnectTimeout : public ENetException {
 public:
  ENetConnectTimeout() : ENetException("Connect timed out.") {}
};

// A connect under a time-out failed; the message is the socket error's.
class ENetConnectException : public ENetException {
 public:
  using ENetException::ENetException;
};

class ENetInvalidSocket : public ENetException {
 public:
  ENetInvalidSocket() : ENetException("Cannot allocate socket.") {}
};

// The Winsock library or one of its functions is missing. The message is the
// title alone when the error number is 0, else title + ": " + system text.
class ENetWS2StubError : public ENetException {
 public:
  ENetWS2StubError(const std::string& title, unsigned long error, const std::string& text)
      : ENetException(error == 0 ? title : title + ": " + text), error_(error), text_(text), title_(title) {}
  unsigned long Win32Error() const { return error_; }
  const std::string& Win32ErrorText() const { return text_; }
  const std::string& Title() const { return title_; }

 private:
  unsigned long error_;
  std::string text_;
  std::string title_;
};

// "Socket Error # %d\r\n%s": the code and its text (empty for unknown codes).
std::string SocketErrorMessage(int code);

class ENetSocketError : public ENetException {
 public:
  explicit ENetSocketError(int code) : ENetException(SocketErrorMessage(code)), last_error_(code) {}
  int LastError() const { return last_error_; }

 private:
  int last_error_;
};

// A protocol reply with a numeric code (the HTTP engine derives its
// protocol exception from this).
class ENetProtocolReplyError : public ENetException {
 public:
  ENetProtocolReplyError(int reply_code, const std::string& message)
      : ENetException(message), reply_code_(reply_code) {}
  int ReplyErrorCode() const { return reply_code_; }

 private:
  int reply_code_;
};

class ENetStackError : public ENetException {
 public:
  using ENetException::ENetException;
};

class ENetStackInitializationFailed : public ENetStackError {
 public:
  ENetStackInitializationFailed() : ENetStackError("Winsock Initialization Error.") {}
};

class ENetStackSetSizeExceeded : public ENetStackError {
 public:
  ENetStackSetSizeExceeded() : ENetStackError("Set Size Exceeded.") {}
};

class ENetSocketHandleError : public ENetException {
 public:
  using ENetException::ENetException;
};

class ENetCouldNotBindSocket : public ENetSocketHandleError {
 public:
  ENetCouldNotBindSocket() : ENetSocketHandleError("Could not bind socket. Address and port are already in use.") {}
};

class ENetCanNotBindPortInRange : public ENetSocketHandleError {
 public:
  ENetCanNotBindPortInRange(int min, int max)
      : ENetSocketHandleError("Can not bind in port range (" + std::to_string(min) + " - " + std::to_string(max) +
                              ")") {}
};

class ENetInvalidPortRange : public ENetSocketHandleError {
 public:
  ENetInvalidPortRange(int min, int max)
      : ENetSocketHandleError("Invalid Port Range (" + std::to_string(min) + " - " + std::to_string(max) + ")") {}
};

class ENetTCPConnectionError : public ENetException {
 public:
  using ENetException::ENetException;
};

class ENetNotEnoughDataInBuffer : public ENetTCPConnectionError {
 public:
  ENetNotEnoughDataInBuffer() : ENetTCPConnectionError("Not enough data in buffer.") {}
};

class ENetIOHandlerPropInvalid : public ENetTCPConnectionError {
 public:
  ENetIOHandlerPropInvalid() : ENetTCPConnectionError("IOHandler value is not valid") {}
};

class ENetNoDataToRead : public ENetTCPConnectionError {
 public:
  ENetNoDataToRead() : ENetTCPConnectionError("No data to read.") {}
};

class ENetNotConnected : public ENetTCPConnectionError {
 public:
  ENetNotConnected() : ENetTCPConnectionError("Not Connected") {}
};

class ENetFileNotFound : public ENetTCPConnectionError {
 public:
  explicit ENetFileNotFound(const std::string& name) : ENetTCPConnectionError("File \"" + name + "\" not found") {}
};

}  // namespace tolvar::transport
