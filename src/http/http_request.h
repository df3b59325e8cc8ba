// The request record of one HTTP client: the header fields of the request
// plus what the exchange needs to send it.
#pragma once

#include <string>

#include "http/http_types.h"
#include "http/request_header_info.h"
#include "platform/stream.h"

namespace tolvar::http {

class TNetCustomHTTP;

class TNetHTTPRequest : public TNetRequestHeaderInfo {
 public:
  explicit TNetHTTPRequest(TNetCustomHTTP* client) : FHTTP(client) {}
  virtual ~TNetHTTPRequest() = default;

  TNetCustomHTTP* HTTP() const { return FHTTP; }

  // The URL passed in; after target resolution the request target.
  std::string URL;
  TNetHTTPMethod Method = hmGet;
  // The request body of a POST or PUT; not owned.
  tolvar::platform::TStream* Source = nullptr;
  ConnectionKind Kind = ConnectionKind::Direct;

 private:
  TNetCustomHTTP* FHTTP;
};

}  // namespace tolvar::http
