#include "client/transfer/attempt_outcome.h"

namespace tolvar::client {

TExitCode ExitCodeOf(const TAttemptOutcome& outcome) {
  // A run closed before its transfer finished must not pass for a success,
  // whatever the part that arrived looks like.
  if (outcome.Closed) return ecConnection;
  TExitCode code = outcome.Aborted ? ecConnection : ecSuccess;
  if (outcome.ContentLength >= 0) {
    if (outcome.BodyCount != outcome.ContentLength) code = ecConnection;
  } else if (!outcome.Succeeded) {
    code = ecConnection;
  }
  // The count includes a chunk whose write failed: a body that did not
  // reach its destination whole is never a success.
  if (outcome.WriteFailed) code = ecConnection;
  // Redirects are not followed, so any final answer other than 2xx (a 3xx
  // with an empty body, say) is a failure too.
  if (outcome.StatusCode < 200 || outcome.StatusCode > 299) code = ecConnection;
  if (outcome.StatusCode >= 400 && outcome.StatusCode <= 599) code = ecServerRefused;
  if (!outcome.HeaderWritten) code = ecFileAccess;
  return code;
}

TNextStep NextStepOf(TExitCode code, std::int32_t retries_left, bool body_handed_on) {
  if (code == ecSuccess || retries_left <= 0) return {false, code, false};
  if (body_handed_on) return {false, ecConnection, true};
  return {true, code, false};
}

}  // namespace tolvar::client
