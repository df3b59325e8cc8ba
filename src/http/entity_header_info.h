// Header fields that requests and responses share, and their conversion to
// and from raw header lines. The order in which WriteToRaw adds lines is
// part of the wire format.
#pragma once

#include <cstdint>
#include <string>

#include "http/header_list.h"
#include "http/internet_date.h"

namespace tolvar::http {

class TNetEntityHeaderInfo {
 public:
  TNetEntityHeaderInfo();
  virtual ~TNetEntityHeaderInfo() = default;
  TNetEntityHeaderInfo(const TNetEntityHeaderInfo&) = delete;
  TNetEntityHeaderInfo& operator=(const TNetEntityHeaderInfo&) = delete;

  // Copies RawLines, the content fields, the range and the dates into `dest`
  // (not Connection, CacheControl, Pragma or CustomHeaders).
  virtual void AssignTo(TNetEntityHeaderInfo& dest) const;
  virtual void ReadFromRaw();
  virtual void WriteToRaw();
  virtual void ClearFields();

  // -1 = not given. 64 bits, so bodies above 2 GiB are length-checked too.
  std::int64_t ContentLength() const { return FContentLength; }
  void SetContentLength(std::int64_t length) {
    FContentLength = length;
    FLengthGiven = length >= 0;
  }
  bool LengthGiven() const { return FLengthGiven; }

  TNetHeaderList RawLines;       // FoldWidth 1024
  TNetHeaderList CustomHeaders;  // appended verbatim after the record's own lines
  std::string Connection;
  std::string ContentVersion;
  std::string ContentEncoding;
  std::string ContentLanguage;
  std::string ContentType;
  std::int32_t ContentRangeStart = 0;
  std::int32_t ContentRangeEnd = 0;
  std::string CacheControl;
  TDateTime Date = 0;
  TDateTime Expires = 0;
  TDateTime LastModified = 0;
  std::string Pragma;

 private:
  void ClearEntityFields();

  std::int64_t FContentLength = -1;
  bool FLengthGiven = false;
};

}  // namespace tolvar::http
