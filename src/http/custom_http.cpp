#include "http/custom_http.h"

#include "http/body_reader.h"
#include "http/exceptions.h"
#include "http/route.h"
#include "http/scheme_registry.h"
#include "http/scoped_value.h"
#include "http/token.h"
#include "transport/exceptions.h"
#include "transport/tls_handler.h"

namespace tolvar::http {

TNetCustomHTTP::TNetCustomHTTP()
    : FProtocol(std::make_unique<TNetHTTPProtocol>(static_cast<TNetHTTPProtocolClient&>(*this))) {
  Port = 80;
  FURI.Port = "80";
}

TNetCustomHTTP::~TNetCustomHTTP() {
  ForgetCookieManager();
  // Here, while the records still exist for the disconnected hook.
  if (Connected()) CloseConnection();
}

void TNetCustomHTTP::SetHost(const std::string& host) {
  Host = host;
  FURI.Host = host;
}

void TNetCustomHTTP::SetPort(int port) {
  Port = port;
  FURI.Port = std::to_string(port);
}

void TNetCustomHTTP::SetCookieManager(TNetCookieManager* manager) {
  if (manager == FCookieManager) return;
  ForgetCookieManager();
  FOwnedCookieManager.reset();
  FCookieManager = manager;
  if (manager != nullptr) {
    // A manager of the caller may die first; it tells this client, which
    // then forgets it instead of keeping a dangling pointer.
    FCookieManagerToken = manager->AddDestroyListener([this] { FCookieManager = nullptr; });
  }
}

void TNetCustomHTTP::ForgetCookieManager() {
  if (FCookieManager != nullptr && FCookieManager != FOwnedCookieManager.get()) {
    FCookieManager->RemoveDestroyListener(FCookieManagerToken);
  }
  FCookieManagerToken = 0;
}

void TNetCustomHTTP::Get(const std::string& url, platform::TStream* response) {
  PerformRequest(hmGet, url, nullptr, response);
}

void TNetCustomHTTP::Post(const std::string& url, platform::TStream* source, platform::TStream* response) {
  if (Connected()) CloseConnection();
  // Also after a failure: later requests must not go out as HTTP/1.0.
  TScopedValue<TNetHTTPProtocolVersion> version(ProtocolVersion);
  if (!HTTPOptions.Has(hoKeepOrigProtocol)) ProtocolVersion = pv1_0;
  PerformRequest(hmPost, url, source, response);
}

void TNetCustomHTTP::Put(const std::string& url, platform::TStream* source, platform::TStream* response) {
  PerformRequest(hmPut, url, source, response);
}

void TNetCustomHTTP::Disconnect() {
  const std::thread::id self = std::this_thread::get_id();
  // The driving thread closing its own connection is no abort. Any other
  // call is one, also before the driver has entered the request: the
  // request fails when it reaches its next step.
  if (FDriver.load() != self) FAbortRequester = self;
  TNetTCPClient::Disconnect();
}

void TNetCustomHTTP::CloseConnection() {
  TNetTCPClient::Disconnect();
}

bool TNetCustomHTTP::AbortRequested() const {
  const std::thread::id requester = FAbortRequester.load();
  return requester != std::thread::id() && requester != std::this_thread::get_id();
}

void TNetCustomHTTP::ThrowIfAborted() {
  if (AbortRequested()) throw transport::ENetClosedSocket();
}

void TNetCustomHTTP::PerformRequest(TNetHTTPMethod method, const std::string& url, platform::TStream* source,
                                    platform::TStream* response) {
  const std::thread::id self = std::this_thread::get_id();
  FDriver = self;
  struct LeaveRequest {
    std::atomic<std::thread::id>& driver;
    ~LeaveRequest() { driver = std::thread::id(); }
  } leave{FDriver};
  // A disconnect this thread made itself between requests is no abort of
  // this one; the exchange keeps a disconnect another thread made since.
  std::thread::id own = self;
  FAbortRequester.compare_exchange_strong(own, std::thread::id());
  const std::int64_t start = response != nullptr ? response->Position() : 0;
  FAuthRetries = 0;
  FAuthProxyRetries = 0;
  Request().URL = url;
  Request().Method = method;
  Request().Source = source;
  Response().BodyStream = response;
  try {
    ThrowIfAborted();
    for (;;) {
      ++FRedirectCount;
      TakeRoute();
      ConnectAndSend();
      FProtocol->HeadBytes = 0;
      do {
        ReadStatusLine(*FProtocol);
        FProtocol->ReadHeaders();
        ProcessCookies(Response());
      } while (Response().StatusCode() == 100);
      const NextStep next = FProtocol->DecideNext(Counts());
      if (next == NextStep::Finished) break;
      if (next == NextStep::NextRequest) {
        // Whatever a redirect or error page wrote is cut off.
        if (response != nullptr) {
          response->SetPosition(start);
          response->SetSize(start);
        }
        FAuthRetries = 0;
        FAuthProxyRetries = 0;
      } else if (next == NextStep::RepeatForAuth) {
        --FRedirectCount;
        Request().URL = url;
      } else {
        throw ENetException("Undefined situation");
      }
    }
  } catch (const ENetHTTPProtocolException&) {
    // The failing response's body was read to its end (or the connection
    // closed at the cap), so a kept connection is at the next answer.
    if (AbortRequested()) {
      CloseConnection();
      throw transport::ENetClosedSocket();
    }
    if (!KeepsConnection(Response())) CloseConnection();
    throw;
  } catch (...) {
    // After any other failure the connection may hold the rest of a body or
    // head that broke off: the next request would read it as its answer.
    CloseConnection();
    if (AbortRequested()) throw transport::ENetClosedSocket();
    throw;
  }
  if (!KeepsConnection(Response())) CloseConnection();
  FRedirectCount = 0;
  // A counted body cut short or an until-close body ends quietly when the
  // socket closes; an abort must not pass for a complete response.
  if (AbortRequested()) {
    CloseConnection();
    throw transport::ENetClosedSocket();
  }
}

void TNetCustomHTTP::TakeRoute() {
  TNetHTTPRequest& request = Request();
  auto* tls = dynamic_cast<transport::TNetTLSHandler*>(IOHandler().get());
  TNetRouteQuery query;
  query.Current = FURI;
  query.URL = request.URL;
  query.Method = request.Method;
  query.Version = ProtocolVersion;
  query.Username = request.Username;
  query.Password = request.Password;
  query.ProxyServer = ProxyParams.ProxyServer();
  query.ProxyPort = ProxyParams.ProxyPort();
  query.Handler = tls != nullptr ? TNetHandlerKind::Tls : IOHandler() ? TNetHandlerKind::Plain : TNetHandlerKind::None;
  TNetRoute route = PlanRoute(query);

  FURI = std::move(route.Location);
  request.Username = FURI.Username;
  request.Password = FURI.Password;
  request.URL = std::move(route.Target);
  request.Host = std::move(route.HostLine);
  request.Kind = route.Kind;
  if (request.Method == hmPost || request.Method == hmPut) {
    request.SetContentLength(request.Source != nullptr ? request.Source->GetSize() : 0);
  } else {
    request.SetContentLength(-1);
  }
  if (!SameText(Host, route.ConnectHost) || Port != route.ConnectPort) {
    if (Connected()) CloseConnection();
    Host = route.ConnectHost;
    Port = route.ConnectPort;
  }
  if (tls != nullptr) {
    // A connection whose TLS was made for another origin cannot carry this
    // request (the certificate was checked against that name).
    if (!SameText(tls->ServerName(), FURI.Host)) {
      if (Connected()) CloseConnection();
      tls->SetServerName(FURI.Host);
    }
    tls->SetPassThrough(route.PassThrough);
  }
}

void TNetCustomHTTP::ConnectAndSend() {
  TNetHTTPRequest& request = Request();
  if (ProtocolVersion == pv1_0 && request.Connection.empty()) {
    if (request.Kind == ConnectionKind::Direct) request.Connection = "keep-alive";
    if (request.Kind == ConnectionKind::Proxy) request.ProxyConnection = "keep-alive";
  }
  if (request.Kind == ConnectionKind::DirectTls || request.Kind == ConnectionKind::ProxyTunnel) {
    request.Connection.clear();
  }
  // Nothing reaches the network when a field would split the head.
  FProtocol->CheckRequestFields();
  if (request.Kind == ConnectionKind::ProxyTunnel) {
    OpenTunnel();
  } else {
    EnsureConnected(Response());
  }
  FProtocol->SendRequestHead(&FURI, ProtocolVersion);
  if ((request.Method == hmPost || request.Method == hmPut) && request.Source != nullptr) {
    WriteFromStream(*request.Source);
  }
}

void TNetCustomHTTP::EnsureConnected(TNetHTTPResponse& response) {
  if (!KeepsConnection(response)) CloseConnection();
  TestClosedByPeer(false);
  if (!Connected()) {
    // An abort that came while no socket was open (before the request, or
    // between an authorization retry's close and this connect) closed
    // nothing, so it is checked here and once the new socket is set.
    ThrowIfAborted();
    Connect(ReadTimeout);
    ThrowIfAborted();
  }
}

bool TNetCustomHTTP::KeepsConnection(TNetHTTPResponse& response) {
  TestDisconnected(false, false);
  return response.KeepAlive(Connected(), ProtocolVersion);
}

TNetExchangeCounts TNetCustomHTTP::Counts() const {
  TNetExchangeCounts counts;
  counts.RedirectCount = FRedirectCount;
  counts.RedirectMaximum = RedirectMaximum;
  counts.HandleRedirects = HandleRedirects;
  counts.AuthRetryCount = FAuthRetries;
  counts.AuthProxyRetryCount = FAuthProxyRetries;
  counts.AuthRetries = AuthRetries;
  counts.InProcessAuth = HTTPOptions.Has(hoInProcessAuth);
  return counts;
}

void TNetCustomHTTP::ReadStatusLine(TNetHTTPProtocol& protocol) {
  protocol.Response.StatusLine = protocol.ReadHeadLine();
}

void TNetCustomHTTP::ProcessCookies(TNetHTTPResponse& response) {
  if (FCookieManager == nullptr && AllowCookies) {
    FOwnedCookieManager = std::make_unique<TNetCookieManager>();
    FCookieManager = FOwnedCookieManager.get();
    FCookieManager->FireCreate();
  }
  if (FCookieManager == nullptr) return;
  for (std::size_t i = 0; i < response.RawLines.Count(); ++i) {
    const std::string name = response.RawLines.NameAt(i);
    if (SameText(name, "Set-cookie")) {
      FCookieManager->AddServerCookie(response.RawLines.ValueAt(static_cast<std::ptrdiff_t>(i)), FURI.Host);
    } else if (SameText(name, "Set-cookie2")) {
      FCookieManager->AddServerCookie2(response.RawLines.ValueAt(static_cast<std::ptrdiff_t>(i)), FURI.Host);
    }
  }
}

bool TNetCustomHTTP::ReadBody(TNetHTTPResponse& response, std::int32_t limit) {
  if (response.BodyStream == nullptr) return false;
  const bool cut = TNetBodyReader(*this).Read(TNetBodyFraming::Of(response), *response.BodyStream, limit);
  if (cut) CloseConnection();
  return cut;
}

bool TNetCustomHTTP::ConfirmRedirect(std::string& dest, TNetHTTPMethod& method, int num_redirect) {
  bool handled = HandleRedirects;
  if (OnRedirect) OnRedirect(*this, dest, num_redirect, handled, method);
  return handled;
}

void TNetCustomHTTP::FireDisconnected() {
  TNetTCPClient::FireDisconnected();
  // A Disconnect from another thread (an abort) must not touch the records
  // the driving thread is using; that thread disconnects again on its way
  // out of the request and does this then.
  const std::thread::id driver = FDriver;
  if (driver != std::thread::id() && driver != std::this_thread::get_id()) return;
  auto& auth = Request().Authentication;
  if (auth && auth->Step == auth->StepCount()) auth.reset();
  if (ProxyParams.Authentication) ProxyParams.Authentication->Reset();
}

}  // namespace tolvar::http
