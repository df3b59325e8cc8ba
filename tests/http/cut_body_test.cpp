// A body with a Content-Length that the server cuts short by closing: what
// did arrive must reach the body destination, and the request must not pass
// for a complete one.
#include <gtest/gtest.h>

#include <string>

#include "http/custom_http.h"
#include "support/scripted_server.h"
#include "transport/exceptions.h"

namespace tolvar::http {
namespace cut_body_test {

using tolvar::testing::TScript;
using tolvar::testing::TScriptedServer;

struct CutOutcome {
  std::string body;
  std::int64_t announced = -1;
  std::string failure = "no exception";
};

CutOutcome GetCutBody(std::int64_t announced, const std::string& sent) {
  TScriptedServer server({TScript()
                              .ReadUntil("\r\n\r\n")
                              .Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(announced) + "\r\n\r\n")
                              .Send(sent)
                              .Close()});
  TNetHTTP client;
  tolvar::platform::TMemoryStream body;
  CutOutcome outcome;
  try {
    client.Get("http://127.0.0.1:" + std::to_string(server.Port()) + "/cut", &body);
  } catch (const tolvar::transport::ENetException& e) {
    outcome.failure = e.what();
  }
  outcome.body = body.Bytes();
  outcome.announced = client.Response().ContentLength();
  return outcome;
}

// Whether the server's bytes come with the header or after it, and however
// they are split into receives, the stream holds exactly what was sent.
TEST(TNetCustomHTTPCutBodyTest, ContentLengthBodyCutShortKeepsTheBytesThatArrived) {
  const std::string part(600, 'p');
  CutOutcome got = GetCutBody(1000, part);
  EXPECT_EQ(got.body, part);
  // The request fails: either the engine raises, or the body falls short
  // of the announced length, which the caller checks.
  EXPECT_TRUE(got.failure != "no exception" || static_cast<std::int64_t>(got.body.size()) < got.announced)
      << got.failure;
  EXPECT_EQ(got.announced, 1000);
}

TEST(TNetCustomHTTPCutBodyTest, ContentLengthBodyCutInsideALaterBlockKeepsItsTail) {
  std::string part;
  for (int i = 0; i < 70000; ++i) part.push_back(static_cast<char>('a' + i % 26));
  CutOutcome got = GetCutBody(100000, part);
  EXPECT_EQ(got.body.size(), part.size());
  EXPECT_TRUE(got.body == part);
  EXPECT_TRUE(got.failure != "no exception" || static_cast<std::int64_t>(got.body.size()) < got.announced)
      << got.failure;
}

}  // namespace cut_body_test
}  // namespace tolvar::http
