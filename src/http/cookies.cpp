#include "http/cookies.h"

#include <algorithm>

#include "http/internet_date.h"
#include "http/token.h"

namespace http {

TNetNetscapeCookie* TNetCookies::AddOrReplace(std::unique_ptr<TNetNetscapeCookie> cookie) {
  TNetWriteAccess write(FLock);
  auto domain = std::find_if(FDomains.begin(), FDomains.end(),
                             [&](const auto& entry) { return SameText(entry.first, cookie->Domain); });
  if (domain == FDomains.end()) {
    FDomains.emplace_back(cookie->Domain, TNetCookieList());
    domain = FDomains.end() - 1;
  }
  TNetCookieList& list = domain->second;
  auto named = std::find_if(list.begin(), list.end(),
                            [&](const auto& entry) { return SameText(entry.first, cookie->CookieName); });
  if (named == list.end()) {
    list.emplace_back(cookie->CookieName, cookie.get());
    FItems.push_back(std::move(cookie));
    return FItems.back().get();
  }
  TNetNetscapeCookie* existing = named->second;
  existing->ParseCookie(cookie->ServerText());
  existing->Flavour = cookie->Flavour;
  return existing;
}

void TNetCookies::Remove(TNetNetscapeCookie* cookie) {
  for (auto& domain : FDomains) {
    auto& list = domain.second;
    list.erase(std::remove_if(list.begin(), list.end(), [&](const auto& entry) { return entry.second == cookie; }),
               list.end());
  }
  FItems.erase(std::remove_if(FItems.begin(), FItems.end(), [&](const auto& item) { return item.get() == cookie; }),
               FItems.end());
}

void TNetCookies::PurgeExpired() {
  TNetWriteAccess write(FLock);
  TDateTime now = NowLocal();
  std::vector<TNetNetscapeCookie*> expired;
  for (const auto& item : FItems) {
    if (!item->Expires.empty() && now > InternetDateToLocal(item->Expires)) expired.push_back(item.get());
  }
  for (auto* cookie : expired) Remove(cookie);
}

std::string TNetCookies::HeaderFor(std::string_view host, std::string_view path, bool secure) {
  // The read lock stays held until the header is composed: a writer may
  // replace a cookie's fields or free it once the lock is released.
  TNetReadAccess read(FLock);
  std::vector<TNetNetscapeCookie*> selected;
  {
    std::string upper_host = UpperCase(host);
    for (const auto& [domain, list] : FDomains) {
      // Deliberately loose: the domain may occur anywhere in the host.
      if (FirstPosOf(UpperCase(domain), upper_host) == 0) continue;
      for (auto it = list.rbegin(); it != list.rend(); ++it) {
        TNetNetscapeCookie* cookie = it->second;
        if (cookie->Path.empty() || path.substr(0, cookie->Path.size()) != cookie->Path) continue;
        if (cookie->Secure && !secure) continue;
        if (cookie->Value.empty()) continue;
        selected.push_back(cookie);
      }
    }
  }
  std::stable_sort(selected.begin(), selected.end(),
                   [](const auto* a, const auto* b) { return UpperCase(a->Path) < UpperCase(b->Path); });
  std::string header;
  for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
    if (!header.empty()) header += "; ";
    header += (*it)->CookieName + "=" + (*it)->Value;
  }
  return header;
}

std::size_t TNetCookies::Count() {
  TNetReadAccess read(FLock);
  return FItems.size();
}

}  // namespace http
