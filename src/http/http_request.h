// The request record of one HTTP client: the header fields of the request
// plus what the exchange needs to send it.
#pragma once

#include <string>

#include "http/http_types.h"
#include "http/request_header_info.h"
#include "platform/stream.h"

namespace tolvar::http {

class TNetHTTPRequest : public TNetRequestHeaderInfo {
 public:
  virtual ~TNetHTTPRequest() = default;

  // The URL passed in; after target resolution the request target.
  std::string URL;
  TNetHTTPMethod Method = hmGet;
  // The request body of a POST or PUT; not owned.
  platform::TStream* Source = nullptr;
  ConnectionKind Kind = ConnectionKind::Direct;
};

}  // namespace tolvar::http
