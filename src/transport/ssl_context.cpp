#include "transport/ssl_context.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "transport/ssl_certificate.h"
#include "transport/ssl_exceptions.h"

namespace tolvar::transport {
namespace {

constexpr int kCtrlOptions = 32;              // SSL_CTRL_OPTIONS (legacy releases)
constexpr int kCtrlSetMinProtoVersion = 123;  // SSL_CTRL_SET_MIN_PROTO_VERSION
constexpr long kOpNoSslv2 = 0x01000000L;
constexpr long kOpNoSslv3 = 0x02000000L;
constexpr long kOpNoTlsv1 = 0x04000000L;
constexpr long kOpNoTlsv1_1 = 0x10000000L;
const char kDefaultCipherList[] = "ALL:!ADH:RC4+RSA:+HIGH:+MEDIUM:+LOW:+SSLv2:+EXP";
const unsigned char kSessionIdContext[4] = {1, 0, 0, 0};

std::atomic<int> g_live{0};
std::mutex g_info_lock;
std::mutex g_password_lock;
std::mutex g_verify_lock;

// The context a TLS connection was made from (slot 0 of its ex_data).
const TNetSSLContext* ContextOf(const ossl::Api& api, const ossl::SSL* ssl) {
  return ssl != nullptr ? static_cast<const TNetSSLContext*>(api.SSL_get_ex_data(ssl, 0)) : nullptr;
}

}  // namespace

TNetSSLContext::TNetSSLContext(TNetSSLOwner* owner) : api_(ossl::Load()), owner_(owner) {
  if (api_ == nullptr) throw ENetOSSLCouldNotLoadSSLLibrary();
  ++g_live;
}

TNetSSLContext::~TNetSSLContext() {
  Free();
  --g_live;
}

int TNetSSLContext::LiveCount() {
  return g_live.load();
}

void TNetSSLContext::Free() {
  if (ctx_ != nullptr) api_->SSL_CTX_free(ctx_);
  ctx_ = nullptr;
}

const ossl::SSL_METHOD* TNetSSLContext::ChooseMethod(long* floor, long* legacy_options) const {
  int variant;
  switch (Mode) {
    case sslmClient:
      variant = 1;
      break;
    case sslmServer:
      variant = 2;
      break;
    case sslmBoth:
      variant = 0;
      break;
    default:
      throw ENetOSSLModeNotSet();
  }
  const ossl::Api& a = *api_;
  *floor = 0;
  *legacy_options = 0;
  if (VerifyServer) {
    // Whatever Method says: older versions have known breaks.
    if (a.generation == ossl::Generation::kFlexible) {
      *floor = ossl::kVersionTls12;
    } else {
      *legacy_options = kOpNoSslv2 | kOpNoSslv3 | kOpNoTlsv1 | kOpNoTlsv1_1;
    }
    return a.flexible_method[variant]();
  }
  if (a.generation == ossl::Generation::kFlexible) {
    switch (Method) {
      case sslvSSLv2:
      case sslvSSLv23:
        break;
      case sslvSSLv3:
        *floor = ossl::kVersionSsl3;
        break;
      case sslvTLSv1:
        *floor = ossl::kVersionTls1;
        break;
      default:
        throw ENetOSSLGetMethodError();
    }
    return a.flexible_method[variant]();
  }
  switch (Method) {
    case sslvSSLv2:
      if (a.sslv2_method[variant]) return a.sslv2_method[variant]();
      break;
    case sslvSSLv23:
      break;
    case sslvSSLv3:
      if (a.sslv3_method[variant]) return a.sslv3_method[variant]();
      *legacy_options = kOpNoSslv2;
      break;
    case sslvTLSv1:
      if (a.tlsv1_method[variant]) return a.tlsv1_method[variant]();
      *legacy_options = kOpNoSslv2 | kOpNoSslv3;
      break;
    default:
      throw ENetOSSLGetMethodError();
  }
  return a.flexible_method[variant]();
}

void TNetSSLContext::Init(bool client) {
  const ossl::Api& a = *api_;
  Free();
  if (Mode == sslmUnassigned) Mode = client ? sslmClient : sslmServer;
  long floor = 0;
  long legacy_options = 0;
  const ossl::SSL_METHOD* method = ChooseMethod(&floor, &legacy_options);
  if (method == nullptr) throw ENetOSSLGetMethodError();
  ctx_ = a.SSL_CTX_new(method);
  if (ctx_ == nullptr) throw ENetOSSLCreatingContextError();
  if (VerifyServer && !a.CanVerifyServer()) {
    throw ENetOpenSSLError("The SSL library loaded (" + ossl::LoadedNames() +
                           ") cannot check the name in a server's certificate.");
  }
  // A verifying context must not go on without its floor.
  if (floor != 0 && a.SSL_CTX_ctrl(ctx_, kCtrlSetMinProtoVersion, floor, nullptr) != 1 && VerifyServer) {
    throw ENetOSSLCreatingContextError();
  }
  if (legacy_options != 0) a.SSL_CTX_ctrl(ctx_, kCtrlOptions, legacy_options, nullptr);
  a.SSL_CTX_set_default_passwd_cb(ctx_, PasswordCallback);
  a.SSL_CTX_set_default_passwd_cb_userdata(ctx_, this);
  a.SSL_CTX_set_default_verify_paths(ctx_);
  if (!RootCertFile.empty() && a.SSL_CTX_load_verify_locations(ctx_, RootCertFile.c_str(), nullptr) <= 0) {
    throw ENetOSSLLoadingRootCertError();
  }
  if (!CertFile.empty() && a.SSL_CTX_use_certificate_file(ctx_, CertFile.c_str(), ossl::kFiletypePem) <= 0) {
    throw ENetOSSLLoadingCertError();
  }
  if (!KeyFile.empty() && (a.SSL_CTX_use_PrivateKey_file(ctx_, KeyFile.c_str(), ossl::kFiletypePem) <= 0 ||
                           a.SSL_CTX_check_private_key(ctx_) <= 0)) {
    throw ENetOSSLLoadingKeyError();
  }
  if (StatusInfoOn) a.SSL_CTX_set_info_callback(ctx_, InfoCallback);
  if (!VerifyServer || !CipherList.empty()) {
    const char* ciphers = CipherList.empty() ? kDefaultCipherList : CipherList.c_str();
    if (a.SSL_CTX_set_cipher_list(ctx_, ciphers) <= 0) throw ENetOSSLSettingCipherError();
  }
  if (VerifyServer) {
    // The library's own verdict decides; a verify event may refuse more.
    // The library's default depth stays unless the options give one.
    a.SSL_CTX_set_verify(ctx_, (VerifyMode | sslvrfPeer) & 7, VerifyOn ? VerifyCallback : nullptr);
    if (VerifyMode != 0) a.SSL_CTX_set_verify_depth(ctx_, VerifyDepth);
  } else if (VerifyMode != 0) {
    a.SSL_CTX_set_verify(ctx_, VerifyMode & 7, VerifyOn ? VerifyCallback : nullptr);
    a.SSL_CTX_set_verify_depth(ctx_, VerifyDepth);
  }
  if (Mode == sslmServer) a.SSL_CTX_set_session_id_context(ctx_, kSessionIdContext, sizeof kSessionIdContext);
  if (!RootCertFile.empty()) {
    if (ossl::STACK* names = a.SSL_load_client_CA_file(RootCertFile.c_str())) a.SSL_CTX_set_client_CA_list(ctx_, names);
  }
  // Failed loads above leave their reasons queued; they must not be taken
  // for the reason of a later call on this thread.
  a.ERR_clear_error();
}

int TNetSSLContext::PasswordCallback(char* buffer, int size, int, void* userdata) {
  std::lock_guard<std::mutex> lock(g_password_lock);
  auto* self = static_cast<TNetSSLContext*>(userdata);
  if (buffer == nullptr || size <= 0 || self == nullptr) return 0;
  std::string password;
  try {
    if (self->owner_ != nullptr) self->owner_->FireGetPassword(password);
  } catch (...) {
    // An event that fails gives no password; OpenSSL must not see exceptions.
    password.clear();
  }
  const std::size_t n = std::min(password.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, password.data(), n);
  buffer[n] = '\0';
  // The copy is wiped, not just released.
  std::fill(password.begin(), password.end(), '\0');
  return static_cast<int>(n);
}

void TNetSSLContext::InfoCallback(const ossl::SSL* ssl, int, int) {
  std::lock_guard<std::mutex> lock(g_info_lock);
  const ossl::Api* api = ossl::Load();
  const TNetSSLContext* context = ContextOf(*api, ssl);
  if (context == nullptr || context->Owner() == nullptr) return;
  const char* state = api->SSL_state_string_long(ssl);
  try {
    context->Owner()->FireStatusInfo(std::string("SSL status: \"") + (state ? state : "") + "\"");
  } catch (...) {
    // A listener's failure must not unwind through OpenSSL.
  }
}

int TNetSSLContext::VerifyCallback(int preverify_ok, ossl::X509_STORE_CTX* store) {
  std::lock_guard<std::mutex> lock(g_verify_lock);
  const ossl::Api* api = ossl::Load();
  auto* ssl =
      static_cast<ossl::SSL*>(api->X509_STORE_CTX_get_ex_data(store, api->SSL_get_ex_data_X509_STORE_CTX_idx()));
  const TNetSSLContext* context = ContextOf(*api, ssl);
  if (context == nullptr || context->Owner() == nullptr) return 0;
  TNetX509 certificate(*api, api->X509_STORE_CTX_get_current_cert(store));
  bool agreed = false;
  try {
    agreed = context->Owner()->FireVerifyPeer(certificate);
  } catch (...) {
    agreed = false;
  }
  const int depth = api->X509_STORE_CTX_get_error_depth(store);
  // A verifying context without a depth of its own keeps the library's.
  const bool own_depth = !context->VerifyServer || context->VerifyMode != 0;
  return preverify_ok > 0 && (!own_depth || depth <= context->VerifyDepth) && agreed ? 1 : 0;
}

}  // namespace tolvar::transport
