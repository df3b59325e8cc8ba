// All cookies of one manager, indexed by domain and then by cookie name.
// The index is guarded by a multi-reader, single-writer lock.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "http/cookie.h"
#include "http/multi_read_lock.h"

namespace tolvar::http {

// The cookies of one domain, by name (looked up ignoring case), in the
// order they were first stored.
using TNetCookieList = std::vector<std::pair<std::string, TNetNetscapeCookie*>>;

class TNetCookies {
 public:
  // Stores `cookie` under its Domain and CookieName, or, when that name is
  // already stored for the domain, moves its text into the stored cookie and
  // frees it. Returns the cookie that holds the values now.
  TNetNetscapeCookie* AddOrReplace(std::unique_ptr<TNetNetscapeCookie> cookie);
  // Frees the cookies whose Expires is not after now (local time); an
  // expiry that cannot be read counts as long past.
  void PurgeExpired();
  // The Cookie value for a request to `host` and `path`: the cookies whose
  // domain occurs in the host and whose path starts the request path.
  std::string HeaderFor(std::string_view host, std::string_view path, bool secure);

  std::size_t Count();

  TNetMultiReadLock& Lock() { return FLock; }

 private:
  // Frees the given cookies; the caller holds the write lock.
  void RemoveAll(const std::unordered_set<const TNetNetscapeCookie*>& doomed);

  struct TDomainEntry {
    std::string Name;
    TNetCookieList Cookies;
    // Upper-cased cookie name to its cookie, so that a replacement does not
    // scan the list: a head of many Set-Cookie lines must stay linear.
    std::unordered_map<std::string, TNetNetscapeCookie*> ByName;
  };

  TNetMultiReadLock FLock;
  // Both guarded by FLock.
  std::vector<std::unique_ptr<TNetNetscapeCookie>> FItems;
  std::vector<TDomainEntry> FDomains;
};

}  // namespace tolvar::http
