#include "http/response_decision.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvar::http {
namespace response_decision_test {

TNetResponseFacts Facts(int code, bool connected = true) {
  TNetResponseFacts facts;
  facts.StatusCode = code;
  facts.Connected = connected;
  return facts;
}

std::string Describe(const TNetResponseDecision& d) {
  static const char* const kSteps[] = {"NextRequest", "Finished", "Undecided", "RepeatForAuth"};
  static const char* const kBodies[] = {"none", "read", "drain", "error-body"};
  std::string text = kSteps[static_cast<int>(d.Step)];
  text += std::string(" ") + kBodies[static_cast<int>(d.Body)];
  if (d.Fail) text += " fail";
  if (d.FollowRedirect) text += " follow";
  if (d.AcceptRedirect) text += " accept";
  return text;
}

TEST(TNetResponseDecisionTest, TheSystemsSettingsFinishOn2xxAndFailOnEverythingElse) {
  // No handlers, HandleRedirects false: ConfirmRedirect says no, the
  // authorization steps decline.
  struct Row {
    int code;
    bool location;
    std::string expected;
  };
  const std::vector<Row> rows = {
      {200, false, "Finished read"},
      {206, false, "Finished read"},
      {204, false, "Finished none"},
      {200, true, "Undecided error-body fail"},
      {302, false, "Undecided error-body fail"},
      {304, false, "Undecided error-body fail"},
      {401, false, "Undecided error-body fail"},
      {407, false, "Undecided error-body fail"},
      {404, false, "Undecided error-body fail"},
      {101, false, "Undecided error-body fail"},
      {503, false, "Undecided error-body fail"},
      {-1, false, "Undecided error-body fail"},
  };
  for (const Row& row : rows) {
    TNetResponseFacts facts = Facts(row.code);
    facts.HasLocation = row.location;
    EXPECT_EQ(Describe(DecideResponse(facts)), row.expected) << row.code;
  }
}

TEST(TNetResponseDecisionTest, HeadAnswersAreNeverRead) {
  TNetResponseFacts facts = Facts(200);
  facts.Method = hmHead;
  EXPECT_EQ(Describe(DecideResponse(facts)), "Finished none");
}

TEST(TNetResponseDecisionTest, A2xxOnAClosedConnectionIsUndecided) {
  EXPECT_EQ(Describe(DecideResponse(Facts(200, false))), "Undecided none");
}

TEST(TNetResponseDecisionTest, ConfirmedRedirectsAreFollowedOrAccepted) {
  TNetResponseFacts facts = Facts(301);
  facts.RedirectConfirmed = true;
  facts.RedirectFollowable = true;
  EXPECT_EQ(Describe(DecideResponse(facts)), "NextRequest drain follow");
  facts.Connected = false;
  EXPECT_EQ(Describe(DecideResponse(facts)), "NextRequest none follow");
  // Past the maximum (or HandleRedirects off) a handler's yes ends the
  // request with the redirect as its answer.
  facts.RedirectFollowable = false;
  facts.Connected = true;
  EXPECT_EQ(Describe(DecideResponse(facts)), "Finished drain accept");
  // 304 is no redirect, but any Location makes one.
  facts = Facts(201);
  facts.HasLocation = true;
  facts.RedirectConfirmed = true;
  EXPECT_EQ(Describe(DecideResponse(facts)), "Finished drain accept");
}

TEST(TNetResponseDecisionTest, AuthorizedAnswersRepeatInsideOrFinishWithTheirPage) {
  for (int code : {401, 407}) {
    TNetResponseFacts facts = Facts(code);
    facts.Authorized = true;
    EXPECT_EQ(Describe(DecideResponse(facts)), "Finished read") << code;
    facts.InProcessAuth = true;
    EXPECT_EQ(Describe(DecideResponse(facts)), "RepeatForAuth drain") << code;
    facts.Connected = false;
    EXPECT_EQ(Describe(DecideResponse(facts)), "NextRequest none") << code;
    // Authorization never rescues another status.
    facts = Facts(403);
    facts.Authorized = true;
    EXPECT_EQ(Describe(DecideResponse(facts)), "Undecided error-body fail");
  }
}

}  // namespace response_decision_test
}  // namespace tolvar::http
