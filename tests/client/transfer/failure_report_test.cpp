// The line a scripted run writes on standard error for a failed attempt, as
// a table of what the attempt left behind.
#include "client/transfer/failure_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvar::client {
namespace failure_report_test {

// A GET whose connection was refused: the worker's report, nothing read.
TAttemptFailure Refused() {
  TAttemptFailure f;
  f.WorkerText = "GET: Socket Error # 111\r\nConnection refused.";
  f.Outcome.StatusCode = 0;
  return f;
}

template <typename F>
TAttemptFailure With(F change) {
  TAttemptFailure f = Refused();
  change(f);
  return f;
}

struct Row {
  const char* name;
  TAttemptFailure failure;
  std::string expected;  // "" for no line
};

TEST(FailureLineTest, ReasonPerKindOfFailure) {
  const std::vector<Row> rows = {
      // The engine's two-line message becomes one line.
      {"Refused", Refused(), "tolvar: GET: Socket Error # 111 Connection refused."},
      {"SecondOfThreeAttempts", With([](auto& f) { f.Attempt = 2, f.Attempts = 3; }),
       "tolvar: attempt 2 of 3: GET: Socket Error # 111 Connection refused."},
      {"RedirectNamesItsTarget", With([](auto& f) {
         f.WorkerText = "GET: HTTP/1.1 302 Found", f.Location = "http://h/next", f.Outcome.StatusCode = 302;
       }),
       "tolvar: GET: HTTP/1.1 302 Found, not followed: Location http://h/next"},
      // A refused certificate's text says all; nothing about https is added.
      {"HttpsCertificateRefused", With([](auto& f) {
         f.WorkerText = "GET: Certificate check failed for h: hostname mismatch.", f.Url = " HTTPS://h/";
       }),
       "tolvar: GET: Certificate check failed for h: hostname mismatch."},
      {"ServerError", With([](auto& f) { f.WorkerText = "POST: HTTP/1.1 500 Oops", f.Outcome.StatusCode = 500; }),
       "tolvar: POST: HTTP/1.1 500 Oops"},
      // The request returned, yet fewer bytes came than announced.
      {"ShortBodyWithItsCounts", With([](auto& f) {
         f.WorkerText.clear(), f.MethodIndex = 2;
         f.Outcome = {.Succeeded = true, .ContentLength = 10, .BodyCount = 4, .StatusCode = 200};
       }),
       "tolvar: PUT: Length(Body)=4, Content-Length: 10"},
      // Nothing to say: a success, one the user stopped, a header file
      // already reported, a body that arrived whole despite a late failure.
      {"Success", With([](auto& f) {
         f.WorkerText.clear();
         f.Outcome = {.Succeeded = true, .ContentLength = 3, .BodyCount = 3, .StatusCode = 200};
       }),
       ""},
      {"Aborted", With([](auto& f) { f.Outcome.Aborted = true; }), ""},
      {"Closed", With([](auto& f) { f.Outcome.Closed = true; }), ""},
      {"HeaderNotWritten", With([](auto& f) { f.Outcome.HeaderWritten = false; }), ""},
      {"AnnouncedBodyWholeDespiteAFailure",
       With([](auto& f) { f.Outcome = {.ContentLength = 3, .BodyCount = 3, .StatusCode = 200}; }), ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FailureLine(row.failure).Bytes(), row.expected) << row.name;
  }
}

TEST(FailureLineTest, ServerTextIsNeverConverted) {
  // A Location of raw bytes reaches the user as it came, on every target.
  const auto f = With([](auto& x) {
    x.WorkerText = "GET: HTTP/1.1 301 Moved", x.Location = "http://h/\xE9\r\nX", x.Outcome.StatusCode = 301;
  });
  EXPECT_EQ(FailureLine(f).ForUser(), "tolvar: GET: HTTP/1.1 301 Moved, not followed: Location http://h/\xE9 X");
}

TEST(FailureLineTest, RetryNoticeInWholeSeconds) {
  // "%d 秒後に再試行します." in Shift_JIS.
  EXPECT_EQ(RetryLine(2500).Bytes(),
            "tolvar: 2 \x95"
            "b\x8C\xE3\x82\xC9\x8D\xC4\x8E\x8E\x8Ds\x82\xB5\x82\xDC\x82\xB7.");
}

}  // namespace failure_report_test
}  // namespace tolvar::client
