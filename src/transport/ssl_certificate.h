// A certificate as the TLS handler's verify event sees it.
#pragma once

#include <string>

#include "transport/openssl_api.h"

namespace tolvar::transport {

// A certificate under verification; valid only inside the verify event.
class TNetX509 {
 public:
  TNetX509(const ossl::Api& api, ossl::X509* cert) : api_(api), cert_(cert) {}
  // "/CN=..." style one-line names; empty when there is no certificate.
  std::string SubjectName() const;
  std::string IssuerName() const;
  ossl::X509* Handle() const { return cert_; }

 private:
  const ossl::Api& api_;
  ossl::X509* cert_;
};

}  // namespace tolvar::transport
