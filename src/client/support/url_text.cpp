#include "client/support/url_text.h"

namespace tolvar::client {

std::string UrlWithoutUserInfo(const std::string& url) {
  const std::size_t scheme_end = url.find("://");
  if (scheme_end == std::string::npos) return url;
  const std::size_t authority = scheme_end + 3;
  const std::size_t slash = url.find('/', authority);
  const std::size_t authority_end = slash == std::string::npos ? url.size() : slash;
  const std::size_t at = url.rfind('@', authority_end == 0 ? 0 : authority_end - 1);
  if (at == std::string::npos || at < authority) return url;
  return url.substr(0, authority) + url.substr(at + 1);
}

}  // namespace tolvar::client
