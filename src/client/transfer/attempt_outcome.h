// How one attempt ended, as plain facts, and the exit code they give.
#pragma once

#include <cstdint>

#include "client/support/exit_code.h"

namespace tolvar::client {

struct TAttemptOutcome {
  // Cut off before it could be judged: a close request took the worker, or
  // the worker posted its end and then did not end. Nothing else counts.
  bool Closed = false;
  // The Abort button was pressed during the attempt.
  bool Aborted = false;
  // The request returned normally (the worker's success flag).
  bool Succeeded = false;
  // The response's Content-Length; -1 when it gave none.
  std::int64_t ContentLength = -1;
  // Bytes handed to the body destination, a failed write included.
  std::int64_t BodyCount = 0;
  // A write to the body destination failed.
  bool WriteFailed = false;
  // The number in the status line; outside 100..599 when none was read.
  int StatusCode = 0;
  // The header reached its destination whole.
  bool HeaderWritten = true;
};

// Later rules win: an abort, a body that is not what was announced (or, with
// no length announced, a failed request), a failed body write and a status
// outside 2xx give ecConnection; 400 to 599 gives ecServerRefused; a header
// not written gives ecFileAccess. A closed attempt is always ecConnection.
TExitCode ExitCodeOf(const TAttemptOutcome& outcome);

// What follows an attempt that ended with `code`, with `retries_left`
// retries still allowed and `body_handed_on` telling whether the attempt
// wrote body bytes where they cannot be taken back (a pipe, a terminal, a
// device). A failed attempt is retried while retries are left, unless such
// bytes went out: a retry would deliver a second body behind the first
// one's broken start, so the run ends with ecConnection instead and says why.
struct TNextStep {
  bool Retry = false;
  TExitCode Code = ecSuccess;
  // A retry was left but is not made (the reason goes to the user).
  bool RetryRefused = false;
};
TNextStep NextStepOf(TExitCode code, std::int32_t retries_left, bool body_handed_on);

}  // namespace tolvar::client
