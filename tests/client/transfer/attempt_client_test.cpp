// The client of one attempt as the settings make it, without a connection.
#include "client/transfer/attempt_client.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvar::client {
namespace attempt_client_test {

// The settings of a client that a request would use, in one line.
std::string Describe(TNetHTTPPlus& c) {
  const auto& r = c.Request();
  std::string text = "referer=" + r.Referer + " proxy=" + c.ProxyParams.ProxyServer();
  if (!c.ProxyParams.ProxyServer().empty()) text += ":" + std::to_string(c.ProxyParams.ProxyPort());
  text += r.BasicAuthentication ? " basic=" + r.Username + "/" + r.Password : " no-basic";
  return text + " timeout=" + std::to_string(c.ReadTimeout);
}

TEST(NewAttemptClientTest, TheSettingsOfOneAttempt) {
  struct Row {
    const char* referer;
    const char* proxy;
    const char* user;
    const char* password;
    std::int32_t timeout_ms;
    std::string expected;
  };
  const std::vector<Row> rows = {
      {"", "", "", "", 0, "referer= proxy= no-basic timeout=0"},
      {"http://r/", "proxy.test", "", "", 5000, "referer=http://r/ proxy=proxy.test:3128 no-basic timeout=5000"},
      // Either credential alone switches Basic on, the other then empty.
      {"", "", "bob", "", 0, "referer= proxy= basic=bob/ timeout=0"},
      {"", "", "", "pw", 0, "referer= proxy= basic=/pw timeout=0"},
      {"", "", "bob", "pw", 1000, "referer= proxy= basic=bob/pw timeout=1000"},
  };
  for (const Row& row : rows) {
    TFormModel model;
    model.EditReferer.Text = row.referer;
    model.EditProxy.Text = row.proxy;
    model.EditProxyPort.Text = "typed, not used";
    model.EditUserName.Text = row.user;
    model.MaskEditPassWord.Text = row.password;
    auto client = NewAttemptClient(model, 3128, row.timeout_ms, "");
    EXPECT_EQ(Describe(*client), row.expected);
  }
}

TEST(NewAttemptClientTest, AUserAgentOnlyWhenGivenAndNoRedirectFollowed) {
  TFormModel model;
  const std::string engine_default = TNetHTTPPlus().Request().UserAgent;
  EXPECT_EQ(NewAttemptClient(model, -1, 0, "")->Request().UserAgent, engine_default);
  auto client = NewAttemptClient(model, -1, 0, "Agent/1.0");
  EXPECT_EQ(client->Request().UserAgent, "Agent/1.0");
  EXPECT_FALSE(client->HandleRedirects);
}

}  // namespace attempt_client_test
}  // namespace tolvar::client
