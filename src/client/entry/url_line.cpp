#include "client/entry/url_line.h"

#include "client/support/wipe.h"

namespace tolvar::client {

TUrlLineResult ReadUrlLine(const std::function<long(char*, long)>& read, const std::function<void(long)>& give_back,
                           std::size_t limit, std::string* line) {
  line->clear();
  // The line may carry a user name and a password: room for the longest
  // one at once, so that no growth leaves a copy behind in freed memory, and
  // the block blanked before it goes.
  line->reserve(limit + kUrlLineBlock);
  std::string block(kUrlLineBlock, '\0');
  struct Blank {
    std::string& bytes;
    ~Blank() { WipeString(bytes); }
  } blank{block};
  for (;;) {
    const long n = read(block.data(), static_cast<long>(block.size()));
    if (n < 0) return TUrlLineResult::ulReadFailed;
    if (n == 0) break;
    const std::size_t got = static_cast<std::size_t>(n);
    std::size_t end = 0;
    while (end < got && block[end] != '\r' && block[end] != '\n' && block[end] != '\x1A') ++end;
    line->append(block.data(), end);
    if (line->size() > limit) {
      WipeString(*line);
      line->clear();
      return TUrlLineResult::ulTooLong;
    }
    if (end < got) {
      // The line end is consumed; what follows it goes back where it can.
      if (got - end > 1) give_back(static_cast<long>(got - end - 1));
      break;
    }
  }
  return TUrlLineResult::ulLine;
}

}  // namespace tolvar::client
