// The response record of one HTTP client: the status line and header fields
// of the last response read, and where its body goes.
#pragma once

#include <string>

#include "http/http_types.h"
#include "http/response_header_info.h"
#include "platform/stream.h"

namespace tolvar::http {

class TNetHTTPResponse : public TNetResponseHeaderInfo {
 public:
  virtual ~TNetHTTPResponse() = default;

  // The number after the first blank of the status line; -1 when there is
  // none. Computed on every call.
  int StatusCode();
  // Whether the connection may serve another request: it is still open
  // (`connected`, as the caller found it) and the response's Connection or
  // Proxy-Connection agree under the client's own protocol version
  // `own_version` (1.0: "keep-alive" needed; 1.1: unless "close"). Also
  // takes ServerVersion from the status line. Computed on every call.
  bool KeepAlive(bool connected, TNetHTTPProtocolVersion own_version);

  std::string StatusLine;
  TNetHTTPProtocolVersion ServerVersion = pv1_1;
  // Where the body goes; not owned. Null: the body is not read.
  platform::TStream* BodyStream = nullptr;
};

}  // namespace tolvar::http
