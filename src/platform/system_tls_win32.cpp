// The TLS client of Windows: Schannel through SSPI (secur32), with the server
// certificate checked by hand against the certificate store (crypt32), so the
// failure can name the check that failed. Records are read and written
// through the caller's channel, never on a socket of our own.
#define SECURITY_WIN32
#include <windows.h>
// windows.h first: the SSPI and Schannel headers need its types.
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/socket.h"
#include "platform/system_tls.h"

namespace tolvar::platform {
namespace {

// Largest TLS record on the wire: 16 KiB of plain text plus header, padding
// and MAC (RFC 8446 5.2 allows 2^14 + 256 of cipher text, 5 bytes header).
constexpr std::size_t kMaxRecord = 16384 + 2048 + 5;

constexpr DWORD kRequestFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR |
                                ISC_REQ_MANUAL_CRED_VALIDATION | ISC_REQ_USE_SUPPLIED_CREDS;

// SSL_EXTRA_CERT_CHAIN_POLICY_PARA.fdwChecks: skip the policy's name check
// (SECURITY_FLAG_IGNORE_CERT_CN_INVALID, declared only in the WinINet and
// WinHTTP headers).
constexpr DWORD kIgnoreCommonName = 0x00001000;

// Whether the server's first reply turns the client's versions down: a
// protocol_version alert (RFC 5246 7.2.2, description 70), or a ServerHello
// below TLS 1.2 (version 3.3). Read from the plain bytes before any
// encryption, so it holds whatever the TLS library says about it.
bool RefusesModernVersions(const std::string& reply) {
  auto at = [&](std::size_t i) { return static_cast<unsigned char>(reply[i]); };
  if (reply.size() >= 7 && at(0) == 21 && at(6) == 70) return true;
  return reply.size() >= 11 && at(0) == 22 && at(5) == 2 && ((at(9) << 8) | at(10)) < 0x0303;
}

std::string Hex(long code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
  return text;
}

// The four bytes of a dotted IPv4 literal; false for anything else.
bool ParseIpv4(const std::string& host, unsigned char (&bytes)[4]) {
  unsigned part[4];
  char tail;
  if (std::sscanf(host.c_str(), "%u.%u.%u.%u%c", &part[0], &part[1], &part[2], &part[3], &tail) != 4) return false;
  for (int i = 0; i < 4; ++i) {
    if (part[i] > 255) return false;
    bytes[i] = static_cast<unsigned char>(part[i]);
  }
  return true;
}

bool IsIpLiteral(const std::string& host) {
  unsigned char bytes[4];
  return host.find(':') != std::string::npos || ParseIpv4(host, bytes);
}

// Whether the certificate's subject alternative names hold this IPv4
// address (RFC 6125 / RFC 2818 3.1: an IP literal matches only an iPAddress
// entry, never a DNS name or the common name).
bool NamesIpv4(PCCERT_CONTEXT certificate, const unsigned char (&address)[4]) {
  PCERT_EXTENSION extension = CertFindExtension(szOID_SUBJECT_ALT_NAME2, certificate->pCertInfo->cExtension,
                                                certificate->pCertInfo->rgExtension);
  if (extension == nullptr) return false;
  CERT_ALT_NAME_INFO* names = nullptr;
  DWORD size = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData, extension->Value.cbData,
                           CRYPT_DECODE_ALLOC_FLAG, nullptr, &names, &size))
    return false;
  bool found = false;
  for (DWORD i = 0; i < names->cAltEntry && !found; ++i) {
    const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
    found = entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && entry.IPAddress.cbData == 4 &&
            std::memcmp(entry.IPAddress.pbData, address, 4) == 0;
  }
  LocalFree(names);
  return found;
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

class CredentialsHandle {
 public:
  CredentialsHandle() = default;
  ~CredentialsHandle() {
    if (valid_) FreeCredentialsHandle(&handle_);
  }
  CredentialsHandle(const CredentialsHandle&) = delete;
  CredentialsHandle& operator=(const CredentialsHandle&) = delete;

  // TLS 1.2 and 1.3; a system that refuses to hear of 1.3 gets 1.2 alone.
  // The server's certificate is left to Verify (manual validation), no
  // client certificate is ever offered.
  SECURITY_STATUS Acquire() {
    SECURITY_STATUS status = AcquireWith(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT);
    if (status != SEC_E_OK) status = AcquireWith(SP_PROT_TLS1_2_CLIENT);
    return status;
  }
  CredHandle* Get() { return &handle_; }

 private:
  SECURITY_STATUS AcquireWith(DWORD protocols) {
    SCHANNEL_CRED cred{};
    cred.dwVersion = SCHANNEL_CRED_VERSION;
    cred.grbitEnabledProtocols = protocols;
    cred.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
    TimeStamp expiry;
    char package[] = UNISP_NAME_A;
    SECURITY_STATUS status = AcquireCredentialsHandleA(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &cred, nullptr,
                                                       nullptr, &handle_, &expiry);
    valid_ = status == SEC_E_OK;
    return status;
  }

  CredHandle handle_{};
  bool valid_ = false;
};

class SchannelSession final : public SystemTlsSession {
 public:
  explicit SchannelSession(SystemTlsChannel& channel) : channel_(channel) {}
  ~SchannelSession() override {
    Shutdown();
    if (has_context_) DeleteSecurityContext(&context_);
  }
  SchannelSession(const SchannelSession&) = delete;
  SchannelSession& operator=(const SchannelSession&) = delete;

  SystemTlsResult Handshake(const std::string& server_name) override;
  int Read(char* buffer, int length) override;
  int Write(const char* buffer, int length) override;
  int Pending() const override { return static_cast<int>(plain_.size() - plain_pos_ + received_.size()); }
  void Shutdown() override;
  std::string ProtocolName() const override { return protocol_; }

 private:
  // One InitializeSecurityContext step over the records in received_; sends
  // what it produced (also an alert on failure) and keeps extra bytes.
  SECURITY_STATUS Step(bool first);
  SystemTlsResult Fail(SystemTlsFailure kind, const std::string& message);
  SystemTlsResult Verify(const std::string& server_name);
  bool SendAll(const char* data, std::size_t length);
  // Appends raw bytes to received_; false when the peer closed or failed
  // (the socket error then says which, 0 from the channel sets 10053).
  bool ReceiveMore();
  // Decrypts the first record of received_ into plain_: 1 done, 0 closing
  // alert, -1 failure, 2 more bytes needed.
  int DecryptOne();

  SystemTlsChannel& channel_;
  CredentialsHandle credentials_;
  CtxtHandle context_{};
  bool has_context_ = false;
  bool established_ = false;
  bool shut_down_ = false;
  bool failed_ = false;
  std::string target_;  // the server name the certificate must match
  std::string sni_;     // the name Schannel sends as SNI, empty for none
  std::string protocol_;
  SecPkgContext_StreamSizes sizes_{};
  std::string received_;     // raw bytes not yet consumed by Schannel
  std::string first_reply_;  // the server's first bytes, for the failure message
  std::string plain_;        // decrypted, from plain_pos_ on not yet read
  std::size_t plain_pos_ = 0;
};

bool SchannelSession::SendAll(const char* data, std::size_t length) {
  while (length > 0) {
    int chunk = length > 0x40000000u ? 0x40000000 : static_cast<int>(length);
    int n = channel_.SendRaw(data, chunk);
    if (n <= 0) return false;
    data += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

bool SchannelSession::ReceiveMore() {
  if (received_.size() >= 4 * kMaxRecord) {
    // Schannel keeps asking for more of a record no real peer sends.
    platform::SetLastError(kWsaEConnAborted);
    return false;
  }
  char buffer[kMaxRecord];
  int n = channel_.RecvRaw(buffer, static_cast<int>(sizeof buffer));
  if (n > 0) {
    received_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }
  // A plain close in the middle of TLS is a cut stream, not an end.
  if (n == 0) platform::SetLastError(kWsaEConnAborted);
  return false;
}

SECURITY_STATUS SchannelSession::Step(bool first) {
  SecBuffer in[2] = {};
  in[0].BufferType = SECBUFFER_TOKEN;
  in[0].pvBuffer = received_.data();
  in[0].cbBuffer = static_cast<unsigned long>(received_.size());
  in[1].BufferType = SECBUFFER_EMPTY;
  SecBufferDesc in_desc{SECBUFFER_VERSION, 2, in};
  SecBuffer out[1] = {};
  out[0].BufferType = SECBUFFER_TOKEN;
  SecBufferDesc out_desc{SECBUFFER_VERSION, 1, out};
  unsigned long attributes = 0;
  TimeStamp expiry;
  std::string target = sni_;
  SECURITY_STATUS status = InitializeSecurityContextA(
      credentials_.Get(), first ? nullptr : &context_, target.empty() ? nullptr : target.data(), kRequestFlags, 0, 0,
      first ? nullptr : &in_desc, 0, first ? &context_ : nullptr, &out_desc, &attributes, &expiry);
  if (first && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED || status == SEC_I_INCOMPLETE_CREDENTIALS))
    has_context_ = true;
  if (out[0].pvBuffer != nullptr) {
    bool sent = out[0].cbBuffer == 0 || SendAll(static_cast<const char*>(out[0].pvBuffer), out[0].cbBuffer);
    FreeContextBuffer(out[0].pvBuffer);
    if (!sent && !FAILED(status)) return SEC_E_INTERNAL_ERROR;
  }
  if (first || status == SEC_E_INCOMPLETE_MESSAGE) return status;
  if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0 && in[1].cbBuffer <= received_.size())
    received_.erase(0, received_.size() - in[1].cbBuffer);
  else
    received_.clear();
  return status;
}

SystemTlsResult SchannelSession::Fail(SystemTlsFailure kind, const std::string& message) {
  failed_ = true;
  return {kind, message};
}

SystemTlsResult SchannelSession::Handshake(const std::string& server_name) {
  target_ = server_name;
  const std::string prefix = "TLS handshake with " + server_name + " failed";
  SECURITY_STATUS status = credentials_.Acquire();
  if (status != SEC_E_OK) {
    return Fail(SystemTlsFailure::kHandshake,
                prefix + ": the system's TLS is not available (error " + Hex(status) + ").");
  }
  // An IP literal is no name to send as SNI (RFC 6066 3); the certificate
  // is still checked against it below.
  sni_ = IsIpLiteral(server_name) ? std::string() : server_name;
  status = Step(true);
  // Bounds a peer that keeps the handshake going without end.
  int steps = 0;
  while ((status == SEC_I_CONTINUE_NEEDED || status == SEC_E_INCOMPLETE_MESSAGE ||
          status == SEC_I_INCOMPLETE_CREDENTIALS) &&
         ++steps < 256) {
    // No client certificate to offer: the next step goes on without one.
    if (status != SEC_I_INCOMPLETE_CREDENTIALS && (received_.empty() || status == SEC_E_INCOMPLETE_MESSAGE)) {
      const bool got = ReceiveMore();
      if (first_reply_.empty()) first_reply_ = received_.substr(0, 16);
      if (!got) {
        int code = LastError();
        return Fail(SystemTlsFailure::kHandshake,
                    prefix + (code == 10060 ? ": the server did not answer in time." : ": the connection was closed."));
      }
    }
    status = Step(false);
  }
  if (status != SEC_E_OK) {
    if (status == SEC_E_UNSUPPORTED_FUNCTION || status == SEC_E_ALGORITHM_MISMATCH ||
        RefusesModernVersions(first_reply_))
      return Fail(SystemTlsFailure::kHandshake, prefix +
                                                    ": no protocol version or cipher in common (TLS 1.2 or "
                                                    "later is required).");
    return Fail(SystemTlsFailure::kHandshake, prefix + " (error " + Hex(status) + ").");
  }
  SecPkgContext_ConnectionInfo info{};
  if (QueryContextAttributesA(&context_, SECPKG_ATTR_CONNECTION_INFO, &info) == SEC_E_OK) {
    // The credentials ask for 1.2 at least; this holds a system to it that
    // ignores the request.
    if ((info.dwProtocol & (SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT)) == 0)
      return Fail(SystemTlsFailure::kHandshake, prefix +
                                                    ": no protocol version or cipher in common (TLS 1.2 or "
                                                    "later is required).");
    protocol_ = (info.dwProtocol & SP_PROT_TLS1_3_CLIENT) != 0 ? "TLS 1.3" : "TLS 1.2";
  }
  SystemTlsResult verified = Verify(server_name);
  if (verified.failure != SystemTlsFailure::kNone) return verified;
  if (QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) != SEC_E_OK || sizes_.cbMaximumMessage == 0)
    return Fail(SystemTlsFailure::kHandshake, prefix + ": no record sizes.");
  established_ = true;
  return {};
}

SystemTlsResult SchannelSession::Verify(const std::string& server_name) {
  const std::string prefix = "TLS certificate check failed for " + server_name + ": ";
  PCCERT_CONTEXT certificate = nullptr;
  if (QueryContextAttributesA(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK ||
      certificate == nullptr) {
    return Fail(SystemTlsFailure::kCertificate, prefix + "the server sent no certificate.");
  }
  CERT_CHAIN_PARA chain_para{};
  chain_para.cbSize = sizeof chain_para;
  char server_auth[] = szOID_PKIX_KP_SERVER_AUTH;
  LPSTR usages[] = {server_auth};
  chain_para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  chain_para.RequestedUsage.Usage.cUsageIdentifier = 1;
  chain_para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  BOOL built =
      CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chain_para, 0, nullptr, &chain);
  // Not every policy provider matches an IP literal against the iPAddress
  // entries: that check is done here, the policy checks the rest.
  unsigned char ip[4];
  const bool by_ip = ParseIpv4(server_name, ip);
  const bool ip_named = by_ip && NamesIpv4(certificate, ip);
  CertFreeCertificateContext(certificate);
  if (!built || chain == nullptr)
    return Fail(SystemTlsFailure::kCertificate, prefix + "no certificate chain (error " + Hex(GetLastError()) + ").");

  std::wstring name = Wide(server_name);
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = by_ip ? nullptr : name.data();
  if (by_ip) ssl.fdwChecks = kIgnoreCommonName;
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS result{};
  result.cbSize = sizeof result;
  BOOL checked = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &result);
  DWORD chain_errors = chain->TrustStatus.dwErrorStatus;
  CertFreeCertificateChain(chain);
  if (!checked)
    return Fail(SystemTlsFailure::kCertificate,
                prefix + "the check could not run (error " + Hex(GetLastError()) + ").");
  // The chain's own verdict first: some policy providers pass a chain that
  // ends short of any root (partial chain) and only check the name.
  constexpr DWORD kUntrustedChain = CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_UNTRUSTED_ROOT |
                                    CERT_TRUST_IS_NOT_SIGNATURE_VALID | CERT_TRUST_IS_CYCLIC |
                                    CERT_TRUST_INVALID_BASIC_CONSTRAINTS;
  if ((chain_errors & kUntrustedChain) != 0)
    return Fail(SystemTlsFailure::kUntrusted, prefix + "the certificate is not issued by a trusted authority.");
  if ((chain_errors & CERT_TRUST_IS_NOT_TIME_VALID) != 0)
    return Fail(SystemTlsFailure::kExpired, prefix + "the certificate has expired or is not yet valid.");
  long error = static_cast<long>(result.dwError);
  switch (error) {
    case 0:
      break;
    case CERT_E_UNTRUSTEDROOT:
    case CERT_E_CHAINING:
    case TRUST_E_CERT_SIGNATURE:
      return Fail(SystemTlsFailure::kUntrusted, prefix + "the certificate is not issued by a trusted authority.");
    case CERT_E_CN_NO_MATCH:
      return Fail(SystemTlsFailure::kHostName, prefix + "the certificate is not valid for this host name.");
    case CERT_E_EXPIRED:
      return Fail(SystemTlsFailure::kExpired, prefix + "the certificate has expired or is not yet valid.");
    case CERT_E_REVOKED:
      return Fail(SystemTlsFailure::kCertificate, prefix + "the certificate has been revoked.");
    case CERT_E_WRONG_USAGE:
      return Fail(SystemTlsFailure::kCertificate, prefix + "the certificate is not meant for a TLS server.");
    default:
      return Fail(SystemTlsFailure::kCertificate, prefix + "the certificate was refused (error " + Hex(error) + ").");
  }
  if (by_ip && !ip_named)
    return Fail(SystemTlsFailure::kHostName, prefix + "the certificate is not valid for this host name.");
  // Revocation is not asked for (no network at hand for it), so its
  // "unknown" bits never come; any other error bit refuses.
  if (chain_errors != 0)
    return Fail(SystemTlsFailure::kCertificate,
                prefix + "the certificate was refused (chain status " + Hex(static_cast<long>(chain_errors)) + ").");
  return {};
}

int SchannelSession::DecryptOne() {
  if (received_.empty()) return 2;
  // The record's outer content type (RFC 5246 6.2.1): 21 = alert.
  const bool alert_record = received_[0] == 21;
  SecBuffer buffers[4] = {};
  buffers[0].BufferType = SECBUFFER_DATA;
  buffers[0].pvBuffer = received_.data();
  buffers[0].cbBuffer = static_cast<unsigned long>(received_.size());
  for (int i = 1; i < 4; ++i) buffers[i].BufferType = SECBUFFER_EMPTY;
  SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
  SECURITY_STATUS status = DecryptMessage(&context_, &desc, 0, nullptr);
  if (status == SEC_E_INCOMPLETE_MESSAGE) return 2;
  if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) {
    platform::SetLastError(kWsaEConnAborted);
    return -1;
  }
  // The plain text lies inside received_ (decrypted in place): take it and
  // the extra bytes before received_ changes.
  std::string extra;
  bool data = false;
  for (auto& b : buffers) {
    if (b.BufferType == SECBUFFER_DATA && b.cbBuffer > 0) {
      data = true;
      if (plain_pos_ == plain_.size()) plain_.clear(), plain_pos_ = 0;
      plain_.append(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
    } else if (b.BufferType == SECBUFFER_EXTRA && b.cbBuffer > 0 && b.cbBuffer <= received_.size()) {
      extra.assign(received_.data() + received_.size() - b.cbBuffer, b.cbBuffer);
    }
  }
  received_.swap(extra);
  // Schannel reports the closing alert as SEC_I_CONTEXT_EXPIRED; Wine's
  // as an alert record that decrypts to nothing.
  if (status == SEC_I_CONTEXT_EXPIRED || (status == SEC_E_OK && alert_record && !data)) return 0;
  if (status == SEC_I_RENEGOTIATE) {
    // A post-handshake message (a TLS 1.3 ticket or key update): Schannel
    // takes it as handshake input and may answer.
    SECURITY_STATUS step = Step(false);
    while (step == SEC_I_CONTINUE_NEEDED || step == SEC_E_INCOMPLETE_MESSAGE) {
      if (!ReceiveMore()) return -1;
      step = Step(false);
    }
    if (step != SEC_E_OK) {
      platform::SetLastError(kWsaEConnAborted);
      return -1;
    }
  }
  return 1;
}

int SchannelSession::Read(char* buffer, int length) {
  if (!established_ || failed_) {
    platform::SetLastError(kWsaENotSock);
    return -1;
  }
  while (plain_pos_ == plain_.size()) {
    int r = DecryptOne();
    if (r == 0) return 0;
    if (r < 0) {
      failed_ = true;
      return -1;
    }
    if (r == 2 && !ReceiveMore()) {
      failed_ = true;
      return -1;
    }
  }
  std::size_t n = plain_.size() - plain_pos_;
  if (n > static_cast<std::size_t>(length)) n = static_cast<std::size_t>(length);
  std::memcpy(buffer, plain_.data() + plain_pos_, n);
  plain_pos_ += n;
  return static_cast<int>(n);
}

int SchannelSession::Write(const char* buffer, int length) {
  if (!established_ || failed_) {
    platform::SetLastError(kWsaENotSock);
    return -1;
  }
  std::vector<char> record(sizes_.cbHeader + sizes_.cbMaximumMessage + sizes_.cbTrailer);
  int done = 0;
  while (done < length) {
    unsigned long chunk = static_cast<unsigned long>(length - done);
    if (chunk > sizes_.cbMaximumMessage) chunk = sizes_.cbMaximumMessage;
    std::memcpy(record.data() + sizes_.cbHeader, buffer + done, chunk);
    SecBuffer buffers[4] = {};
    buffers[0] = {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record.data()};
    buffers[1] = {chunk, SECBUFFER_DATA, record.data() + sizes_.cbHeader};
    buffers[2] = {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes_.cbHeader + chunk};
    buffers[3].BufferType = SECBUFFER_EMPTY;
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
    if (EncryptMessage(&context_, 0, &desc, 0) != SEC_E_OK) {
      failed_ = true;
      platform::SetLastError(kWsaEConnAborted);
      return -1;
    }
    if (!SendAll(record.data(), std::size_t{buffers[0].cbBuffer} + buffers[1].cbBuffer + buffers[2].cbBuffer)) {
      failed_ = true;
      return -1;
    }
    done += static_cast<int>(chunk);
  }
  return length;
}

void SchannelSession::Shutdown() {
  if (!established_ || shut_down_) return;
  shut_down_ = true;
  DWORD type = SCHANNEL_SHUTDOWN;
  SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
  SecBufferDesc control_desc{SECBUFFER_VERSION, 1, &control};
  if (ApplyControlToken(&context_, &control_desc) != SEC_E_OK) return;
  SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
  SecBufferDesc out_desc{SECBUFFER_VERSION, 1, &out};
  unsigned long attributes = 0;
  TimeStamp expiry;
  std::string target = sni_;
  SECURITY_STATUS status =
      InitializeSecurityContextA(credentials_.Get(), &context_, target.empty() ? nullptr : target.data(), kRequestFlags,
                                 0, 0, nullptr, 0, nullptr, &out_desc, &attributes, &expiry);
  if (out.pvBuffer != nullptr) {
    if (status == SEC_E_OK && out.cbBuffer > 0 && !failed_)
      SendAll(static_cast<const char*>(out.pvBuffer), out.cbBuffer);
    FreeContextBuffer(out.pvBuffer);
  }
}

}  // namespace

std::unique_ptr<SystemTlsSession> SystemTlsSession::Create(SystemTlsChannel& channel) {
  return std::make_unique<SchannelSession>(channel);
}

bool SystemTlsAvailable() {
  return true;
}

}  // namespace tolvar::platform
