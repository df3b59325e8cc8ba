// The client's CONNECT through a proxy: the tunnel an https request travels
// in once the proxy has opened it.
#include "http/custom_http.h"

#include "http/exceptions.h"
#include "transport/exceptions.h"
#include "transport/tls_handler.h"

namespace tolvar::http {

void TNetCustomHTTP::OpenTunnel() {
  TNetHTTPProtocol tunnel(*this);
  tunnel.Request.UserAgent = Request().UserAgent;
  tunnel.Request.Host = Request().Host;
  tunnel.Request.SetContentLength(Request().ContentLength());
  tunnel.Request.Pragma = "no-cache";
  tunnel.Request.URL = FURI.Host + ":" + FURI.Port;
  tunnel.Request.Method = hmConnect;
  tunnel.Request.ProxyConnection = "keep-alive";
  platform::TMemoryStream buffer;
  tunnel.Response.BodyStream = &buffer;
  for (;;) {
    EnsureConnected(tunnel.Response);
    tunnel.SendRequestHead(nullptr, ProtocolVersion);
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
      auto* tls = dynamic_cast<transport::TNetTLSHandler*>(IOHandler().get());
      if (tls == nullptr) {
        CloseConnection();
        throw transport::ENetIOHandlerPropInvalid();
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
    const NextStep next = tunnel.DecideNext(Counts());
    if (next != NextStep::NextRequest && next != NextStep::RepeatForAuth) {
      // A 2xx other than 200 (or a redirect a handler accepted) opens no
      // tunnel; sending again would only repeat it.
      CloseConnection();
      throw ENetHTTPProtocolException(tunnel.Response.StatusCode(), tunnel.Response.StatusLine, buffer.Bytes());
    }
  }
}

}  // namespace tolvar::http
