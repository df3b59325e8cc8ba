// One cookie as a server set it, in three flavours: the plain (Netscape)
// form, RFC 2109 (Max-Age, Version, Comment) and RFC 2965 (Set-Cookie2 with
// CommentURL, Discard, Port).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvar::http {

// The attribute parts of a cookie text after its first part, each either
// "NAME=value" with the name upper-cased or a bare upper-cased word.
using TNetCookieParts = std::vector<std::string>;

class TNetNetscapeCookie {
 public:
  TNetNetscapeCookie() = default;
  virtual ~TNetNetscapeCookie() = default;
  TNetNetscapeCookie(const TNetNetscapeCookie&) = delete;
  TNetNetscapeCookie& operator=(const TNetNetscapeCookie&) = delete;

  // The cookie as a Set-Cookie value.
  virtual std::string ServerText() const;
  virtual void SetExpiry(std::string_view text) { Expires = std::string(text); }
  virtual std::string ServerCookie() const { return ServerText(); }
  // name=value, for the Cookie line.
  virtual std::string ClientText() const { return CookieName + "=" + Value; }
  virtual void LoadAttributes(const TNetCookieParts& parts);
  virtual bool AcceptsHost(std::string_view host) const;

  // Reads a Set-Cookie value; a text equal to the last one read is ignored.
  void ParseCookie(std::string_view text);

  std::string CookieName;
  std::string Value;
  std::string Path;
  std::string Domain;
  std::string Expires;
  bool Secure = false;
  std::string FullText;
  int Flavour = 0;

 protected:
  static std::string Attribute(const TNetCookieParts& parts, std::string_view name);
  static bool HasWord(const TNetCookieParts& parts, std::string_view word);
  static void AppendAttribute(std::string& text, std::string_view name, std::string_view value);
};

class TNetCookieRFC2109 : public TNetNetscapeCookie {
 public:
  TNetCookieRFC2109() { Flavour = 1; }

  std::string ServerText() const override;
  // Also sets MaxAge to the seconds from now to the date, when it can.
  void SetExpiry(std::string_view text) override;
  std::string ClientText() const override { return TNetNetscapeCookie::ClientText(); }
  void LoadAttributes(const TNetCookieParts& parts) override;

  std::int64_t MaxAge = -1;  // seconds; -1 = none
  std::string Version;
  std::string Comment;
};

class TNetCookieRFC2965 : public TNetCookieRFC2109 {
 public:
  TNetCookieRFC2965() { Flavour = 2; }

  std::string ServerText() const override;
  // EConvertError for a PORT list item that is not an integer.
  void LoadAttributes(const TNetCookieParts& parts) override;

  std::string CommentURL;
  bool Discard = false;
  std::vector<std::int32_t> Ports;
};

// Host tests of the domain rules.
bool IsDottedQuad(std::string_view text);
bool IsPlainHost(std::string_view text);
// The host from its first "." on (the whole host when it has none).
std::string DomainOfHost(std::string_view host);

}  // namespace tolvar::http
