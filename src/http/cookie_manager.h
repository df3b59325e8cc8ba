// Entry point of the cookie layer for one HTTP client: takes the
// Set-Cookie and Set-Cookie2 values of every response and gives the Cookie
// value for every later request head.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "http/cookies.h"
#include "http/uri.h"

namespace tolvar::http {

class TNetCookieManager {
 public:
  using ManagerEvent = std::function<void(TNetCookieManager& sender, TNetCookies& cookies)>;
  using NewCookieEvent = std::function<void(TNetCookieManager& sender, TNetNetscapeCookie& cookie, bool& accept)>;

  TNetCookieManager() = default;
  // Purges the expired cookies and fires OnDestroy.
  virtual ~TNetCookieManager();
  TNetCookieManager(const TNetCookieManager&) = delete;
  TNetCookieManager& operator=(const TNetCookieManager&) = delete;

  virtual void FireCreate();
  virtual void FireDestroy();
  virtual bool FireNewCookie(TNetNetscapeCookie& cookie);

  // A Set-Cookie value received from `host`.
  void AddServerCookie(std::string_view text, std::string_view host);
  // A Set-Cookie2 value received from `host`.
  void AddServerCookie2(std::string_view text, std::string_view host);
  // The Cookie value for a request to `location`; `secure` tells whether
  // the connection is encrypted. Empty means no Cookie line.
  std::string CookieHeaderFor(const TNetURI& location, bool secure);
  void PurgeExpired() { FCookies.PurgeExpired(); }

  TNetCookies& Cookies() { return FCookies; }

  // Called once from the destructor, after OnDestroy, so that a client
  // using a manager it does not own forgets it. Returns a token for
  // RemoveDestroyListener (never 0).
  std::uint64_t AddDestroyListener(std::function<void()> listener);
  void RemoveDestroyListener(std::uint64_t token);

  ManagerEvent OnCreate;
  ManagerEvent OnDestroy;
  NewCookieEvent OnNewCookie;

 private:
  void StoreCookie(std::unique_ptr<TNetNetscapeCookie> cookie, std::string_view text, std::string_view host);

  TNetCookies FCookies;
  std::mutex FListenersMutex;
  std::uint64_t FNextToken = 1;                               // guarded by FListenersMutex
  std::map<std::uint64_t, std::function<void()>> FListeners;  // guarded by FListenersMutex
};

}  // namespace tolvar::http
