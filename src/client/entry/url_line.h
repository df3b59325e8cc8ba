// The URL line that "-u -" reads from standard input.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace tolvar::client {

// The longest URL line taken from standard input, in bytes without its line
// end. A request line that long is refused by most servers already; the
// bound keeps a runaway producer from filling memory and time.
inline constexpr std::size_t kUrlLineLimit = 64 * 1024;
// Bytes asked for per read.
inline constexpr std::size_t kUrlLineBlock = 4096;

enum class TUrlLineResult {
  ulLine,        // *line holds the line (possibly empty at the end of input)
  ulTooLong,     // more than `limit` bytes came before any line end
  ulReadFailed,  // a read failed; the system's code tells why
};

// Reads the first line: up to, not including, the first CR, LF or 0x1A (the
// text end-of-file mark); the whole input when none comes. Reads blocks of
// kUrlLineBlock bytes through `read` (bytes read, 0 at the end, -1 on a
// failure) and hands what it read beyond the line end to `give_back`, which
// puts the input back there where it can (a file) and does nothing where it
// cannot (a pipe: those bytes are gone, as the rest of the input is ignored
// anyway). A line longer than `limit` stops the reading at once: at most
// limit + kUrlLineBlock bytes are read, the rest of the input stays unread.
TUrlLineResult ReadUrlLine(const std::function<long(char* buffer, long count)>& read,
                           const std::function<void(long count)>& give_back, std::size_t limit, std::string* line);

}  // namespace tolvar::client
