// Cookies: Set-Cookie and Set-Cookie2 values stored through the manager
// (which takes the store's write lock), then the Cookie line for a location
// (under the read lock, after a purge), all at one fixed moment. The line
// offers exactly the cookies a model of the store says it must: the last
// value each server set for a domain and name, when the domain was accepted
// for the answering host, occurs in the location's host, its path starts
// the location's path, it is not secure on a plain connection, its value is
// not empty and its expiry is not past. So nothing is offered to a host or
// path it does not match, nothing twice, and no expired cookie; the secure
// line offers at least what the plain one does.
//
// Input: LF-separated lines: the host that answered, the location of the
// next request, then one cookie value per line, its first byte telling
// Set-Cookie (even) from Set-Cookie2 (odd).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_check.h"
#include "http/cookie.h"
#include "http/cookie_manager.h"
#include "http/exceptions.h"
#include "http/internet_date.h"
#include "http/number.h"
#include "http/token.h"
#include "http/uri.h"

namespace {

using tolvar::http::TDateTime;

// Noon on 1 June 2026, local time: a whole second, so a cookie dated to
// "now" by max-age=0 is exactly at the clock.
TDateTime FixedNow() {
  static const TDateTime now = *tolvar::http::EncodeDate(2026, 6, 1) + 0.5;
  return now;
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size() && lines.size() < 200) {
    std::size_t lf = text.find('\n', pos);
    if (lf == std::string_view::npos) lf = text.size();
    lines.emplace_back(text.substr(pos, lf - pos));
    pos = lf + 1;
  }
  return lines;
}

std::vector<std::string> Pieces(const std::string& header) {
  std::vector<std::string> pieces;
  if (header.empty()) return pieces;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t sep = header.find("; ", pos);
    pieces.push_back(header.substr(pos, sep - pos));
    if (sep == std::string::npos) break;
    pos = sep + 2;
  }
  return pieces;
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// The value of the first attribute `name` (ignoring case) of a cookie text
// after its name=value part; nullopt when there is none.
std::optional<std::string> AttributeOf(const std::string& text, std::string_view name) {
  std::size_t at = text.find(';');
  while (at != std::string::npos) {
    const std::size_t next = text.find(';', at + 1);
    const std::string part = tolvar::http::Trim(text.substr(at + 1, next == std::string::npos ? next : next - at - 1));
    const std::size_t eq = part.find('=');
    if (eq != std::string::npos && Upper(part.substr(0, eq)) == Upper(name)) return part.substr(eq + 1);
    at = next;
  }
  return std::nullopt;
}

// Is the cookie set by `text` past at the fixed clock? nullopt: too far out
// to say (an age beyond any date the engine writes).
std::optional<bool> Expired(const std::string& text) {
  const std::string expires = AttributeOf(text, "EXPIRES").value_or("");
  if (!expires.empty()) {
    // An expiry that cannot be read is long past (it reads as day 0).
    return FixedNow() >= tolvar::http::InternetDateToLocal(expires);
  }
  const auto age = tolvar::http::ParseInt64(AttributeOf(text, "MAX-AGE").value_or(""));
  if (!age || *age < 0) return false;  // a session cookie
  if (*age > std::int64_t{100} * 366 * 86400) return std::nullopt;
  return *age == 0;
}

// One cookie as the model keeps it: what the last Set-Cookie for its domain
// and name said.
struct TModelCookie {
  std::string domain;
  std::string client_text;  // name=value
  std::string path;
  std::string value;
  bool secure = false;
  std::optional<bool> expired;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool clock_fixed = (tolvar::http::SetLocalClock(&FixedNow), true);
  (void)clock_fixed;
  const std::vector<std::string> lines = Lines(std::string_view(reinterpret_cast<const char*>(data), size));
  if (lines.size() < 2) return 0;
  const std::string& host = lines[0];
  const tolvar::http::TNetURI location(lines[1]);

  // By upper-cased domain and name, in the order first stored.
  std::map<std::pair<std::string, std::string>, TModelCookie> model;
  tolvar::http::TNetCookieManager manager;
  for (std::size_t i = 2; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const bool version2 = (static_cast<unsigned char>(lines[i][0]) & 1) != 0;
    const std::string text = lines[i].substr(1);
    bool stored = true;
    try {
      if (version2) {
        manager.AddServerCookie2(text, host);
      } else {
        manager.AddServerCookie(text, host);
      }
    } catch (const tolvar::http::EConvertError&) {
      // A PORT list item that is no number fails the response.
      stored = false;
    }
    if (!stored) continue;

    // The cookie's own parser gives its name, value and attributes; the
    // store's rules are the model's.
    std::unique_ptr<tolvar::http::TNetNetscapeCookie> probe;
    if (version2) {
      probe = std::make_unique<tolvar::http::TNetCookieRFC2965>();
    } else {
      probe = std::make_unique<tolvar::http::TNetCookieRFC2109>();
    }
    probe->ParseCookie(text);
    const std::string domain = probe->Domain.empty() ? host : probe->Domain;
    // A domain is accepted only as the host itself or as its parent domain
    // with the leading dot, and a dotted quad only as itself.
    bool accepted;
    if (tolvar::http::IsDottedQuad(host)) {
      accepted = domain == host;
    } else if (tolvar::http::IsPlainHost(host)) {
      accepted = tolvar::http::IsPlainHost(domain) ? domain == host : domain == tolvar::http::DomainOfHost(host);
    } else {
      accepted = Upper(domain) == Upper(tolvar::http::DomainOfHost(host));
    }
    if (!accepted) continue;
    // A replacement keeps the stored cookie and reads the new one's text
    // back as the server would see it sent.
    const auto key = std::make_pair(Upper(domain), Upper(probe->CookieName));
    TModelCookie cookie;
    cookie.domain = domain;
    cookie.expired = Expired(text);
    if (model.count(key) != 0) {
      tolvar::http::TNetCookieRFC2109 again;
      again.ParseCookie(probe->ServerText());
      cookie.client_text = again.ClientText();
      cookie.path = again.Path;
      cookie.value = again.Value;
      cookie.secure = again.Secure;
    } else {
      cookie.client_text = probe->ClientText();
      cookie.path = probe->Path;
      cookie.value = probe->Value;
      cookie.secure = probe->Secure;
    }
    model[key] = cookie;
  }

  for (const bool secure : {false, true}) {
    const std::string header = manager.CookieHeaderFor(location, secure);
    std::vector<std::string> offered = Pieces(header);
    std::vector<std::string> due;
    bool unsure = false;
    const std::string upper_host = Upper(location.Host);
    for (const auto& [key, c] : model) {
      if (c.domain.empty() || upper_host.find(Upper(c.domain)) == std::string::npos) continue;
      if (c.path.empty() || location.Path.compare(0, c.path.size(), c.path) != 0) continue;
      if (c.secure && !secure) continue;
      if (c.value.empty()) continue;
      if (!c.expired) {
        unsure = true;
        continue;
      }
      if (!*c.expired) due.push_back(c.client_text);
    }
    if (unsure) continue;
    std::sort(offered.begin(), offered.end());
    std::sort(due.begin(), due.end());
    FUZZ_CHECK_MSG(offered == due, "offered: " + header);
  }
  return 0;
}
