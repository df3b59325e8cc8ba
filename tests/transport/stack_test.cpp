#include "transport/stack.h"

#include <gtest/gtest.h>

#include "transport/component.h"
#include "transport/exceptions.h"
#include "transport/socket_handle.h"

namespace tolvar::transport {
namespace stack_test {

TEST(TNetStackTest, NumericAddressRules) {
  EXPECT_TRUE(TNetStack::IsNumericAddress("10.0.0.1"));
  EXPECT_TRUE(TNetStack::IsNumericAddress("0.0.0.0"));
  EXPECT_TRUE(TNetStack::IsNumericAddress("255.255.255.255"));
  EXPECT_FALSE(TNetStack::IsNumericAddress("256.1.1.1"));
  EXPECT_FALSE(TNetStack::IsNumericAddress("1.2.3"));
  EXPECT_FALSE(TNetStack::IsNumericAddress("1.2.3.4.5"));
  EXPECT_FALSE(TNetStack::IsNumericAddress("1..3.4"));
  EXPECT_FALSE(TNetStack::IsNumericAddress("a.b.c.d"));
  EXPECT_EQ(TNetStack::TextToInAddr("192.168.1.2"), 0xC0A80102u);
  EXPECT_EQ(TNetStack::InAddrToText(TNetStack::ParseInAddr("10.20.30.40")), "10.20.30.40");
}

TEST(TNetStackTest, SocketErrorMessages) {
  EXPECT_STREQ(ENetSocketError(10061).what(), "Socket Error # 10061\r\nConnection refused.");
  EXPECT_STREQ(ENetSocketError(11001).what(), "Socket Error # 11001\r\nHost not found.");
  EXPECT_STREQ(ENetSocketError(10035).what(), "Socket Error # 10035\r\nOperation would block. ");
  EXPECT_STREQ(ENetSocketError(10066).what(), "Socket Error # 10066\r\nDirectory not empty");
  EXPECT_STREQ(ENetSocketError(10093).what(), "Socket Error # 10093\r\n");
  EXPECT_EQ(ENetSocketError(10054).LastError(), 10054);
}

TEST(TNetStackTest, LookupHost) {
  TNetComponent keep_stack;
  TNetStack* stack = TNetStack::Instance();
  EXPECT_EQ(stack->LookupHost("LocalHost"), "127.0.0.1");
  EXPECT_EQ(stack->LookupHost("10.0.0.1"), "10.0.0.1");
  try {
    stack->LookupHost("no-such-host.invalid");
    FAIL() << "lookup succeeded";
  } catch (const ENetSocketError& e) {
    EXPECT_EQ(e.LastError(), 11001);
    EXPECT_STREQ(e.what(), "Socket Error # 11001\r\nHost not found.");
  }
}

TEST(TNetStackTest, SelectRefusesMoreThan64Handles) {
  TNetComponent keep_stack;
  std::vector<platform::SocketHandle> many(65, 1);
  try {
    TNetStack::Instance()->StackSelect(&many, nullptr, nullptr, 0);
    FAIL();
  } catch (const ENetStackSetSizeExceeded& e) {
    EXPECT_STREQ(e.what(), "Set Size Exceeded.");
  }
}

TEST(TNetSocketHandleTest, PortRangeErrors) {
  TNetComponent keep_stack;
  TNetSocketHandle h;
  h.OpenSocket(1, 0);
  h.ClientPortMin = 2000;
  h.ClientPortMax = 1999;
  try {
    h.Bind();
    FAIL();
  } catch (const ENetInvalidPortRange& e) {
    EXPECT_STREQ(e.what(), "Invalid Port Range (2000 - 1999)");
  }
  // A port in use: every port of a one-port range fails.
  TNetSocketHandle taken;
  taken.OpenSocket(1, 0);
  taken.IP = "127.0.0.1";
  taken.Bind();
  ASSERT_NE(taken.Port, 0);
  h.IP = "127.0.0.1";
  h.ClientPortMin = h.ClientPortMax = taken.Port;
  try {
    h.Bind();
    FAIL();
  } catch (const ENetCanNotBindPortInRange& e) {
    EXPECT_EQ(std::string(e.what()),
              "Can not bind in port range (" + std::to_string(taken.Port) + " - " + std::to_string(taken.Port) + ")");
  }
  h.ClientPortMin = h.ClientPortMax = 0;
  h.Port = taken.Port;
  EXPECT_THROW(h.Bind(), ENetCouldNotBindSocket);
}

}  // namespace stack_test
}  // namespace tolvar::transport
