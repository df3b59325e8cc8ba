// One request/response pair of an HTTP client on the wire: writes the
// request head, reads the response head, and decides what follows a final
// response. The client owns one for its requests; the CONNECT of a proxy
// tunnel uses a second one.
#pragma once

#include <cstdint>
#include <string>

#include "http/cookie_manager.h"
#include "http/http_request.h"
#include "http/http_response.h"
#include "http/http_types.h"
#include "http/proxy_connection_info.h"
#include "http/uri.h"
#include "transport/tcp_connection.h"

namespace tolvar::http {

// What a protocol needs of the client that drives it: the wire and the
// client's answers where a response leaves a choice. Everything else the
// client knows reaches the protocol as arguments.
class TNetHTTPProtocolClient {
 public:
  // The connection the head and body travel on. Its Disconnect is the
  // client's, so an oversized or cut-off head closes it as the client would.
  virtual transport::TNetTCPConnection& Wire() = 0;
  // Closes the connection as a step of the exchange (no abort).
  virtual void CloseConnection() = 0;
  // Whether a redirect to `dest` is followed or accepted; may change `dest`
  // and `method`.
  virtual bool ConfirmRedirect(std::string& dest, TNetHTTPMethod& method, int num_redirect) = 0;
  // The answers to a 401 and a 407: true sends the request again.
  virtual bool AuthorizeServer(TNetHTTPRequest& request, TNetHTTPResponse& response) = 0;
  virtual bool AuthorizeProxy(TNetHTTPRequest& request, TNetHTTPResponse& response) = 0;
  // Reads the body into response.BodyStream by its framing, at most `limit`
  // bytes when `limit` >= 0: true means it was longer and the connection
  // has been closed.
  virtual bool ReadBody(TNetHTTPResponse& response, std::int32_t limit) = 0;
  // The proxy whose credentials go into the head; also its authentication.
  virtual TNetProxyConnectionInfo& ProxyInfo() = 0;
  // The manager whose cookies go into the head; null when there is none.
  virtual TNetCookieManager* CookieManager() const = 0;

 protected:
  ~TNetHTTPProtocolClient() = default;
};

// The client's counters and limits at one decision: how many redirects and
// authorization rounds the request has had, and how many it may have.
struct TNetExchangeCounts {
  int RedirectCount = 0;
  int RedirectMaximum = 0;
  bool HandleRedirects = false;
  int AuthRetryCount = 0;
  int AuthProxyRetryCount = 0;
  int AuthRetries = 0;
  bool InProcessAuth = false;
};

class TNetHTTPProtocol {
 public:
  // `client` must outlive the protocol.
  explicit TNetHTTPProtocol(TNetHTTPProtocolClient& client);
  TNetHTTPProtocol(const TNetHTTPProtocol&) = delete;
  TNetHTTPProtocol& operator=(const TNetHTTPProtocol&) = delete;

  // Composes the head from the request record (with the Cookie line for
  // `location` when there is one) and sends it in one write. A line break
  // in any field fails with ENetException before a byte is sent.
  // The request line names `version`.
  void SendRequestHead(const TNetURI* location, TNetHTTPProtocolVersion version);
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
  NextStep DecideNext(const TNetExchangeCounts& counts);

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
  void ReadCappedInto(platform::TStream* stream);

  TNetHTTPProtocolClient& FClient;
};

}  // namespace tolvar::http
