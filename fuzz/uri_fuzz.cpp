// URL split and compose: what was parsed, composed and parsed again gives
// the same parts and the same text; the token functions stay inside their
// input. The URL that the ini file and the help page get without its user
// information, and the one left on the command line with it wiped, read
// back as the place the request went to.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "client/support/url_text.h"
#include "fuzz_check.h"
#include "http/exceptions.h"
#include "http/token.h"
#include "http/uri.h"
#include "platform/codepage.h"

namespace {

// Printable, for the message of a broken invariant.
std::string Shown(const std::string& s) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7f && c != '\\') {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string Parts(const tolvar::http::TNetURI& u) {
  return "protocol=" + Shown(u.Protocol) + " user=" + Shown(u.Username) + " password=" + Shown(u.Password) +
         " host=" + Shown(u.Host) + " port=" + Shown(u.Port) + " path=" + Shown(u.Path) +
         " document=" + Shown(u.Document) + " params=" + Shown(u.Params) + " fragment=" + Shown(u.Fragment);
}

// A part that ends in the first byte of a double-byte character takes the
// next byte of whatever follows it when composed: no well-formed text
// makes such a part, so its round trip is not compared.
bool EndsInLoneLeadByte(std::string_view part) {
  for (std::size_t i = 0; i < part.size(); ++i) {
    if (!tolvar::platform::IsLeadByte(static_cast<unsigned char>(part[i]))) continue;
    if (i + 1 == part.size()) return true;
    ++i;
  }
  return false;
}

void CheckRoundTrip(std::string_view text) {
  tolvar::http::TNetURI first(text);
  // A "#" before the "?" gives the fragment from the document and leaves a
  // later "#" in the params; composed, both fragments follow the params and
  // the second parse splits at the first of them. That split is the parse's
  // own rule, so such a text is not compared.
  if (first.Params.find('#') != std::string::npos) return;
  for (const std::string* part : {&first.Protocol, &first.Username, &first.Password, &first.Host, &first.Port,
                                  &first.Path, &first.Document, &first.Params, &first.Fragment})
    if (EndsInLoneLeadByte(*part)) return;
  if (tolvar::http::FirstPosOf("://", first.URI) > 0) {
    FUZZ_CHECK(!first.Path.empty() && first.Path.front() == '/' && first.Path.back() == '/');
  }
  std::string composed;
  try {
    composed = first.ComposeURI(true, true);
  } catch (const tolvar::http::ENetURIException&) {
    FUZZ_CHECK(first.Protocol.empty() || first.Host.empty());
    return;
  }
  const tolvar::http::TNetURI second(composed);
  FUZZ_CHECK_MSG(Parts(second) == Parts(first), Parts(first) + "\n  " + Parts(second));
  FUZZ_CHECK(second.ComposeURI(true, true) == composed);

  // The proxy form drops exactly the user info and the fragment.
  tolvar::http::TNetURI copy = second;
  const std::string absolute = copy.AbsoluteURI();
  FUZZ_CHECK(copy.URI == composed);
  FUZZ_CHECK(absolute == second.ComposeURI(false, false));
}

// Every part but the user information.
std::string Place(const tolvar::http::TNetURI& u) {
  return "protocol=" + Shown(u.Protocol) + " host=" + Shown(u.Host) + " port=" + Shown(u.Port) +
         " path=" + Shown(u.Path) + " document=" + Shown(u.Document) + " params=" + Shown(u.Params) +
         " fragment=" + Shown(u.Fragment);
}

// The parser's view of a URL against the removal of its user information
// (stored, shown) and the wipe of it (command line).
void CheckUserInfoRemoval(std::string_view text) {
  const std::string url(text);
  const tolvar::http::TNetURI fetched(url);
  const std::string stored = tolvar::client::UrlWithoutUserInfo(url);
  const tolvar::http::TNetURI again(stored);
  FUZZ_CHECK_MSG(again.Username.empty() && again.Password.empty(), Shown(url) + "\n  " + Shown(stored));
  FUZZ_CHECK_MSG(Place(again) == Place(fetched), Place(fetched) + "\n  " + Place(again));
  // Only one run of bytes goes: the text before it and after it stay.
  FUZZ_CHECK(stored.size() <= url.size());
  std::size_t same = 0;
  while (same < stored.size() && stored[same] == url[same]) ++same;
  FUZZ_CHECK_MSG(url.compare(same + url.size() - stored.size(), std::string::npos, stored, same) == 0,
                 Shown(url) + "\n  " + Shown(stored));
  if (!fetched.Username.empty()) FUZZ_CHECK(stored != url);

  const auto place = tolvar::http::FindUserInfo(url);
  if (!place) {
    FUZZ_CHECK(stored == url && fetched.Username.empty());
    return;
  }
  std::string wiped = url;
  for (std::size_t i = place->begin; i < place->at; ++i) wiped[i] = '*';
  const tolvar::http::TNetURI shown(wiped);
  FUZZ_CHECK_MSG(Place(shown) == Place(fetched), Place(fetched) + "\n  " + Place(shown));
  FUZZ_CHECK(shown.Username == std::string(place->at - place->begin, '*') && shown.Password.empty());
}

void CheckTokens(std::string_view text) {
  // The first byte picks a delimiter of one to three bytes from the text.
  if (text.size() < 2) return;
  const std::size_t n = 1 + static_cast<unsigned char>(text[0]) % 3;
  const std::string delimiter(text.substr(1, n));
  const std::string_view body = text.substr(1 + delimiter.size());
  const std::size_t first = tolvar::http::FirstPosOf(delimiter, body);
  FUZZ_CHECK(first <= body.size());
  if (first > 0) FUZZ_CHECK(body.substr(first - 1, delimiter.size()) == delimiter);

  std::string input(body);
  const std::string token = tolvar::http::TakeToken(input, delimiter);
  // A NUL delimiter is searched byte by byte under any code page.
  const bool found = delimiter == std::string(1, '\0') ? body.find('\0') != std::string_view::npos : first > 0;
  FUZZ_CHECK(token.size() + input.size() + (found ? delimiter.size() : 0) == body.size());
  std::string kept(body);
  FUZZ_CHECK(tolvar::http::TakeToken(kept, delimiter, false) == token && kept == body);

  const std::ptrdiff_t start = static_cast<std::ptrdiff_t>(static_cast<unsigned char>(text[0])) - 1;
  const std::size_t last = tolvar::http::LastPosOf(delimiter, body, start);
  FUZZ_CHECK(last <= body.size());
  if (last > 0) {
    FUZZ_CHECK(tolvar::http::SameText(body.substr(last - 1, delimiter.size()), delimiter));
    if (start >= 0) FUZZ_CHECK(static_cast<std::ptrdiff_t>(last) <= std::max<std::ptrdiff_t>(start, 1));
  }

  const std::string merged = tolvar::http::MergePath(body, delimiter, "/");
  FUZZ_CHECK(merged.find("//") == std::string::npos || delimiter.find("//") != std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // Both code page rules: plain bytes, and Shift_JIS lead bytes that hide
  // the next byte from the slash and delimiter searches.
  for (int code_page : {1252, tolvar::platform::kShiftJisCodePage}) {
    tolvar::platform::ForceCodePage(code_page);
    CheckRoundTrip(input);
    CheckUserInfoRemoval(input);
    CheckTokens(input);
  }
  tolvar::platform::ForceCodePage(0);
  return 0;
}
