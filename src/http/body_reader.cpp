#include "http/body_reader.h"

#include <algorithm>
#include <limits>

#include "http/exceptions.h"
#include "http/number.h"
#include "http/response_header_info.h"
#include "http/token.h"
#include "transport/exceptions.h"

namespace tolvar::http {

namespace {

// The most a single stream read moves is 32 bits; bodies are read in pieces
// of this size so any 64-bit length works and a stream is never pre-sized
// far beyond what has arrived.
constexpr std::int64_t kBodyPiece = 1 << 24;

// Counts the bytes written through it. Standard output and pipes report no
// position, so the count is the only way to tell a short read.
class TCountingStream : public platform::TStream {
 public:
  explicit TCountingStream(platform::TStream& target) : target_(target) {}
  std::int32_t Read(void* buffer, std::int32_t count) override { return target_.Read(buffer, count); }
  std::int32_t Write(const void* buffer, std::int32_t count) override {
    const std::int32_t n = target_.Write(buffer, count);
    written_ += n;
    return n;
  }
  std::int64_t Seek(std::int64_t offset, platform::TSeekOrigin origin) override { return target_.Seek(offset, origin); }
  std::int64_t GetSize() override { return target_.GetSize(); }
  void SetSize(std::int64_t size) override { target_.SetSize(size); }
  std::int64_t Written() const { return written_; }

 private:
  platform::TStream& target_;
  std::int64_t written_ = 0;
};

std::int32_t ClampToInt32(std::int64_t n) {
  return static_cast<std::int32_t>(std::min<std::int64_t>(n, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

TNetBodyFraming TNetBodyFraming::Of(const TNetResponseHeaderInfo& response) {
  TNetBodyFraming framing;
  framing.ContentLength = response.ContentLength();
  framing.LengthGiven = response.LengthGiven();
  framing.Chunked = response.RawLines.ValueOf("Transfer-Encoding").find("chunked") != std::string::npos;
  const std::string length = Trim(response.RawLines.ValueOf("Content-Length"));
  if (!framing.LengthGiven && !length.empty()) framing.InvalidLength = length;
  return framing;
}

bool TNetBodyReader::ReadCounted(platform::TStream& stream, std::int64_t count, bool raise_on_close) {
  // One outer work bracket, so progress counts the whole body.
  FConnection.FireWorkBegin(transport::wmRead, ClampToInt32(count));
  bool complete = true;
  try {
    TCountingStream counted(stream);
    while (count > 0) {
      const auto piece = static_cast<std::int32_t>(std::min(count, kBodyPiece));
      const std::int64_t before = counted.Written();
      try {
        FConnection.ReadToStream(counted, piece, false);
      } catch (const transport::ENetConnClosedGracefully&) {
        if (raise_on_close) throw;
        complete = false;
        break;
      }
      // A connection already known to be closed returns what was buffered.
      if (counted.Written() - before < piece) {
        if (raise_on_close) throw transport::ENetConnClosedGracefully();
        complete = false;
        break;
      }
      count -= piece;
    }
  } catch (...) {
    FConnection.FireWorkEnd(transport::wmRead);
    throw;
  }
  FConnection.FireWorkEnd(transport::wmRead);
  return complete;
}

std::string TNetBodyReader::ReadChunkLine() {
  std::string line = FConnection.ReceiveLine("\n");
  // Cut off by the server's close: not a line of the body.
  if (line.empty() && FConnection.LastLineTimedOut) throw transport::ENetConnClosedGracefully();
  return line;
}

bool TNetBodyReader::ReadChunked(platform::TStream& stream, std::int64_t limit) {
  std::int64_t kept = 0;
  for (;;) {
    const std::string line = ReadChunkLine();
    // The size ends at a blank or at the ";" of a chunk extension.
    std::string size_text = line.substr(0, line.find_first_of(" \t;"));
    auto size = ParseHex(size_text);
    if (!size) {
      const bool hex = !size_text.empty() && size_text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
      throw ENetException(hex ? "Chunk size out of range: " + size_text : "Invalid chunk size line: " + line);
    }
    if (*size == 0) break;
    // Compared without a sum: a size near 2^63 would overflow it.
    if (limit >= 0 && *size > limit - kept) {
      ReadCounted(stream, limit - kept, true);
      return true;
    }
    ReadCounted(stream, *size, true);
    // Counted only under a limit, where the check above keeps the sum
    // within it; unlimited sizes may add up beyond 63 bits.
    if (limit >= 0) kept += *size;
    // Anything but the line end here means the size did not tell where the
    // data ends: taking it as the line end would drop bytes of the body and
    // pass the rest for complete.
    const std::string end = ReadChunkLine();
    if (!end.empty()) throw ENetException("Invalid line after chunk data: " + end);
  }
  // The line after the last chunk; a server that closes instead has still
  // sent the whole body.
  try {
    ReadChunkLine();
  } catch (const transport::ENetConnClosedGracefully&) {
  }
  return false;
}

bool TNetBodyReader::Read(const TNetBodyFraming& framing, platform::TStream& stream, std::int64_t limit) {
  bool cut = false;
  if (framing.ContentLength > 0) {
    if (limit >= 0 && framing.ContentLength > limit) {
      ReadCounted(stream, limit, false);
      cut = true;
    } else {
      ReadCounted(stream, framing.ContentLength, false);
    }
  } else if (framing.Chunked) {
    FConnection.FireStatus(transport::hsStatusText, {"Chunk Started"});
    cut = ReadChunked(stream, limit);
  } else if (!framing.InvalidLength.empty()) {
    throw ENetException("Invalid Content-Length: " + framing.InvalidLength);
  } else if (!framing.LengthGiven) {
    if (limit >= 0) {
      cut = ReadCounted(stream, limit, false) && FConnection.Connected();
    } else {
      // One read until close stops after 2^31-1 bytes; a longer body goes on.
      do {
        FConnection.ReadToStream(stream, -1, true);
      } while (FConnection.Connected());
    }
  }
  return cut;
}

}  // namespace tolvar::http
