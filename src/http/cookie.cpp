#include "http/cookie.h"

#include <cmath>

#include "http/internet_date.h"
#include "http/number.h"
#include "http/token.h"

namespace tolvar::http {

std::string TNetNetscapeCookie::Attribute(const TNetCookieParts& parts, std::string_view name) {
  for (const auto& part : parts) {
    std::size_t eq = part.find('=');
    if (eq != std::string::npos && SameText(std::string_view(part).substr(0, eq), name)) return part.substr(eq + 1);
  }
  return std::string();
}

bool TNetNetscapeCookie::HasWord(const TNetCookieParts& parts, std::string_view word) {
  for (const auto& part : parts) {
    if (SameText(part, word)) return true;
  }
  return false;
}

void TNetNetscapeCookie::AppendAttribute(std::string& text, std::string_view name, std::string_view value) {
  if (value.empty()) return;
  text += "; ";
  text += name;
  text += "=";
  text += value;
}

void TNetNetscapeCookie::ParseCookie(std::string_view text) {
  if (text == FullText) return;
  FullText = std::string(text);
  TNetCookieParts parts;
  std::string rest(text);
  do {
    parts.push_back(Trim(TakeToken(rest, ";")));
  } while (!rest.empty());
  std::string first = parts.front();
  parts.erase(parts.begin());
  CookieName = TakeToken(first, "=");
  Value = first;
  for (auto& part : parts) {
    std::size_t eq = part.find('=');
    if (eq == std::string::npos) {
      part = UpperCase(part);
    } else {
      part = UpperCase(std::string_view(part).substr(0, eq)) + part.substr(eq);
    }
  }
  LoadAttributes(parts);
}

void TNetNetscapeCookie::LoadAttributes(const TNetCookieParts& parts) {
  Path = Attribute(parts, "PATH");
  if (!Path.empty() && Path.front() == '"') Path.erase(0, 1);
  if (!Path.empty() && Path.back() == '"') Path.pop_back();
  SetExpiry(Attribute(parts, "EXPIRES"));
  Domain = Attribute(parts, "DOMAIN");
  Secure = HasWord(parts, "SECURE");
}

std::string TNetNetscapeCookie::ServerText() const {
  std::string text = CookieName + "=" + Value;
  AppendAttribute(text, "path", Path);
  if (Flavour == 0) AppendAttribute(text, "expires", Expires);
  AppendAttribute(text, "domain", Domain);
  if (Secure) text += "; secure";
  return text;
}

bool TNetNetscapeCookie::AcceptsHost(std::string_view host) const {
  // Deliberately naive: the domain must equal the host's parent domain
  // exactly (a leading dot included), never a further ancestor.
  if (IsDottedQuad(host)) return Domain == host;
  if (IsPlainHost(host)) return IsPlainHost(Domain) ? Domain == host : Domain == DomainOfHost(host);
  return SameText(Domain, DomainOfHost(host));
}

void TNetCookieRFC2109::SetExpiry(std::string_view text) {
  if (!text.empty()) {
    try {
      MaxAge =
          static_cast<std::int64_t>(std::trunc((InternetDateToLocal(std::string(text)) - NowLocal()) * kSecondsPerDay));
    } catch (...) {
      // The date stays as text; only the derived age is lost.
    }
  }
  TNetNetscapeCookie::SetExpiry(text);
}

void TNetCookieRFC2109::LoadAttributes(const TNetCookieParts& parts) {
  TNetNetscapeCookie::LoadAttributes(parts);
  MaxAge = ParseInt64(Attribute(parts, "MAX-AGE")).value_or(-1);
  Version = Attribute(parts, "VERSION");
  Comment = Attribute(parts, "COMMENT");
  if (Expires.empty()) {
    Flavour = 0;
    if (MaxAge >= 0) SetExpiry(FormatInternetDate(NowLocal() + static_cast<double>(MaxAge) / kSecondsPerDay));
  }
}

std::string TNetCookieRFC2109::ServerText() const {
  std::string text = TNetNetscapeCookie::ServerText();
  if (MaxAge >= 0 && Expires.empty()) AppendAttribute(text, "max-age", std::to_string(MaxAge));
  AppendAttribute(text, "comment", Comment);
  AppendAttribute(text, "version", Version);
  return text;
}

void TNetCookieRFC2965::LoadAttributes(const TNetCookieParts& parts) {
  TNetCookieRFC2109::LoadAttributes(parts);
  CommentURL = Attribute(parts, "COMMENTURL");
  Discard = HasWord(parts, "DISCARD");
  Ports.clear();
  std::string port = Attribute(parts, "PORT");
  if (port.empty()) {
    Ports.push_back(80);
  } else if (port.size() >= 2 && port.front() == '"' && port.back() == '"') {
    std::string list = port.substr(1, port.size() - 2);
    while (!list.empty()) Ports.push_back(StrictInt32(Trim(TakeToken(list, ","))));
    if (Ports.empty()) Ports.push_back(80);
  }
}

std::string TNetCookieRFC2965::ServerText() const {
  std::string text = TNetCookieRFC2109::ServerText();
  AppendAttribute(text, "commenturl", CommentURL);
  if (Discard) text += "; discard";
  if (!Ports.empty()) {
    std::string list;
    for (std::size_t i = 0; i < Ports.size(); ++i) list += (i > 0 ? "," : "") + std::to_string(Ports[i]);
    AppendAttribute(text, "port", "\"" + list + "\"");
  }
  return text;
}

bool IsDottedQuad(std::string_view text) {
  std::string rest = Trim(text);
  for (int i = 0; i < 4; ++i) {
    auto part = ParseInt32(TakeToken(rest, "."));
    if (!part || *part < 0 || *part > 255) return false;
  }
  return true;
}

bool IsPlainHost(std::string_view text) {
  if (IsDottedQuad(text)) return false;
  return text.empty() || text.front() != '.';
}

std::string DomainOfHost(std::string_view host) {
  std::size_t dot = host.find('.');
  return std::string(dot == std::string_view::npos ? host : host.substr(dot));
}

}  // namespace tolvar::http
