// What a scripted run says on standard error about a failed attempt: the
// status log's explanation, as one line after that attempt's header text.
#pragma once

#include <cstdint>
#include <string>

#include "client/support/message_text.h"
#include "client/transfer/attempt_outcome.h"

namespace tolvar::client {

struct TAttemptFailure {
  // The worker's report ("GET: " and the engine's message); empty when the
  // request returned normally.
  std::string WorkerText;
  // The URL the attempt asked for.
  std::string Url;
  // The response's Location value; empty when it gave none.
  std::string Location;
  TAttemptOutcome Outcome;
  // This attempt's number, from 1, and how many the run may make.
  std::int32_t Attempt = 1;
  std::int32_t Attempts = 1;
  std::uint8_t MethodIndex = 0;
};

// "tolvar: " and the reason `failure` ended as it did, prefixed with
// "attempt N of M: " when the run may make more than one; an empty text
// when nothing beyond what was already said explains it (a success, an
// abort, a header file that could not be made).
TMessageText FailureLine(const TAttemptFailure& failure);

// "tolvar: " and the retry notice of the status log, "%d 秒後に再試行します.".
TMessageText RetryLine(std::int32_t interval_ms);

}  // namespace tolvar::client
