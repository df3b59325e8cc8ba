#include "client/entry/url_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace tolvar::client {
namespace url_line_test {

// Standard input as a text served in pieces of at most `piece` bytes, with
// the position a file would have.
struct UrlLineInput {
  std::string text;
  std::size_t piece = kUrlLineBlock;
  std::size_t position = 0;
  long reads = 0;
  bool fail = false;

  TUrlLineResult Read(std::size_t limit, std::string* line) {
    return ReadUrlLine(
        [this](char* buffer, long count) -> long {
          ++reads;
          if (fail) return -1;
          const std::size_t n = std::min({static_cast<std::size_t>(count), piece, text.size() - position});
          std::memcpy(buffer, text.data() + position, n);
          position += n;
          return static_cast<long>(n);
        },
        [this](long count) { position -= static_cast<std::size_t>(count); }, limit, line);
  }
};

TEST(ReadUrlLineTest, FirstLineUpToCrLfOrEofMarkAndTheRestGivenBack) {
  struct Case {
    std::string input;
    std::size_t piece;
    std::string line;
    std::size_t position;  // where the next reader starts
  };
  const Case cases[] = {
      {"  http://h/a  \r\nhttp://second/\r\n", kUrlLineBlock, "  http://h/a  ", 15},
      {"http://h/a\nsecond", 3, "http://h/a", 11},
      {"http://h/a\x1A"
       "after",
       kUrlLineBlock, "http://h/a", 11},
      {"no line end", kUrlLineBlock, "no line end", 11},
      {"", kUrlLineBlock, "", 0},
      {"\n", 1, "", 1},
      // A line end just past a block boundary.
      {std::string(kUrlLineBlock, 'x') + "\nrest", kUrlLineBlock, std::string(kUrlLineBlock, 'x'), kUrlLineBlock + 1},
  };
  for (const Case& c : cases) {
    UrlLineInput in{c.input, c.piece};
    std::string line = "old";
    EXPECT_EQ(in.Read(kUrlLineLimit, &line), TUrlLineResult::ulLine) << c.input;
    EXPECT_EQ(line, c.line) << c.input;
    EXPECT_EQ(in.position, c.position) << c.input;
  }
}

// Regression: the line was read one byte per call without a bound (a 20 MB
// line took 41 s and 161 MB). Blocks now, and a line beyond the bound ends
// the reading at once.
TEST(ReadUrlLineTest, LineBeyondTheBoundIsRefusedAndTheRestStaysUnread) {
  UrlLineInput exact{std::string(kUrlLineLimit, 'u') + "\r\n"};
  std::string line;
  EXPECT_EQ(exact.Read(kUrlLineLimit, &line), TUrlLineResult::ulLine);
  EXPECT_EQ(line.size(), kUrlLineLimit);
  EXPECT_LE(exact.reads, static_cast<long>(kUrlLineLimit / kUrlLineBlock + 1));

  UrlLineInput big{std::string(20 * 1024 * 1024, 'u')};
  EXPECT_EQ(big.Read(kUrlLineLimit, &line), TUrlLineResult::ulTooLong);
  EXPECT_TRUE(line.empty());
  EXPECT_LE(big.position, kUrlLineLimit + kUrlLineBlock);

  UrlLineInput small{"abcdef\n", 2};
  EXPECT_EQ(small.Read(5, &line), TUrlLineResult::ulTooLong);
  UrlLineInput fits{"abcde\n", 2};
  EXPECT_EQ(fits.Read(5, &line), TUrlLineResult::ulLine);
  EXPECT_EQ(line, "abcde");
}

TEST(ReadUrlLineTest, ReadFailureIsReported) {
  UrlLineInput in{"http://h/", kUrlLineBlock, 0, 0, true};
  std::string line;
  EXPECT_EQ(in.Read(kUrlLineLimit, &line), TUrlLineResult::ulReadFailed);
}

}  // namespace url_line_test
}  // namespace tolvar::client
