#include "http/cookie_manager.h"

namespace tolvar::http {

TNetCookieManager::~TNetCookieManager() {
  try {
    FCookies.PurgeExpired();
    FireDestroy();
  } catch (...) {
    // Nothing may leave a destructor; the cookies go with the manager anyway.
  }
  std::map<std::uint64_t, std::function<void()>> listeners;
  {
    std::lock_guard<std::mutex> lock(FListenersMutex);
    listeners.swap(FListeners);
  }
  for (auto& entry : listeners) entry.second();
}

std::uint64_t TNetCookieManager::AddDestroyListener(std::function<void()> listener) {
  std::lock_guard<std::mutex> lock(FListenersMutex);
  const std::uint64_t token = FNextToken++;
  FListeners.emplace(token, std::move(listener));
  return token;
}

void TNetCookieManager::RemoveDestroyListener(std::uint64_t token) {
  std::lock_guard<std::mutex> lock(FListenersMutex);
  FListeners.erase(token);
}

void TNetCookieManager::FireCreate() {
  if (OnCreate) OnCreate(*this, FCookies);
}

void TNetCookieManager::FireDestroy() {
  if (OnDestroy) OnDestroy(*this, FCookies);
}

bool TNetCookieManager::FireNewCookie(TNetNetscapeCookie& cookie) {
  bool accept = true;
  if (OnNewCookie) OnNewCookie(*this, cookie, accept);
  return accept;
}

void TNetCookieManager::StoreCookie(std::unique_ptr<TNetNetscapeCookie> cookie, std::string_view text,
                                    std::string_view host) {
  cookie->ParseCookie(text);
  if (cookie->Domain.empty()) cookie->Domain = std::string(host);
  if (!cookie->AcceptsHost(host)) return;
  if (!FireNewCookie(*cookie)) return;
  FCookies.AddOrReplace(std::move(cookie));
}

void TNetCookieManager::AddServerCookie(std::string_view text, std::string_view host) {
  StoreCookie(std::make_unique<TNetCookieRFC2109>(), text, host);
}

void TNetCookieManager::AddServerCookie2(std::string_view text, std::string_view host) {
  StoreCookie(std::make_unique<TNetCookieRFC2965>(), text, host);
}

std::string TNetCookieManager::CookieHeaderFor(const TNetURI& location, bool secure) {
  FCookies.PurgeExpired();
  return FCookies.HeaderFor(location.Host, location.Path, secure);
}

}  // namespace tolvar::http
