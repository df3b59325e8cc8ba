// The header fields of a request. WriteToRaw produces the request's header
// lines in their fixed order, after the entity lines and custom lines.
#pragma once

#include <memory>
#include <string>

#include "http/authentication.h"
#include "http/entity_header_info.h"

namespace tolvar::http {

class TNetRequestHeaderInfo : public TNetEntityHeaderInfo {
 public:
  TNetRequestHeaderInfo();

  // Request to request: the request fields only (not Host, ProxyConnection,
  // the entity fields or the authentication object).
  void AssignTo(TNetEntityHeaderInfo& dest) const override;
  // Reads a received request (the client itself never does).
  void ReadFromRaw() override;
  void WriteToRaw() override;
  void ClearFields() override;

  std::string Accept;
  std::string AcceptCharSet;
  std::string AcceptEncoding;
  std::string AcceptLanguage;
  std::string Host;
  std::string From;
  std::string Referer;
  std::string UserAgent;
  std::string Username;
  std::string Password;
  bool BasicAuthentication = false;
  std::string ProxyConnection;
  // Created by WriteToRaw for preemptive Basic and kept for later requests
  // of this record, so later changes of Username/Password do not reach the
  // line until it is dropped.
  std::unique_ptr<TNetAuthentication> Authentication;

 private:
  void ClearRequestFields();
};

}  // namespace tolvar::http
