#include "http/response_decision.h"

namespace tolvar::http {

TNetResponseKind ClassifyResponse(int status_code, bool has_location) {
  if ((status_code / 100 == 3 && status_code != 304) || has_location) return TNetResponseKind::rkRedirect;
  if (status_code / 100 == 2) return TNetResponseKind::rkSuccess;
  if (status_code == 401) return TNetResponseKind::rkServerAuth;
  if (status_code == 407) return TNetResponseKind::rkProxyAuth;
  return TNetResponseKind::rkFailure;
}

TNetResponseDecision DecideResponse(const TNetResponseFacts& facts) {
  TNetResponseDecision decision;
  const auto fail = [&decision] {
    decision.Fail = true;
    decision.Body = TNetBodyAction::baErrorBody;
    return decision;
  };
  const TNetResponseKind kind = ClassifyResponse(facts.StatusCode, facts.HasLocation);
  if (kind == TNetResponseKind::rkRedirect) {
    if (!facts.RedirectConfirmed) return fail();
    if (facts.RedirectFollowable) {
      decision.Step = NextStep::NextRequest;
      decision.FollowRedirect = true;
    } else {
      decision.Step = NextStep::Finished;
      decision.AcceptRedirect = true;
    }
    if (facts.Connected) decision.Body = TNetBodyAction::baDrain;
    return decision;
  }
  bool repeat_inside = false;
  if (kind != TNetResponseKind::rkSuccess) {
    if (kind == TNetResponseKind::rkFailure || !facts.Authorized) return fail();
    // Authorized: without hoInProcessAuth the 401 or 407 page is the
    // request's answer, read into the caller's stream.
    decision.Step = NextStep::NextRequest;
    repeat_inside = facts.InProcessAuth;
  }
  // With the connection gone a 2xx stays undecided ("Undefined situation")
  // and an authorized answer sends again on a new one.
  if (!facts.Connected) return decision;
  if (repeat_inside) {
    decision.Step = NextStep::RepeatForAuth;
    decision.Body = TNetBodyAction::baDrain;
  } else {
    decision.Step = NextStep::Finished;
    // A HEAD answer announces the length of a body it never sends.
    if (facts.StatusCode != 204 && facts.Method != hmHead) decision.Body = TNetBodyAction::baRead;
  }
  return decision;
}

}  // namespace tolvar::http
