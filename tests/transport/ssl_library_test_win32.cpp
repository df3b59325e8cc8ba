// The TLS handler where no OpenSSL library can be loaded (Wine has none):
// TLS fails with "Could not load SSL library." after the plain connect, while
// pass-through mode still talks plainly.
#include <gtest/gtest.h>

#include <memory>

#include "platform/library.h"
#include "support/failure_of.h"
#include "support/scripted_server.h"
#include "transport/ssl_exceptions.h"
#include "transport/ssl_io_handler.h"
#include "transport/tcp_client.h"

namespace tolvar::transport {
namespace ssl_library_test_win32 {

using testing::TScript;
using testing::TScriptedServer;
using tolvar::testing::FailureOf;

TEST(TNetSSLLibraryTest, NamesAreTriedFromTheCurrentReleaseToTheLegacyOne) {
  std::vector<std::string> ssl;
  for (const auto& [s, c] : platform::OpenSSLLibraryNames()) ssl.push_back(s);
  auto at = [&](const char* name) { return std::find(ssl.begin(), ssl.end(), name) - ssl.begin(); };
  ASSERT_LT(at("libssl-3.dll"), static_cast<long>(ssl.size()));
  EXPECT_LT(at("libssl-3.dll"), at("libssl-1_1.dll"));
  EXPECT_LT(at("libssl-1_1.dll"), at("ssleay32.dll"));
  EXPECT_EQ(ssl.back(), "ssleay32.dll");
}

TEST(TNetSSLLibraryTest, WithoutOpenSSLTlsFailsAndPassThroughWorks) {
  for (const auto& [ssl, crypto] : platform::OpenSSLLibraryNames()) {
    if (platform::SharedLibrary::Open(crypto)) GTEST_SKIP() << crypto << " is installed here";
  }
  TScriptedServer server({TScript().WaitPeerClose(), TScript().ReadCount(6).Send("plain\n").WaitPeerClose()});
  {
    auto handler = std::make_shared<TNetSSLIOHandlerSocket>();
    EXPECT_EQ(FailureOf<ENetOpenSSLError>([&] { TNetSSLContext context(handler.get()); }),
              "Could not load SSL library.");
    TNetTCPClient client;
    client.SetIOHandler(handler);
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    EXPECT_EQ(FailureOf<ENetOSSLCouldNotLoadSSLLibrary>([&] { client.Connect(); }), "Could not load SSL library.");
    EXPECT_FALSE(client.Connected());
  }
  {
    auto handler = std::make_shared<TNetSSLIOHandlerSocket>();
    handler->SetPassThrough(true);
    TNetTCPClient client;
    client.SetIOHandler(handler);
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    client.Connect();
    client.Write("hello\n");
    EXPECT_EQ(client.ReceiveLine(), "plain");
    EXPECT_EQ(FailureOf<ENetOSSLCouldNotLoadSSLLibrary>([&] { handler->SetPassThrough(false); }),
              "Could not load SSL library.");
    EXPECT_TRUE(handler->PassThrough());
  }
  EXPECT_TRUE(server.WaitDone(5000));
}

}  // namespace ssl_library_test_win32
}  // namespace tolvar::transport
