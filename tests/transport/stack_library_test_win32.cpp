// The Winsock binding's two failures. Both need a process in which the
// library was never loaded, so each runs only in a process of its own that
// CTest starts with TOLVAR_WINSOCK_CASE naming it (see tests/CMakeLists.txt);
// in the ordinary run of the layer's tests they are skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/socket.h"
#include "transport/component.h"
#include "transport/exceptions.h"
#include "transport/stack.h"

namespace tolvar {
namespace {

bool RunsAlone(const char* name) {
  const char* c = std::getenv("TOLVAR_WINSOCK_CASE");
  return c && std::string(c) == name;
}

TEST(WinsockBindingTest, CallBeforeLoadingNamesTheFunction) {
  if (!RunsAlone("before-load")) GTEST_SKIP() << "runs in a process of its own";
  try {
    StackCall([] { return platform::Socket(2, 1, 6); });
    FAIL() << "socket() answered before the library was loaded";
  } catch (const ENetWS2StubError& e) {
    EXPECT_EQ(e.Title(), "Error on call Winsock2 library function socket");
    EXPECT_EQ(e.Win32Error(), 10093u);
    EXPECT_EQ(std::string(e.what()), e.Title() + ": " + e.Win32ErrorText());
  }
  // Loading afterwards still works, and the entry resolves then.
  TNetComponent component;
  platform::SocketHandle s = StackCall([] { return platform::Socket(2, 1, 6); });
  EXPECT_NE(s, platform::kInvalidSocket);
  platform::CloseSocket(s);
}

TEST(WinsockBindingTest, MissingLibraryFailsTheFirstComponent) {
  // Started with WINEDLLOVERRIDES=ws2_32=d: the library cannot be loaded.
  if (!RunsAlone("no-library")) GTEST_SKIP() << "runs in a process of its own";
  try {
    TNetComponent component;
    FAIL() << "the stack started without WS2_32.DLL";
  } catch (const ENetWS2StubError& e) {
    EXPECT_EQ(e.Title(), "Error on loading Winsock2 library (WS2_32.DLL)");
    EXPECT_NE(e.Win32Error(), 0u);
    EXPECT_EQ(std::string(e.what()), e.Title() + ": " + e.Win32ErrorText());
  }
  EXPECT_EQ(TNetStack::Instance(), nullptr);
}

}  // namespace
}  // namespace tolvar
