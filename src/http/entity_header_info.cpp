#include "http/entity_header_info.h"

#include "http/number.h"
#include "http/token.h"

namespace tolvar::http {

TNetEntityHeaderInfo::TNetEntityHeaderInfo() {
  RawLines.FoldWidth = 1024;
  ClearEntityFields();
}

void TNetEntityHeaderInfo::ClearEntityFields() {
  RawLines.Clear();
  Connection.clear();
  ContentVersion.clear();
  ContentEncoding.clear();
  ContentLanguage.clear();
  ContentType = "text/html";
  // LengthGiven is left as it was, as the record has always done.
  FContentLength = -1;
  ContentRangeStart = 0;
  ContentRangeEnd = 0;
  Date = 0;
  Expires = 0;
  LastModified = 0;
}

void TNetEntityHeaderInfo::ClearFields() {
  ClearEntityFields();
}

void TNetEntityHeaderInfo::AssignTo(TNetEntityHeaderInfo& dest) const {
  dest.RawLines.Assign(RawLines);
  dest.ContentEncoding = ContentEncoding;
  dest.ContentLanguage = ContentLanguage;
  dest.FContentLength = FContentLength;
  dest.FLengthGiven = FLengthGiven;
  dest.ContentType = ContentType;
  dest.ContentVersion = ContentVersion;
  dest.ContentRangeStart = ContentRangeStart;
  dest.ContentRangeEnd = ContentRangeEnd;
  dest.Date = Date;
  dest.Expires = Expires;
  dest.LastModified = LastModified;
}

void TNetEntityHeaderInfo::WriteToRaw() {
  RawLines.Clear();
  auto add = [this](const char* name, const std::string& value) {
    if (!value.empty()) RawLines.SetValueOf(name, value);
  };
  add("Connection", Connection);
  add("Content-Version", ContentVersion);
  add("Content-Encoding", ContentEncoding);
  add("Content-Language", ContentLanguage);
  add("Content-Type", ContentType);
  if (FContentLength >= 0) RawLines.SetValueOf("Content-Length", std::to_string(FContentLength));
  add("Cache-control", CacheControl);
  if (Date > 0) RawLines.SetValueOf("Date", FormatInternetDate(Date));
  if (Expires > 0) RawLines.SetValueOf("Expires", FormatInternetDate(Expires));
  add("Pragma", Pragma);
  if (CustomHeaders.Count() > 0) RawLines.SetText(RawLines.Text() + CustomHeaders.Text());
}

void TNetEntityHeaderInfo::ReadFromRaw() {
  Connection = RawLines.ValueOf("Connection");
  ContentVersion = RawLines.ValueOf("Content-Version");
  ContentEncoding = RawLines.ValueOf("Content-Encoding");
  ContentLanguage = RawLines.ValueOf("Content-Language");
  ContentType = RawLines.ValueOf("Content-Type");
  // A length that does not fit 64 bits counts as not given.
  SetContentLength(ParseInt64(Trim(RawLines.ValueOf("Content-Length"))).value_or(-1));
  Date = InternetDateToLocal(RawLines.ValueOf("Date"));
  LastModified = InternetDateToLocal(RawLines.ValueOf("Last-Modified"));
  std::string expires = RawLines.ValueOf("Expires");
  auto seconds = ParseInt64(expires);
  if (seconds && *seconds != -1) {
    // A number of seconds from now, whatever its size or sign.
    Expires = NowLocal() + static_cast<double>(*seconds) / kSecondsPerDay;
  } else {
    Expires = InternetDateToLocal(expires);
  }
  Pragma = RawLines.ValueOf("Pragma");
}

}  // namespace tolvar::http
