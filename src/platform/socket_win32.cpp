#include <windows.h>
#include <winsock2.h>

#include <atomic>
#include <cstring>
#include <mutex>

#include "platform/socket.h"

// WS2_32.DLL is not linked: each entry point is reached through a table of
// named entries that start out empty. The first call of an entry looks the
// function up in the loaded library and keeps the address; later calls go
// straight to it. A call before StartSockets loaded the library, or of a
// function the library lacks, throws SocketLibraryError.

namespace tolvar::platform {
namespace {

enum Fn {
  kWSAStartup,
  kWSACleanup,
  kWSAGetLastError,
  kWSASetLastError,
  kSocket,
  kBind,
  kConnect,
  kListen,
  kAccept,
  kGetSockName,
  kGetPeerName,
  kRecv,
  kSend,
  kShutdown,
  kCloseSocket,
  kSetSockOpt,
  kGetSockOpt,
  kIoctlSocket,
  kSelect,
  kGetHostByName,
  kGetHostName,
  kHtons,
  kNtohs,
  kHtonl,
  kNtohl,
  kFnCount
};

const char* const kNames[kFnCount] = {
    "WSAStartup", "WSACleanup",    "WSAGetLastError", "WSASetLastError", "socket",      "bind",
    "connect",    "listen",        "accept",          "getsockname",     "getpeername", "recv",
    "send",       "shutdown",      "closesocket",     "setsockopt",      "getsockopt",  "ioctlsocket",
    "select",     "gethostbyname", "gethostname",     "htons",           "ntohs",       "htonl",
    "ntohl"};

const char kLibraryName[] = "WS2_32.DLL";

std::string SystemText(DWORD code) {
  char* text = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string s = n && text ? std::string(text, n) : std::string();
  if (text) LocalFree(text);
  while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

std::string CallFailureTitle(Fn fn) {
  return std::string("Error on call Winsock2 library function ") + kNames[fn];
}

// The library's lifetime. It is released once at process exit, but a worker
// thread that outlived its bounded wait may still be inside a call then, and
// static destruction does not wait for it. So every call is counted while it
// runs, and the release happens only when none is: `closing_` is raised
// first, then `callers_` is read; a caller raises `callers_` first, then
// reads `closing_` (both sequentially consistent), so either the release sees
// the caller and keeps the library, or the caller sees the release and does
// not enter.
class Library {
 public:
  int Start() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closing_.load())
      throw SocketLibraryError(CallFailureTitle(kWSAStartup), WSANOTINITIALISED, SystemText(WSANOTINITIALISED));
    if (module_.load()) return 0;
    HMODULE lib = LoadLibraryA(kLibraryName);
    if (!lib) {
      DWORD err = ::GetLastError();
      throw SocketLibraryError(std::string("Error on loading Winsock2 library (") + kLibraryName + ")", err,
                               SystemText(err));
    }
    module_.store(lib);
    WSADATA data;
    int rc = Get<int(WINAPI*)(WORD, WSADATA*)>(kWSAStartup)(0x0202, &data);
    if (rc == 0) started_ = true;
    return rc;
  }

  bool Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_.store(true);
    if (callers_.load() != 0) return false;  // never pulled from under a caller
    HMODULE lib = module_.load();
    if (!lib) return true;
    if (started_) Get<int(WINAPI*)()>(kWSACleanup)();
    started_ = false;
    for (auto& p : procs_) p.store(nullptr);
    module_.store(nullptr);
    FreeLibrary(lib);
    return true;
  }

  // Marks one call in progress; throws when the library is being released.
  class Caller {
   public:
    Caller(Library& library, Fn fn) : library_(library) {
      library_.callers_.fetch_add(1);
      if (library_.closing_.load()) {
        library_.callers_.fetch_sub(1);
        throw SocketLibraryError(CallFailureTitle(fn), WSANOTINITIALISED, SystemText(WSANOTINITIALISED));
      }
    }
    ~Caller() { library_.callers_.fetch_sub(1); }
    Caller(const Caller&) = delete;
    Caller& operator=(const Caller&) = delete;

   private:
    Library& library_;
  };

  template <typename F>
  F Get(Fn fn) {
    FARPROC p = procs_[fn].load(std::memory_order_acquire);
    if (!p) {
      HMODULE lib = module_.load(std::memory_order_acquire);
      if (!lib) throw SocketLibraryError(CallFailureTitle(fn), WSANOTINITIALISED, SystemText(WSANOTINITIALISED));
      p = GetProcAddress(lib, kNames[fn]);
      if (!p) {
        DWORD err = ::GetLastError();
        throw SocketLibraryError(CallFailureTitle(fn), err, SystemText(err));
      }
      procs_[fn].store(p, std::memory_order_release);
    }
    return reinterpret_cast<F>(reinterpret_cast<void*>(p));
  }

 private:
  std::mutex mutex_;  // orders Start and Stop
  std::atomic<HMODULE> module_{nullptr};
  bool started_ = false;  // guarded by mutex_
  std::atomic<FARPROC> procs_[kFnCount] = {};
  std::atomic<int> callers_{0};
  std::atomic<bool> closing_{false};
};

// Never destroyed: a thread that is still running at exit may look at it
// after static destruction; it then finds the library released and fails.
Library& TheLibrary() {
  static Library* const library = new Library();
  return *library;
}

// Releases the library at process exit.
struct ReleaseAtExit {
  ReleaseAtExit() { TheLibrary(); }
  ~ReleaseAtExit() { TheLibrary().Stop(); }
} g_release_at_exit;

// Calls the entry point `fn` of type F, counted as a caller for its duration.
template <typename F, typename... Args>
auto Ws(Fn fn, Args... args) {
  Library::Caller caller(TheLibrary(), fn);
  return TheLibrary().Get<F>(fn)(args...);
}

sockaddr_in ToSockAddr(const Ipv4Endpoint& e) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = Ws<u_short(WINAPI*)(u_short)>(kHtons, e.port);
  std::memcpy(&a.sin_addr, e.address.data(), 4);
  return a;
}

Ipv4Endpoint FromSockAddr(const sockaddr_in& a) {
  Ipv4Endpoint e;
  std::memcpy(e.address.data(), &a.sin_addr, 4);
  e.port = Ws<u_short(WINAPI*)(u_short)>(kNtohs, a.sin_port);
  return e;
}

SOCKET S(SocketHandle s) {
  return static_cast<SOCKET>(static_cast<std::uintptr_t>(s));
}
SocketHandle H(SOCKET s) {
  return s == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(s);
}

void Fill(fd_set* set, const std::vector<SocketHandle>* list) {
  set->fd_count = 0;
  for (SocketHandle h : *list) {
    if (set->fd_count < FD_SETSIZE) set->fd_array[set->fd_count++] = S(h);
  }
}

void Drain(const fd_set& set, std::vector<SocketHandle>* list) {
  list->clear();
  for (u_int i = 0; i < set.fd_count; ++i) list->push_back(H(set.fd_array[i]));
}

}  // namespace

int StartSockets() {
  return TheLibrary().Start();
}

bool StopSockets() {
  return TheLibrary().Stop();
}

int LastError() {
  return Ws<int(WINAPI*)()>(kWSAGetLastError);
}
void SetLastError(int code) {
  Ws<void(WINAPI*)(int)>(kWSASetLastError, code);
}

SocketHandle Socket(int family, int type, int protocol) {
  return H(Ws<SOCKET(WINAPI*)(int, int, int)>(kSocket, family, type, protocol));
}

int Bind(SocketHandle s, const Ipv4Endpoint& local) {
  sockaddr_in a = ToSockAddr(local);
  return Ws<int(WINAPI*)(SOCKET, const sockaddr*, int)>(kBind, S(s), reinterpret_cast<sockaddr*>(&a), sizeof a);
}

int Connect(SocketHandle s, const Ipv4Endpoint& peer) {
  sockaddr_in a = ToSockAddr(peer);
  return Ws<int(WINAPI*)(SOCKET, const sockaddr*, int)>(kConnect, S(s), reinterpret_cast<sockaddr*>(&a), sizeof a);
}

int Listen(SocketHandle s, int backlog) {
  return Ws<int(WINAPI*)(SOCKET, int)>(kListen, S(s), backlog);
}

SocketHandle Accept(SocketHandle s, Ipv4Endpoint* peer) {
  sockaddr_in a{};
  int len = sizeof a;
  SOCKET r = Ws<SOCKET(WINAPI*)(SOCKET, sockaddr*, int*)>(kAccept, S(s), reinterpret_cast<sockaddr*>(&a), &len);
  if (r != INVALID_SOCKET && peer) *peer = FromSockAddr(a);
  return H(r);
}

int GetSockName(SocketHandle s, Ipv4Endpoint* local) {
  sockaddr_in a{};
  int len = sizeof a;
  int rc = Ws<int(WINAPI*)(SOCKET, sockaddr*, int*)>(kGetSockName, S(s), reinterpret_cast<sockaddr*>(&a), &len);
  if (rc == 0) *local = FromSockAddr(a);
  return rc;
}

int GetPeerName(SocketHandle s, Ipv4Endpoint* peer) {
  sockaddr_in a{};
  int len = sizeof a;
  int rc = Ws<int(WINAPI*)(SOCKET, sockaddr*, int*)>(kGetPeerName, S(s), reinterpret_cast<sockaddr*>(&a), &len);
  if (rc == 0) *peer = FromSockAddr(a);
  return rc;
}

int Recv(SocketHandle s, char* buffer, int length) {
  return Ws<int(WINAPI*)(SOCKET, char*, int, int)>(kRecv, S(s), buffer, length, 0);
}

int Send(SocketHandle s, const char* buffer, int length) {
  return Ws<int(WINAPI*)(SOCKET, const char*, int, int)>(kSend, S(s), buffer, length, 0);
}

int Shutdown(SocketHandle s, int how) {
  return Ws<int(WINAPI*)(SOCKET, int)>(kShutdown, S(s), how);
}

int CloseSocket(SocketHandle s) {
  return Ws<int(WINAPI*)(SOCKET)>(kCloseSocket, S(s));
}

int SetSockOpt(SocketHandle s, int level, int option, const void* value, int length) {
  return Ws<int(WINAPI*)(SOCKET, int, int, const char*, int)>(kSetSockOpt, S(s), level, option,
                                                              static_cast<const char*>(value), length);
}

int GetSockOpt(SocketHandle s, int level, int option, void* value, int* length) {
  return Ws<int(WINAPI*)(SOCKET, int, int, char*, int*)>(kGetSockOpt, S(s), level, option, static_cast<char*>(value),
                                                         length);
}

int SetNonBlocking(SocketHandle s, bool non_blocking) {
  u_long arg = non_blocking ? 1 : 0;
  return Ws<int(WINAPI*)(SOCKET, long, u_long*)>(kIoctlSocket, S(s), static_cast<long>(FIONBIO), &arg);
}

int PendingError(SocketHandle s) {
  int err = 0;
  int len = sizeof err;
  if (GetSockOpt(s, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return LastError();
  return err;
}

int Select(std::vector<SocketHandle>* read, std::vector<SocketHandle>* write, std::vector<SocketHandle>* except,
           WaitLimit limit) {
  fd_set sets[3];
  std::vector<SocketHandle>* lists[3] = {read, write, except};
  fd_set* args[3] = {nullptr, nullptr, nullptr};
  for (int i = 0; i < 3; ++i) {
    if (lists[i]) {
      Fill(&sets[i], lists[i]);
      args[i] = &sets[i];
    }
  }
  timeval tv{};
  timeval* tvp = nullptr;  // select's "no limit"
  if (!limit.Unlimited()) {
    tv.tv_sec = limit.Milliseconds() / 1000;
    tv.tv_usec = (limit.Milliseconds() % 1000) * 1000;
    tvp = &tv;
  }
  int rc = Ws<int(WINAPI*)(int, fd_set*, fd_set*, fd_set*, const timeval*)>(kSelect, 0, args[0], args[1], args[2], tvp);
  if (rc < 0) return rc;
  for (int i = 0; i < 3; ++i) {
    if (lists[i]) Drain(sets[i], lists[i]);
  }
  return rc;
}

bool ResolveHost(const std::string& host, std::array<std::uint8_t, 4>* address) {
  // The entry lives in the library's own memory: counted until it is read.
  Library::Caller reading(TheLibrary(), kGetHostByName);
  hostent* he = Ws<hostent*(WINAPI*)(const char*)>(kGetHostByName, host.c_str());
  if (!he) return false;
  if (he->h_addrtype != AF_INET || he->h_length != 4 || !he->h_addr_list || !he->h_addr_list[0]) {
    SetLastError(WSAHOST_NOT_FOUND);
    return false;
  }
  std::memcpy(address->data(), he->h_addr_list[0], 4);
  return true;
}

std::string HostName() {
  char name[256] = {};
  if (Ws<int(WINAPI*)(char*, int)>(kGetHostName, name, sizeof name - 1) != 0) return {};
  return name;
}

// Winsock gives no portable way to wake a blocked select from another thread
// without closing the handle, so waits look again every 50 ms.
WaitLimit WakeSlice() {
  return WaitLimit::Ms(50);
}

}  // namespace tolvar::platform
