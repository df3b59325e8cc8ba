// OpenSSL, loaded at run time and never linked: the functions the TLS layer
// calls, resolved by name from whichever release is installed (current
// releases, 1.1, or the legacy 0.9.8/1.0 libraries). Types are opaque here;
// the libraries' own headers are not needed to build.
#pragma once

#include <cstddef>
#include <string>

namespace tolvar::transport::ossl {

struct SSL;
struct SSL_CTX;
struct SSL_METHOD;
struct SSL_CIPHER;
struct BIO;
struct BIO_METHOD;
struct X509;
struct X509_NAME;
struct X509_STORE_CTX;
struct X509_VERIFY_PARAM;
struct STACK;  // STACK_OF(X509_NAME)

inline constexpr int kFiletypePem = 1;
inline constexpr int kErrorWantRead = 2;
inline constexpr int kErrorWantWrite = 3;
inline constexpr int kVersionSsl3 = 0x0300;
inline constexpr int kVersionTls1 = 0x0301;
inline constexpr int kVersionTls12 = 0x0303;
inline constexpr long kVerifyOk = 0;  // X509_V_OK

using PasswordCallback = int (*)(char* buffer, int size, int rwflag, void* userdata);
using VerifyCallback = int (*)(int preverify_ok, X509_STORE_CTX* store);
using InfoCallback = void (*)(const SSL* ssl, int where, int ret);

// Which generation of the library was found; decides how methods, library
// start-up and the socket glue are mapped.
enum class Generation { kFlexible, kLegacy };

struct Api {
  Generation generation = Generation::kFlexible;

  // libssl
  SSL_CTX* (*SSL_CTX_new)(const SSL_METHOD*) = nullptr;
  void (*SSL_CTX_free)(SSL_CTX*) = nullptr;
  int (*SSL_CTX_set_cipher_list)(SSL_CTX*, const char*) = nullptr;
  int (*SSL_CTX_use_PrivateKey_file)(SSL_CTX*, const char*, int) = nullptr;
  int (*SSL_CTX_use_certificate_file)(SSL_CTX*, const char*, int) = nullptr;
  int (*SSL_CTX_check_private_key)(const SSL_CTX*) = nullptr;
  void (*SSL_CTX_set_default_passwd_cb)(SSL_CTX*, PasswordCallback) = nullptr;
  void (*SSL_CTX_set_default_passwd_cb_userdata)(SSL_CTX*, void*) = nullptr;
  void (*SSL_CTX_set_verify)(SSL_CTX*, int, VerifyCallback) = nullptr;
  void (*SSL_CTX_set_verify_depth)(SSL_CTX*, int) = nullptr;
  int (*SSL_CTX_load_verify_locations)(SSL_CTX*, const char*, const char*) = nullptr;
  int (*SSL_CTX_set_default_verify_paths)(SSL_CTX*) = nullptr;
  void (*SSL_CTX_set_info_callback)(SSL_CTX*, InfoCallback) = nullptr;
  int (*SSL_CTX_set_session_id_context)(SSL_CTX*, const unsigned char*, unsigned int) = nullptr;
  void (*SSL_CTX_set_client_CA_list)(SSL_CTX*, STACK*) = nullptr;
  long (*SSL_CTX_ctrl)(SSL_CTX*, int, long, void*) = nullptr;
  STACK* (*SSL_load_client_CA_file)(const char*) = nullptr;
  SSL* (*SSL_new)(SSL_CTX*) = nullptr;
  void (*SSL_free)(SSL*) = nullptr;
  void (*SSL_set_bio)(SSL*, BIO*, BIO*) = nullptr;
  int (*SSL_connect)(SSL*) = nullptr;
  int (*SSL_accept)(SSL*) = nullptr;
  int (*SSL_read)(SSL*, void*, int) = nullptr;
  int (*SSL_write)(SSL*, const void*, int) = nullptr;
  int (*SSL_pending)(const SSL*) = nullptr;
  int (*SSL_get_error)(const SSL*, int) = nullptr;
  int (*SSL_shutdown)(SSL*) = nullptr;
  int (*SSL_set_ex_data)(SSL*, int, void*) = nullptr;
  void* (*SSL_get_ex_data)(const SSL*, int) = nullptr;
  int (*SSL_get_ex_data_X509_STORE_CTX_idx)() = nullptr;
  const char* (*SSL_state_string_long)(const SSL*) = nullptr;
  const SSL_CIPHER* (*SSL_get_current_cipher)(const SSL*) = nullptr;
  const char* (*SSL_CIPHER_get_name)(const SSL_CIPHER*) = nullptr;
  const char* (*SSL_CIPHER_get_version)(const SSL_CIPHER*) = nullptr;
  int (*SSL_CIPHER_get_bits)(const SSL_CIPHER*, int*) = nullptr;
  char* (*SSL_CIPHER_description)(const SSL_CIPHER*, char*, int) = nullptr;
  // The three method variants of the chosen protocol: plain, client, server.
  const SSL_METHOD* (*flexible_method[3])() = {nullptr, nullptr, nullptr};
  const SSL_METHOD* (*sslv2_method[3])() = {nullptr, nullptr, nullptr};
  const SSL_METHOD* (*sslv3_method[3])() = {nullptr, nullptr, nullptr};
  const SSL_METHOD* (*tlsv1_method[3])() = {nullptr, nullptr, nullptr};

  // libcrypto
  X509* (*X509_STORE_CTX_get_current_cert)(X509_STORE_CTX*) = nullptr;
  int (*X509_STORE_CTX_get_error)(X509_STORE_CTX*) = nullptr;
  int (*X509_STORE_CTX_get_error_depth)(X509_STORE_CTX*) = nullptr;
  void* (*X509_STORE_CTX_get_ex_data)(X509_STORE_CTX*, int) = nullptr;
  X509_NAME* (*X509_get_subject_name)(const X509*) = nullptr;
  X509_NAME* (*X509_get_issuer_name)(const X509*) = nullptr;
  char* (*X509_NAME_oneline)(const X509_NAME*, char*, int) = nullptr;
  void (*ERR_clear_error)() = nullptr;

  // Optional: a verifying handler needs them (1.0.2 and later have them
  // all); loading succeeds without them.
  long (*SSL_ctrl)(SSL*, int, long, void*) = nullptr;
  X509_VERIFY_PARAM* (*SSL_get0_param)(SSL*) = nullptr;
  long (*SSL_get_verify_result)(const SSL*) = nullptr;
  int (*X509_VERIFY_PARAM_set1_host)(X509_VERIFY_PARAM*, const char*, std::size_t) = nullptr;
  int (*X509_VERIFY_PARAM_set1_ip_asc)(X509_VERIFY_PARAM*, const char*) = nullptr;
  const char* (*X509_verify_cert_error_string)(long) = nullptr;
  unsigned long (*ERR_get_error)() = nullptr;
  const char* (*ERR_reason_error_string)(unsigned long) = nullptr;
  bool CanVerifyServer() const {
    return SSL_ctrl && SSL_get0_param && SSL_get_verify_result && X509_VERIFY_PARAM_set1_host &&
           X509_VERIFY_PARAM_set1_ip_asc && X509_verify_cert_error_string && ERR_get_error && ERR_reason_error_string;
  }

  BIO* (*BIO_new)(const BIO_METHOD*) = nullptr;
  // Current releases only: the socket glue is built through these.
  BIO_METHOD* (*BIO_meth_new)(int, const char*) = nullptr;
  int (*BIO_meth_set_write)(BIO_METHOD*, int (*)(BIO*, const char*, int)) = nullptr;
  int (*BIO_meth_set_read)(BIO_METHOD*, int (*)(BIO*, char*, int)) = nullptr;
  int (*BIO_meth_set_ctrl)(BIO_METHOD*, long (*)(BIO*, int, long, void*)) = nullptr;
  void (*BIO_set_data)(BIO*, void*) = nullptr;
  void* (*BIO_get_data)(BIO*) = nullptr;
  void (*BIO_set_init)(BIO*, int) = nullptr;
  int (*BIO_get_new_index)() = nullptr;
};

// Loads OpenSSL once per process (thread-safe) and returns its functions,
// or null when no release could be loaded with everything the layer needs.
// The libraries stay loaded until the process ends.
const Api* Load();

// The library names that were loaded ("libssl.so.3 libcrypto.so.3"); empty
// when none.
std::string LoadedNames();

// The pairs Load tries, for a message that says what is missing:
// "libssl.so.3 with libcrypto.so.3, libssl.so.1.1 with libcrypto.so.1.1".
std::string TriedNames();

// Which end of the socket a BIO reads and writes: handed to MakeSocketBio.
class BioEndpoint {
 public:
  virtual ~BioEndpoint() = default;
  // Raw socket semantics: bytes, 0 = peer closed, -1 = error (the socket
  // error is left for the caller). Must not throw.
  virtual int BioRead(char* buffer, int length) noexcept = 0;
  virtual int BioWrite(const char* buffer, int length) noexcept = 0;
};

// A BIO that moves a TLS connection's bytes through `endpoint`, which must
// outlive it; hand it to SSL_set_bio, which then owns it.
BIO* MakeSocketBio(const Api& api, BioEndpoint* endpoint);

}  // namespace tolvar::transport::ossl
