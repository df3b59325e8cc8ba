// The URL line of standard input against a plain reading of the rule: the
// bytes up to the first CR, LF or 0x1A, refused when longer than the bound.
// The input arrives in pieces of fuzzed sizes; reads never ask for more than
// a block, a refused line leaves the input read no further than the bound
// and one block, and an accepted one leaves it just past its line end.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "client/entry/url_line.h"
#include "fuzz_check.h"

using tolvar::client::kUrlLineBlock;
using tolvar::client::ReadUrlLine;
using tolvar::client::TUrlLineResult;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Byte 0: the bound (0 to 255, small enough for the input to pass it);
  // byte 1: the most a read hands over (1 to 256); then the input itself.
  if (size < 2) return 0;
  const std::size_t limit = data[0];
  const std::size_t piece = std::size_t{data[1]} + 1;
  const std::string_view input(reinterpret_cast<const char*>(data) + 2, size - 2);

  std::size_t position = 0;
  bool gave_back = false;
  std::string line;
  const TUrlLineResult result = ReadUrlLine(
      [&](char* buffer, long count) -> long {
        FUZZ_CHECK(count > 0 && static_cast<std::size_t>(count) <= kUrlLineBlock);
        const std::size_t n = std::min({static_cast<std::size_t>(count), piece, input.size() - position});
        std::memcpy(buffer, input.data() + position, n);
        position += n;
        return static_cast<long>(n);
      },
      [&](long count) {
        FUZZ_CHECK(!gave_back && count > 0 && static_cast<std::size_t>(count) <= position);
        gave_back = true;
        position -= static_cast<std::size_t>(count);
      },
      limit, &line);

  const std::size_t end = std::min(input.find_first_of(std::string_view("\r\n\x1A", 3)), input.size());
  if (end > limit) {
    FUZZ_CHECK(result == TUrlLineResult::ulTooLong && line.empty());
    FUZZ_CHECK(position > limit && position <= limit + kUrlLineBlock);
    return 0;
  }
  FUZZ_CHECK(result == TUrlLineResult::ulLine);
  FUZZ_CHECK(line == input.substr(0, end));
  FUZZ_CHECK(position == std::min(end + 1, input.size()));
  return 0;
}
