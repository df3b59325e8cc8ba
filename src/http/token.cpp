#include "http/token.h"

#include "platform/codepage.h"

namespace tolvar::http {
namespace {

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::size_t FirstPosOf(std::string_view sub, std::string_view text) {
  if (sub.empty() || sub.size() > text.size()) return 0;
  if (!platform::CodePageHasLeadBytes()) {
    std::size_t at = text.find(sub);
    return at == std::string_view::npos ? 0 : at + 1;
  }
  for (std::size_t i = 0; i + sub.size() <= text.size();) {
    if (text.compare(i, sub.size(), sub) == 0) return i + 1;
    i += platform::IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  }
  return 0;
}

std::size_t LastPosOf(std::string_view sub, std::string_view text, std::ptrdiff_t start) {
  if (sub.empty() || sub.size() > text.size()) return 0;
  auto length = static_cast<std::ptrdiff_t>(text.size());
  auto sub_length = static_cast<std::ptrdiff_t>(sub.size());
  if (start == kFromEnd) start = length;
  if (start > length - sub_length + 1) start = length - sub_length + 1;
  for (std::ptrdiff_t p = start; p >= 1; --p) {
    if (SameText(text.substr(static_cast<std::size_t>(p - 1), sub.size()), sub)) return static_cast<std::size_t>(p);
  }
  return 0;
}

std::string TakeToken(std::string& input, std::string_view delimiter, bool remove, bool case_sensitive) {
  std::size_t p;
  if (delimiter.size() == 1 && delimiter[0] == '\0') {
    // A NUL delimiter is a plain byte search in either mode.
    std::size_t at = input.find('\0');
    p = at == std::string::npos ? 0 : at + 1;
  } else if (case_sensitive) {
    p = FirstPosOf(delimiter, input);
  } else {
    p = FirstPosOf(UpperCase(delimiter), UpperCase(input));
  }
  if (p == 0) {
    std::string token = input;
    if (remove) input.clear();
    return token;
  }
  std::string token = input.substr(0, p - 1);
  if (remove) input.erase(0, p - 1 + delimiter.size());
  return token;
}

std::string UpperCase(std::string_view text) {
  std::string out(text);
  bool lead_bytes = platform::CodePageHasLeadBytes();
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (lead_bytes && platform::IsLeadByte(static_cast<unsigned char>(out[i]))) {
      ++i;  // the trail byte may look like a letter; it is not one
      continue;
    }
    out[i] = AsciiUpper(out[i]);
  }
  return out;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

namespace {
bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 32;
}
}  // namespace

std::string TrimLeft(std::string_view text) {
  std::size_t b = 0;
  while (b < text.size() && IsBlank(text[b])) ++b;
  return std::string(text.substr(b));
}

std::string TrimRight(std::string_view text) {
  std::size_t e = text.size();
  while (e > 0 && IsBlank(text[e - 1])) --e;
  return std::string(text.substr(0, e));
}

std::string Trim(std::string_view text) {
  return TrimLeft(TrimRight(text));
}

}  // namespace tolvar::http
