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

}  // namespace tolvar::client
