// The exit code of one attempt as a table of what the attempt left behind.
#include "client/transfer/attempt_outcome.h"

#include <gtest/gtest.h>

#include <vector>

namespace tolvar::client {
namespace attempt_outcome_test {

// A complete 200 answer with a Content-Length of 5, changed per row.
TAttemptOutcome Complete() {
  TAttemptOutcome o;
  o.Succeeded = true;
  o.ContentLength = 5;
  o.BodyCount = 5;
  o.StatusCode = 200;
  return o;
}

struct Row {
  const char* name;
  TAttemptOutcome outcome;
  TExitCode expected;
};

template <typename F>
TAttemptOutcome With(F change) {
  TAttemptOutcome o = Complete();
  change(o);
  return o;
}

TEST(ExitCodeOfTest, EachFactAndWhichOneWins) {
  const std::vector<Row> rows = {
      {"CompleteAnswer", Complete(), ecSuccess},
      {"NoContentLengthAndSucceeded", With([](auto& o) { o.ContentLength = -1; }), ecSuccess},
      {"NoContentLengthAndFailed", With([](auto& o) { o.ContentLength = -1, o.Succeeded = false; }), ecConnection},
      // The announced body arrived whole although the request failed after it.
      {"ContentLengthMetDespiteAFailure", With([](auto& o) { o.Succeeded = false; }), ecSuccess},
      {"BodyShorterThanAnnounced", With([](auto& o) { o.BodyCount = 4; }), ecConnection},
      {"BodyLongerThanAnnounced", With([](auto& o) { o.BodyCount = 6; }), ecConnection},
      {"EmptyBodyAnnouncedEmpty", With([](auto& o) { o.ContentLength = 0, o.BodyCount = 0; }), ecSuccess},
      {"WriteFailed", With([](auto& o) { o.WriteFailed = true; }), ecConnection},
      {"Aborted", With([](auto& o) { o.Aborted = true; }), ecConnection},
      {"Status204", With([](auto& o) { o.StatusCode = 204; }), ecSuccess},
      {"Status299", With([](auto& o) { o.StatusCode = 299; }), ecSuccess},
      {"Status199", With([](auto& o) { o.StatusCode = 199; }), ecConnection},
      {"Status301", With([](auto& o) { o.StatusCode = 301; }), ecConnection},
      {"Status304", With([](auto& o) { o.StatusCode = 304; }), ecConnection},
      {"NoStatusRead", With([](auto& o) { o.StatusCode = -1; }), ecConnection},
      {"Status400", With([](auto& o) { o.StatusCode = 400; }), ecServerRefused},
      {"Status599", With([](auto& o) { o.StatusCode = 599; }), ecServerRefused},
      {"Status600", With([](auto& o) { o.StatusCode = 600; }), ecConnection},
      // A refusal outranks an abort, a short body and a failed write.
      {"Status404AfterAbortShortBodyFailedWrite",
       With([](auto& o) { o.StatusCode = 404, o.Aborted = true, o.BodyCount = 1, o.WriteFailed = true; }),
       ecServerRefused},
      // A header that did not reach its destination outranks everything.
      {"HeaderNotWritten", With([](auto& o) { o.HeaderWritten = false; }), ecFileAccess},
      {"HeaderNotWrittenAfterA404", With([](auto& o) { o.HeaderWritten = false, o.StatusCode = 404; }), ecFileAccess},
      // Closed before it finished: nothing that arrived makes it a success.
      {"ClosedAfterACompleteAnswer", With([](auto& o) { o.Closed = true; }), ecConnection},
      {"ClosedWithNothing", TAttemptOutcome{.Closed = true}, ecConnection},
      {"ClosedAfterA404", With([](auto& o) { o.Closed = true, o.StatusCode = 404; }), ecConnection},
  };
  for (const Row& row : rows) EXPECT_EQ(ExitCodeOf(row.outcome), row.expected) << row.name;
}

TEST(NextStepOfTest, RetryOnlyWhereTheFailedBodyCanBeTakenBack) {
  struct StepRow {
    const char* name;
    TExitCode code;
    std::int32_t retries_left;
    bool handed_on;
    TNextStep expected;
  };
  const std::vector<StepRow> rows = {
      {"SuccessEndsTheRun", ecSuccess, 3, false, {false, ecSuccess, false}},
      {"SuccessAfterBytesHandedOn", ecSuccess, 3, true, {false, ecSuccess, false}},
      {"FailureWithRetriesLeft", ecConnection, 1, false, {true, ecConnection, false}},
      {"RefusalWithRetriesLeft", ecServerRefused, 2, false, {true, ecServerRefused, false}},
      {"FailureWithNoRetryLeft", ecConnection, 0, false, {false, ecConnection, false}},
      // Nothing to refuse when no retry was left: the code stays the attempt's.
      {"RefusalHandedOnWithNoRetryLeft", ecServerRefused, 0, true, {false, ecServerRefused, false}},
      {"FailureHandedOnWithRetriesLeft", ecConnection, 1, true, {false, ecConnection, true}},
      {"RefusalHandedOnWithRetriesLeft", ecServerRefused, 5, true, {false, ecConnection, true}},
      {"HeaderNotWrittenHandedOn", ecFileAccess, 1, true, {false, ecConnection, true}},
  };
  for (const StepRow& row : rows) {
    const TNextStep got = NextStepOf(row.code, row.retries_left, row.handed_on);
    EXPECT_EQ(got.Retry, row.expected.Retry) << row.name;
    EXPECT_EQ(got.Code, row.expected.Code) << row.name;
    EXPECT_EQ(got.RetryRefused, row.expected.RetryRefused) << row.name;
  }
}

}  // namespace attempt_outcome_test
}  // namespace tolvar::client
