#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/socket.h"
#include "platform/socket_errors_posix.h"

namespace tolvar::platform {
namespace {

thread_local int t_last_error = 0;

int Fail() {
  t_last_error = WinsockCodeOfErrno(errno);
  return kSocketError;
}

int Result(int rc) {
  return rc < 0 ? Fail() : rc;
}

sockaddr_in ToSockAddr(const Ipv4Endpoint& e) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(e.port);
  std::memcpy(&a.sin_addr, e.address.data(), 4);
  return a;
}

Ipv4Endpoint FromSockAddr(const sockaddr_in& a) {
  Ipv4Endpoint e;
  std::memcpy(e.address.data(), &a.sin_addr, 4);
  e.port = ntohs(a.sin_port);
  return e;
}

// Winsock option numbers -> the local ones.
bool MapOption(int level, int option, int* out_level, int* out_option) {
  if (level == kSolSocket) {
    *out_level = SOL_SOCKET;
    switch (option) {
      case kSoReuseAddr:
        *out_option = SO_REUSEADDR;
        return true;
      case kSoLinger:
        *out_option = SO_LINGER;
        return true;
      case 0x1001:
        *out_option = SO_SNDBUF;
        return true;
      case 0x1002:
        *out_option = SO_RCVBUF;
        return true;
      case 0x1007:
        *out_option = SO_ERROR;
        return true;
      case 0x0008:
        *out_option = SO_KEEPALIVE;
        return true;
      default:
        return false;
    }
  }
  if (level == kIpProtoTcp && option == kTcpNoDelay) {
    *out_level = IPPROTO_TCP;
    *out_option = TCP_NODELAY;
    return true;
  }
  return false;
}

struct WinsockLinger {  // Winsock's layout: two 16-bit fields
  std::uint16_t l_onoff;
  std::uint16_t l_linger;
};

}  // namespace

int WinsockCodeOfErrno(int e) {
  switch (e) {
    case EINTR:
      return 10004;
    case EBADF:
      return 10009;
    case EACCES:
    case EPERM:  // a connect or send refused by a packet filter, say
      return 10013;
    case EFAULT:
      return 10014;
    case EINVAL:
      return 10022;
    case EMFILE:
    case ENFILE:
      return 10024;
    case EWOULDBLOCK:
      return 10035;
    case EINPROGRESS:
      return 10036;
    case EALREADY:
      return 10037;
    case ENOTSOCK:
      return 10038;
    case EDESTADDRREQ:
      return 10039;
    case EMSGSIZE:
      return 10040;
    case EPROTOTYPE:
      return 10041;
    case ENOPROTOOPT:
      return 10042;
    case EPROTONOSUPPORT:
      return 10043;
    case ESOCKTNOSUPPORT:
      return 10044;
    case EOPNOTSUPP:
      return 10045;
    case EPFNOSUPPORT:
      return 10046;
    case EAFNOSUPPORT:
      return 10047;
    case EADDRINUSE:
      return 10048;
    case EADDRNOTAVAIL:
      return 10049;
    case ENETDOWN:
      return 10050;
    case ENETUNREACH:
      return 10051;
    case ENETRESET:
      return 10052;
    case ECONNABORTED:
      return 10053;
    case ECONNRESET:
      return 10054;
    case ENOBUFS:
    case ENOMEM:
    case ENOSR:
      return 10055;
    case EISCONN:
      return 10056;
    case ENOTCONN:
      return 10057;
    case EPIPE:
    case ESHUTDOWN:
      return 10058;
    case ETOOMANYREFS:
      return 10059;
    case ETIMEDOUT:
      return 10060;
    case ECONNREFUSED:
      return 10061;
    case ELOOP:
      return 10062;
    case ENAMETOOLONG:
      return 10063;
    case EHOSTDOWN:
      return 10064;
    case EHOSTUNREACH:
      return 10065;
    case ENOTEMPTY:
      return 10066;
    case EUSERS:
      return 10068;
    case EDQUOT:
      return 10069;
    case ESTALE:
      return 10070;
    case EREMOTE:
      return 10071;
    case ECANCELED:
      return 10103;
    default:
      return kWsaSysCallFailure;
  }
}

int StartSockets() {
  return 0;
}
bool StopSockets() {
  return true;
}
int LastError() {
  return t_last_error;
}
void SetLastError(int code) {
  t_last_error = code;
}

SocketHandle Socket(int family, int type, int protocol) {
  int fd = ::socket(family, type | SOCK_CLOEXEC, protocol);
  if (fd < 0) {
    Fail();
    return kInvalidSocket;
  }
  return fd;
}

int Bind(SocketHandle s, const Ipv4Endpoint& local) {
  sockaddr_in a = ToSockAddr(local);
  return Result(::bind(static_cast<int>(s), reinterpret_cast<sockaddr*>(&a), sizeof a));
}

int Connect(SocketHandle s, const Ipv4Endpoint& peer) {
  sockaddr_in a = ToSockAddr(peer);
  return Result(::connect(static_cast<int>(s), reinterpret_cast<sockaddr*>(&a), sizeof a));
}

int Listen(SocketHandle s, int backlog) {
  return Result(::listen(static_cast<int>(s), backlog));
}

SocketHandle Accept(SocketHandle s, Ipv4Endpoint* peer) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  int fd = ::accept4(static_cast<int>(s), reinterpret_cast<sockaddr*>(&a), &len, SOCK_CLOEXEC);
  if (fd < 0) {
    Fail();
    return kInvalidSocket;
  }
  if (peer) *peer = FromSockAddr(a);
  return fd;
}

int GetSockName(SocketHandle s, Ipv4Endpoint* local) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  if (::getsockname(static_cast<int>(s), reinterpret_cast<sockaddr*>(&a), &len) < 0) return Fail();
  *local = FromSockAddr(a);
  return 0;
}

int GetPeerName(SocketHandle s, Ipv4Endpoint* peer) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  if (::getpeername(static_cast<int>(s), reinterpret_cast<sockaddr*>(&a), &len) < 0) return Fail();
  *peer = FromSockAddr(a);
  return 0;
}

int Recv(SocketHandle s, char* buffer, int length) {
  ssize_t n;
  do n = ::recv(static_cast<int>(s), buffer, static_cast<size_t>(length), 0);
  while (n < 0 && errno == EINTR);
  return n < 0 ? Fail() : static_cast<int>(n);
}

int Send(SocketHandle s, const char* buffer, int length) {
  ssize_t n;
  do n = ::send(static_cast<int>(s), buffer, static_cast<size_t>(length), MSG_NOSIGNAL);
  while (n < 0 && errno == EINTR);
  return n < 0 ? Fail() : static_cast<int>(n);
}

int Shutdown(SocketHandle s, int how) {
  int local = how == 0 ? SHUT_RD : how == 1 ? SHUT_WR : SHUT_RDWR;
  return Result(::shutdown(static_cast<int>(s), local));
}

int CloseSocket(SocketHandle s) {
  return Result(::close(static_cast<int>(s)));
}

int SetSockOpt(SocketHandle s, int level, int option, const void* value, int length) {
  int l, o;
  if (!MapOption(level, option, &l, &o)) {
    t_last_error = 10042;
    return kSocketError;
  }
  if (o == SO_LINGER && l == SOL_SOCKET) {
    WinsockLinger w{};
    std::memcpy(&w, value, sizeof w < static_cast<size_t>(length) ? sizeof w : static_cast<size_t>(length));
    linger li{w.l_onoff, w.l_linger};
    return Result(::setsockopt(static_cast<int>(s), l, o, &li, sizeof li));
  }
  return Result(::setsockopt(static_cast<int>(s), l, o, value, static_cast<socklen_t>(length)));
}

int GetSockOpt(SocketHandle s, int level, int option, void* value, int* length) {
  int l, o;
  if (!MapOption(level, option, &l, &o)) {
    t_last_error = 10042;
    return kSocketError;
  }
  socklen_t len = static_cast<socklen_t>(*length);
  if (::getsockopt(static_cast<int>(s), l, o, value, &len) < 0) return Fail();
  *length = static_cast<int>(len);
  return 0;
}

int SetNonBlocking(SocketHandle s, bool non_blocking) {
  int fd = static_cast<int>(s);
  int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return Fail();
  flags = non_blocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  return Result(::fcntl(fd, F_SETFL, flags));
}

int PendingError(SocketHandle s) {
  int err = 0;
  socklen_t len = sizeof err;
  if (::getsockopt(static_cast<int>(s), SOL_SOCKET, SO_ERROR, &err, &len) < 0) return WinsockCodeOfErrno(errno);
  return err == 0 ? 0 : WinsockCodeOfErrno(err);
}

// poll() instead of select(): fd numbers above FD_SETSIZE stay usable.
int Select(std::vector<SocketHandle>* read, std::vector<SocketHandle>* write, std::vector<SocketHandle>* except,
           WaitLimit limit) {
  std::vector<pollfd> fds;
  std::vector<SocketHandle>* lists[3] = {read, write, except};
  const short wanted[3] = {POLLIN, POLLOUT, POLLPRI};
  for (int i = 0; i < 3; ++i) {
    if (!lists[i]) continue;
    for (SocketHandle h : *lists[i]) fds.push_back(pollfd{static_cast<int>(h), wanted[i], 0});
  }
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(limit.Unlimited() ? 0 : limit.Milliseconds());
  int rc;
  for (;;) {
    int wait = -1;  // poll's "no limit"
    if (!limit.Unlimited()) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = left < 0 ? 0 : static_cast<int>(left);
    }
    rc = ::poll(fds.data(), fds.size(), wait);
    if (rc >= 0 || errno != EINTR) break;
  }
  if (rc < 0) return Fail();
  int ready = 0;
  std::size_t k = 0;
  // A hang-up or error makes a socket readable and writable, as select does;
  // it is exceptional only when out-of-band data or an error is pending.
  const short counts_as[3] = {POLLIN | POLLHUP | POLLERR, POLLOUT | POLLHUP | POLLERR, POLLPRI | POLLERR};
  for (int i = 0; i < 3; ++i) {
    if (!lists[i]) continue;
    std::vector<SocketHandle> kept;
    for (std::size_t j = 0; j < lists[i]->size(); ++j, ++k) {
      if (fds[k].revents & POLLNVAL) {
        t_last_error = 10038;
        return kSocketError;
      }
      if (fds[k].revents & counts_as[i]) kept.push_back((*lists[i])[j]);
    }
    ready += static_cast<int>(kept.size());
    *lists[i] = std::move(kept);
  }
  return ready;
}

bool ResolveHost(const std::string& host, std::array<std::uint8_t, 4>* address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &res);
  if (rc != 0 || !res) {
    // WSAHOST_NOT_FOUND, WSATRY_AGAIN, WSANO_RECOVERY, WSANO_DATA
    t_last_error = rc == EAI_AGAIN ? 11002 : rc == EAI_FAIL ? 11003 : rc == EAI_NODATA ? 11004 : kWsaHostNotFound;
    if (rc == EAI_SYSTEM) t_last_error = WinsockCodeOfErrno(errno);
    if (res) ::freeaddrinfo(res);
    return false;
  }
  const auto* in = reinterpret_cast<const sockaddr_in*>(res->ai_addr);
  std::memcpy(address->data(), &in->sin_addr, 4);
  ::freeaddrinfo(res);
  return true;
}

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) < 0) return {};
  return name;
}

WaitLimit WakeSlice() {
  return WaitLimit::None();
}

}  // namespace tolvar::platform
