#include <string>
#include <vector>

#include "client/options/command_line_option.h"
#include "client/support/text.h"

namespace tolvar::client {

namespace {

struct Span {
  std::size_t begin;
  std::size_t size;
};

std::vector<Span> TokenSpans(const std::string& text) {
  std::vector<Span> spans;
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    if (IsBlankOrControl(text[i])) {
      ++i;
      continue;
    }
    const char first = text[i];
    if (first == '"' || first == '\'') {
      const std::size_t close = text.find(first, i + 1);
      const std::size_t end = close == std::string::npos ? n : close;
      spans.push_back(Span{i + 1, end - i - 1});
      i = close == std::string::npos ? n : close + 1;
    } else {
      std::size_t end = i;
      while (end < n && !IsBlankOrControl(text[end])) ++end;
      spans.push_back(Span{i, end - i});
      i = end;
    }
  }
  return spans;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& text) {
  // Tokens may be passwords. Reserving the exact count first means the
  // vector never grows while they are in it: a growing vector copies short
  // strings (held inside the element) and frees the old elements unwiped.
  const std::vector<Span> spans = TokenSpans(text);
  std::vector<std::string> tokens;
  tokens.reserve(spans.size());
  for (const Span& s : spans) tokens.emplace_back(text, s.begin, s.size);
  return tokens;
}

std::vector<std::string> SplitCommandLine(const std::string& first, const std::string& text) {
  const std::vector<Span> spans = TokenSpans(text);
  std::vector<std::string> tokens;
  tokens.reserve(spans.size() + 1);
  tokens.push_back(first);
  for (const Span& s : spans) tokens.emplace_back(text, s.begin, s.size);
  return tokens;
}

std::vector<std::size_t> CommandLineTokenOffsets(const std::string& text) {
  std::vector<std::size_t> offsets;
  for (const Span& s : TokenSpans(text)) offsets.push_back(s.begin);
  return offsets;
}

bool IsPlaceholder(const std::string& text) {
  return text == "*" || text == "...";
}

std::string ClampNumber(const std::string& text, int limit) {
  if (text.empty()) return text;
  const std::string t = TrimControl(text);
  std::size_t i = 0;
  const bool negative = i < t.size() && t[i] == '-';
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
  if (i == t.size()) return std::string();
  // Any number of digits: a value too long for an integer is still just
  // above the limit.
  long long value = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return std::string();
    if (value <= limit) value = value * 10 + (t[i] - '0');
  }
  if (negative && value != 0) return "0";
  if (value > limit) value = limit;
  return std::to_string(value);
}

}  // namespace tolvar::client
