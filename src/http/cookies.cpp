#include "http/cookies.h"

#include <algorithm>

#include "http/internet_date.h"
#include "http/token.h"

namespace tolvar::http {

TNetNetscapeCookie* TNetCookies::AddOrReplace(std::unique_ptr<TNetNetscapeCookie> cookie) {
  TNetWriteAccess write(FLock);
  // Few domains per manager (a response's cookies name its host's domain),
  // so the domain list is searched; the names are not.
  auto domain = std::find_if(FDomains.begin(), FDomains.end(),
                             [&](const TDomainEntry& entry) { return SameText(entry.Name, cookie->Domain); });
  if (domain == FDomains.end()) {
    FDomains.push_back(TDomainEntry{cookie->Domain, {}, {}});
    domain = FDomains.end() - 1;
  }
  std::string key = UpperCase(cookie->CookieName);
  auto named = domain->ByName.find(key);
  if (named == domain->ByName.end()) {
    TNetNetscapeCookie* stored = cookie.get();
    domain->Cookies.emplace_back(cookie->CookieName, stored);
    domain->ByName.emplace(std::move(key), stored);
    FItems.push_back(std::move(cookie));
    return stored;
  }
  TNetNetscapeCookie* existing = named->second;
  existing->ParseCookie(cookie->ServerText());
  existing->Flavour = cookie->Flavour;
  // ServerText leaves out an expires date the server sent (only a max-age
  // shows as one), so without this a cookie that a server ends with a date
  // in the past would live on with its new value.
  if (existing->Expires != cookie->Expires) existing->SetExpiry(cookie->Expires);
  return existing;
}

void TNetCookies::RemoveAll(const std::unordered_set<const TNetNetscapeCookie*>& doomed) {
  if (doomed.empty()) return;
  // One pass over each list, so purging many cookies stays linear.
  for (auto& domain : FDomains) {
    std::erase_if(domain.Cookies, [&](const auto& entry) { return doomed.count(entry.second) != 0; });
    std::erase_if(domain.ByName, [&](const auto& entry) { return doomed.count(entry.second) != 0; });
  }
  std::erase_if(FItems, [&](const auto& item) { return doomed.count(item.get()) != 0; });
}

void TNetCookies::PurgeExpired() {
  TNetWriteAccess write(FLock);
  TDateTime now = NowLocal();
  std::unordered_set<const TNetNetscapeCookie*> expired;
  for (const auto& item : FItems) {
    // Not after now is past: max-age=0 dates a cookie to this very moment
    // (whole seconds), and it must go at once, not a second later.
    if (!item->Expires.empty() && now >= InternetDateToLocal(item->Expires)) expired.insert(item.get());
  }
  RemoveAll(expired);
}

std::string TNetCookies::HeaderFor(std::string_view host, std::string_view path, bool secure) {
  // The read lock stays held until the header is composed: a writer may
  // replace a cookie's fields or free it once the lock is released.
  TNetReadAccess read(FLock);
  std::vector<TNetNetscapeCookie*> selected;
  {
    std::string upper_host = UpperCase(host);
    for (const TDomainEntry& entry : FDomains) {
      // Deliberately loose: the domain may occur anywhere in the host.
      if (FirstPosOf(UpperCase(entry.Name), upper_host) == 0) continue;
      for (auto it = entry.Cookies.rbegin(); it != entry.Cookies.rend(); ++it) {
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

}  // namespace tolvar::http
