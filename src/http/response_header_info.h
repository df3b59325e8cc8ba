// The header fields of a response, read from the raw lines as received.
#pragma once

#include <string>

#include "http/entity_header_info.h"

namespace tolvar::http {

class TNetResponseHeaderInfo : public TNetEntityHeaderInfo {
 public:
  TNetResponseHeaderInfo();

  // EConvertError when a Content-Range start or end is not an integer.
  void ReadFromRaw() override;
  void ClearFields() override;

  std::string Location;
  std::string Server;
  std::string ProxyConnection;
  // One entry per challenge: the header value without its name.
  TNetHeaderList WWWAuthenticate;
  TNetHeaderList ProxyAuthenticate;

 private:
  void ClearResponseFields();
};

}  // namespace tolvar::http
