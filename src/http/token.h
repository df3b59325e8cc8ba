// Small text functions the engine shares: byte positions are 1-based and 0
// means "not found", as the header and URL code is written in those terms.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tolvar::http {

// Start position for LastPosOf meaning "from the end of the text".
inline constexpr std::ptrdiff_t kFromEnd = -1;

// Position of the first occurrence of `sub` in `text`, 0 when absent. Under
// a code page with lead bytes a match never begins on the second byte of a
// double-byte character.
std::size_t FirstPosOf(std::string_view sub, std::string_view text);

// Position of the last occurrence of `sub` that begins at or before `start`
// (kFromEnd: the end of the text), compared ignoring ASCII case; 0 when absent.
std::size_t LastPosOf(std::string_view sub, std::string_view text, std::ptrdiff_t start = kFromEnd);

// Returns the text of `input` before the first `delimiter` (all of it when the
// delimiter does not occur). With `remove`, `input` keeps only what follows
// the delimiter (nothing when it does not occur).
std::string TakeToken(std::string& input, std::string_view delimiter, bool remove = true, bool case_sensitive = true);

// ASCII upper case that leaves the second byte of a double-byte character alone.
std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);

// Removes bytes of value 32 or less at both ends (Trim), the start or the end.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

}  // namespace tolvar::http
