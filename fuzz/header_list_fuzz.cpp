// The header list: lookups stay inside the list, unfolding joins exactly a
// line and its continuations, and folding on write (WrapAtBreaks) keeps
// every non-blank byte of a value, under both code page rules.
//
// Input: one byte for the fold width, then header lines separated by LF
// (a CR before the LF is dropped, as the connection's line reader does).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "http/header_list.h"
#include "http/token.h"
#include "http/wrap_at_breaks.h"
#include "platform/codepage.h"

namespace {

std::string NonBlank(std::string_view text) {
  std::string out;
  for (char c : text)
    if (static_cast<unsigned char>(c) > 0x20) out += c;
  return out;
}

bool IsContinuation(const std::string& line) {
  return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

// A name SetValueOf can find again: a header name is a token, so it holds
// no blank, control byte, ":" or "," (a fold may break after a comma).
bool Writable(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name)
    if (static_cast<unsigned char>(c) <= 0x20 || c == ':' || c == ',') return false;
  return true;
}

void Run(int fold_width, const std::vector<std::string>& lines) {
  tolvar::http::TNetHeaderList list;
  for (const std::string& line : lines) list.Add(line);
  const auto count = static_cast<std::ptrdiff_t>(list.Count());
  FUZZ_CHECK(list.ValueAt(-1).empty() && list.ValueAt(count).empty() && list.ValueAt(count + 1).empty());

  tolvar::http::TNetHeaderList folded;
  folded.FoldWidth = fold_width;
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    const auto at = static_cast<std::size_t>(i);
    const std::string name = list.NameAt(at);
    const std::string value = list.ValueAt(i);
    // Unfolding: the bytes after the name and its ":" plus every
    // continuation line that follows, nothing more.
    std::string expected;
    const std::size_t skip = name.size() + 1;
    if (skip < lines[at].size()) expected = NonBlank(std::string_view(lines[at]).substr(skip));
    for (std::size_t next = at + 1; next < lines.size() && IsContinuation(lines[next]); ++next)
      expected += NonBlank(lines[next]);
    FUZZ_CHECK(NonBlank(value) == expected);

    const std::ptrdiff_t found = list.FindName(name);
    FUZZ_CHECK(found >= 0 && found <= i && tolvar::http::SameText(list.NameAt(static_cast<std::size_t>(found)), name));

    if (!Writable(name) || value.empty()) continue;
    folded.SetValueOf(name, value);
    const std::string back = folded.ValueOf(name);
    FUZZ_CHECK_MSG(NonBlank(back) == NonBlank(value), value + "\n  " + back);
    for (std::size_t k = 0; k < folded.Count(); ++k) FUZZ_CHECK(folded[k].find('\n') == std::string::npos);
  }

  // Collecting finds every line of a name, in order.
  if (count > 0) {
    const std::string name = list.NameAt(0);
    tolvar::http::TNetHeaderList values;
    list.CollectValues(name, &values);
    std::size_t same = 0;
    for (std::size_t k = 0; k < list.Count(); ++k) same += tolvar::http::SameText(list.NameAt(k), name) ? 1 : 0;
    FUZZ_CHECK(values.Count() == same);
    list.CollectValues(name, nullptr);
  }

  // Deleting through SetValueOf removes the line and its continuations.
  for (std::size_t k = 0; k < folded.Count(); ++k) {
    const std::string name = folded.NameAt(k);
    if (!Writable(name)) continue;
    const std::size_t before = folded.Count();
    folded.SetValueOf(name, "");
    FUZZ_CHECK(folded.Count() < before);
    break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // Narrow widths fold often; the raw lists' 1024 is among them.
  const int fold_width = data[0] == 255 ? 1024 : 1 + data[0] % 100;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t lf = text.find('\n', pos);
    if (lf == std::string_view::npos) lf = text.size();
    std::string line(text.substr(pos, lf - pos));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    pos = lf + 1;
  }
  for (int code_page : {1252, tolvar::platform::kShiftJisCodePage}) {
    tolvar::platform::ForceCodePage(code_page);
    Run(fold_width, lines);
    const std::string wrapped = tolvar::http::WrapAtBreaks(text, "\r\n ", "\t ,", fold_width);
    FUZZ_CHECK(NonBlank(wrapped) == NonBlank(text));
  }
  tolvar::platform::ForceCodePage(0);
  return 0;
}
