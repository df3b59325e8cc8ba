// The HTTP/1.0 and HTTP/1.1 client: resolves a URL against the current
// location, picks the route (direct or through an HTTP proxy), opens or
// reuses the connection, sends the request head and body, reads the status
// line and headers, and reads the body by Content-Length, by chunks or up to
// the close of the connection.
//
// One thread drives a client; Disconnect may come from another thread (see
// the TCP connection). Failures are raised as ENetException (or a
// conversion error for a malformed port or Content-Range).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "http/cookie_manager.h"
#include "http/http_protocol.h"
#include "http/http_types.h"
#include "http/proxy_connection_info.h"
#include "http/uri.h"
#include "platform/stream.h"
#include "transport/tcp_client.h"

namespace tolvar::http {

class TNetCustomHTTP : public transport::TNetTCPClient, private TNetHTTPProtocolClient {
 public:
  using RedirectEvent = std::function<void(TNetCustomHTTP& sender, std::string& dest, int num_redirect, bool& handled,
                                           TNetHTTPMethod& method)>;
  using AuthorizationEvent =
      std::function<void(TNetCustomHTTP& sender, TNetAuthentication& authentication, bool& handled)>;
  using SelectAuthorizationEvent =
      std::function<void(TNetCustomHTTP& sender, std::string& scheme_name, const TNetHeaderList& challenges)>;

  TNetCustomHTTP();
  ~TNetCustomHTTP() override;

  void Get(const std::string& url, platform::TStream* response);
  // Always on a fresh connection and, unless hoKeepOrigProtocol, as HTTP/1.0.
  void Post(const std::string& url, platform::TStream* source, platform::TStream* response);
  void Put(const std::string& url, platform::TStream* source, platform::TStream* response);

  // The answers to a 401 and a 407: true sends the request again.
  bool AuthorizeServer(TNetHTTPRequest& request, TNetHTTPResponse& response) override;
  bool AuthorizeProxy(TNetHTTPRequest& request, TNetHTTPResponse& response) override;
  // Whether a redirect to `dest` is followed (or, when not followed,
  // accepted as the end of the request).
  bool ConfirmRedirect(std::string& dest, TNetHTTPMethod& method, int num_redirect) override;
  // The whole exchange; raises on failure. On success the body has been
  // written to `response` from its position at the start.
  virtual void PerformRequest(TNetHTTPMethod method, const std::string& url, platform::TStream* source,
                              platform::TStream* response);

  // From another thread (an abort: the window's Abort or close) the request
  // in progress, or the next one this client starts on another thread, fails
  // with ENetClosedSocket "Disconnected." wherever it is, even when the close
  // looks like the end of the body. The engine's own closes use
  // CloseConnection and abort nothing.
  void Disconnect() override;

  // The target host and port; they also become the current location's.
  void SetHost(const std::string& host);
  void SetPort(int port);

  TNetHTTPRequest& Request() { return FProtocol->Request; }
  TNetHTTPResponse& Response() { return FProtocol->Response; }
  TNetHTTPProtocol& Protocol() { return *FProtocol; }
  const TNetURI& Location() const { return FURI; }

  // Null until the first response when AllowCookies holds, and again after
  // a manager set by the caller was destroyed.
  TNetCookieManager* CookieManager() const override { return FCookieManager; }
  // A manager set by the caller is not owned; the one created before stays
  // only when it was the caller's. The manager must be destroyed on the
  // thread that drives this client or while no request runs.
  void SetCookieManager(TNetCookieManager* manager);

  // Reads the body of `response` into its BodyStream by its framing. With
  // `limit` >= 0 at most that many bytes are kept: true means the body was
  // longer and the connection has been closed instead of read to its end.
  bool ReadBody(TNetHTTPResponse& response, std::int32_t limit = -1) override;
  // Creates the cookie manager when allowed, then hands it the response's
  // Set-cookie and Set-cookie2 values.
  void ProcessCookies(TNetHTTPResponse& response);
  // Disconnects unless the response says the connection may be kept.
  void EnsureConnected(TNetHTTPResponse& response);
  // Whether the connection may serve another request after `response`.
  bool KeepsConnection(TNetHTTPResponse& response);

  int AuthRetries = 3;
  bool AllowCookies = true;
  TNetHTTPOptions HTTPOptions{hoForceEncodeParams};
  int RedirectMaximum = 15;
  bool HandleRedirects = false;
  TNetHTTPProtocolVersion ProtocolVersion = pv1_1;
  TNetProxyConnectionInfo ProxyParams;

  RedirectEvent OnRedirect;
  SelectAuthorizationEvent OnSelectAuthorization;
  SelectAuthorizationEvent OnSelectProxyAuthorization;
  AuthorizationEvent OnAuthorization;
  AuthorizationEvent OnProxyAuthorization;

  int RedirectCount() const { return FRedirectCount; }
  int AuthRetryCount() const { return FAuthRetries; }
  int AuthProxyRetryCount() const { return FAuthProxyRetries; }

 protected:
  void FireDisconnected() override;

 private:
  transport::TNetTCPConnection& Wire() override { return *this; }
  TNetProxyConnectionInfo& ProxyInfo() override { return ProxyParams; }
  // Closes the connection as a step of the exchange (no abort).
  void CloseConnection() override;
  // The counters of the request in progress and the limits they run to.
  TNetExchangeCounts Counts() const;
  // A Disconnect from a thread other than the calling one is pending.
  bool AbortRequested() const;
  // ENetClosedSocket "Disconnected." when AbortRequested.
  void ThrowIfAborted();
  void ForgetCookieManager();
  // Plans the route of the request record's URL and applies it: the
  // current location, the record, the host and port to connect to (closing
  // a connection elsewhere) and the TLS handler's mode.
  void TakeRoute();
  // Connects (through the tunnel when the route has one) and sends the
  // head and body.
  void ConnectAndSend();
  void OpenTunnel();
  // The status line of the next response (counted against the head limit).
  void ReadStatusLine(TNetHTTPProtocol& protocol);
  // The ask-and-advance loop of both authorization steps.
  bool RunAuthorization(TNetAuthentication& auth, const AuthorizationEvent& ask, std::string& user,
                        std::string& password, bool* basic);
  // The first challenge whose scheme is registered, possibly replaced by
  // the selection event; null when there is none.
  std::unique_ptr<TNetAuthentication> ChooseAuthentication(const TNetHeaderList& challenges,
                                                           const SelectAuthorizationEvent& select);
  // The thread inside PerformRequest; the disconnected hook leaves the
  // authentication objects to it.
  std::atomic<std::thread::id> FDriver{};
  // The thread of the last Disconnect that was not the driver's own; empty
  // when none is pending. A request started by that same thread clears it.
  std::atomic<std::thread::id> FAbortRequester{};

  std::unique_ptr<TNetHTTPProtocol> FProtocol;
  TNetURI FURI;
  int FRedirectCount = 0;
  int FAuthRetries = 0;
  int FAuthProxyRetries = 0;
  TNetCookieManager* FCookieManager = nullptr;
  std::unique_ptr<TNetCookieManager> FOwnedCookieManager;
  // The registration with a caller's manager (0: none).
  std::uint64_t FCookieManagerToken = 0;
};

// The published form of the client; nothing is added.
class TNetHTTP : public TNetCustomHTTP {};

}  // namespace tolvar::http
