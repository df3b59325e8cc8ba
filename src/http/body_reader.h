// Reads one response body off a connection by its framing: a counted body
// (Content-Length), chunks, or everything up to the server's close. Knows
// nothing of requests or clients, so the framing is tested over any
// connection, the in-memory one included.
#pragma once

#include <cstdint>
#include <string>

#include "platform/stream.h"
#include "transport/tcp_connection.h"

namespace tolvar::http {

class TNetResponseHeaderInfo;

// How a response says where its body ends.
struct TNetBodyFraming {
  // Content-Length when given (> 0 means a counted body).
  std::int64_t ContentLength = -1;
  bool LengthGiven = false;
  // Transfer-Encoding contains "chunked" (case-sensitive).
  bool Chunked = false;
  // A Content-Length value that is no length (negative, beyond 63 bits, not
  // a number); empty when there is none or it is valid.
  std::string InvalidLength;

  static TNetBodyFraming Of(const TNetResponseHeaderInfo& response);
};

class TNetBodyReader {
 public:
  explicit TNetBodyReader(transport::TNetTCPConnection& connection) : FConnection(connection) {}

  // Reads the body into `stream` from its position. With `limit` >= 0 at
  // most that many bytes are kept: true means the body was longer and was
  // not read to its end, so the caller must close the connection (the rest
  // is still on the wire). A counted body cut short by the server's close
  // keeps what arrived and ends quietly; a chunked one raises
  // ENetConnClosedGracefully, since nothing else would tell. A chunk-size
  // line that is no number fails with ENetException "Invalid chunk size
  // line: ...", one beyond 63 bits with "Chunk size out of range: ...",
  // and chunk data not followed by a line end with "Invalid line after
  // chunk data: ...".
  // A body that is not chunked and whose Content-Length is no length fails
  // with "Invalid Content-Length: ..." before anything is read: where it
  // ends cannot be known, and reading to the close would pass a body the
  // server never sent whole for a complete one.
  // Raises status hsStatusText "Chunk Started" before chunks.
  bool Read(const TNetBodyFraming& framing, platform::TStream& stream, std::int64_t limit = -1);

 private:
  // Reads exactly `count` bytes in pieces a single read can move. A close
  // by the server first keeps what arrived and returns false, or raises
  // ENetConnClosedGracefully with `raise_on_close`.
  bool ReadCounted(platform::TStream& stream, std::int64_t count, bool raise_on_close);
  // A chunk-size line or the line end after a chunk.
  std::string ReadChunkLine();
  // True when `limit` (>= 0) cut the body short.
  bool ReadChunked(platform::TStream& stream, std::int64_t limit);

  transport::TNetTCPConnection& FConnection;
};

}  // namespace tolvar::http
