// The window host with a desktop window: worker threads post and send
// into the toolkit's loop through the wake-up pipe. A program of its own,
// since opening the desktop turns every later host of the process into a
// desktop window.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/window_host.h"
#include "support/xvfb_display.h"

namespace tolvar::platform {
namespace {

constexpr std::uint32_t kWork = 0x400;   // wparam: sender, lparam: sequence number
constexpr std::uint32_t kSent = 0x401;   // answered with lparam + 1
constexpr std::uint32_t kClose = 0x402;  // the window closes itself

class TCounter : public TWindowEvents {
 public:
  explicit TCounter(TWindowHost** host) : host_(host) {}
  std::intptr_t OnMessage(std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam) override {
    if (msg == kWork) seen[wparam].push_back(lparam);
    if (msg == kSent) return lparam + 1;
    if (msg == kClose) (*host_)->Close();
    return 0;
  }
  void OnCloseRequest() override {}
  void OnClose() override { closes++; }
  std::vector<std::intptr_t> seen[2];
  int closes = 0;

 private:
  TWindowHost** host_;
};

class DesktopHostTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    display_ = new tolvar::testing::TXvfbDisplay(320, 240);
    if (display_->Ok()) InitialiseWindowing(false);
  }
  static void TearDownTestSuite() {
    delete display_;
    display_ = nullptr;
  }
  void SetUp() override {
    if (!display_->Ok()) GTEST_SKIP() << "Xvfb could not be started";
  }
  static tolvar::testing::TXvfbDisplay* display_;
};
tolvar::testing::TXvfbDisplay* DesktopHostTest::display_ = nullptr;

// Two threads post and send at once while the loop runs: each thread's
// posts arrive in order, every send gets its own answer, and a post after
// the last send closes the window.
TEST_F(DesktopHostTest, PostsKeepTheirOrderAndSendsAreAnswered) {
  TWindowHost* self = nullptr;
  TCounter events(&self);
  TWindowHost host("Quillon", {0, 0, 200, 100}, events);
  self = &host;
  host.Show(false);
  const WindowHandle window = host.Handle();
  constexpr int kCount = 300;
  std::atomic<int> wrong_answers{0};
  std::vector<std::thread> workers;
  for (std::uintptr_t sender = 0; sender < 2; ++sender) {
    workers.emplace_back([&, sender] {
      for (int i = 0; i < kCount; ++i) {
        PostWindowMessage(window, kWork, sender, i);
        if (i % 10 == 0 && SendWindowMessage(window, kSent, 0, i) != i + 1) wrong_answers++;
      }
    });
  }
  std::thread closer([&] {
    for (std::thread& t : workers) t.join();
    PostWindowMessage(window, kClose, 0, 0);
  });
  host.Run();
  closer.join();
  EXPECT_TRUE(host.Closed());
  EXPECT_EQ(events.closes, 1);
  EXPECT_EQ(wrong_answers.load(), 0);
  for (const std::vector<std::intptr_t>& seen : events.seen) {
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kCount));
    for (int i = 0; i < kCount; ++i) EXPECT_EQ(seen[static_cast<std::size_t>(i)], i);
  }
}

// A sender waiting while the window closes is let go with 0, and a send or
// post to a closed window fails at once: no worker stays blocked.
TEST_F(DesktopHostTest, SendersAreReleasedWhenTheWindowCloses) {
  TWindowHost* self = nullptr;
  TCounter events(&self);
  auto host = std::make_unique<TWindowHost>("Quillon", TWindowBounds{0, 0, 200, 100}, events);
  self = host.get();
  const WindowHandle window = host->Handle();
  std::atomic<bool> sending{false};
  std::intptr_t answer = -1;
  std::thread sender([&] {
    sending = true;
    answer = SendWindowMessage(window, kSent, 0, 41);
  });
  while (!sending) std::this_thread::yield();
  // Whether the send was queued or not yet made, closing releases it.
  host->Close();
  host.reset();
  sender.join();
  EXPECT_EQ(answer, 0);
  EXPECT_FALSE(PostWindowMessage(window, kWork, 0, 0));
  EXPECT_EQ(SendWindowMessage(window, kSent, 0, 1), 0);
}

}  // namespace
}  // namespace tolvar::platform
