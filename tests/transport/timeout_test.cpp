// The time-out sentinels and what each layer makes of them: the rules that
// every wait of the transport goes through.
#include "transport/timeout.h"

#include <gtest/gtest.h>

#include "transport/io_status.h"

namespace tolvar::transport {
namespace timeout_test {

using platform::WaitLimit;

TEST(TimeoutTest, WaitLimitOfEachSentinel) {
  const struct {
    int timeout_ms;
    WaitLimit want;
  } cases[] = {
      {TimeoutInfinite, WaitLimit::None()},
      {TimeoutDefault, WaitLimit::Ms(0)},  // no owner replaced it: one look
      {-3, WaitLimit::Ms(0)},
      {0, WaitLimit::Ms(0)},
      {1, WaitLimit::Ms(1)},
      {2000, WaitLimit::Ms(2000)},
  };
  for (const auto& c : cases) EXPECT_EQ(WaitLimitOf(c.timeout_ms), c.want) << c.timeout_ms;
}

TEST(TimeoutTest, CallTimeoutAgainstTheConnectionsReadTimeout) {
  const struct {
    int timeout_ms, read_timeout_ms, want;
  } cases[] = {
      {TimeoutDefault, 0, TimeoutInfinite},  // a ReadTimeout of 0 is no limit
      {TimeoutDefault, 500, 500},
      {TimeoutDefault, TimeoutInfinite, TimeoutInfinite},
      {0, 500, 0},  // an explicit 0 is one look, not "no limit"
      {250, 500, 250},
      {TimeoutInfinite, 500, TimeoutInfinite},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CallTimeout(c.timeout_ms, c.read_timeout_ms), c.want) << c.timeout_ms << " " << c.read_timeout_ms;
  }
}

TEST(TimeoutTest, PieceTimeoutAgainstTheOwnersTimeout) {
  const struct {
    int own_ms, owner_ms, want;
  } cases[] = {
      {TimeoutDefault, 300, 300},
      {TimeoutDefault, 0, TimeoutInfinite},
      {TimeoutDefault, TimeoutDefault, TimeoutInfinite},
      {TimeoutDefault, TimeoutInfinite, TimeoutInfinite},
      {0, 300, TimeoutInfinite},  // an own 0 is no limit too
      {700, 300, 700},
      {TimeoutInfinite, 300, TimeoutInfinite},
  };
  for (const auto& c : cases) EXPECT_EQ(PieceTimeout(c.own_ms, c.owner_ms), c.want) << c.own_ms << " " << c.owner_ms;
}

TEST(TimeoutTest, ConnectTimedOrNotAndItsWait) {
  const struct {
    int timeout_ms;
    bool timed;
    WaitLimit wait;
  } cases[] = {
      {TimeoutDefault, false, WaitLimit::None()},
      {0, false, WaitLimit::None()},
      {TimeoutInfinite, true, WaitLimit::None()},  // timed, but without limit
      {-3, true, WaitLimit::None()},
      {1500, true, WaitLimit::Ms(1500)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsTimedConnect(c.timeout_ms), c.timed) << c.timeout_ms;
    if (c.timed) {
      EXPECT_EQ(ConnectWaitOf(c.timeout_ms), c.wait) << c.timeout_ms;
    }
  }
}

TEST(TimeoutTest, WaitLimitAtMostTakesTheShorter) {
  const struct {
    WaitLimit a, b, want;
  } cases[] = {
      {WaitLimit::None(), WaitLimit::None(), WaitLimit::None()},
      {WaitLimit::None(), WaitLimit::Ms(50), WaitLimit::Ms(50)},
      {WaitLimit::Ms(50), WaitLimit::None(), WaitLimit::Ms(50)},
      {WaitLimit::Ms(20), WaitLimit::Ms(50), WaitLimit::Ms(20)},
      {WaitLimit::Ms(0), WaitLimit::Ms(50), WaitLimit::Ms(0)},
      {WaitLimit::Ms(-5), WaitLimit::None(), WaitLimit::Ms(0)},  // below 0 is one look
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.a.AtMost(c.b), c.want);
    EXPECT_EQ(c.b.AtMost(c.a), c.want);
  }
}

TEST(TimeoutTest, RecvResultOfARawCount) {
  const struct {
    int count;
    TNetRecvStatus status;
    int bytes;
  } cases[] = {
      {1, rsReceived, 1}, {4096, rsReceived, 4096}, {0, rsClosed, 0}, {-1, rsFailed, 0}, {-4, rsFailed, 0},
  };
  for (const auto& c : cases) {
    const TNetRecvResult r = TNetRecvResult::OfCount(c.count);
    EXPECT_EQ(r.Status, c.status) << c.count;
    EXPECT_EQ(r.Bytes, c.bytes) << c.count;
  }
}

}  // namespace timeout_test
}  // namespace tolvar::transport
