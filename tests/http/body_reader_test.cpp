// Body framing over the in-memory wire: every case also runs with its input
// split at each byte, so no split the network may choose changes a body.
#include "http/body_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "http/exceptions.h"
#include "http/response_header_info.h"
#include "support/failure_of.h"
#include "support/memory_io_handler.h"
#include "transport/exceptions.h"
#include "transport/tcp_client.h"

namespace tolvar::http {
namespace body_reader_test {

using tolvar::testing::FailureOf;
using tolvar::testing::TMemoryIOHandler;
using TEnd = TMemoryIOHandler::TEnd;

TNetBodyFraming Counted(std::int64_t length) {
  return TNetBodyFraming{length, true, false, {}};
}
const TNetBodyFraming kChunked{-1, false, true, {}};
const TNetBodyFraming kUntilClose{-1, false, false, {}};

// One connection over a wire that serves `input` either whole or in pieces
// of `piece` bytes.
struct TWire {
  TWire(const std::string& input, std::size_t piece, TEnd end) {
    std::vector<std::string> pieces;
    if (piece == 0) {
      pieces.push_back(input);
    } else {
      for (std::size_t i = 0; i < input.size(); i += piece) pieces.push_back(input.substr(i, piece));
    }
    wire.Serve(pieces, end);
    connection.SetIOHandler(wire.Shared());
    connection.Host = "h";
    connection.Port = 80;
    connection.Connect();
  }
  TMemoryIOHandler wire;
  tolvar::transport::TNetTCPClient connection;
};

struct TOutcome {
  std::string body;
  bool cut = false;
  std::string failure = "no exception";
  std::string left;  // what stays for the next answer (Close ends only)
};

// With `arrived_with_head` the first piece is already buffered when the
// body is read, as the head's last read leaves it through the client.
TOutcome ReadOver(const std::string& input, std::size_t piece, TEnd end, const TNetBodyFraming& framing,
                  std::int64_t limit = -1, bool arrived_with_head = false) {
  TWire w(input, piece, end);
  if (arrived_with_head) w.connection.FillInputBuffer();
  TOutcome outcome;
  tolvar::platform::TMemoryStream stream;
  outcome.failure = FailureOf([&] { outcome.cut = TNetBodyReader(w.connection).Read(framing, stream, limit); });
  outcome.body = stream.Bytes();
  // What stays for the next answer, read to the server's close.
  if (outcome.failure == "no exception" && end == TEnd::Close) outcome.left = w.connection.ReadAllUntilClosed();
  return outcome;
}

// Whole, and split after every byte.
const std::vector<std::size_t> kSplits = {0, 1, 2, 3, 7};

TEST(TNetBodyReaderTest, CountedBodiesStopAtTheirLength) {
  for (std::size_t split : kSplits) {
    const TOutcome o = ReadOver("helloNEXT", split, TEnd::Close, Counted(5));
    EXPECT_EQ(o.body, "hello") << split;
    EXPECT_FALSE(o.cut);
    EXPECT_EQ(o.left, "NEXT") << split;
  }
}

TEST(TNetBodyReaderTest, ChunkedBodiesWithExtensionsBlanksAndTheLineAfterTheLastChunk) {
  const std::string input = "1a\r\n" + std::string(26, 'c') + "\r\n5;ext=1\r\nhello\r\n3 \r\n, w\r\n0\r\n\r\nNEXT";
  for (std::size_t split : kSplits) {
    const TOutcome o = ReadOver(input, split, TEnd::Close, kChunked);
    EXPECT_EQ(o.body, std::string(26, 'c') + "hello, w") << split;
    EXPECT_EQ(o.left, "NEXT") << split;
  }
}

TEST(TNetBodyReaderTest, UntilCloseReadsEverything) {
  for (std::size_t split : kSplits) {
    EXPECT_EQ(ReadOver("until close", split, TEnd::Close, kUntilClose).body, "until close") << split;
  }
}

// A close while bytes are still unread by the framing: these cases take the
// body whole with the head, since a block that arrives on its own right
// before the close is the connection's to keep.
TEST(TNetBodyReaderTest, ACloseBeforeTheEnd) {
  // Counted: what arrived is kept and the end is quiet (the length tells).
  EXPECT_EQ(ReadOver("short", 0, TEnd::Close, Counted(4294967301LL), -1, true).body, "short");
  // Chunked: an error, since nothing else would tell.
  const TOutcome chunk = ReadOver("10\r\nshort", 0, TEnd::Close, kChunked, -1, true);
  EXPECT_EQ(chunk.failure, "Connection Closed Gracefully.");
  EXPECT_EQ(chunk.body, "short");
  EXPECT_EQ(ReadOver("3\r\nab", 0, TEnd::Close, kChunked).failure, "Connection Closed Gracefully.");
  // A close right after the last chunk still ends a complete body.
  const TOutcome last = ReadOver("3\r\nabc\r\n0\r\n", 1, TEnd::Close, kChunked);
  EXPECT_EQ(last.failure, "no exception");
  EXPECT_EQ(last.body, "abc");
  // Under a limit, a body that ends by the close within it is whole.
  const TOutcome closed = ReadOver("small", 0, TEnd::Close, kUntilClose, 100, true);
  EXPECT_EQ(closed.body, "small");
  EXPECT_FALSE(closed.cut);
}

TEST(TNetBodyReaderTest, ChunkSizesThatOverflowOrAreNotNumbersFail) {
  EXPECT_EQ(ReadOver("1FFFFFFFFFFFFFFFF\r\n", 0, TEnd::Open, kChunked).failure,
            "Chunk size out of range: 1FFFFFFFFFFFFFFFF");
  EXPECT_EQ(ReadOver("zz\r\n", 1, TEnd::Open, kChunked).failure, "Invalid chunk size line: zz");
  EXPECT_EQ(ReadOver("-5\r\n", 0, TEnd::Open, kChunked).failure, "Invalid chunk size line: -5");
}

// Chunk data that runs past its size was cut at the size and the rest of
// its line dropped as the line end, and the body passed for complete.
TEST(TNetBodyReaderTest, RegressionChunkDataLongerThanItsSizePassedAsComplete) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"3\r\nabcdef\r\n0\r\n\r\n", "Invalid line after chunk data: def"},
      {"3\r\nabc \r\n0\r\n\r\n", "Invalid line after chunk data:  "},
      {"3\r\nabc\r\r\n0\r\n\r\n", "Invalid line after chunk data: \r"},
      // A bare LF stays a line end.
      {"3\r\nabc\n0\r\n\r\n", "no exception"},
  };
  for (const auto& [input, failure] : cases) {
    for (std::size_t split : kSplits) {
      const TOutcome o = ReadOver(input, split, TEnd::Close, kChunked);
      EXPECT_EQ(o.failure, failure) << input << " split " << split;
      EXPECT_EQ(o.body, "abc") << input << " split " << split;
    }
  }
}

// A Content-Length of 2^63, of twenty digits or below 0 counted as none, so
// the body was read to the close and a run ended as a success with three
// bytes of a body announced as 2^63.
TEST(TNetBodyReaderTest, RegressionInvalidContentLengthReadAsUntilClose) {
  for (const char* value : {"9223372036854775808", "99999999999999999999", "-5", "12abc"}) {
    TNetResponseHeaderInfo response;
    response.RawLines.Add(std::string("Content-Length: ") + value);
    response.ReadFromRaw();
    const TNetBodyFraming framing = TNetBodyFraming::Of(response);
    EXPECT_EQ(framing.InvalidLength, value);
    const TOutcome o = ReadOver("abc", 0, TEnd::Close, framing);
    EXPECT_EQ(o.failure, std::string("Invalid Content-Length: ") + value);
    EXPECT_EQ(o.body, "");
  }
  // Chunks decide where a chunked body ends, whatever the length says.
  TNetResponseHeaderInfo chunked;
  chunked.RawLines.Add("Content-Length: -1");
  chunked.RawLines.Add("Transfer-Encoding: chunked");
  chunked.ReadFromRaw();
  EXPECT_EQ(ReadOver("3\r\nabc\r\n0\r\n\r\n", 0, TEnd::Close, TNetBodyFraming::Of(chunked)).body, "abc");
  // No Content-Length, or an empty one, is no length: read to the close.
  TNetResponseHeaderInfo empty;
  empty.RawLines.Add("Content-Length: ");
  empty.ReadFromRaw();
  EXPECT_EQ(ReadOver("abc", 0, TEnd::Close, TNetBodyFraming::Of(empty)).body, "abc");
}

TEST(TNetBodyReaderTest, LimitsKeepTheStartAndSayTheBodyWasCut) {
  const std::string lots(300, 'x');
  for (std::size_t split : kSplits) {
    const TOutcome counted = ReadOver(lots, split, TEnd::Open, Counted(300), 100);
    EXPECT_EQ(counted.body, lots.substr(0, 100));
    EXPECT_TRUE(counted.cut);
    const TOutcome fits = ReadOver(lots, split, TEnd::Open, Counted(300), 300);
    EXPECT_EQ(fits.body, lots);
    EXPECT_FALSE(fits.cut);
    const TOutcome chunks =
        ReadOver("40\r\n" + lots.substr(0, 64) + "\r\n40\r\n" + lots, split, TEnd::Open, kChunked, 100);
    EXPECT_EQ(chunks.body, lots.substr(0, 100)) << split;
    EXPECT_TRUE(chunks.cut);
    const TOutcome open = ReadOver(lots, split, TEnd::Open, kUntilClose, 100);
    EXPECT_EQ(open.body, lots.substr(0, 100));
    EXPECT_TRUE(open.cut);
  }
}

TEST(TNetBodyReaderTest, ChunkSizesNearTwoToThe63UnderALimit) {
  // The kept count plus such a size overflowed and let the body past the cap.
  const TOutcome o = ReadOver("1\r\na\r\n7FFFFFFFFFFFFFFF\r\n" + std::string(500, 'm'), 0, TEnd::Open, kChunked, 100);
  EXPECT_EQ(o.body, "a" + std::string(99, 'm'));
  EXPECT_TRUE(o.cut);
}

TEST(TNetBodyReaderTest, ContentLengthZeroOrAnEmptyFramingReadsNothing) {
  EXPECT_EQ(ReadOver("NEXT", 0, TEnd::Close, Counted(0)).left, "NEXT");
  EXPECT_EQ(ReadOver("3\r\nabc\r\n0\r\n\r\n", 0, TEnd::Open, Counted(0)).body, "");
}

}  // namespace body_reader_test
}  // namespace tolvar::http
