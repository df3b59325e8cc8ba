// The small value types of the HTTP client: methods, protocol versions,
// options, routes and the decision taken after a response.
#pragma once

#include <initializer_list>
#include <string>

namespace tolvar::http {

enum TNetHTTPMethod { hmHead, hmGet, hmPost, hmOptions, hmTrace, hmPut, hmDelete, hmConnect };

enum TNetHTTPProtocolVersion { pv1_0, pv1_1 };

enum TNetHTTPOption { hoInProcessAuth, hoKeepOrigProtocol, hoForceEncodeParams };

// A set of TNetHTTPOption values, one bit each.
class TNetHTTPOptions {
 public:
  TNetHTTPOptions() = default;
  TNetHTTPOptions(std::initializer_list<TNetHTTPOption> options) {
    for (auto o : options) Include(o);
  }
  bool Has(TNetHTTPOption o) const { return (bits_ & Bit(o)) != 0; }
  void Include(TNetHTTPOption o) { bits_ |= Bit(o); }
  void Exclude(TNetHTTPOption o) { bits_ &= ~Bit(o); }

 private:
  static unsigned Bit(TNetHTTPOption o) { return 1u << static_cast<unsigned>(o); }
  unsigned bits_ = 0;
};

// How the request reaches its origin server.
enum class ConnectionKind { Direct, DirectTls, Proxy, ProxyTunnel };

// What the exchange does after a final response.
enum class NextStep { NextRequest, Finished, Undecided, RepeatForAuth };

// "1.0" or "1.1".
std::string ProtocolVersionText(TNetHTTPProtocolVersion version);

// The word of the request line. DELETE has none: the client cannot send it,
// and it is refused as an argument.
std::string MethodWord(TNetHTTPMethod method);

}  // namespace tolvar::http
