// Cookies: Set-Cookie and Set-Cookie2 values stored through the manager
// (which takes the store's write lock), then the Cookie line for a location
// (under the read lock, after a purge). Every name=value the line offers
// was set by a server, no cookie is offered twice, and the secure line
// offers at least what the plain one does.
//
// Input: LF-separated lines: the host that answered, the location of the
// next request, then one cookie value per line, its first byte telling
// Set-Cookie (even) from Set-Cookie2 (odd).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "http/cookie.h"
#include "http/cookie_manager.h"
#include "http/exceptions.h"
#include "http/uri.h"

namespace {

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> lines = Lines(std::string_view(reinterpret_cast<const char*>(data), size));
  if (lines.size() < 2) return 0;
  const std::string& host = lines[0];
  const tolvar::http::TNetURI location(lines[1]);

  // Every name=value a server offered, as the cookie's own parser reads it.
  std::set<std::string> offered;
  std::size_t added = 0;
  {
    tolvar::http::TNetCookieManager manager;
    for (std::size_t i = 2; i < lines.size(); ++i) {
      if (lines[i].empty()) continue;
      const bool version2 = (static_cast<unsigned char>(lines[i][0]) & 1) != 0;
      const std::string_view text = std::string_view(lines[i]).substr(1);
      tolvar::http::TNetCookieRFC2109 probe;
      probe.ParseCookie(text);
      offered.insert(probe.ClientText());
      try {
        if (version2) {
          manager.AddServerCookie2(text, host);
        } else {
          manager.AddServerCookie(text, host);
        }
        ++added;
      } catch (const tolvar::http::EConvertError&) {
        // A PORT list item that is no number fails the response.
      } catch (const tolvar::http::ENetException&) {
      }
      FUZZ_CHECK(manager.Cookies().Count() <= added);
    }
    const std::size_t stored = manager.Cookies().Count();
    FUZZ_CHECK(stored <= added);

    const std::string plain = manager.CookieHeaderFor(location, false);
    const std::string secure = manager.CookieHeaderFor(location, true);
    const std::vector<std::string> plain_pieces = Pieces(plain);
    const std::vector<std::string> secure_pieces = Pieces(secure);
    FUZZ_CHECK(secure_pieces.size() <= manager.Cookies().Count());
    FUZZ_CHECK(plain_pieces.size() <= secure_pieces.size());
    for (const std::string& piece : secure_pieces) FUZZ_CHECK_MSG(offered.count(piece) == 1, piece);
    for (const std::string& piece : plain_pieces)
      FUZZ_CHECK_MSG(std::find(secure_pieces.begin(), secure_pieces.end(), piece) != secure_pieces.end(), piece);

    manager.PurgeExpired();
    FUZZ_CHECK(manager.Cookies().Count() <= stored);
  }
  return 0;
}
