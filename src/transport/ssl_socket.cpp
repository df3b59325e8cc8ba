#include "transport/ssl_socket.h"

#include "platform/socket.h"
#include "transport/ssl_context.h"
#include "transport/ssl_exceptions.h"
#include "transport/timeout.h"

namespace tolvar::transport {
namespace {

constexpr int kErrorSsl = 1;         // SSL_ERROR_SSL: a protocol failure
constexpr int kErrorSyscall = 5;     // SSL_ERROR_SYSCALL: the socket failed or closed
constexpr int kErrorZeroReturn = 6;  // SSL_ERROR_ZERO_RETURN: closing alert received
constexpr int kWsaETimedOut = 10060;
constexpr int kCtrlSetTlsextHostname = 55;   // SSL_CTRL_SET_TLSEXT_HOSTNAME
constexpr long kTlsextNametypeHostName = 0;  // TLSEXT_NAMETYPE_host_name

}  // namespace

std::string TNetSSLCipher::Name() const {
  const char* s = cipher_ ? api_.SSL_CIPHER_get_name(cipher_) : nullptr;
  return s ? s : "";
}

std::string TNetSSLCipher::Description() const {
  char buffer[1024];
  const char* s = cipher_ ? api_.SSL_CIPHER_description(cipher_, buffer, sizeof buffer) : nullptr;
  return s ? s : "";
}

int TNetSSLCipher::Bits() const {
  int bits = 0;
  if (cipher_) api_.SSL_CIPHER_get_bits(cipher_, &bits);
  return bits;
}

std::string TNetSSLCipher::Version() const {
  const char* s = cipher_ ? api_.SSL_CIPHER_get_version(cipher_) : nullptr;
  return s ? s : "";
}

TNetSSLSocket::TNetSSLSocket(TNetSSLOwner* owner, std::shared_ptr<TNetSSLContext> context,
                             const std::string& server_name)
    : owner_(owner), context_(std::move(context)), api_(context_->Api()) {
  api_.ERR_clear_error();
  ssl_ = api_.SSL_new(context_->Handle());
  if (ssl_ == nullptr) throw ENetOSSLConnectError();
  // The callbacks find their way back through the context, which answers
  // for the same owner and outlives this connection.
  if (api_.SSL_set_ex_data(ssl_, 0, context_.get()) < 1) {
    api_.SSL_free(ssl_);
    throw ENetOSSLDataBindingError();
  }
  ossl::BIO* bio = ossl::MakeSocketBio(api_, this);
  if (bio == nullptr) {
    api_.SSL_free(ssl_);
    throw ENetOSSLConnectError();
  }
  api_.SSL_set_bio(ssl_, bio, bio);
  if (context_->VerifyServer) {
    try {
      ExpectServer(server_name);
    } catch (...) {
      api_.SSL_free(ssl_);
      api_.ERR_clear_error();
      throw;
    }
  }
  if (api_.SSL_connect(ssl_) < 1) FailHandshake(server_name);
  established_ = true;
}

void TNetSSLSocket::ExpectServer(const std::string& server_name) {
  // A name with a NUL in it would be checked only up to the NUL.
  if (server_name.empty()) throw ENetOSSLVerifyError("(no host)", "no host name to check against");
  if (const auto nul = server_name.find('\0'); nul != std::string::npos) {
    // Shown as \0: a message is a C string and would end there.
    std::string shown = server_name;
    for (auto at = nul; at != std::string::npos; at = shown.find('\0', at + 2)) shown.replace(at, 1, "\\0");
    throw ENetOSSLVerifyError(shown, "no host name to check against");
  }
  ossl::X509_VERIFY_PARAM* param = api_.SSL_get0_param(ssl_);
  // An IP literal is matched against the certificate's IP addresses and
  // is never sent as SNI (RFC 6066, section 3); anything else is a name.
  if (api_.X509_VERIFY_PARAM_set1_ip_asc(param, server_name.c_str()) == 1) return;
  if (api_.X509_VERIFY_PARAM_set1_host(param, server_name.c_str(), server_name.size()) != 1 ||
      api_.SSL_ctrl(ssl_, kCtrlSetTlsextHostname, kTlsextNametypeHostName, const_cast<char*>(server_name.c_str())) !=
          1) {
    throw ENetOSSLVerifyError(server_name, "the host name cannot be checked");
  }
}

void TNetSSLSocket::FailHandshake(const std::string& server_name) {
  if (!context_->VerifyServer) {
    api_.SSL_free(ssl_);
    api_.ERR_clear_error();
    throw ENetOSSLConnectError();
  }
  // The certificate's verdict first: a refused chain also ends the
  // handshake with a protocol error, whose text says less.
  const long verdict = api_.SSL_get_verify_result(ssl_);
  const unsigned long error = api_.ERR_get_error();
  std::string check;
  if (verdict != ossl::kVerifyOk) {
    const char* s = api_.X509_verify_cert_error_string(verdict);
    check = s != nullptr ? s : "error " + std::to_string(verdict);
  }
  const char* reason = error != 0 ? api_.ERR_reason_error_string(error) : nullptr;
  const std::string reason_text = reason != nullptr ? reason : "";
  api_.SSL_free(ssl_);
  api_.ERR_clear_error();
  if (!check.empty()) throw ENetOSSLVerifyError(server_name, check);
  throw ENetOSSLConnectError(server_name, reason_text);
}

TNetSSLSocket::~TNetSSLSocket() {
  if (established_) api_.SSL_shutdown(ssl_);
  api_.SSL_free(ssl_);
  api_.ERR_clear_error();
}

int TNetSSLSocket::BioRead(char* buffer, int length) noexcept {
  try {
    if (!owner_->Binding().WaitReadable(WaitLimitOf(owner_->RecordWaitMs()))) {
      // Released meanwhile, or silent for the whole wait.
      platform::SetLastError(owner_->Binding().HasSocket() ? kWsaETimedOut : platform::kWsaENotSock);
      return -1;
    }
    return owner_->Binding().Recv(buffer, length);
  } catch (...) {
    platform::SetLastError(platform::kWsaENotSock);
    return -1;
  }
}

int TNetSSLSocket::BioWrite(const char* buffer, int length) noexcept {
  try {
    return owner_->Binding().Send(buffer, length);
  } catch (...) {
    platform::SetLastError(platform::kWsaENotSock);
    return -1;
  }
}

template <typename Op>
int TNetSSLSocket::Io(Op op) {
  api_.ERR_clear_error();
  int n = op();
  if (n > 0) return n;
  int error = api_.SSL_get_error(ssl_, n);
  if (error == ossl::kErrorWantRead || error == ossl::kErrorWantWrite) {
    n = op();
    if (n > 0) return n;
    error = api_.SSL_get_error(ssl_, n);
  }
  api_.ERR_clear_error();
  if (error == kErrorZeroReturn) return 0;
  // The socket closed without the peer's closing alert: the bytes may have
  // been cut by someone on the way. A verifying connection takes that for
  // the failure it may be, so a body read up to the close is never taken
  // as whole; other programs keep the plain close they may rely on.
  if (error == kErrorSyscall && n == 0 && context_->VerifyServer) error = kErrorSsl;
  if (error == kErrorSsl) {
    // Not a socket failure, so no socket error is set: report the
    // connection as aborted rather than a stale or zero code.
    platform::SetLastError(platform::kWsaEConnAborted);
    return -1;
  }
  return n < 0 ? -1 : 0;
}

int TNetSSLSocket::Read(char* buffer, int length) {
  return Io([&] { return api_.SSL_read(ssl_, buffer, length); });
}

int TNetSSLSocket::Write(const char* buffer, int length) {
  return Io([&] { return api_.SSL_write(ssl_, buffer, length); });
}

int TNetSSLSocket::Pending() const {
  return api_.SSL_pending(ssl_);
}

const TNetSSLCipher& TNetSSLSocket::Cipher() {
  if (!cipher_) cipher_ = std::make_unique<TNetSSLCipher>(api_, api_.SSL_get_current_cipher(ssl_));
  return *cipher_;
}

std::string TNetSSLSocket::CipherText() {
  const TNetSSLCipher& c = Cipher();
  return "Cipher: name = " + c.Name() + "; description = " + c.Description() + "; bits = " + std::to_string(c.Bits()) +
         "; version = " + c.Version() + "; ";
}

}  // namespace tolvar::transport
