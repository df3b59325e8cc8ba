#pragma once

#include <string>
#include <string_view>

namespace tolvar::http {

// Inserts `break_string` so that no output line runs past `max_column`
// bytes, breaking after one of `break_chars`. Text inside double quotes is
// never broken, a double-byte character is never split, and a break string
// already in the text counts as a break. A text without break characters
// comes back unchanged, however long.
std::string WrapAtBreaks(std::string_view text, std::string_view break_string, std::string_view break_chars,
                         int max_column);

}  // namespace tolvar::http
