#include "client/support/url_text.h"

#include "http/uri.h"

namespace tolvar::client {

std::string UrlWithoutUserInfo(const std::string& url) {
  const auto place = http::FindUserInfo(url);
  if (!place) return url;
  return url.substr(0, place->begin) + url.substr(place->host_holds_at ? place->at : place->at + 1);
}

}  // namespace tolvar::client
