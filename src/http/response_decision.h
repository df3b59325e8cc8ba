// The decision after a final response, as a pure function of what the
// exchange knows at that point. The exchange gathers the facts (asking the
// redirect and authorization steps first, which may have effects of their
// own), takes the decision and acts on it: reads, drains or keeps the body,
// raises the protocol failure, or sends again.
#pragma once

#include "http/http_types.h"

namespace tolvar::http {

// What kind of answer a final status is, before any step is asked.
enum class TNetResponseKind {
  rkRedirect,    // 3xx other than 304, or any status with a Location line
  rkServerAuth,  // 401
  rkProxyAuth,   // 407
  rkFailure,     // any other status that is not 2xx
  rkSuccess,     // 2xx without a Location line
};

TNetResponseKind ClassifyResponse(int status_code, bool has_location);

struct TNetResponseFacts {
  int StatusCode = 0;
  bool HasLocation = false;
  TNetHTTPMethod Method = hmGet;
  // Redirects: HandleRedirects is set and the redirect counter is below
  // RedirectMaximum; and the answer of ConfirmRedirect.
  bool RedirectFollowable = false;
  bool RedirectConfirmed = false;
  // 401 and 407: retries were left and the authorization step said yes.
  bool Authorized = false;
  // hoInProcessAuth is in HTTPOptions.
  bool InProcessAuth = false;
  // The connection is still open.
  bool Connected = false;
};

enum class TNetBodyAction {
  baNone,       // leave it (no body, or no connection to read it from)
  baRead,       // into the caller's stream
  baDrain,      // read and drop
  baErrorBody,  // read as the protocol failure's text (capped), then raise
};

struct TNetResponseDecision {
  NextStep Step = NextStep::Undecided;
  TNetBodyAction Body = TNetBodyAction::baNone;
  // Raise ENetHTTPProtocolException with the status line (after the body).
  bool Fail = false;
  // A redirect: send again to the (confirmed) destination and method, or
  // accept it as the end of the request and keep the destination.
  bool FollowRedirect = false;
  bool AcceptRedirect = false;
};

TNetResponseDecision DecideResponse(const TNetResponseFacts& facts);

}  // namespace tolvar::http
