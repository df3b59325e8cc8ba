// Decimal and hexadecimal conversions with the engine's rules: a number is
// an optional sign and digits, nothing else (no blanks, no prefixes).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tolvar::http {

// Empty when the text is not a number or does not fit 64 bits.
std::optional<std::int64_t> ParseInt64(std::string_view text);
// Empty when the text is not a number or does not fit 32 bits.
std::optional<std::int32_t> ParseInt32(std::string_view text);
// Hexadecimal digits only; empty when there are none, another byte follows
// or the value does not fit 63 bits.
std::optional<std::int64_t> ParseHex(std::string_view text);

// ParseInt32 or the default.
std::int32_t IntOrDefault(std::string_view text, std::int32_t fallback);
// ParseInt32 or EConvertError.
std::int32_t StrictInt32(std::string_view text);

}  // namespace tolvar::http
