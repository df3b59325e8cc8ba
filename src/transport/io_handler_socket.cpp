#include "transport/io_handler_socket.h"

#include "transport/exceptions.h"
#include "transport/stack.h"

namespace tolvar::transport {

TNetIOHandlerSocket::TNetIOHandlerSocket() : binding_(std::make_unique<TNetSocketHandle>()) {}

void TNetIOHandlerSocket::Open() {
  closed_ = false;
  binding_->Reset(true);
}

void TNetIOHandlerSocket::Close() {
  TNetIOHandler::Close();
  closed_ = true;
  binding_->ReleaseSocket();
}

TNetSocksInfo& TNetIOHandlerSocket::SocksInfo() {
  if (!socks_info_) socks_info_ = std::make_shared<TNetSocksInfo>();
  return *socks_info_;
}

void TNetIOHandlerSocket::ConnectTo(const std::string& target_host, int target_port, const std::string& bound_ip,
                                    int bound_port, int bound_port_min, int bound_port_max, int timeout_ms) {
  TNetStack* stack = TNetStack::Instance();
  const bool socks = socks_info_ && socks_info_->Version != svNoSocks;
  const std::string& host = socks ? socks_info_->Host : target_host;
  const int port = socks ? socks_info_->Port : target_port;
  binding_->OpenSocket(1, 0);
  if (closed_) {
    binding_->ReleaseSocket();
    throw ENetSocketError(platform::kWsaENotSock);
  }
  binding_->IP = bound_ip;
  binding_->Port = bound_port;
  binding_->ClientPortMin = bound_port_min;
  binding_->ClientPortMax = bound_port_max;
  binding_->Bind();
  if (!TNetStack::IsNumericAddress(host)) FireStatus(hsResolving, {host});
  binding_->AssignPeer(stack->LookupHost(host), port);
  if (!UseNagle) {
    const std::int32_t one = 1;
    binding_->SetSocketOption(platform::kIpProtoTcp, platform::kTcpNoDelay, &one, sizeof one);
  }
  FireStatus(hsConnecting, {binding_->PeerAddress});
  const bool timed = IsTimedConnect(timeout_ms);
  const TNetConnectStatus status = binding_->Connect(timed ? ConnectWaitOf(timeout_ms) : platform::WaitLimit::None());
  if (status == csTimedOut) {
    Close();
    throw ENetConnectTimeout();
  }
  if (!timed) {
    stack->CheckSocketResult(status == csConnected ? 0 : -1);
  } else if (status != csConnected) {
    int code = StackCall([] { return platform::LastError(); });
    stack->LastError = code;
    throw ENetConnectException(SocketErrorMessage(code));
  }
  if (socks) socks_info_->NegotiateSocks(*this, target_host, target_port, timeout_ms);
}

bool TNetIOHandlerSocket::WaitReadable(int timeout_ms) {
  return binding_->WaitReadable(WaitLimitOf(timeout_ms));
}

int TNetIOHandlerSocket::Recv(char* buffer, int length) {
  if (!Connected()) throw ENetClosedSocket();
  return binding_->Recv(buffer, length);
}

TNetRecvResult TNetIOHandlerSocket::RecvWithin(char* buffer, int length, int timeout_ms) {
  return binding_->RecvWithin(buffer, length, WaitLimitOf(timeout_ms));
}

int TNetIOHandlerSocket::Send(const char* buffer, int length) {
  if (!Connected()) throw ENetClosedSocket();
  return binding_->Send(buffer, length);
}

}  // namespace tolvar::transport
