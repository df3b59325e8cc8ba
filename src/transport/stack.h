// The process-wide socket stack: starts the sockets library, resolves host
// names, turns socket error codes into exceptions. One instance exists while
// any TNetComponent lives (created and freed under the components' lock).
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/socket.h"
#include "transport/timeout.h"

namespace tolvar::transport {

// select's set size on Windows, kept on both targets.
inline constexpr std::size_t kSocketSetSize = 64;

class TNetStack {
 public:
  // Starts Winsock once per process; ENetStackInitializationFailed with
  // "Winsock Initialization Error." when that fails, ENetWS2StubError when
  // the library cannot be loaded.
  TNetStack();

  // The one instance, or null when no component lives.
  static TNetStack* Instance();

  // false when result is not -1; else reads the thread's socket error into
  // LastError and returns true when it is in `ignore`, raising
  // ENetSocketError otherwise.
  bool CheckSocketResult(int result, std::initializer_list<int> ignore = {});
  [[noreturn]] void RaiseSocketFailure(int code);
  // A new IPv4 socket; ENetInvalidSocket "Cannot allocate socket." on failure.
  platform::SocketHandle NewSocket(int type, int protocol);
  // "LOCALHOST" (any case) is 127.0.0.1 without lookup; a numeric address
  // is returned unchanged; else the first IPv4 address of the name.
  std::string LookupHost(const std::string& host);
  static bool IsNumericAddress(const std::string& text);
  // Four network-order bytes of a dotted quad (parts that do not convert are 0).
  static std::array<std::uint8_t, 4> ParseInAddr(const std::string& text);
  static std::uint32_t TextToInAddr(const std::string& text);
  static std::string InAddrToText(const std::array<std::uint8_t, 4>& address);
  std::string SocketErrorText(int code) const;
  // Replaces each non-null list by its ready handles; time-out in ms,
  // TimeoutInfinite for none. ENetStackSetSizeExceeded for a list over 64.
  int StackSelect(std::vector<platform::SocketHandle>* read, std::vector<platform::SocketHandle>* write,
                  std::vector<platform::SocketHandle>* except, int timeout_ms);
  int StackGetLastError() const { return platform::LastError(); }

  // The socket error code that the last failing CheckSocketResult read; only
  // meaningful on the thread that made the failing call, right after it.
  int LastError = 0;

 private:
  friend class TNetComponent;
  static void CreateInstance();  // under the components' lock
  static void FreeInstance();
};

// Runs a platform socket call, turning a missing sockets library into
// ENetWS2StubError.
template <typename F>
auto StackCall(F&& f) -> decltype(f());

}  // namespace tolvar::transport

#include "transport/stack_call.h"
