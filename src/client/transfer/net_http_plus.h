// The HTTP client that tolvar drives: the engine's client with request
// operations over streams and the response header as one cached text.
#pragma once

#include <string>

#include "http/custom_http.h"
#include "platform/stream.h"

namespace tolvar::client {

// One client serves one attempt. The Run operations run on the worker
// thread and let every failure of the engine pass to the caller;
// HeaderText is read on the window's thread after the worker has ended.
class TNetHTTPPlus : public http::TNetHTTP {
 public:
  TNetHTTPPlus() = default;
  ~TNetHTTPPlus() override;

  void RunGet(const std::string& url, tolvar::platform::TStream* response);
  void RunPost(const std::string& url, tolvar::platform::TStream* source, tolvar::platform::TStream* response);
  // The source goes as the body exactly as with POST; the request line says
  // PUT.
  void RunPut(const std::string& url, tolvar::platform::TStream* source, tolvar::platform::TStream* response);

  // The status line as received, CR LF, then every raw header line followed
  // by CR LF (no empty line at the end); CR LF alone when no response was
  // read. Built once per request, so the log, the length figure and the
  // header file see the same bytes.
  const std::string& HeaderText();

 private:
  std::string FHeaderText;
};

}  // namespace tolvar::client
