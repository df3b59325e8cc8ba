#include "transport/system_tls_io_handler.h"

#include "platform/socket.h"

namespace tolvar::transport {

TNetSystemTLSIOHandler::~TNetSystemTLSIOHandler() {
  // The session reaches the socket through this handler.
  std::lock_guard<std::mutex> lock(mutex_);
  session_.reset();
}

std::shared_ptr<platform::SystemTlsSession> TNetSystemTLSIOHandler::Session() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return session_;
}

std::string TNetSystemTLSIOHandler::ProtocolName() const {
  auto session = Session();
  return session && !PassThrough() ? session->ProtocolName() : std::string();
}

void TNetSystemTLSIOHandler::ConnectTo(const std::string& host, int port, const std::string& bound_ip, int bound_port,
                                       int bound_port_min, int bound_port_max, int timeout_ms) {
  record_wait_ms_ = PieceTimeout(ReadTimeout, timeout_ms);
  connect_host_ = host;
  TNetIOHandlerSocket::ConnectTo(host, port, bound_ip, bound_port, bound_port_min, bound_port_max, timeout_ms);
  if (!PassThrough()) StartTls();
}

void TNetSystemTLSIOHandler::StartTls() {
  if (Session()) return;
  std::shared_ptr<platform::SystemTlsSession> session = platform::SystemTlsSession::Create(*this);
  if (!session) throw ENetSystemTLSError(platform::SystemTlsFailure::kHandshake, kUnavailableText);
  const std::string& name = server_name_.empty() ? connect_host_ : server_name_;
  platform::SystemTlsResult result = session->Handshake(name);
  if (result.failure != platform::SystemTlsFailure::kNone) throw ENetSystemTLSError(result.failure, result.message);
  std::lock_guard<std::mutex> lock(mutex_);
  session_ = std::move(session);
}

void TNetSystemTLSIOHandler::SetPassThrough(bool value) {
  if (!value && Connected()) StartTls();
  pass_through_ = value;
}

void TNetSystemTLSIOHandler::Close() {
  std::shared_ptr<platform::SystemTlsSession> session;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    session.swap(session_);
  }
  // Freed here (closing alert first) when no call uses the session;
  // otherwise by the last call to leave it, after the socket below is gone.
  session.reset();
  TNetIOHandlerSocket::Close();
}

bool TNetSystemTLSIOHandler::WaitReadable(int timeout_ms) {
  if (!PassThrough()) {
    if (auto session = Session(); session && session->Pending() > 0) return true;
  }
  return TNetIOHandlerSocket::WaitReadable(timeout_ms);
}

int TNetSystemTLSIOHandler::Recv(char* buffer, int length) {
  if (PassThrough()) return TNetIOHandlerSocket::Recv(buffer, length);
  auto session = Session();
  if (!Connected() || !session) throw ENetClosedSocket();
  return session->Read(buffer, length);
}

int TNetSystemTLSIOHandler::Send(const char* buffer, int length) {
  if (PassThrough()) return TNetIOHandlerSocket::Send(buffer, length);
  auto session = Session();
  if (!Connected() || !session) throw ENetClosedSocket();
  return session->Write(buffer, length);
}

int TNetSystemTLSIOHandler::RecvRaw(char* buffer, int length) {
  try {
    if (!Binding().WaitReadable(WaitLimitOf(record_wait_ms_))) {
      // Released meanwhile, or silent for the whole wait.
      platform::SetLastError(Binding().HasSocket() ? 10060 : platform::kWsaENotSock);
      return -1;
    }
    return Binding().Recv(buffer, length);
  } catch (...) {
    platform::SetLastError(platform::kWsaENotSock);
    return -1;
  }
}

int TNetSystemTLSIOHandler::SendRaw(const char* buffer, int length) {
  try {
    return Binding().Send(buffer, length);
  } catch (...) {
    platform::SetLastError(platform::kWsaENotSock);
    return -1;
  }
}

}  // namespace tolvar::transport
