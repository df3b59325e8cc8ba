// The socket seam of tolvar: IPv4 TCP sockets with Winsock semantics on both
// targets (socket_win32.cpp binds WS2_32.DLL at run time by name,
// socket_posix.cpp uses BSD sockets). Every failure code is a Winsock code
// (10061 for a refused connect, 11001 for an unknown host, ...), read with
// LastError() on the thread that made the failing call, so that message texts
// built from the codes are identical on both targets.
//
// All functions are thin: they return the raw result (-1 = SOCKET_ERROR) and
// never block longer than the underlying call. None of them throws, except
// that on Windows a call made while the library cannot be loaded or lacks the
// entry point throws SocketLibraryError.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/wait_limit.h"

namespace tolvar::platform {

// SOCKET on Windows (an unsigned handle carried as a signed integer), fd on
// Linux. -1 (INVALID_SOCKET) when none.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kInvalidSocket = -1;
inline constexpr int kSocketError = -1;

// Winsock's numbers for the options the transport sets; socket_posix maps them.
inline constexpr int kSolSocket = 0xffff;
inline constexpr int kSoReuseAddr = 0x0004;
inline constexpr int kSoLinger = 0x0080;
inline constexpr int kIpProtoTcp = 6;
inline constexpr int kTcpNoDelay = 1;

// Winsock codes the transport tests for.
inline constexpr int kWsaEIntr = 10004;
inline constexpr int kWsaEBadF = 10009;
inline constexpr int kWsaEWouldBlock = 10035;
inline constexpr int kWsaEInProgress = 10036;
inline constexpr int kWsaENotSock = 10038;
inline constexpr int kWsaEAddrInUse = 10048;
inline constexpr int kWsaEConnAborted = 10053;
inline constexpr int kWsaEConnReset = 10054;
inline constexpr int kWsaEShutdown = 10058;
inline constexpr int kWsaENotInitialised = 10093;
inline constexpr int kWsaHostNotFound = 11001;

// An IPv4 address as its four bytes in network order, and a port in host order.
struct Ipv4Endpoint {
  std::array<std::uint8_t, 4> address{};
  std::uint16_t port = 0;
};

// The sockets library could not be loaded, or lacks a function (Windows).
// `title` is the whole first part of the message; `error_number` the system
// error (0 when none) and `system_text` its text.
class SocketLibraryError : public std::runtime_error {
 public:
  SocketLibraryError(std::string title, unsigned long error_number, std::string system_text)
      : std::runtime_error(title),
        title_(std::move(title)),
        error_number_(error_number),
        system_text_(std::move(system_text)) {}
  const std::string& Title() const { return title_; }
  unsigned long ErrorNumber() const { return error_number_; }
  const std::string& SystemText() const { return system_text_; }

 private:
  std::string title_;
  unsigned long error_number_;
  std::string system_text_;
};

// Starts the sockets library asking for version 2.2; 0 on success, else the
// Winsock error. Windows: the first call loads WS2_32.DLL (throws
// SocketLibraryError when that fails); a later call returns 0 at once. The
// library is cleaned up and released once at process exit. Linux: always 0.
int StartSockets();

// Releases the sockets library as the process does at exit: cleans it up and
// unloads it unless a call is inside it at that moment (a worker that
// outlived its wait, say), in which case it stays loaded until the process
// ends. Either way every call that starts afterwards throws
// SocketLibraryError instead of entering it. True when it was released (or
// there was nothing to release). Linux: nothing to release, always true.
bool StopSockets();

// The calling thread's last socket error (Winsock code), and its setter.
int LastError();
void SetLastError(int code);

SocketHandle Socket(int family, int type, int protocol);
int Bind(SocketHandle s, const Ipv4Endpoint& local);
int Connect(SocketHandle s, const Ipv4Endpoint& peer);
int Listen(SocketHandle s, int backlog);
// The accepted socket, or kInvalidSocket; `peer` may be null.
SocketHandle Accept(SocketHandle s, Ipv4Endpoint* peer);
int GetSockName(SocketHandle s, Ipv4Endpoint* local);
int GetPeerName(SocketHandle s, Ipv4Endpoint* peer);
// recv/send with flags 0; send never raises SIGPIPE.
int Recv(SocketHandle s, char* buffer, int length);
int Send(SocketHandle s, const char* buffer, int length);
// how: 0 receive, 1 send, 2 both.
int Shutdown(SocketHandle s, int how);
int CloseSocket(SocketHandle s);
int SetSockOpt(SocketHandle s, int level, int option, const void* value, int length);
int GetSockOpt(SocketHandle s, int level, int option, void* value, int* length);
// Switches the socket between blocking and non-blocking calls.
int SetNonBlocking(SocketHandle s, bool non_blocking);
// The pending error of the socket (SO_ERROR) as a Winsock code; 0 when none.
// Used after a non-blocking connect has become writable.
int PendingError(SocketHandle s);

// Waits until sockets are ready. Each non-null list is replaced by its ready
// handles. Returns the number of ready entries, 0 when the limit passed, -1
// on error. The caller keeps lists at 64 handles or fewer (the Winsock set
// size).
int Select(std::vector<SocketHandle>* read, std::vector<SocketHandle>* write, std::vector<SocketHandle>* except,
           WaitLimit limit);

// Resolves a host name to its first IPv4 address; false with LastError()
// set (11001 when the host is unknown).
bool ResolveHost(const std::string& host, std::array<std::uint8_t, 4>* address);
// The local host name; empty on failure.
std::string HostName();

// How long a blocking wait may last before the waiter looks again whether
// another thread closed the socket under it: no limit when closing the
// socket (shutdown) wakes every blocked call by itself (Linux), else a short
// slice.
WaitLimit WakeSlice();

}  // namespace tolvar::platform
