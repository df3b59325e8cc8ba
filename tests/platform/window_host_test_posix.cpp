// The headless host of Linux: SIGTERM is a close request from outside, as a
// close message is to a window on Windows.
#include <signal.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/window_host.h"

namespace tolvar::platform {
namespace window_host_posix_test {

class TRecorder : public TWindowEvents {
 public:
  std::intptr_t OnMessage(std::uint32_t msg, std::uintptr_t, std::intptr_t) override {
    seen.push_back("message " + std::to_string(msg));
    return 0;
  }
  void OnCloseRequest() override { seen.push_back("close request"); }
  void OnClose() override { seen.push_back("close"); }
  std::vector<std::string> seen;
};

TEST(TWindowHostPosixTest, TerminateSignalIsACloseRequestEvenBeforeTheLoopRuns) {
  InitialiseWindowing(true);
  TRecorder events;
  TWindowHost host("Quillon", {}, events);
  ASSERT_EQ(::raise(SIGTERM), 0);
  host.Run();
  EXPECT_TRUE(host.Closed());
  EXPECT_EQ(events.seen, (std::vector<std::string>{"close request", "close"}));
}

}  // namespace window_host_posix_test
}  // namespace tolvar::platform
