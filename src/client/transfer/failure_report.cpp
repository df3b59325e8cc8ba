#include "client/transfer/failure_report.h"

#include "client/support/method.h"
#include "client/transfer/transfer_texts.h"

namespace tolvar::client {
namespace {

constexpr char kProgramPrefix[] = "tolvar: ";

// The engine's messages may span lines ("Socket Error # 111\r\nConnection
// refused."): on standard error each reason keeps to one line.
std::string OneLine(const std::string& text) {
  std::string line;
  line.reserve(text.size());
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      if (!line.empty() && line.back() != ' ') line += ' ';
      continue;
    }
    line += c;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

}  // namespace

TMessageText FailureLine(const TAttemptFailure& failure) {
  const TAttemptOutcome& o = failure.Outcome;
  if (o.Closed || o.Aborted || !o.HeaderWritten || ExitCodeOf(o) == ecSuccess) return {};
  std::string reason;
  if (!failure.WorkerText.empty()) {
    reason = OneLine(failure.WorkerText);
  } else if (o.ContentLength >= 0 && o.BodyCount != o.ContentLength) {
    reason = std::string(MethodName(failure.MethodIndex)) + ": Length(Body)=" + std::to_string(o.BodyCount) +
             ", Content-Length: " + std::to_string(o.ContentLength);
  } else {
    return {};
  }
  TMessageText line(kProgramPrefix);
  if (failure.Attempts > 1) {
    line.Own("attempt " + std::to_string(failure.Attempt) + " of " + std::to_string(failure.Attempts) + ": ");
  }
  // The engine's text and the server's Location are data: never converted.
  line.Data(reason);
  if (!failure.Location.empty()) {
    line.Own(", not followed: Location ").Data(OneLine(failure.Location));
  }
  return line;
}

TMessageText RetryLine(std::int32_t interval_ms) {
  return TMessageText(kProgramPrefix).Own(std::to_string(interval_ms / 1000) + texts::kRetryInSuffix);
}

}  // namespace tolvar::client
