#include "client/transfer/net_http_plus.h"

#include <gtest/gtest.h>

#include <string>

#include "support/loopback.h"
#include "support/scripted_server.h"

namespace tolvar::client {
namespace net_http_plus_test {

using tolvar::testing::TScript;
using tolvar::testing::TScriptedServer;

using tolvar::testing::kHeadEnd;

using tolvar::testing::LoopbackUrl;
using tolvar::testing::RefusedPort;

TEST(TNetHTTPPlusTest, HeaderTextIsStatusLineThenRawLinesCachedPerRequest) {
  TScriptedServer server(
      {TScript().ReadUntil(kHeadEnd).Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nX-Two: b\r\n\r\nhi").WaitPeerClose(),
       TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 Fine\r\n\r\n").Close()});
  TNetHTTPPlus client;
  tolvar::platform::TMemoryStream body;
  client.RunGet(LoopbackUrl(server, "/a"), &body);
  EXPECT_EQ(client.HeaderText(), "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nX-Two: b\r\n");
  EXPECT_EQ(&client.HeaderText(), &client.HeaderText());
  EXPECT_EQ(body.Bytes(), "hi");
  client.Disconnect();
  // The next request starts with an empty cache.
  tolvar::platform::TMemoryStream body2;
  client.RunGet(LoopbackUrl(server, "/b"), &body2);
  EXPECT_EQ(client.HeaderText(), "HTTP/1.0 200 Fine\r\n");
}

TEST(TNetHTTPPlusTest, RefusedConnectionGivesCrLfAlone) {
  TNetHTTPPlus client;
  tolvar::platform::TMemoryStream body;
  EXPECT_THROW(client.RunGet("http://127.0.0.1:" + std::to_string(RefusedPort()) + "/", &body), std::exception);
  EXPECT_EQ(client.HeaderText(), "\r\n");
}

TEST(TNetHTTPPlusTest, PutAndPostSendTheSourceAsBody) {
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).ReadCount(4).Send("HTTP/1.0 201 Created\r\n\r\n").Close(),
                          TScript().ReadUntil(kHeadEnd).ReadCount(3).Send("HTTP/1.0 200 OK\r\n\r\n").Close()});
  tolvar::platform::TMemoryStream source;
  source.Write("data", 4);
  source.SetPosition(0);
  tolvar::platform::TMemoryStream body;
  {
    TNetHTTPPlus client;
    client.RunPut(LoopbackUrl(server, "/up"), &source, &body);
  }
  tolvar::platform::TMemoryStream post;
  post.Write("a=1", 3);
  post.SetPosition(0);
  {
    TNetHTTPPlus client;
    client.RunPost(LoopbackUrl(server, "/form"), &post, &body);
  }
  ASSERT_TRUE(server.WaitDone(10000));
  EXPECT_EQ(server.Received(0).rfind("PUT /up HTTP/1.", 0), 0u) << server.Received(0);
  EXPECT_EQ(server.Received(0).substr(server.Received(0).size() - 8), "\r\n\r\ndata");
  EXPECT_EQ(server.Received(1).rfind("POST /form HTTP/1.", 0), 0u) << server.Received(1);
  EXPECT_EQ(server.Received(1).substr(server.Received(1).size() - 7), "\r\n\r\na=1");
}

}  // namespace net_http_plus_test
}  // namespace tolvar::client
