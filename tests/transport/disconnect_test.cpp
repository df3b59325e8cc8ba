// A Disconnect from another thread while the driving thread is blocked in
// connect, select/receive or send: the blocked call must fail promptly with
// one of the transport's exceptions. Run under TSan and ASan; the repetitions
// vary the moment of the Disconnect to catch races.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket.h"
#include "stuck_listener.h"
#include "support/scripted_server.h"
#include "transport/exceptions.h"
#include "transport/tcp_client.h"

namespace tolvar::transport {
namespace disconnect_test {

using testing::TScript;
using testing::TScriptedServer;

constexpr int kRepeats = 20;
constexpr auto kPrompt = std::chrono::seconds(5);  // generous: a missed wake-up blocks forever

// Runs `work` on a worker thread, disconnects `client` from this thread
// after `delay`, and returns the worker's failure text.
// With `gate`, the delay starts only once the gate is open.
std::string AbortDuring(TNetTCPClient& client, std::chrono::microseconds delay, std::function<void()> work,
                        std::promise<void>* gate = nullptr) {
  std::promise<std::string> outcome;
  auto result = outcome.get_future();
  std::thread worker([&] {
    try {
      work();
      outcome.set_value("no exception");
    } catch (const ENetException& e) {
      outcome.set_value(e.what());
    } catch (const std::exception& e) {
      outcome.set_value(std::string("foreign exception: ") + e.what());
    }
  });
  if (gate) gate->get_future().wait();
  std::this_thread::sleep_for(delay);
  client.Disconnect();
  bool prompt = result.wait_for(kPrompt) == std::future_status::ready;
  if (!prompt) client.Disconnect();  // keep trying so the test can end
  worker.join();
  EXPECT_TRUE(prompt) << "the blocked call did not fail promptly";
  return result.get();
}

TEST(TNetTCPConnectionDisconnectTest, AbortsBlockedRead) {
  for (int i = 0; i < kRepeats; ++i) {
    TScriptedServer server({TScript().Silent()});
    TNetTCPClient client;
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    client.Connect();
    std::string text = AbortDuring(client, std::chrono::microseconds(i * 500), [&] { client.ReceiveLine(); });
    EXPECT_TRUE(text == "Read Timeout" || text == "Connection Closed Gracefully." || text == "Not Connected" ||
                text.rfind("Socket Error # ", 0) == 0)
        << text;
  }
}

TEST(TNetTCPConnectionDisconnectTest, AbortsBlockedSend) {
  for (int i = 0; i < kRepeats / 4; ++i) {
    StuckListener listener(false);
    TNetTCPClient client;
    client.Host = "127.0.0.1";
    client.Port = listener.port;
    client.Connect();
    const std::string block(1 << 20, 's');
    std::string text = AbortDuring(client, std::chrono::milliseconds(100 + i * 10), [&] {
      for (int k = 0; k < 512; ++k) client.Write(block);  // far more than the socket buffers take
    });
    EXPECT_TRUE(text == "Not Connected" || text == "Connection Closed Gracefully." ||
                text.rfind("Socket Error # ", 0) == 0)
        << text;
  }
}

TEST(TNetTCPConnectionDisconnectTest, AbortsBlockedConnect) {
  StuckListener listener(true);
  for (int i = 0; i < kRepeats / 2; ++i) {
    TNetTCPClient client;
    client.Host = "127.0.0.1";
    client.Port = listener.port;
    // The Disconnect comes once the connect has begun (its status fired).
    std::promise<void> connecting;
    client.OnStatus = [&](TNetComponent*, TNetStatus s, const std::string&) {
      if (s == hsConnecting) connecting.set_value();
    };
    std::string text = AbortDuring(
        client, std::chrono::milliseconds(i * 5),
        [&] {
          client.Connect();
          client.ReceiveLine();  // a connect that won the race fails here
        },
        &connecting);
    EXPECT_NE(text, "no exception");
    EXPECT_EQ(text.rfind("foreign exception", 0), std::string::npos) << text;
  }
}

TEST(TNetTCPClientTest, ConnectTimeoutClosesSocket) {
  StuckListener listener(true);
  TNetTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = listener.port;
  auto start = std::chrono::steady_clock::now();
  try {
    client.Connect(500);
    FAIL() << "connected";
  } catch (const ENetConnectTimeout& e) {
    EXPECT_STREQ(e.what(), "Connect timed out.");
  }
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(450));
  EXPECT_LT(took, std::chrono::seconds(10));
  EXPECT_FALSE(client.Connected());
}

}  // namespace disconnect_test
}  // namespace tolvar::transport
