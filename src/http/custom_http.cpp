#include "http/custom_http.h"

#include <algorithm>
#include <limits>

#include "http/exceptions.h"
#include "http/number.h"
#include "http/scheme_registry.h"
#include "http/token.h"
#include "transport/exceptions.h"
#include "transport/ssl_io_handler.h"

namespace http {

namespace {

// The most a single stream read moves is 32 bits; bodies are read in pieces
// of this size so any 64-bit length works and a stream is never pre-sized
// far beyond what has arrived.
constexpr std::int64_t kBodyPiece = 1 << 24;

// Counts the bytes written through it. Standard output and pipes report no
// position, so the count is the only way to tell a short read.
class TCountingStream : public tolvar::TStream {
 public:
  explicit TCountingStream(tolvar::TStream& target) : target_(target) {}
  std::int32_t Read(void* buffer, std::int32_t count) override { return target_.Read(buffer, count); }
  std::int32_t Write(const void* buffer, std::int32_t count) override {
    const std::int32_t n = target_.Write(buffer, count);
    written_ += n;
    return n;
  }
  std::int64_t Seek(std::int64_t offset, tolvar::TSeekOrigin origin) override { return target_.Seek(offset, origin); }
  std::int64_t GetSize() override { return target_.GetSize(); }
  void SetSize(std::int64_t size) override { target_.SetSize(size); }
  std::int64_t Written() const { return written_; }

 private:
  tolvar::TStream& target_;
  std::int64_t written_ = 0;
};

std::int32_t ClampToInt32(std::int64_t n) {
  return static_cast<std::int32_t>(std::min<std::int64_t>(n, std::numeric_limits<std::int32_t>::max()));
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
  // Here, while the records still exist for the disconnected hook.
  if (Connected()) Disconnect();
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
  FOwnedCookieManager.reset();
  FCookieManager = manager;
}

void TNetCustomHTTP::Get(const std::string& url, tolvar::TStream* response) {
  PerformRequest(hmGet, url, nullptr, response);
}

void TNetCustomHTTP::Post(const std::string& url, tolvar::TStream* source, tolvar::TStream* response) {
  if (Connected()) Disconnect();
  const TNetHTTPProtocolVersion saved = ProtocolVersion;
  if (!HTTPOptions.Has(hoKeepOrigProtocol)) ProtocolVersion = pv1_0;
  PerformRequest(hmPost, url, source, response);
  ProtocolVersion = saved;
}

void TNetCustomHTTP::Put(const std::string& url, tolvar::TStream* source, tolvar::TStream* response) {
  PerformRequest(hmPut, url, source, response);
}

void TNetCustomHTTP::Disconnect() {
  const std::thread::id driver = FDriver;
  if (driver != std::thread::id() && driver != std::this_thread::get_id()) FAborted = true;
  TNetTCPClient::Disconnect();
}

void TNetCustomHTTP::PerformRequest(TNetHTTPMethod method, const std::string& url, tolvar::TStream* source,
                                    tolvar::TStream* response) {
  FAborted = false;
  FDriver = std::this_thread::get_id();
  struct LeaveRequest {
    std::atomic<std::thread::id>& driver;
    ~LeaveRequest() { driver = std::thread::id(); }
  } leave{FDriver};
  const std::int64_t start = response != nullptr ? response->Position() : 0;
  FAuthRetries = 0;
  FAuthProxyRetries = 0;
  Request().URL = url;
  Request().Method = method;
  Request().Source = source;
  Response().BodyStream = response;
  try {
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
  } catch (...) {
    if (!Response().KeepAlive()) Disconnect();
    throw;
  }
  if (!Response().KeepAlive()) Disconnect();
  FRedirectCount = 0;
  // A counted body cut short or an until-close body ends quietly when the
  // socket closes; an abort must not pass for a complete response.
  if (FAborted) throw tolvar::ENetClosedSocket();
}

void TNetCustomHTTP::ResolveTarget() {
  TNetHTTPRequest& request = Request();
  TNetURI target(request.URL);
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
    if (!SameText(Host, FURI.Host) || StrictInt32(FURI.Port) != Port) {
      if (Connected()) Disconnect();
      Host = FURI.Host;
      Port = StrictInt32(FURI.Port);
    }
    // https goes direct only through a TLS handler that a program installed;
    // plain http through such a handler passes its bytes through unchanged.
    auto* tls = dynamic_cast<tolvar::TNetSSLIOHandlerSocket*>(IOHandler().get());
    if (https) {
      if (tls == nullptr) throw tolvar::ENetIOHandlerPropInvalid();
      tls->SetPassThrough(false);
      return ConnectionKind::DirectTls;
    }
    if (tls != nullptr) tls->SetPassThrough(true);
    return ConnectionKind::Direct;
  }
  if ((!SameText(Host, ProxyParams.ProxyServer()) || Port != ProxyParams.ProxyPort()) && Connected()) {
    Disconnect();
  }
  // Set directly: the current location keeps the origin server.
  Host = ProxyParams.ProxyServer();
  Port = ProxyParams.ProxyPort();
  // Through a proxy the TLS handler, if any, talks plainly: to the proxy
  // itself, or inside the tunnel until the proxy opened it.
  auto* tls = dynamic_cast<tolvar::TNetSSLIOHandlerSocket*>(IOHandler().get());
  if (tls != nullptr) tls->SetPassThrough(true);
  if (https) {
    if (IOHandler() && tls == nullptr) throw tolvar::ENetIOHandlerPropInvalid();
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
  if (!response.KeepAlive()) Disconnect();
  TestClosedByPeer(false);
  if (!Connected()) Connect(ReadTimeout);
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
  tolvar::TMemoryStream buffer;
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
    if (tunnel.Response.StatusCode() == 200) {
      // The tunnel is open: the request inside it needs the TLS handler.
      auto* tls = dynamic_cast<tolvar::TNetSSLIOHandlerSocket*>(IOHandler().get());
      if (tls == nullptr) {
        Disconnect();
        throw tolvar::ENetIOHandlerPropInvalid();
      }
      try {
        tls->SetPassThrough(false);
      } catch (...) {
        // A failed handshake leaves nothing worth keeping on this connection.
        Disconnect();
        throw;
      }
      return;
    }
    const NextStep next = tunnel.DecideNext();
    if (next != NextStep::NextRequest && next != NextStep::RepeatForAuth) {
      // A 2xx other than 200 (or a redirect a handler accepted) opens no
      // tunnel; sending again would only repeat it.
      Disconnect();
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

bool TNetCustomHTTP::ReadCounted(tolvar::TStream& stream, std::int64_t count, bool raise_on_close) {
  // One outer work bracket, so progress counts the whole body.
  FireWorkBegin(tolvar::wmRead, ClampToInt32(count));
  bool complete = true;
  try {
    TCountingStream counted(stream);
    while (count > 0) {
      const auto piece = static_cast<std::int32_t>(std::min(count, kBodyPiece));
      const std::int64_t before = counted.Written();
      try {
        ReadToStream(counted, piece, false);
      } catch (const tolvar::ENetConnClosedGracefully&) {
        if (raise_on_close) throw;
        complete = false;
        break;
      }
      // A connection already known to be closed returns what was buffered.
      if (counted.Written() - before < piece) {
        if (raise_on_close) throw tolvar::ENetConnClosedGracefully();
        complete = false;
        break;
      }
      count -= piece;
    }
  } catch (...) {
    FireWorkEnd(tolvar::wmRead);
    throw;
  }
  FireWorkEnd(tolvar::wmRead);
  return complete;
}

std::string TNetCustomHTTP::ReadChunkLine() {
  std::string line = ReceiveLine("\n");
  // Cut off by the server's close: not a line of the body.
  if (line.empty() && LastLineTimedOut) throw tolvar::ENetConnClosedGracefully();
  return line;
}

bool TNetCustomHTTP::ReadChunked(tolvar::TStream& stream, std::int64_t limit) {
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
    if (limit >= 0 && kept + *size > limit) {
      ReadCounted(stream, limit - kept, true);
      return true;
    }
    ReadCounted(stream, *size, true);
    kept += *size;
    ReadChunkLine();
  }
  // The line after the last chunk; a server that closes instead has still
  // sent the whole body.
  try {
    ReadChunkLine();
  } catch (const tolvar::ENetConnClosedGracefully&) {
  }
  return false;
}

bool TNetCustomHTTP::ReadBody(TNetHTTPResponse& response, std::int32_t limit) {
  if (response.BodyStream == nullptr) return false;
  tolvar::TStream& stream = *response.BodyStream;
  bool cut = false;
  if (response.ContentLength() > 0) {
    if (limit >= 0 && response.ContentLength() > limit) {
      ReadCounted(stream, limit, false);
      cut = true;
    } else {
      ReadCounted(stream, response.ContentLength(), false);
    }
  } else if (response.RawLines.ValueOf("Transfer-Encoding").find("chunked") != std::string::npos) {
    FireStatus(tolvar::hsStatusText, {"Chunk Started"});
    cut = ReadChunked(stream, limit);
  } else if (!response.LengthGiven()) {
    if (limit >= 0) {
      cut = ReadCounted(stream, limit, false) && Connected();
    } else {
      // One read until close stops after 2^31-1 bytes; a longer body goes on.
      do {
        ReadToStream(stream, -1, true);
      } while (Connected());
    }
  }
  if (cut) Disconnect();
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

}  // namespace http
