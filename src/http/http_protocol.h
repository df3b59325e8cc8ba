// One request/response pair of an HTTP client on the wire: writes the
// request head, reads the response head, and decides what follows a final
// response. The client owns one for its requests; the CONNECT of a proxy
// tunnel uses a second one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "http/http_request.h"
#include "http/http_response.h"
#include "http/uri.h"

namespace tolvar::http {

class TNetCustomHTTP;

class TNetHTTPProtocol {
 public:
  explicit TNetHTTPProtocol(TNetCustomHTTP* client);
  TNetHTTPProtocol(const TNetHTTPProtocol&) = delete;
  TNetHTTPProtocol& operator=(const TNetHTTPProtocol&) = delete;

  // Composes the head from the request record (with the Cookie line for
  // `location` when there is one) and sends it in one write. A line break
  // in any field fails with ENetException before a byte is sent.
  void SendRequestHead(const TNetURI* location);
  // Every field that goes into the head, checked before connecting:
  // ENetException naming the first field that holds a CR or LF.
  void CheckRequestFields() const;
  // One line of the response head, counted against kMaxHeaderBytes.
  std::string ReadHeadLine();
  // Reads header lines up to the empty line into Response.RawLines and
  // parses them. A close by the server ends the head early. The head of one
  // response may hold at most kMaxHeaderBytes.
  void ReadHeaders();
  // Acts on a final response: reads or drains its body and returns the next
  // step, or raises ENetHTTPProtocolException for a status it does not handle.
  NextStep DecideNext();

  TNetHTTPRequest Request;
  TNetHTTPResponse Response;

  // Bytes of response head (status lines, header lines and their line ends,
  // interim responses included) one request accepts.
  static constexpr std::int64_t kMaxHeaderBytes = 1 << 20;
  // Bytes of an error or redirect body kept or drained; beyond that the
  // connection is closed rather than read to its end.
  static constexpr std::int32_t kMaxDiscardedBody = 64 << 10;

  // Head bytes counted so far for the current request; the exchange resets
  // it before each status line of a new request.
  std::int64_t HeadBytes = 0;

 private:
  // Reads the failing response's body (at most kMaxDiscardedBody, 2000 ms
  // read time-out) and raises ENetHTTPProtocolException with it.
  [[noreturn]] void RaiseProtocolFailure();
  // Reads and drops the body with a 4000 ms read time-out; a failure closes
  // the connection instead of passing on.
  void DrainBody();
  // Whether the response to this request carries no body whatever its
  // header says (HEAD, 1xx, 204, 304).
  bool ResponseHasNoBody();
  // Reads the body, at most kMaxDiscardedBody bytes of it, into `stream`
  // (null: dropped); beyond the cap the connection is closed.
  void ReadCappedInto(tolvar::platform::TStream* stream);

  TNetCustomHTTP* FHTTP;
};

}  // namespace tolvar::http
