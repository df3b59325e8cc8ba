#include "transport/ssl_certificate.h"

namespace tolvar::transport {
namespace {

std::string OneLine(const ossl::Api& api, ossl::X509_NAME* name) {
  if (name == nullptr) return std::string();
  char buffer[512];
  const char* text = api.X509_NAME_oneline(name, buffer, sizeof buffer);
  return text != nullptr ? std::string(text) : std::string();
}

}  // namespace

std::string TNetX509::SubjectName() const {
  return cert_ ? OneLine(api_, api_.X509_get_subject_name(cert_)) : std::string();
}

std::string TNetX509::IssuerName() const {
  return cert_ ? OneLine(api_, api_.X509_get_issuer_name(cert_)) : std::string();
}

}  // namespace tolvar::transport
