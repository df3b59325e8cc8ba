#include "http/http_protocol.h"

#include <exception>
#include <string_view>

#include "http/exceptions.h"
#include "http/response_decision.h"
#include "http/scoped_value.h"
#include "transport/tls_handler.h"

namespace tolvar::http {

namespace {

bool HoldsLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

// A head line must never be split by a byte that came from a caller or a
// server: the request would carry lines nobody wrote.
void RejectLineBreak(std::string_view field, std::string_view value) {
  if (HoldsLineBreak(value)) {
    throw ENetException("The request field " + std::string(field) + " holds a line break; nothing was sent.");
  }
}

// Swallows a body nobody keeps.
class TDiscardStream : public platform::TStream {
 public:
  std::int32_t Read(void*, std::int32_t) override { return 0; }
  std::int32_t Write(const void*, std::int32_t count) override { return count; }
  std::int64_t Seek(std::int64_t, platform::TSeekOrigin) override { return 0; }
  std::int64_t GetSize() override { return 0; }
  void SetSize(std::int64_t) override {}
};

}  // namespace

TNetHTTPProtocol::TNetHTTPProtocol(TNetHTTPProtocolClient& client) : FClient(client) {}

void TNetHTTPProtocol::CheckRequestFields() const {
  RejectLineBreak("URL", Request.URL);
  RejectLineBreak("Host", Request.Host);
  RejectLineBreak("Referer", Request.Referer);
  RejectLineBreak("User-Agent", Request.UserAgent);
  RejectLineBreak("From", Request.From);
  RejectLineBreak("Accept", Request.Accept);
  RejectLineBreak("Accept-Charset", Request.AcceptCharSet);
  RejectLineBreak("Accept-Encoding", Request.AcceptEncoding);
  RejectLineBreak("Accept-Language", Request.AcceptLanguage);
  RejectLineBreak("Connection", Request.Connection);
  RejectLineBreak("Proxy-Connection", Request.ProxyConnection);
  RejectLineBreak("Content-Type", Request.ContentType);
  RejectLineBreak("Content-Version", Request.ContentVersion);
  RejectLineBreak("Content-Encoding", Request.ContentEncoding);
  RejectLineBreak("Content-Language", Request.ContentLanguage);
  RejectLineBreak("Cache-control", Request.CacheControl);
  RejectLineBreak("Pragma", Request.Pragma);
  // Credentials travel Base64-encoded, but the record stores them as header
  // values, which would end at the break.
  RejectLineBreak("Username", Request.Username);
  RejectLineBreak("Password", Request.Password);
  RejectLineBreak("proxy user name", FClient.ProxyInfo().ProxyUsername);
  RejectLineBreak("proxy password", FClient.ProxyInfo().ProxyPassword);
  for (const std::string& line : Request.CustomHeaders.Lines()) {
    std::string_view name(line);
    name = name.substr(0, name.find(':'));
    RejectLineBreak(HoldsLineBreak(name) ? std::string_view("of a custom header") : name, line);
  }
}

void TNetHTTPProtocol::SendRequestHead(const TNetURI* location, TNetHTTPProtocolVersion version) {
  CheckRequestFields();
  Request.WriteToRaw();
  FClient.ProxyInfo().AddProxyAuthorization(Request.RawLines);
  TNetCookieManager* cookies = FClient.CookieManager();
  if (location != nullptr && cookies != nullptr) {
    // Secure cookies go only where the bytes are encrypted.
    const auto* tls = dynamic_cast<const transport::TNetTLSHandler*>(FClient.Wire().IOHandler().get());
    std::string cookie = cookies->CookieHeaderFor(*location, tls != nullptr && !tls->PassThrough());
    if (!cookie.empty()) Request.RawLines.SetValueOf("Cookie", cookie);
  }
  // Lines added above from other sources (credentials, cookies) are checked
  // as composed.
  for (const std::string& line : Request.RawLines.Lines()) {
    RejectLineBreak(std::string_view(line).substr(0, line.find(':')), line);
  }
  const std::string request_line =
      MethodWord(Request.Method) + " " + Request.URL + " HTTP/" + ProtocolVersionText(version);
  transport::TNetTCPConnection& wire = FClient.Wire();
  wire.BeginWriteBuffering(-1);
  try {
    wire.WriteLine(request_line);
    for (const std::string& line : Request.RawLines.Lines()) {
      if (!line.empty()) wire.WriteLine(line);
    }
    wire.WriteLine("");
  } catch (...) {
    wire.DiscardWriteBuffer();
    wire.EndWriteBuffering();
    throw;
  }
  wire.EndWriteBuffering();
}

std::string TNetHTTPProtocol::ReadHeadLine() {
  transport::TNetTCPConnection& wire = FClient.Wire();
  std::string line = wire.ReceiveLine("\n");
  // An empty line marked as timed out is a line the server cut off by
  // closing; it must not pass for the end of the head.
  if (line.empty() && wire.LastLineTimedOut) throw transport::ENetConnClosedGracefully();
  // The line end (at least the LF) counts too, so empty lines are not free.
  HeadBytes += static_cast<std::int64_t>(line.size()) + 2;
  if (HeadBytes > kMaxHeaderBytes) {
    wire.Disconnect();
    throw ENetException("The response header is larger than " + std::to_string(kMaxHeaderBytes) + " bytes.");
  }
  return line;
}

void TNetHTTPProtocol::ReadHeaders() {
  Response.RawLines.Clear();
  try {
    for (;;) {
      std::string line = ReadHeadLine();
      if (line.empty()) break;
      Response.RawLines.Add(std::move(line));
    }
  } catch (const transport::ENetConnClosedGracefully&) {
    FClient.Wire().Disconnect();
  }
  Response.ReadFromRaw();
}

bool TNetHTTPProtocol::ResponseHasNoBody() {
  const int code = Response.StatusCode();
  // A HEAD answer announces the length of a body it never sends; 1xx, 204
  // and 304 answers never carry one. Waiting for it would end in a read
  // time-out, or leave the connection at bytes that are not there.
  return Request.Method == hmHead || code / 100 == 1 || code == 204 || code == 304;
}

NextStep TNetHTTPProtocol::DecideNext(const TNetExchangeCounts& counts) {
  TNetResponseFacts facts;
  facts.StatusCode = Response.StatusCode();
  facts.HasLocation = !Response.Location.empty();
  facts.Method = Request.Method;
  facts.InProcessAuth = counts.InProcessAuth;

  // The steps that may change the destination or ask for credentials are
  // asked first; their answers are facts of the decision.
  std::string dest = Response.Location;
  TNetHTTPMethod method = Request.Method;
  const TNetResponseKind kind = ClassifyResponse(facts.StatusCode, facts.HasLocation);
  switch (kind) {
    case TNetResponseKind::rkRedirect:
      facts.RedirectFollowable = counts.HandleRedirects && counts.RedirectCount < counts.RedirectMaximum;
      facts.RedirectConfirmed = FClient.ConfirmRedirect(dest, method, counts.RedirectCount);
      break;
    case TNetResponseKind::rkServerAuth:
      facts.Authorized = counts.AuthRetryCount < counts.AuthRetries && FClient.AuthorizeServer(Request, Response);
      if (!facts.Authorized && Request.Authentication) Request.Authentication->Reset();
      break;
    case TNetResponseKind::rkProxyAuth:
      facts.Authorized = counts.AuthProxyRetryCount < counts.AuthRetries && FClient.AuthorizeProxy(Request, Response);
      if (!facts.Authorized && FClient.ProxyInfo().Authentication) FClient.ProxyInfo().Authentication->Reset();
      break;
    case TNetResponseKind::rkFailure:
    case TNetResponseKind::rkSuccess:
      break;
  }
  // A failure reads its body from what is buffered whether or not the
  // connection is still open; only the other outcomes ask.
  const bool fails =
      kind == TNetResponseKind::rkFailure || (kind == TNetResponseKind::rkRedirect && !facts.RedirectConfirmed) ||
      ((kind == TNetResponseKind::rkServerAuth || kind == TNetResponseKind::rkProxyAuth) && !facts.Authorized);
  if (!fails) facts.Connected = FClient.Wire().Connected();

  const TNetResponseDecision decision = DecideResponse(facts);
  if (decision.FollowRedirect) {
    Request.URL = dest;
    Request.Method = method;
  }
  if (decision.AcceptRedirect) Response.Location = dest;
  switch (decision.Body) {
    case TNetBodyAction::baNone:
      break;
    case TNetBodyAction::baErrorBody:
      RaiseProtocolFailure();
    case TNetBodyAction::baDrain:
      DrainBody();
      break;
    case TNetBodyAction::baRead:
      if (Response.BodyStream != nullptr) {
        FClient.ReadBody(Response, -1);
      } else {
        // Nobody wants the body, but left unread on a kept connection it
        // would be taken for the next answer.
        ReadCappedInto(nullptr);
      }
      break;
  }
  return decision.Step;
}

void TNetHTTPProtocol::ReadCappedInto(platform::TStream* stream) {
  if (ResponseHasNoBody()) return;
  TDiscardStream discard;
  TScopedValue<platform::TStream*> body(Response.BodyStream, stream != nullptr ? stream : &discard);
  FClient.ReadBody(Response, kMaxDiscardedBody);
}

void TNetHTTPProtocol::RaiseProtocolFailure() {
  platform::TMemoryStream buffer;
  {
    TScopedValue<std::int32_t> timeout(FClient.Wire().ReadTimeout, 2000);
    ReadCappedInto(&buffer);
  }
  throw ENetHTTPProtocolException(Response.StatusCode(), Response.StatusLine, buffer.Bytes());
}

void TNetHTTPProtocol::DrainBody() {
  TScopedValue<std::int32_t> timeout(FClient.Wire().ReadTimeout, 4000);
  try {
    ReadCappedInto(nullptr);
  } catch (const std::exception&) {
    // The page itself does not matter, but where it broke off is unknown:
    // the next request must not read the rest of it as its answer.
    FClient.CloseConnection();
  }
}

}  // namespace tolvar::http
