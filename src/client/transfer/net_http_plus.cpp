#include "client/transfer/net_http_plus.h"

namespace tolvar::client {

TNetHTTPPlus::~TNetHTTPPlus() {
  FHeaderText.clear();
}

void TNetHTTPPlus::RunGet(const std::string& url, tolvar::platform::TStream* response) {
  FHeaderText.clear();
  Get(url, response);
}

void TNetHTTPPlus::RunPost(const std::string& url, tolvar::platform::TStream* source,
                           tolvar::platform::TStream* response) {
  FHeaderText.clear();
  Post(url, source, response);
}

void TNetHTTPPlus::RunPut(const std::string& url, tolvar::platform::TStream* source,
                          tolvar::platform::TStream* response) {
  FHeaderText.clear();
  Put(url, source, response);
}

const std::string& TNetHTTPPlus::HeaderText() {
  if (FHeaderText.empty()) {
    FHeaderText = Response().StatusLine + "\r\n";
    for (const std::string& line : Response().RawLines.Lines()) FHeaderText += line + "\r\n";
  }
  return FHeaderText;
}

}  // namespace tolvar::client
