#include "transport/component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transport/stack.h"

namespace tolvar::transport {
namespace component_test {

TEST(TNetComponentTest, StatusTextsAreFormatted) {
  TNetComponent c;
  std::vector<std::string> texts;
  c.OnStatus = [&](TNetComponent* sender, TNetStatus, const std::string& text) {
    EXPECT_EQ(sender, &c);
    texts.push_back(text);
  };
  c.FireStatus(hsResolving, {"example.com"});
  c.FireStatus(hsConnecting);
  c.FireStatus(hsConnected, {"example.com"});
  c.FireStatus(hsStatusText, {"Chunk Started"});
  c.FireStatus(hsDisconnected);
  EXPECT_EQ(texts, (std::vector<std::string>{"Resolving hostname example.com.", "Connecting to .", "Connected.",
                                             "Chunk Started", "Disconnected."}));
}

TEST(TNetComponentTest, NestedWorkFiresOneBracketWithRunningTotal) {
  TNetComponent c;
  std::vector<std::string> log;
  c.OnWorkBegin = [&](TNetComponent*, TWorkMode m, std::int32_t max) {
    log.push_back("begin " + std::to_string(m) + " " + std::to_string(max));
  };
  c.OnWork = [&](TNetComponent*, TWorkMode, std::int32_t n) { log.push_back("work " + std::to_string(n)); };
  c.OnWorkEnd = [&](TNetComponent*, TWorkMode m) { log.push_back("end " + std::to_string(m)); };
  c.FireWork(wmRead, 5);  // outside any bracket: nothing
  c.FireWorkBegin(wmRead, 100);
  c.FireWorkBegin(wmRead, 7);
  c.FireWork(wmRead, 10);
  c.FireWork(wmRead, 20);
  c.FireWorkEnd(wmRead);
  c.FireWorkEnd(wmRead);
  c.FireWorkEnd(wmRead);  // unbalanced end: nothing
  EXPECT_EQ(log, (std::vector<std::string>{"begin 0 100", "work 10", "work 30", "end 0"}));
}

TEST(TNetComponentTest, RunningTotalBeyond2GiBStaysAtTheLargestCount) {
  TNetComponent c;
  std::vector<std::int32_t> totals;
  c.OnWork = [&](TNetComponent*, TWorkMode, std::int32_t n) { totals.push_back(n); };
  c.FireWorkBegin(wmRead, 0);
  c.FireWork(wmRead, 2000000000);
  c.FireWork(wmRead, 2000000000);
  c.FireWork(wmRead, 1);
  c.FireWorkEnd(wmRead);
  EXPECT_EQ(totals, (std::vector<std::int32_t>{2000000000, 2147483647, 2147483647}));
}

TEST(TNetComponentTest, StackLivesWhileAnyComponentLives) {
  ASSERT_EQ(TNetComponent::LiveCount(), 0);
  EXPECT_EQ(TNetStack::Instance(), nullptr);
  auto first = std::make_unique<TNetComponent>();
  TNetStack* stack = TNetStack::Instance();
  ASSERT_NE(stack, nullptr);
  auto second = std::make_unique<TNetComponent>();
  first.reset();
  EXPECT_EQ(TNetStack::Instance(), stack);
  second.reset();
  EXPECT_EQ(TNetStack::Instance(), nullptr);
  TNetComponent again;  // a new stack, sockets stay started
  EXPECT_NE(TNetStack::Instance(), nullptr);
}

}  // namespace component_test
}  // namespace tolvar::transport
