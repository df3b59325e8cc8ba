#include "http/response_header_info.h"

#include "http/number.h"
#include "http/token.h"

namespace tolvar::http {

TNetResponseHeaderInfo::TNetResponseHeaderInfo() {
  ClearResponseFields();
}

void TNetResponseHeaderInfo::ClearResponseFields() {
  Location.clear();
  Server.clear();
  WWWAuthenticate.Clear();
  ProxyAuthenticate.Clear();
}

void TNetResponseHeaderInfo::ClearFields() {
  TNetEntityHeaderInfo::ClearFields();
  ClearResponseFields();
}

void TNetResponseHeaderInfo::ReadFromRaw() {
  Location = RawLines.ValueOf("Location");
  Server = RawLines.ValueOf("Server");
  ProxyConnection = RawLines.ValueOf("Proxy-Connection");
  std::string range = RawLines.ValueOf("Content-Range");
  if (!range.empty()) {
    TakeToken(range, " ");  // the unit
    ContentRangeStart = StrictInt32(TakeToken(range, "-"));
    ContentRangeEnd = StrictInt32(TakeToken(range, "/"));
  }
  WWWAuthenticate.Clear();
  RawLines.CollectValues("WWW-Authenticate", &WWWAuthenticate);
  ProxyAuthenticate.Clear();
  RawLines.CollectValues("Proxy-Authenticate", &ProxyAuthenticate);
  TNetEntityHeaderInfo::ReadFromRaw();
}

}  // namespace tolvar::http
