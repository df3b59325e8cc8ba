#include "transport/ssl_io_handler.h"

#include "transport/exceptions.h"
#include "transport/ssl_exceptions.h"

namespace tolvar::transport {

TNetSSLIOHandlerSocket::~TNetSSLIOHandlerSocket() {
  // The closing alert below still runs the callbacks; whoever listened may
  // be gone by now.
  OnStatusInfo = nullptr;
  OnGetPassword = nullptr;
  OnVerifyPeer = nullptr;
  // The TLS connection still reaches the socket through this handler.
  std::lock_guard<std::mutex> lock(mutex_);
  ssl_.reset();
  context_.reset();
}

std::shared_ptr<TNetSSLSocket> TNetSSLIOHandlerSocket::SSLSocket() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return ssl_;
}

std::shared_ptr<TNetSSLContext> TNetSSLIOHandlerSocket::Context() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return context_;
}

void TNetSSLIOHandlerSocket::ConnectTo(const std::string& host, int port, const std::string& bound_ip, int bound_port,
                                       int bound_port_min, int bound_port_max, int timeout_ms) {
  record_wait_ms_ = PieceTimeout(ReadTimeout, timeout_ms);
  TNetIOHandlerSocket::ConnectTo(host, port, bound_ip, bound_port, bound_port_min, bound_port_max, timeout_ms);
  FireBeforeConnect();
  try {
    Init();
  } catch (const ENetOSSLCouldNotLoadSSLLibrary&) {
    // A plain conversation needs no library; switching to TLS later fails.
    if (!PassThrough()) throw;
  }
  if (!PassThrough()) StartTlsHandshake();
}

void TNetSSLIOHandlerSocket::ThrowNotLoaded() const {
  if (options_.VerifyServer) throw ENetOSSLLibraryMissing(ossl::TriedNames());
  throw ENetOSSLCouldNotLoadSSLLibrary();
}

void TNetSSLIOHandlerSocket::Init() {
  std::shared_ptr<TNetSSLContext> context;
  try {
    context = std::make_shared<TNetSSLContext>(this);
  } catch (const ENetOSSLCouldNotLoadSSLLibrary&) {
    ThrowNotLoaded();
  }
  context->RootCertFile = options_.RootCertFile;
  context->CertFile = options_.CertFile;
  context->KeyFile = options_.KeyFile;
  context->VerifyDepth = options_.VerifyDepth;
  context->VerifyMode = options_.VerifyMode;
  context->VerifyDirs = options_.VerifyDirs;
  context->CipherList = options_.CipherList;
  context->Method = options_.Method;
  context->Mode = options_.Mode;
  context->VerifyServer = options_.VerifyServer;
  context->VerifyOn = static_cast<bool>(OnVerifyPeer);
  context->StatusInfoOn = static_cast<bool>(OnStatusInfo);
  context->Init(true);
  std::lock_guard<std::mutex> lock(mutex_);
  context_ = std::move(context);
}

void TNetSSLIOHandlerSocket::StartTlsHandshake() {
  auto context = Context();
  if (!context) ThrowNotLoaded();
  if (SSLSocket()) return;
  auto ssl = std::make_shared<TNetSSLSocket>(this, context, server_name_);
  FireStatusInfo(ssl->CipherText());
  std::lock_guard<std::mutex> lock(mutex_);
  ssl_ = std::move(ssl);
}

void TNetSSLIOHandlerSocket::SetPassThrough(bool value) {
  if (!value && Connected()) {
    if (!Context()) ThrowNotLoaded();
    StartTlsHandshake();
  }
  pass_through_ = value;
}

void TNetSSLIOHandlerSocket::Open() {
  TNetIOHandlerSocket::Open();
}

void TNetSSLIOHandlerSocket::Close() {
  std::shared_ptr<TNetSSLSocket> ssl;
  std::shared_ptr<TNetSSLContext> context;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ssl.swap(ssl_);
    context.swap(context_);
  }
  // Freed here when no call uses the connection; otherwise by the last
  // call to leave it, after the socket below is gone.
  ssl.reset();
  context.reset();
  TNetIOHandlerSocket::Close();
}

bool TNetSSLIOHandlerSocket::WaitReadable(int timeout_ms) {
  if (!PassThrough()) {
    if (auto ssl = SSLSocket(); ssl && ssl->Pending() > 0) return true;
  }
  return TNetIOHandlerSocket::WaitReadable(timeout_ms);
}

int TNetSSLIOHandlerSocket::Recv(char* buffer, int length) {
  if (PassThrough()) return TNetIOHandlerSocket::Recv(buffer, length);
  auto ssl = SSLSocket();
  if (!Connected() || !ssl) throw ENetClosedSocket();
  return ssl->Read(buffer, length);
}

int TNetSSLIOHandlerSocket::Send(const char* buffer, int length) {
  if (PassThrough()) return TNetIOHandlerSocket::Send(buffer, length);
  auto ssl = SSLSocket();
  if (!Connected() || !ssl) throw ENetClosedSocket();
  return ssl->Write(buffer, length);
}

void TNetSSLIOHandlerSocket::FireBeforeConnect() {
  if (OnBeforeConnect) OnBeforeConnect();
}

void TNetSSLIOHandlerSocket::FireStatusInfo(const std::string& message) {
  if (OnStatusInfo) OnStatusInfo(message);
}

void TNetSSLIOHandlerSocket::FireGetPassword(std::string& password) {
  if (OnGetPassword) OnGetPassword(password);
}

bool TNetSSLIOHandlerSocket::FireVerifyPeer(TNetX509& certificate) {
  return OnVerifyPeer ? OnVerifyPeer(certificate) : true;
}

}  // namespace tolvar::transport
