#include "http/wrap_at_breaks.h"

#include "http/token.h"
#include "platform/codepage.h"

namespace tolvar::http {

std::string WrapAtBreaks(std::string_view text, std::string_view break_string, std::string_view break_chars,
                         int max_column) {
  // Positions are 1-based to keep the column arithmetic plain: the column of
  // the next line starts at position - break position.
  const std::ptrdiff_t length = static_cast<std::ptrdiff_t>(text.size());
  std::ptrdiff_t pos = 1;
  std::ptrdiff_t column = 1;
  std::ptrdiff_t line_start = 1;
  std::ptrdiff_t break_pos = 0;
  char quote = 0;
  auto at = [&](std::ptrdiff_t p) { return text[static_cast<std::size_t>(p - 1)]; };
  auto is_break_char = [&](char c) { return break_chars.find(c) != std::string_view::npos; };
  std::string out;
  while (pos <= length) {
    bool existing_break = false;
    const char current = at(pos);
    if (platform::IsLeadByte(static_cast<unsigned char>(current))) {
      ++pos;
      ++column;
    } else if (!break_string.empty() && current == break_string[0]) {
      if (quote == 0 && SameText(text.substr(static_cast<std::size_t>(pos - 1), break_string.size()), break_string)) {
        existing_break = true;
        pos += static_cast<std::ptrdiff_t>(break_string.size()) - 1;
        break_pos = pos;
      }
    } else if (is_break_char(current)) {
      if (quote == 0) break_pos = pos;
    } else if (current == '"') {
      if (quote == current) {
        quote = 0;
      } else if (quote == 0) {
        quote = current;
      }
    }
    ++pos;
    ++column;
    if (quote == 0 && (existing_break || (column > max_column && break_pos > line_start))) {
      column = pos - break_pos;
      out.append(
          text.substr(static_cast<std::size_t>(line_start - 1), static_cast<std::size_t>(break_pos - line_start + 1)));
      if (current != '"') {
        // Blanks after the break stay at the start of the next line, but
        // neither count nor serve as a break there.
        while (pos <= length && (is_break_char(at(pos)) || at(pos) == '\r' || at(pos) == '\n')) ++pos;
      }
      if (!existing_break && pos < length) out.append(break_string);
      line_start = break_pos + 1;
    }
  }
  if (line_start <= length) out.append(text.substr(static_cast<std::size_t>(line_start - 1)));
  return out;
}

}  // namespace tolvar::http
