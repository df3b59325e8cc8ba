// The help page for arbitrary settings and program folders: no value can
// add, remove or change a tag (the page's tags are those of the page for
// the defaults, in the same order), every "&" starts one of the five
// entities the escaping writes, and the escaped values read back as given.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "client/help/help_document.h"
#include "client/options/command_line_option.h"
#include "fuzz_check.h"

namespace {

using tolvar::client::TCommandLineOption;

std::vector<std::string> Tags(const std::string& page) {
  std::vector<std::string> tags;
  for (std::size_t open = page.find('<'); open != std::string::npos; open = page.find('<', open + 1)) {
    const std::size_t close = page.find('>', open);
    tags.push_back(page.substr(open, close == std::string::npos ? std::string::npos : close + 1 - open));
  }
  return tags;
}

// The page's text with the five entities turned back into their bytes; an
// "&" that starts none of them breaks the invariant.
std::string Unescaped(std::string_view text) {
  static const std::pair<std::string_view, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}};
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '&') {
      out += text[i++];
      continue;
    }
    bool known = false;
    for (const auto& [entity, byte] : kEntities) {
      if (text.substr(i, entity.size()) == entity) {
        out += byte;
        i += entity.size();
        known = true;
        break;
      }
    }
    FUZZ_CHECK_MSG(known, std::string(text.substr(i, 16)));
  }
  return out;
}

// The current value of the row whose label is `label`, unescaped: escaped,
// a value holds no "<", so the row's "</TR>" ends it.
std::string ShownValue(const std::string& page, const std::string& label) {
  const std::size_t row = page.find("<B>" + label + "</B>");
  FUZZ_CHECK(row != std::string::npos);
  const std::string open = "</B>: ";
  const std::size_t begin = page.find(open, row) + open.size();
  const std::size_t end = page.find("</TR>\r\n<", begin);
  return Unescaped(std::string_view(page).substr(begin, end - begin));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Fields separated by NUL bytes: referer, proxy host, proxy port, header
  // file, body file, data, URL, the help page's path.
  std::vector<std::string> fields(8);
  std::size_t f = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && f + 1 < fields.size())
      ++f;
    else
      fields[f] += static_cast<char>(data[i]);
  }
  static const TCommandLineOption defaults;
  static const std::vector<std::string> default_tags = Tags(tolvar::client::BuildHelpDocument(defaults, "p"));

  TCommandLineOption o;
  o.FReferer = fields[0];
  o.FProxyHost = fields[1];
  o.FProxyPort = fields[2];
  o.FHeaderFile = fields[3];
  o.FBodyFile = fields[4];
  o.FPostPutData = fields[5];
  o.FPostPutAsFileName = size % 2 == 0;
  // No user information, so the row shows the URL whole.
  o.FUrl = fields[6].find('@') == std::string::npos && fields[6] != "-" ? fields[6] : std::string();
  const std::string page = tolvar::client::BuildHelpDocument(o, fields[7]);

  FUZZ_CHECK(Tags(page) == default_tags);
  (void)Unescaped(page);
  // An empty value shows a text of the page's own instead.
  auto readable = [](const std::string& v) { return !v.empty(); };
  if (readable(o.FReferer)) FUZZ_CHECK(ShownValue(page, "-r Referer") == o.FReferer);
  if (readable(o.FProxyHost)) FUZZ_CHECK(ShownValue(page, "-p ProxyServer") == o.FProxyHost);
  if (readable(o.FBodyFile)) FUZZ_CHECK(ShownValue(page, "-b BodyToSave") == o.FBodyFile);
  if (readable(o.FUrl)) FUZZ_CHECK(ShownValue(page, "-u URL") == o.FUrl);
  return 0;
}
