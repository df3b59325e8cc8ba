#include "http/custom_http.h"

#include <algorithm>
#include <limits>

#include "http/body_reader.h"
#include "http/exceptions.h"
#include "http/number.h"
#include "http/scheme_registry.h"
#include "http/token.h"
#include "transport/exceptions.h"
#include "transport/ssl_io_handler.h"

namespace tolvar::http {

namespace {

// Restores a field on every way out of a scope.
template <typename T>
class TRestoreOnExit {
 public:
  explicit TRestoreOnExit(T& field) : field_(field), saved_(field) {}
  ~TRestoreOnExit() { field_ = saved_; }
  TRestoreOnExit(const TRestoreOnExit&) = delete;
  TRestoreOnExit& operator=(const TRestoreOnExit&) = delete;

 private:
  T& field_;
  T saved_;
};

constexpr int kMaxPort = 65535;

// A port beyond 16 bits would wrap to another one in the socket address
// while the Host line named the bogus one.
void CheckPortRange(std::int64_t port, const char* what) {
  if (port < 0 || port > kMaxPort) {
    throw ENetException("The " + std::string(what) + " port " + std::to_string(port) +
                        " is outside the range 0 to 65535.");
  }
}

// The port as a number for the default-port rule: anything that is not a
// number counts as 0.
int PortNumber(const std::string& port) {
  return ParseInt32(port).value_or(0);
}

}  // namespace

TNetCustomHTTP::TNetCustomHTTP() : FProtocol(std::make_unique<TNetHTTPProtocol>(this)) {
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

void TNetCustomHTTP::Get(const std::string& url, tolvar::platform::TStream* response) {
  PerformRequest(hmGet, url, nullptr, response);
}

void TNetCustomHTTP::Post(const std::string& url, tolvar::platform::TStream* source,
                          tolvar::platform::TStream* response) {
  if (Connected()) CloseConnection();
  // Also after a failure: later requests must not go out as HTTP/1.0.
  TRestoreOnExit<TNetHTTPProtocolVersion> version(ProtocolVersion);
  if (!HTTPOptions.Has(hoKeepOrigProtocol)) ProtocolVersion = pv1_0;
  PerformRequest(hmPost, url, source, response);
}

void TNetCustomHTTP::Put(const std::string& url, tolvar::platform::TStream* source,
                         tolvar::platform::TStream* response) {
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
  if (AbortRequested()) throw tolvar::transport::ENetClosedSocket();
}

void TNetCustomHTTP::PerformRequest(TNetHTTPMethod method, const std::string& url, tolvar::platform::TStream* source,
                                    tolvar::platform::TStream* response) {
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
      ResolveTarget();
      ConnectAndSend();
      FProtocol->HeadBytes = 0;
      do {
        ReadStatusLine(*FProtocol);
        FProtocol->ReadHeaders();
        ProcessCookies(Response());
      } while (Response().StatusCode() == 100);
      const NextStep next = FProtocol->DecideNext();
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
      throw tolvar::transport::ENetClosedSocket();
    }
    if (!Response().KeepAlive()) CloseConnection();
    throw;
  } catch (...) {
    // After any other failure the connection may hold the rest of a body or
    // head that broke off: the next request would read it as its answer.
    CloseConnection();
    if (AbortRequested()) throw tolvar::transport::ENetClosedSocket();
    throw;
  }
  if (!Response().KeepAlive()) CloseConnection();
  FRedirectCount = 0;
  // A counted body cut short or an until-close body ends quietly when the
  // socket closes; an abort must not pass for a complete response.
  if (AbortRequested()) {
    CloseConnection();
    throw tolvar::transport::ENetClosedSocket();
  }
}

void TNetCustomHTTP::ResolveTarget() {
  TNetHTTPRequest& request = Request();
  TNetURI target(request.URL);
  // Refused before the current location takes it: a later URL without a
  // port would inherit it.
  if (const auto port = ParseInt64(target.Port)) CheckPortRange(*port, "server");
  if (!target.Username.empty()) {
    request.Username = target.Username;
    request.Password = target.Password;
  }
  FURI.Username = request.Username;
  FURI.Password = request.Password;
  FURI.Path = MergePath(FURI.Path, target.Path, "/");
  FURI.Document = target.Document;
  FURI.Params = target.Params;
  if (!target.Host.empty()) FURI.Host = target.Host;
  FURI.Protocol = target.Protocol.empty() ? "http" : target.Protocol;
  if (!target.Port.empty()) {
    FURI.Port = target.Port;
  } else {
    const int current = PortNumber(FURI.Port);
    if (current == 0 || current == 80 || current == 443) {
      if (SameText(FURI.Protocol, "http")) {
        FURI.Port = "80";
      } else if (SameText(FURI.Protocol, "https")) {
        FURI.Port = "443";
      } else {
        throw ENetUnknownProtocol("");
      }
    }
  }
  request.URL = FURI.Path + FURI.Document + FURI.Params;
  if (request.Method == hmOptions && target.Document == "*") request.URL = "*";
  if (request.Method >= hmOptions && request.Method <= hmDelete && ProtocolVersion == pv1_0) {
    throw ENetException("This request method is supported in HTTP 1.1");
  }
  if (request.Method == hmPost || request.Method == hmPut) {
    request.SetContentLength(request.Source != nullptr ? request.Source->GetSize() : 0);
  } else {
    request.SetContentLength(-1);
  }
  request.Host = FURI.Port == "80" ? FURI.Host : FURI.Host + ":" + FURI.Port;
}

ConnectionKind TNetCustomHTTP::ChooseRoute() {
  const bool https = SameText(FURI.Protocol, "https");
  if (ProxyParams.ProxyServer().empty()) {
    const int port = StrictInt32(FURI.Port);
    CheckPortRange(port, "server");
    if (!SameText(Host, FURI.Host) || port != Port) {
      if (Connected()) CloseConnection();
      Host = FURI.Host;
      Port = port;
    }
    // https goes direct only through a TLS handler that a program installed;
    // plain http through such a handler passes its bytes through unchanged.
    auto* tls = dynamic_cast<tolvar::transport::TNetSSLIOHandlerSocket*>(IOHandler().get());
    if (https) {
      if (tls == nullptr) throw tolvar::transport::ENetIOHandlerPropInvalid();
      tls->SetPassThrough(false);
      return ConnectionKind::DirectTls;
    }
    if (tls != nullptr) tls->SetPassThrough(true);
    return ConnectionKind::Direct;
  }
  CheckPortRange(ProxyParams.ProxyPort(), "proxy");
  // The origin's port too: it goes into the absolute target and the Host
  // line. A text that is no number at all is the proxy's to refuse.
  if (const auto origin_port = ParseInt64(FURI.Port)) {
    CheckPortRange(*origin_port, "server");
  }
  if ((!SameText(Host, ProxyParams.ProxyServer()) || Port != ProxyParams.ProxyPort()) && Connected()) {
    CloseConnection();
  }
  // Set directly: the current location keeps the origin server.
  Host = ProxyParams.ProxyServer();
  Port = ProxyParams.ProxyPort();
  // Through a proxy the TLS handler, if any, talks plainly: to the proxy
  // itself, or inside the tunnel until the proxy opened it.
  auto* tls = dynamic_cast<tolvar::transport::TNetSSLIOHandlerSocket*>(IOHandler().get());
  if (tls != nullptr) tls->SetPassThrough(true);
  if (https) {
    if (IOHandler() && tls == nullptr) throw tolvar::transport::ENetIOHandlerPropInvalid();
    return ConnectionKind::ProxyTunnel;
  }
  return ConnectionKind::Proxy;
}

void TNetCustomHTTP::ConnectAndSend() {
  TNetHTTPRequest& request = Request();
  request.Kind = ChooseRoute();
  if (request.Kind == ConnectionKind::Proxy) request.URL = FURI.AbsoluteURI();
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
  FProtocol->SendRequestHead(&FURI);
  if ((request.Method == hmPost || request.Method == hmPut) && request.Source != nullptr) {
    WriteFromStream(*request.Source);
  }
}

void TNetCustomHTTP::EnsureConnected(TNetHTTPResponse& response) {
  if (!response.KeepAlive()) CloseConnection();
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

void TNetCustomHTTP::OpenTunnel() {
  TNetHTTPProtocol tunnel(this);
  tunnel.Request.UserAgent = Request().UserAgent;
  tunnel.Request.Host = Request().Host;
  tunnel.Request.SetContentLength(Request().ContentLength());
  tunnel.Request.Pragma = "no-cache";
  tunnel.Request.URL = FURI.Host + ":" + FURI.Port;
  tunnel.Request.Method = hmConnect;
  tunnel.Request.ProxyConnection = "keep-alive";
  tolvar::platform::TMemoryStream buffer;
  tunnel.Response.BodyStream = &buffer;
  for (;;) {
    EnsureConnected(tunnel.Response);
    tunnel.SendRequestHead(nullptr);
    tunnel.HeadBytes = 0;
    ReadStatusLine(tunnel);
    if (!tunnel.Response.StatusLine.empty()) {
      tunnel.ReadHeaders();
      ProcessCookies(tunnel.Response);
    } else {
      tunnel.Response.StatusLine = "HTTP/1.0 200 OK";
      tunnel.Response.Connection = "close";
    }
    const int code = tunnel.Response.StatusCode();
    if (code == 200) {
      // The tunnel is open: the request inside it needs the TLS handler.
      auto* tls = dynamic_cast<tolvar::transport::TNetSSLIOHandlerSocket*>(IOHandler().get());
      if (tls == nullptr) {
        CloseConnection();
        throw tolvar::transport::ENetIOHandlerPropInvalid();
      }
      try {
        tls->SetPassThrough(false);
      } catch (...) {
        // A failed handshake leaves nothing worth keeping on this connection.
        CloseConnection();
        throw;
      }
      return;
    }
    if (code / 100 == 2 && tunnel.Response.Location.empty()) {
      // Another 2xx opens no tunnel either; its body is only the failure's
      // text, so it is capped like any error body.
      ReadBody(tunnel.Response, TNetHTTPProtocol::kMaxDiscardedBody);
      CloseConnection();
      throw ENetHTTPProtocolException(code, tunnel.Response.StatusLine, buffer.Bytes());
    }
    const NextStep next = tunnel.DecideNext();
    if (next != NextStep::NextRequest && next != NextStep::RepeatForAuth) {
      // A 2xx other than 200 (or a redirect a handler accepted) opens no
      // tunnel; sending again would only repeat it.
      CloseConnection();
      throw ENetHTTPProtocolException(tunnel.Response.StatusCode(), tunnel.Response.StatusLine, buffer.Bytes());
    }
  }
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

std::unique_ptr<TNetAuthentication> TNetCustomHTTP::ChooseAuthentication(const TNetHeaderList& challenges,
                                                                         const SelectAuthorizationEvent& select) {
  for (const std::string& challenge : challenges.Lines()) {
    std::string rest = challenge;
    std::string scheme = TakeToken(rest, " ");
    if (!FindScheme(scheme)) continue;
    if (select) select(*this, scheme, challenges);
    auto chosen = FindScheme(scheme);
    return chosen ? chosen->Create() : nullptr;
  }
  return nullptr;
}

bool TNetCustomHTTP::RunAuthorization(TNetAuthentication& auth, const AuthorizationEvent& ask, std::string& user,
                                      std::string& password, bool* basic) {
  // A handler that keeps answering without giving what the scheme needs
  // would ask forever; it gets as many turns as a request has attempts.
  for (int turns = 0; turns <= AuthRetries; ++turns) {
    switch (auth.Proceed()) {
      case AuthDecision::SendAgain:
        return true;
      case AuthDecision::GiveUp:
        return false;
      case AuthDecision::AskCaller: {
        auth.AssignUserName(user);
        auth.AssignPassword(password);
        bool handled = false;
        ask(*this, auth, handled);
        if (!handled) return false;
        if (basic != nullptr) *basic = true;
        user = auth.UserName();
        password = auth.Password();
        break;
      }
    }
  }
  return false;
}

bool TNetCustomHTTP::AuthorizeServer(TNetHTTPRequest& request, TNetHTTPResponse& response) {
  ++FAuthRetries;
  if (!request.Authentication) {
    request.Authentication = ChooseAuthentication(response.WWWAuthenticate, OnSelectAuthorization);
    if (!request.Authentication) return false;
  }
  if (!OnAuthorization) return false;
  request.Authentication->AssignUserName(request.Username);
  request.Authentication->AssignPassword(request.Password);
  request.Authentication->SetChallenges(response.WWWAuthenticate);
  return RunAuthorization(*request.Authentication, OnAuthorization, request.Username, request.Password,
                          &request.BasicAuthentication);
}

bool TNetCustomHTTP::AuthorizeProxy(TNetHTTPRequest&, TNetHTTPResponse& response) {
  ++FAuthProxyRetries;
  if (!ProxyParams.Authentication) {
    ProxyParams.Authentication = ChooseAuthentication(response.ProxyAuthenticate, OnSelectProxyAuthorization);
    if (!ProxyParams.Authentication) return false;
  }
  // A 407 means the proxy refused what it was sent: the password must come
  // from the handler again.
  ProxyParams.ProxyPassword.clear();
  ProxyParams.Authentication->Reset();
  if (!OnProxyAuthorization) return false;
  ProxyParams.Authentication->AssignUserName(ProxyParams.ProxyUsername);
  ProxyParams.Authentication->AssignPassword(ProxyParams.ProxyPassword);
  ProxyParams.Authentication->SetChallenges(response.ProxyAuthenticate);
  return RunAuthorization(*ProxyParams.Authentication, OnProxyAuthorization, ProxyParams.ProxyUsername,
                          ProxyParams.ProxyPassword, nullptr);
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
