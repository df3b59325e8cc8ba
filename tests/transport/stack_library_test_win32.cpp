// The Winsock binding's failures and its release at exit. Each needs a
// process of its own (one in which the library was never loaded, or one that
// releases it), which CTest starts with TOLVAR_WINSOCK_CASE naming the case
// (see tests/CMakeLists.txt); in the ordinary run of the layer's tests they
// are skipped.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket.h"
#include "transport/component.h"
#include "transport/exceptions.h"
#include "transport/socket_handle.h"
#include "transport/stack.h"

namespace tolvar::transport {
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

TEST(WinsockBindingTest, ReleaseAtExitNeverPullsTheLibraryFromUnderACaller) {
  if (!RunsAlone("release-under-caller")) GTEST_SKIP() << "runs in a process of its own";
  TNetComponent component;
  // A socket that lives on past the release, as a worker's would at exit.
  auto survivor = std::make_unique<TNetSocketHandle>();
  survivor->OpenSocket(1, 0);
  platform::SocketHandle listener = StackCall([] { return platform::Socket(2, 1, 0); });
  platform::Ipv4Endpoint local{{127, 0, 0, 1}, 0};
  ASSERT_EQ(platform::Bind(listener, local), 0);
  ASSERT_EQ(platform::Listen(listener, 1), 0);
  // A worker waits in the library (nobody connects) while it is released.
  std::promise<void> entering;
  std::string worker_outcome;
  std::thread worker([&] {
    entering.set_value();
    try {
      std::vector<platform::SocketHandle> read{listener};
      worker_outcome =
          "returned " + std::to_string(platform::Select(&read, nullptr, nullptr, platform::WaitLimit::Ms(3000)));
    } catch (const platform::SocketLibraryError& e) {
      worker_outcome = e.what();
    }
  });
  entering.get_future().wait();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // only makes "inside" the likely order
  const bool released = platform::StopSockets();
  worker.join();
  // Either the worker was inside and the library stayed, so its call ended
  // normally; or it was not yet inside and its call was refused. Never a
  // call into a released library.
  if (released) {
    EXPECT_EQ(worker_outcome, "Error on call Winsock2 library function select");
  } else {
    EXPECT_EQ(worker_outcome, "returned 0");
  }
  // Afterwards every call is refused, and a socket's release (in its
  // destructor) neither throws nor ends the process.
  EXPECT_THROW(StackCall([] { return platform::LastError(); }), ENetWS2StubError);
  survivor->ReleaseSocket();
  survivor.reset();
  SUCCEED() << (released ? "released" : "kept for the caller");
}

}  // namespace
}  // namespace tolvar::transport
