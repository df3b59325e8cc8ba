#include "transport/socks_info.h"

#include <cstdint>

#include "transport/io_handler.h"
#include "transport/socks_exceptions.h"
#include "transport/stack.h"

namespace tolvar::transport {
namespace {

void SendAll(TNetIOHandler& handler, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    int n = handler.Send(bytes.data() + done, static_cast<int>(bytes.size() - done));
    if (n <= 0) {
      // 0 from send means nothing went out and nothing will: the same as
      // the connection being shut.
      if (n == 0) throw ENetSocketError(platform::kWsaEShutdown);
      TNetStack::Instance()->CheckSocketResult(n);
      throw ENetSocketError(platform::kWsaEShutdown);
    }
    done += static_cast<std::size_t>(n);
  }
}

// Exactly `count` bytes, however many receives that takes. A silent server
// (no byte within the time-out), a close or a receive error all mean the
// server did not answer the request.
std::string RecvExact(TNetIOHandler& handler, std::size_t count, int timeout_ms) {
  std::string bytes(count, '\0');
  std::size_t done = 0;
  while (done < count) {
    if (!handler.WaitReadable(timeout_ms)) throw ENetSocksServerRespondError();
    int n = handler.Recv(bytes.data() + done, static_cast<int>(count - done));
    if (n <= 0) throw ENetSocksServerRespondError();
    done += static_cast<std::size_t>(n);
  }
  return bytes;
}

std::string PortBytes(int port) {
  const auto p = static_cast<std::uint16_t>(port);
  return std::string{static_cast<char>(p >> 8), static_cast<char>(p & 0xff)};
}

void CheckField(const std::string& value, const char* field) {
  if (value.size() > 255) throw ENetSocksFieldTooLong(field);
}

}  // namespace

void TNetSocksInfo::Assign(const TNetSocksInfo& other) {
  Authentication = other.Authentication;
  Host = other.Host;
  Password = other.Password;
  Port = other.Port;
  Username = other.Username;
  Version = other.Version;
}

void TNetSocksInfo::NegotiateSocks(TNetIOHandler& handler, const std::string& host, int port, int timeout_ms) {
  const int wait = PieceTimeout(ReadTimeout, timeout_ms);
  switch (Version) {
    case svNoSocks:
      return;
    case svSocks4:
    case svSocks4A:
      Socks4(handler, host, port, wait);
      return;
    case svSocks5:
      Socks5(handler, host, port, wait);
      return;
  }
}

void TNetSocksInfo::Socks4(TNetIOHandler& handler, const std::string& host, int port, int timeout_ms) {
  std::string request{4, 1};
  request += PortBytes(port);
  if (Version == svSocks4) {
    auto address = TNetStack::ParseInAddr(TNetStack::Instance()->LookupHost(host));
    request.append(reinterpret_cast<const char*>(address.data()), address.size());
  } else {
    // 0.0.0.x with x non-zero tells a 4A server that the name follows.
    request += std::string{0, 0, 0, 1};
  }
  request += Username.substr(0, 255);
  request += '\0';
  if (Version == svSocks4A) {
    request += host;
    request += '\0';
  }
  SendAll(handler, request);
  const std::string reply = RecvExact(handler, 8, timeout_ms);
  switch (static_cast<std::uint8_t>(reply[1])) {
    case 90:
      return;
    case 91:
      throw ENetSocksRequestFailed();
    case 92:
      throw ENetSocksRequestServerFailed();
    case 93:
      throw ENetSocksRequestIdentFailed();
    default:
      throw ENetSocksUnknownError();
  }
}

void TNetSocksInfo::Socks5(TNetIOHandler& handler, const std::string& host, int port, int timeout_ms) {
  CheckField(host, "host name");
  if (Authentication == saUsernamePassword) {
    CheckField(Username, "user name");
    CheckField(Password, "password");
  }
  const char method = Authentication == saUsernamePassword ? 2 : 0;
  SendAll(handler, std::string{5, 1, method});
  std::string reply = RecvExact(handler, 2, timeout_ms);
  if (reply[1] != method) throw ENetSocksAuthMethodError();

  if (Authentication == saUsernamePassword) {
    std::string auth{1};
    auth += static_cast<char>(Username.size());
    auth += Username;
    auth += static_cast<char>(Password.size());
    auth += Password;
    SendAll(handler, auth);
    reply = RecvExact(handler, 2, timeout_ms);
    if (reply[1] != 0) throw ENetSocksAuthError();
  }

  // The target always goes as a name (address type 3): the proxy resolves it.
  std::string request{5, 1, 0, 3};
  request += static_cast<char>(host.size());
  request += host;
  request += PortBytes(port);
  SendAll(handler, request);

  reply = RecvExact(handler, 5, timeout_ms);
  switch (static_cast<std::uint8_t>(reply[1])) {
    case 0:
      break;
    case 1:
      throw ENetSocksServerGeneralError();
    case 2:
      throw ENetSocksServerPermissionError();
    case 3:
      throw ENetSocksServerNetUnreachableError();
    case 4:
      throw ENetSocksServerHostUnreachableError();
    case 5:
      throw ENetSocksServerConnectionRefusedError();
    case 6:
      throw ENetSocksServerTTLExpiredError();
    case 7:
      throw ENetSocksServerCommandError();
    case 8:
      throw ENetSocksServerAddressError();
    default:
      throw ENetSocksUnknownError();
  }
  // The first 5 bytes hold the first byte of the bound address; the rest of
  // the address and the 2-byte port follow. The bound address is not used.
  std::size_t rest = 2;
  switch (static_cast<std::uint8_t>(reply[3])) {
    case 1:  // IPv4: 4 address bytes
      rest = 3 + 2;
      break;
    case 3:  // name: its length byte was reply[4]
      rest = static_cast<std::uint8_t>(reply[4]) + 2;
      break;
    case 4:  // IPv6: 16 address bytes
      rest = 15 + 2;
      break;
  }
  RecvExact(handler, rest, timeout_ms);
}

}  // namespace tolvar::transport
