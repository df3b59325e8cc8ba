#include "http/request_header_info.h"

#include "http/number.h"
#include "http/token.h"

namespace tolvar::http {

TNetRequestHeaderInfo::TNetRequestHeaderInfo() {
  ClearRequestFields();
}

void TNetRequestHeaderInfo::ClearRequestFields() {
  Accept = "text/html, */*";
  AcceptCharSet.clear();
  UserAgent = "Mozilla/3.0 (compatible; Quillon)";
  BasicAuthentication = false;
}

void TNetRequestHeaderInfo::ClearFields() {
  TNetEntityHeaderInfo::ClearFields();
  ClearRequestFields();
}

void TNetRequestHeaderInfo::AssignTo(TNetEntityHeaderInfo& dest) const {
  auto* request = dynamic_cast<TNetRequestHeaderInfo*>(&dest);
  if (request == nullptr) {
    TNetEntityHeaderInfo::AssignTo(dest);
    return;
  }
  request->Accept = Accept;
  request->AcceptCharSet = AcceptCharSet;
  request->AcceptEncoding = AcceptEncoding;
  request->AcceptLanguage = AcceptLanguage;
  request->From = From;
  request->Password = Password;
  request->Referer = Referer;
  request->UserAgent = UserAgent;
  request->Username = Username;
  request->BasicAuthentication = BasicAuthentication;
}

void TNetRequestHeaderInfo::ReadFromRaw() {
  Accept = RawLines.ValueOf("Accept");
  AcceptCharSet = RawLines.ValueOf("Accept-Charset");
  AcceptEncoding = RawLines.ValueOf("Accept-Encoding");
  AcceptLanguage = RawLines.ValueOf("Accept-Language");
  Host = RawLines.ValueOf("Host");
  From = RawLines.ValueOf("From");
  Referer = RawLines.ValueOf("Referer");
  UserAgent = RawLines.ValueOf("User-Agent");
  std::string range = RawLines.ValueOf("Range");
  if (!range.empty()) {
    TakeToken(range, "=");
    ContentRangeStart = IntOrDefault(TakeToken(range, "-"), 0);
    ContentRangeEnd = IntOrDefault(range, 0);
  }
  TNetEntityHeaderInfo::ReadFromRaw();
}

void TNetRequestHeaderInfo::WriteToRaw() {
  TNetEntityHeaderInfo::WriteToRaw();
  auto add = [this](const char* name, const std::string& value) {
    if (!value.empty()) RawLines.SetValueOf(name, value);
  };
  add("Proxy-Connection", ProxyConnection);
  add("Host", Host);
  add("Accept", Accept);
  add("Accept-Charset", AcceptCharSet);
  add("Accept-Encoding", AcceptEncoding);
  add("Accept-Language", AcceptLanguage);
  add("From", From);
  add("Referer", Referer);
  add("User-Agent", UserAgent);
  if (LastModified > 0) RawLines.SetValueOf("If-Modified-Since", FormatInternetDate(LastModified));
  if (ContentRangeStart != 0 || ContentRangeEnd != 0) {
    std::string range = "bytes=" + std::to_string(ContentRangeStart) + "-";
    if (ContentRangeEnd != 0) range += std::to_string(ContentRangeEnd);
    RawLines.SetValueOf("Range", range);
  }
  if (!Authentication && BasicAuthentication) {
    Authentication = std::make_unique<TNetBasicAuthentication>();
    Authentication->AssignUserName(Username);
    Authentication->AssignPassword(Password);
  }
  if (Authentication) add("Authorization", Authentication->AuthorizationText());
}

}  // namespace tolvar::http
