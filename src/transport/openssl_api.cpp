#include "transport/openssl_api.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>

#include "platform/library.h"

namespace tolvar::transport::ossl {
namespace {

// The socket glue of the legacy libraries, which have no BIO_meth_* API:
// their BIO_METHOD is a public struct, and a BIO's `init` and `ptr` fields
// sit at fixed places (unchanged from 0.9.8 to 1.0.2).
struct LegacyBioMethod {
  int type;
  const char* name;
  int (*bwrite)(BIO*, const char*, int);
  int (*bread)(BIO*, char*, int);
  int (*bputs)(BIO*, const char*);
  int (*bgets)(BIO*, char*, int);
  long (*ctrl)(BIO*, int, long, void*);
  int (*create)(BIO*);
  int (*destroy)(BIO*);
  long (*callback_ctrl)(BIO*, int, void*);
};
struct LegacyBio {
  void* method;
  void* callback;
  char* cb_arg;
  int init;
  int shutdown;
  int flags;
  int retry_reason;
  int num;
  void* ptr;
};

constexpr int kBioTypeSourceSink = 0x0400;
constexpr int kBioCtrlFlush = 11;

struct Loaded {
  std::unique_ptr<platform::SharedLibrary> ssl;
  std::unique_ptr<platform::SharedLibrary> crypto;
  Api api;
  std::string names;
  BIO_METHOD* bio_method = nullptr;  // current releases; never freed
};

// Set once by Load before any BIO exists; read by the BIO callbacks.
const Api* g_api = nullptr;

template <typename F>
bool Resolve(const platform::SharedLibrary& lib, F& fn, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (void* p = lib.Symbol(name)) {
      fn = reinterpret_cast<F>(p);
      return true;
    }
  }
  return false;
}

BioEndpoint* EndpointOf(BIO* b) {
  void* data =
      g_api->generation == Generation::kFlexible ? g_api->BIO_get_data(b) : reinterpret_cast<LegacyBio*>(b)->ptr;
  return static_cast<BioEndpoint*>(data);
}

int BioWrite(BIO* b, const char* data, int length) {
  BioEndpoint* e = EndpointOf(b);
  return e != nullptr ? e->BioWrite(data, length) : -1;
}

int BioRead(BIO* b, char* data, int length) {
  BioEndpoint* e = EndpointOf(b);
  return e != nullptr ? e->BioRead(data, length) : -1;
}

// Writes go out at once, so a flush has nothing to do; every other request
// (non-blocking state, kernel TLS, ...) is not supported.
long BioCtrl(BIO*, int cmd, long, void*) {
  return cmd == kBioCtrlFlush ? 1 : 0;
}

int LegacyCreate(BIO* b) {
  auto* bio = reinterpret_cast<LegacyBio*>(b);
  bio->init = 1;
  bio->ptr = nullptr;
  bio->flags = 0;
  return 1;
}

int LegacyDestroy(BIO*) {
  return 1;
}

LegacyBioMethod g_legacy_method = {kBioTypeSourceSink | 0x80,
                                   "tolvar socket",
                                   BioWrite,
                                   BioRead,
                                   nullptr,
                                   nullptr,
                                   BioCtrl,
                                   LegacyCreate,
                                   LegacyDestroy,
                                   nullptr};

// Everything both generations need, from the pair of libraries.
bool ResolveCommon(const platform::SharedLibrary& ssl, const platform::SharedLibrary& crypto, Api& a) {
  bool ok = true;
  ok &= Resolve(ssl, a.SSL_CTX_new, {"SSL_CTX_new"});
  ok &= Resolve(ssl, a.SSL_CTX_free, {"SSL_CTX_free"});
  ok &= Resolve(ssl, a.SSL_CTX_set_cipher_list, {"SSL_CTX_set_cipher_list"});
  ok &= Resolve(ssl, a.SSL_CTX_use_PrivateKey_file, {"SSL_CTX_use_PrivateKey_file"});
  ok &= Resolve(ssl, a.SSL_CTX_use_certificate_file, {"SSL_CTX_use_certificate_file"});
  ok &= Resolve(ssl, a.SSL_CTX_check_private_key, {"SSL_CTX_check_private_key"});
  ok &= Resolve(ssl, a.SSL_CTX_set_default_passwd_cb, {"SSL_CTX_set_default_passwd_cb"});
  ok &= Resolve(ssl, a.SSL_CTX_set_default_passwd_cb_userdata, {"SSL_CTX_set_default_passwd_cb_userdata"});
  ok &= Resolve(ssl, a.SSL_CTX_set_verify, {"SSL_CTX_set_verify"});
  ok &= Resolve(ssl, a.SSL_CTX_set_verify_depth, {"SSL_CTX_set_verify_depth"});
  ok &= Resolve(ssl, a.SSL_CTX_load_verify_locations, {"SSL_CTX_load_verify_locations"});
  ok &= Resolve(ssl, a.SSL_CTX_set_default_verify_paths, {"SSL_CTX_set_default_verify_paths"});
  ok &= Resolve(ssl, a.SSL_CTX_set_info_callback, {"SSL_CTX_set_info_callback"});
  ok &= Resolve(ssl, a.SSL_CTX_set_session_id_context, {"SSL_CTX_set_session_id_context"});
  ok &= Resolve(ssl, a.SSL_CTX_set_client_CA_list, {"SSL_CTX_set_client_CA_list"});
  ok &= Resolve(ssl, a.SSL_CTX_ctrl, {"SSL_CTX_ctrl"});
  ok &= Resolve(ssl, a.SSL_load_client_CA_file, {"SSL_load_client_CA_file"});
  ok &= Resolve(ssl, a.SSL_new, {"SSL_new"});
  ok &= Resolve(ssl, a.SSL_free, {"SSL_free"});
  ok &= Resolve(ssl, a.SSL_set_bio, {"SSL_set_bio"});
  ok &= Resolve(ssl, a.SSL_connect, {"SSL_connect"});
  ok &= Resolve(ssl, a.SSL_accept, {"SSL_accept"});
  ok &= Resolve(ssl, a.SSL_read, {"SSL_read"});
  ok &= Resolve(ssl, a.SSL_write, {"SSL_write"});
  ok &= Resolve(ssl, a.SSL_pending, {"SSL_pending"});
  ok &= Resolve(ssl, a.SSL_get_error, {"SSL_get_error"});
  ok &= Resolve(ssl, a.SSL_shutdown, {"SSL_shutdown"});
  ok &= Resolve(ssl, a.SSL_set_ex_data, {"SSL_set_ex_data"});
  ok &= Resolve(ssl, a.SSL_get_ex_data, {"SSL_get_ex_data"});
  ok &= Resolve(ssl, a.SSL_get_ex_data_X509_STORE_CTX_idx, {"SSL_get_ex_data_X509_STORE_CTX_idx"});
  ok &= Resolve(ssl, a.SSL_state_string_long, {"SSL_state_string_long"});
  ok &= Resolve(ssl, a.SSL_get_current_cipher, {"SSL_get_current_cipher"});
  ok &= Resolve(ssl, a.SSL_CIPHER_get_name, {"SSL_CIPHER_get_name"});
  ok &= Resolve(ssl, a.SSL_CIPHER_get_version, {"SSL_CIPHER_get_version"});
  ok &= Resolve(ssl, a.SSL_CIPHER_get_bits, {"SSL_CIPHER_get_bits"});
  ok &= Resolve(ssl, a.SSL_CIPHER_description, {"SSL_CIPHER_description"});
  ok &= Resolve(crypto, a.X509_STORE_CTX_get_current_cert, {"X509_STORE_CTX_get_current_cert"});
  ok &= Resolve(crypto, a.X509_STORE_CTX_get_error, {"X509_STORE_CTX_get_error"});
  ok &= Resolve(crypto, a.X509_STORE_CTX_get_error_depth, {"X509_STORE_CTX_get_error_depth"});
  ok &= Resolve(crypto, a.X509_STORE_CTX_get_ex_data, {"X509_STORE_CTX_get_ex_data"});
  ok &= Resolve(crypto, a.X509_get_subject_name, {"X509_get_subject_name"});
  ok &= Resolve(crypto, a.X509_get_issuer_name, {"X509_get_issuer_name"});
  ok &= Resolve(crypto, a.X509_NAME_oneline, {"X509_NAME_oneline"});
  ok &= Resolve(crypto, a.ERR_clear_error, {"ERR_clear_error"});
  ok &= Resolve(crypto, a.BIO_new, {"BIO_new"});
  Resolve(ssl, a.SSL_ctrl, {"SSL_ctrl"});
  Resolve(ssl, a.SSL_get0_param, {"SSL_get0_param"});
  Resolve(ssl, a.SSL_get_verify_result, {"SSL_get_verify_result"});
  Resolve(crypto, a.X509_VERIFY_PARAM_set1_host, {"X509_VERIFY_PARAM_set1_host"});
  Resolve(crypto, a.X509_VERIFY_PARAM_set1_ip_asc, {"X509_VERIFY_PARAM_set1_ip_asc"});
  Resolve(crypto, a.X509_verify_cert_error_string, {"X509_verify_cert_error_string"});
  Resolve(crypto, a.ERR_get_error, {"ERR_get_error"});
  Resolve(crypto, a.ERR_reason_error_string, {"ERR_reason_error_string"});
  return ok;
}

void ResolveMethods(const platform::SharedLibrary& ssl, const SSL_METHOD* (*(&fns)[3])(), const char* base) {
  const std::string b = base;
  Resolve(ssl, fns[0], {(b + "_method").c_str()});
  Resolve(ssl, fns[1], {(b + "_client_method").c_str()});
  Resolve(ssl, fns[2], {(b + "_server_method").c_str()});
}

// Current releases (1.1 and later): one version-flexible method, start-up
// through OPENSSL_init_ssl, the BIO built through BIO_meth_*.
bool StartFlexible(Loaded& l) {
  Api& a = l.api;
  const platform::SharedLibrary& ssl = *l.ssl;
  const platform::SharedLibrary& crypto = *l.crypto;
  ResolveMethods(ssl, a.flexible_method, "TLS");
  if (!a.flexible_method[0] || !a.flexible_method[1] || !a.flexible_method[2]) return false;
  bool ok = true;
  ok &= Resolve(crypto, a.BIO_meth_new, {"BIO_meth_new"});
  ok &= Resolve(crypto, a.BIO_meth_set_write, {"BIO_meth_set_write"});
  ok &= Resolve(crypto, a.BIO_meth_set_read, {"BIO_meth_set_read"});
  ok &= Resolve(crypto, a.BIO_meth_set_ctrl, {"BIO_meth_set_ctrl"});
  ok &= Resolve(crypto, a.BIO_set_data, {"BIO_set_data"});
  ok &= Resolve(crypto, a.BIO_get_data, {"BIO_get_data"});
  ok &= Resolve(crypto, a.BIO_set_init, {"BIO_set_init"});
  ok &= Resolve(crypto, a.BIO_get_new_index, {"BIO_get_new_index"});
  int (*init_ssl)(std::uint64_t, const void*) = nullptr;
  ok &= Resolve(ssl, init_ssl, {"OPENSSL_init_ssl"});
  if (!ok || init_ssl(0, nullptr) != 1) return false;
  a.generation = Generation::kFlexible;
  int type = a.BIO_get_new_index();
  if (type < 0) return false;
  l.bio_method = a.BIO_meth_new(type | kBioTypeSourceSink, "tolvar socket");
  if (l.bio_method == nullptr) return false;
  a.BIO_meth_set_write(l.bio_method, BioWrite);
  a.BIO_meth_set_read(l.bio_method, BioRead);
  a.BIO_meth_set_ctrl(l.bio_method, BioCtrl);
  return true;
}

// Legacy releases (up to 1.0.2): a method per protocol version, start-up
// through SSL_library_init and SSL_load_error_strings (after seeding from
// the screen where the library offers it).
bool StartLegacy(Loaded& l) {
  Api& a = l.api;
  const platform::SharedLibrary& ssl = *l.ssl;
  ResolveMethods(ssl, a.flexible_method, "SSLv23");
  if (!a.flexible_method[0] || !a.flexible_method[1] || !a.flexible_method[2]) return false;
  ResolveMethods(ssl, a.sslv2_method, "SSLv2");
  ResolveMethods(ssl, a.sslv3_method, "SSLv3");
  ResolveMethods(ssl, a.tlsv1_method, "TLSv1");
  void (*load_error_strings)() = nullptr;
  int (*library_init)() = nullptr;
  void (*rand_screen)() = nullptr;
  if (!Resolve(ssl, load_error_strings, {"SSL_load_error_strings"}) ||
      !Resolve(ssl, library_init, {"SSL_library_init"}))
    return false;
  if (Resolve(*l.crypto, rand_screen, {"RAND_screen"})) rand_screen();
  load_error_strings();
  if (library_init() < 1) return false;
  a.generation = Generation::kLegacy;
  return true;
}

std::unique_ptr<Loaded> TryLoad() {
  for (const auto& [ssl_name, crypto_name] : platform::OpenSSLLibraryNames()) {
    auto l = std::make_unique<Loaded>();
    // libcrypto first: libssl needs it.
    l->crypto = platform::SharedLibrary::Open(crypto_name);
    if (!l->crypto) continue;
    l->ssl = platform::SharedLibrary::Open(ssl_name);
    if (!l->ssl) continue;
    if (!ResolveCommon(*l->ssl, *l->crypto, l->api)) continue;
    if (!StartFlexible(*l) && !StartLegacy(*l)) continue;
    l->names = ssl_name + " " + crypto_name;
    return l;
  }
  return nullptr;
}

// Never destroyed: OpenSSL runs its own clean-up at process exit, which
// must find the libraries still mapped.
Loaded* Instance() {
  static Loaded* loaded = TryLoad().release();
  return loaded;
}

}  // namespace

const Api* Load() {
  static const Api* api = [] {
    Loaded* l = Instance();
    g_api = l != nullptr ? &l->api : nullptr;
    return g_api;
  }();
  return api;
}

std::string LoadedNames() {
  return Load() != nullptr ? Instance()->names : std::string();
}

std::string TriedNames() {
  std::string names;
  for (const auto& [ssl_name, crypto_name] : platform::OpenSSLLibraryNames()) {
    if (!names.empty()) names += ", ";
    names += ssl_name + " with " + crypto_name;
  }
  return names;
}

BIO* MakeSocketBio(const Api& api, BioEndpoint* endpoint) {
  if (api.generation == Generation::kFlexible) {
    BIO* b = api.BIO_new(Instance()->bio_method);
    if (b == nullptr) return nullptr;
    api.BIO_set_data(b, endpoint);
    api.BIO_set_init(b, 1);
    return b;
  }
  BIO* b = api.BIO_new(reinterpret_cast<const BIO_METHOD*>(&g_legacy_method));
  if (b != nullptr) reinterpret_cast<LegacyBio*>(b)->ptr = endpoint;
  return b;
}

}  // namespace tolvar::transport::ossl
