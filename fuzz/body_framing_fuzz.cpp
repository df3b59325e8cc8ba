// Body framing over the in-memory wire, served in pieces of random sizes:
// a counted body (Content-Length), chunks (sizes, extensions, trailers) and
// a body that runs to the server's close, with and without the caller's
// cap. What reaches the stream never exceeds what the framing and the cap
// allow and is made only of bytes from the wire, in order; nothing buffers
// more than arrived; every failure is one of the engine's exceptions. A
// chunked body is also decoded by a reference decoder below, written from
// the framing rules and not from the engine: both must agree on the bytes,
// on success or failure, and on whether the cap cut the body.
//
// Input: the framing and its numbers first (FuzzedDataProvider), then the
// bytes on the wire.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <random>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "http/body_reader.h"
#include "platform/stream.h"
#include "support/memory_io_handler.h"
#include "transport/exceptions.h"
#include "transport/tcp_client.h"

namespace {

using tolvar::testing::TMemoryIOHandler;

// A stream that keeps the bytes written and only notes the size it is set
// to, as a sparse file would: a read pre-sizes it for every piece of a body,
// and memory-backed, 16 MiB per run would make the fuzzer crawl. Its peak
// size tells how far ahead of the data a read reserved.
class TSinkStream : public tolvar::platform::TStream {
 public:
  std::int32_t Read(void* buffer, std::int32_t count) override {
    const auto n = static_cast<std::int32_t>(
        std::max<std::int64_t>(0, std::min<std::int64_t>(count, static_cast<std::int64_t>(data_.size()) - position_)));
    if (n > 0) data_.copy(static_cast<char*>(buffer), static_cast<std::size_t>(n), static_cast<std::size_t>(position_));
    position_ += n;
    return n;
  }
  std::int32_t Write(const void* buffer, std::int32_t count) override {
    const auto end = static_cast<std::size_t>(position_ + count);
    if (data_.size() < end) data_.resize(end);
    data_.replace(static_cast<std::size_t>(position_), static_cast<std::size_t>(count),
                  static_cast<const char*>(buffer), static_cast<std::size_t>(count));
    position_ += count;
    Grow(position_);
    return count;
  }
  std::int64_t Seek(std::int64_t offset, tolvar::platform::TSeekOrigin origin) override {
    const std::int64_t base = origin == tolvar::platform::TSeekOrigin::soBeginning ? 0
                              : origin == tolvar::platform::TSeekOrigin::soCurrent ? position_
                                                                                   : size_;
    position_ = std::max<std::int64_t>(0, base + offset);
    return position_;
  }
  std::int64_t GetSize() override { return size_; }
  void SetSize(std::int64_t size) override {
    if (static_cast<std::int64_t>(data_.size()) > size) data_.resize(static_cast<std::size_t>(size));
    size_ = size;
    peak_ = std::max(peak_, size);
  }
  const std::string& Bytes() const { return data_; }
  std::int64_t Peak() const { return peak_; }

 private:
  void Grow(std::int64_t end) {
    size_ = std::max(size_, end);
    peak_ = std::max(peak_, size_);
  }
  std::string data_;
  std::int64_t position_ = 0;
  std::int64_t size_ = 0;
  std::int64_t peak_ = 0;
};

// What the reference decoder makes of a chunked body.
struct TChunkedVerdict {
  bool ok = false;
  bool cut = false;
  // The decoded bytes; on failure, those up to the failure point, a chunk
  // cut short included.
  std::string body;
};

// The longest line the connection reads (its MaxLineLength), counted with
// the CR before the LF.
constexpr std::size_t kMaxLine = 16384;

// Chunked framing decoded from the whole wire at once. Each line ends in
// LF (a CR before it is dropped) and is at most kMaxLine bytes; a size is
// hexadecimal digits below 2^63, optionally followed by a blank, a tab or
// a ";" and whatever comes after (an extension); the data of a chunk is
// followed by an empty line; after the zero chunk one more line ends the
// body, and a close in its place is an end too. With `limit` >= 0 the
// body is cut once that many bytes are kept. Bytes missing anywhere else
// fail, whether the server closed or keeps waiting.
TChunkedVerdict DecodeChunked(const std::string& wire, std::int64_t limit, bool server_closes) {
  TChunkedVerdict v;
  std::size_t at = 0;
  // The next line, or false when it is missing or too long.
  auto next_line = [&](std::string& line) {
    const std::size_t lf = wire.find('\n', at);
    const std::size_t end = lf == std::string::npos ? wire.size() : lf;
    if (end - at > kMaxLine || lf == std::string::npos) return false;
    line = wire.substr(at, end - at);
    at = lf + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  };
  for (;;) {
    std::string line;
    if (!next_line(line)) return v;
    std::size_t digits = 0;
    while (digits < line.size() && std::isxdigit(static_cast<unsigned char>(line[digits]))) ++digits;
    if (digits == 0) return v;
    if (digits < line.size() && line[digits] != ' ' && line[digits] != '\t' && line[digits] != ';') return v;
    const std::string hex = line.substr(0, digits);
    const std::size_t first = hex.find_first_not_of('0');
    const std::string significant = first == std::string::npos ? std::string() : hex.substr(first);
    // Below 2^63: at most 16 digits, and the first of sixteen at most 7.
    if (significant.size() > 16 || (significant.size() == 16 && significant[0] > '7')) return v;
    const std::uint64_t size = significant.empty() ? 0 : std::stoull(significant, nullptr, 16);
    if (size == 0) {
      // The line that ends the body; a server that closes instead has sent
      // it all. A line too long is no end.
      std::string end_line;
      v.ok = next_line(end_line) || (server_closes && wire.size() - at <= kMaxLine);
      return v;
    }
    const auto kept = static_cast<std::uint64_t>(v.body.size());
    const bool cap = limit >= 0 && size > static_cast<std::uint64_t>(limit) - kept;
    const std::uint64_t want = cap ? static_cast<std::uint64_t>(limit) - kept : size;
    const std::uint64_t room = wire.size() - at;
    v.body += wire.substr(at, static_cast<std::size_t>(std::min(want, room)));
    if (want > room) return v;
    at += static_cast<std::size_t>(want);
    if (cap) {
      v.ok = v.cut = true;
      return v;
    }
    if (!next_line(line) || !line.empty()) return v;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int kind = in.ConsumeIntegralInRange(0, 2);
  tolvar::http::TNetBodyFraming framing;
  if (kind == 0) {
    // Small lengths mostly, but also the far end of 63 bits.
    framing.ContentLength =
        in.ConsumeBool() ? in.ConsumeIntegralInRange<std::int64_t>(0, 4096) : in.ConsumeIntegral<std::int64_t>();
    framing.LengthGiven = framing.ContentLength >= 0;
  } else if (kind == 1) {
    framing.Chunked = true;
  }
  const std::int64_t limit = in.ConsumeBool() ? -1 : in.ConsumeIntegralInRange<std::int64_t>(0, 8192);
  const bool close = in.ConsumeBool();
  const bool arrived_with_head = in.ConsumeBool();
  std::minstd_rand pieces_random(in.ConsumeIntegral<std::uint32_t>());
  const std::string wire_bytes = in.ConsumeRemainingBytesAsString();

  std::vector<std::string> pieces;
  for (std::size_t at = 0; at < wire_bytes.size();) {
    const std::size_t n = 1 + pieces_random() % 97;
    pieces.push_back(wire_bytes.substr(at, n));
    at += n;
  }
  TMemoryIOHandler wire;
  wire.Serve(pieces, close ? TMemoryIOHandler::TEnd::Close : TMemoryIOHandler::TEnd::Open);
  tolvar::transport::TNetTCPClient connection;
  connection.SetIOHandler(wire.Shared());
  connection.Host = "h";
  connection.Port = 80;
  connection.Connect();

  TSinkStream stream;
  bool cut = false;
  bool failed = false;
  try {
    if (arrived_with_head) connection.FillInputBuffer();
    cut = tolvar::http::TNetBodyReader(connection).Read(framing, stream, limit);
  } catch (const tolvar::transport::ENetException&) {
    failed = true;
  } catch (const std::exception& e) {
    FUZZ_CHECK_MSG(false, std::string("not an engine exception: ") + e.what());
  }
  FUZZ_CHECK(connection.ReceiveQueue().GetSize() <= static_cast<std::int64_t>(wire_bytes.size()));

  const std::string& body = stream.Bytes();
  const auto written = static_cast<std::int64_t>(body.size());
  // No size reserved ahead of the data is left behind, and none was ever
  // reserved beyond one piece of a body (16 MiB).
  FUZZ_CHECK(stream.GetSize() == written);
  FUZZ_CHECK(stream.Peak() <= written + (std::int64_t{1} << 24));
  FUZZ_CHECK(written <= static_cast<std::int64_t>(wire_bytes.size()));
  if (limit >= 0) FUZZ_CHECK(written <= limit);
  // Cut means "not read to its end, close the connection": only a cap does it.
  if (cut) FUZZ_CHECK(limit >= 0);

  // A negative length is no length: the body runs to the close.
  const int read_as = kind == 0 && framing.ContentLength < 0 ? 2 : kind;
  if (read_as == 0 || read_as == 2) {
    // Counted and until-close bodies are the wire's first bytes as they are.
    FUZZ_CHECK(wire_bytes.compare(0, body.size(), body) == 0);
    if (read_as == 0) FUZZ_CHECK(written <= framing.ContentLength);
    // Over a closing connection nothing is lost short of the framing's end.
    if (close && !failed) {
      std::int64_t want = static_cast<std::int64_t>(wire_bytes.size());
      if (read_as == 0) want = std::min(want, framing.ContentLength);
      if (limit >= 0) want = std::min(want, limit);
      FUZZ_CHECK(written == want);
    }
  } else {
    const TChunkedVerdict want = DecodeChunked(wire_bytes, limit, close);
    FUZZ_CHECK_MSG(failed != want.ok, want.ok ? "the reference decodes it" : "the reference fails it");
    if (want.ok) {
      FUZZ_CHECK(body == want.body);
      FUZZ_CHECK(cut == want.cut);
    } else {
      // What arrived before the failure is kept, and nothing else.
      FUZZ_CHECK(want.body.compare(0, body.size(), body) == 0);
    }
  }
  return 0;
}
