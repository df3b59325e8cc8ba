#include "client/transfer/attempt_client.h"

#include "client/transfer/https_handler.h"

namespace tolvar::client {

std::unique_ptr<TNetHTTPPlus> NewAttemptClient(const TFormModel& model, std::int32_t proxy_port,
                                               std::int32_t timeout_ms, const std::string& user_agent) {
  auto client = std::make_unique<TNetHTTPPlus>();
  client->Request().Referer = model.EditReferer.Text;
  if (!model.EditProxy.Text.empty()) {
    client->ProxyParams.SetProxyServer(model.EditProxy.Text);
    client->ProxyParams.SetProxyPort(proxy_port);
  } else {
    client->ProxyParams.SetProxyServer("");
  }
  if (!model.EditUserName.Text.empty() || !model.MaskEditPassWord.Text.empty()) {
    client->Request().BasicAuthentication = true;
    client->Request().Username = model.EditUserName.Text;
    client->Request().Password = model.MaskEditPassWord.Text;
  } else {
    client->Request().BasicAuthentication = false;
  }
  if (!user_agent.empty()) client->Request().UserAgent = user_agent;
  client->ReadTimeout = timeout_ms;
  // Not owned by the connection, which would drop an owned handler at its
  // first disconnect and connect again with a plain one.
  if (IsHttpsUrl(model.EditUrl.Text)) client->SetIOHandler(NewHttpsIOHandler());
  return client;
}

}  // namespace tolvar::client
