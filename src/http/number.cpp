#include "http/number.h"

#include <limits>
#include <string>

#include "http/exceptions.h"

namespace tolvar::http {

std::optional<std::int64_t> ParseInt64(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  // Accumulate as a negative number so that INT64_MIN fits.
  std::int64_t value = 0;
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    int digit = c - '0';
    if (value < (kMin + digit) / 10) return std::nullopt;
    value = value * 10 - digit;
  }
  if (!negative) {
    if (value == kMin) return std::nullopt;
    value = -value;
  }
  return value;
}

std::optional<std::int32_t> ParseInt32(std::string_view text) {
  auto v = ParseInt64(text);
  if (!v || *v < std::numeric_limits<std::int32_t>::min() || *v > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(*v);
}

std::optional<std::int64_t> ParseHex(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    if (value > (std::numeric_limits<std::int64_t>::max() - digit) / 16) return std::nullopt;
    value = value * 16 + digit;
  }
  return value;
}

std::int32_t IntOrDefault(std::string_view text, std::int32_t fallback) {
  return ParseInt32(text).value_or(fallback);
}

std::int32_t StrictInt32(std::string_view text) {
  auto v = ParseInt32(text);
  if (!v) throw EConvertError(std::string(text));
  return *v;
}

}  // namespace tolvar::http
