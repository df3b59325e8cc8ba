// SOCKS negotiation over the in-memory wire, the proxy's replies served in
// pieces of random sizes and then a close or silence. A model of the three
// protocols, written from their wire formats, says what the client must
// send, how the negotiation ends (the exact failure text, or success) and
// how many reply bytes it takes. The client sends exactly the model's
// bytes, fails exactly as the model says, and after a success the target's
// bytes start right after the reply: none lost, none taken twice.
//
// Input: the settings first (FuzzedDataProvider: version, authentication,
// user name, password, target host and port, how the wire ends), then the
// proxy's reply bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <random>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "support/memory_io_handler.h"
#include "transport/exceptions.h"
#include "transport/socks_info.h"

namespace {

using tolvar::testing::TMemoryIOHandler;
using tolvar::transport::TNetSocksInfo;

// What a negotiation must do.
struct TExpected {
  std::string sent;
  std::string failure;    // empty: success
  std::size_t taken = 0;  // reply bytes consumed
};

std::string Port(int port) {
  return {static_cast<char>((port >> 8) & 0xff), static_cast<char>(port & 0xff)};
}

// The proxy's replies, read from the front.
class TReplies {
 public:
  explicit TReplies(const std::string& bytes) : bytes_(bytes) {}
  // The next `n` bytes, or false when the proxy sent fewer.
  bool Take(std::size_t n, std::string& out) {
    if (bytes_.size() - at_ < n) return false;
    out = bytes_.substr(at_, n);
    at_ += n;
    return true;
  }
  std::size_t Taken() const { return at_; }

 private:
  const std::string& bytes_;
  std::size_t at_ = 0;
};

const char* const kNoAnswer = "Socks server did not respond.";

TExpected Socks4(const TNetSocksInfo& socks, const std::string& host, const std::string& address, int port,
                 const std::string& replies) {
  TExpected e;
  e.sent = std::string{4, 1} + Port(port);
  e.sent += socks.Version == tolvar::transport::svSocks4 ? address : std::string{0, 0, 0, 1};
  e.sent += socks.Username.substr(0, 255) + '\0';
  if (socks.Version == tolvar::transport::svSocks4A) e.sent += host + '\0';
  TReplies r(replies);
  std::string reply;
  if (!r.Take(8, reply)) {
    e.failure = kNoAnswer;
    return e;
  }
  e.taken = r.Taken();
  switch (static_cast<unsigned char>(reply[1])) {
    case 90:
      break;
    case 91:
      e.failure = "Request rejected or failed.";
      break;
    case 92:
      e.failure = "Request rejected because SOCKS server cannot connect.";
      break;
    case 93:
      e.failure = "Request rejected because the client program and identd report different user-ids.";
      break;
    default:
      e.failure = "Unknown socks error.";
  }
  return e;
}

TExpected Socks5(const TNetSocksInfo& socks, const std::string& host, int port, const std::string& replies) {
  TExpected e;
  const bool with_password = socks.Authentication == tolvar::transport::saUsernamePassword;
  // Each field goes with a one-byte length: a longer one is refused before
  // anything is sent.
  if (host.size() > 255) {
    e.failure = "Socks host name is longer than 255 bytes.";
    return e;
  }
  if (with_password && socks.Username.size() > 255) {
    e.failure = "Socks user name is longer than 255 bytes.";
    return e;
  }
  if (with_password && socks.Password.size() > 255) {
    e.failure = "Socks password is longer than 255 bytes.";
    return e;
  }
  TReplies r(replies);
  std::string reply;
  const char method = with_password ? 2 : 0;
  e.sent = std::string{5, 1, method};
  if (!r.Take(2, reply)) {
    e.failure = kNoAnswer;
    return e;
  }
  if (reply[1] != method) {
    e.failure = "Invalid socks authentication method.";
    return e;
  }
  if (with_password) {
    e.sent += std::string{1} + static_cast<char>(socks.Username.size()) + socks.Username +
              static_cast<char>(socks.Password.size()) + socks.Password;
    if (!r.Take(2, reply)) {
      e.failure = kNoAnswer;
      return e;
    }
    if (reply[1] != 0) {
      e.failure = "Authentication error to socks server.";
      return e;
    }
  }
  e.sent += std::string{5, 1, 0, 3} + static_cast<char>(host.size()) + host + Port(port);
  if (!r.Take(5, reply)) {
    e.failure = kNoAnswer;
    return e;
  }
  static const char* const kReplyTexts[] = {
      nullptr,
      "General SOCKS server failure.",
      "Connection not allowed by ruleset.",
      "Network unreachable.",
      "Host unreachable.",
      "Connection refused.",
      "TTL expired.",
      "Command not supported.",
      "Address type not supported.",
  };
  const auto code = static_cast<unsigned char>(reply[1]);
  if (code != 0) {
    e.failure = code < 9 ? kReplyTexts[code] : "Unknown socks error.";
    return e;
  }
  // The bound address: 4 bytes (type 1), 16 (type 4), a name of the length
  // in the fifth byte (type 3), or, for an unknown type, a single byte
  // taken as the address; then the 2-byte port. Its first byte is already
  // in the five.
  std::size_t address = 1;
  switch (static_cast<unsigned char>(reply[3])) {
    case 1:
      address = 4;
      break;
    case 3:
      address = 1 + static_cast<unsigned char>(reply[4]);
      break;
    case 4:
      address = 16;
      break;
  }
  if (!r.Take(address - 1 + 2, reply)) {
    e.failure = kNoAnswer;
    return e;
  }
  e.taken = r.Taken();
  return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  TNetSocksInfo socks;
  socks.Version = static_cast<tolvar::transport::TSocksVersion>(in.ConsumeIntegralInRange(1, 3));
  socks.Authentication =
      in.ConsumeBool() ? tolvar::transport::saUsernamePassword : tolvar::transport::saNoAuthentication;
  socks.Username = in.ConsumeRandomLengthString(300);
  socks.Password = in.ConsumeRandomLengthString(300);
  // SOCKS 4 resolves the target itself: a dotted quad keeps that off the
  // network.
  std::string address(4, '\0');
  std::string host;
  if (socks.Version == tolvar::transport::svSocks4) {
    for (char& b : address) b = static_cast<char>(in.ConsumeIntegral<std::uint8_t>());
    for (char b : address) host += (host.empty() ? "" : ".") + std::to_string(static_cast<unsigned char>(b));
  } else {
    host = in.ConsumeRandomLengthString(300);
  }
  const int port = in.ConsumeIntegral<std::uint16_t>();
  const bool close = in.ConsumeBool();
  std::minstd_rand pieces_random(in.ConsumeIntegral<std::uint32_t>());
  const std::string replies = in.ConsumeRemainingBytesAsString();

  std::vector<std::string> pieces;
  for (std::size_t at = 0; at < replies.size();) {
    const std::size_t n = 1 + pieces_random() % 13;
    pieces.push_back(replies.substr(at, n));
    at += n;
  }
  TMemoryIOHandler wire;
  wire.Serve(pieces, close ? TMemoryIOHandler::TEnd::Close : TMemoryIOHandler::TEnd::Open);
  wire.ConnectTo("proxy", 1080, "", 0, 0, 0, 0);

  const TExpected want = socks.Version == tolvar::transport::svSocks5 ? Socks5(socks, host, port, replies)
                                                                      : Socks4(socks, host, address, port, replies);
  std::string failure;
  try {
    socks.NegotiateSocks(wire, host, port);
  } catch (const tolvar::transport::ENetException& e) {
    failure = e.what();
    FUZZ_CHECK_MSG(!failure.empty(), "a failure without its text");
  } catch (const std::exception& e) {
    FUZZ_CHECK_MSG(false, std::string("not an engine exception: ") + e.what());
  }
  FUZZ_CHECK_MSG(failure == want.failure, "failed with \"" + failure + "\", the model says \"" + want.failure + "\"");
  FUZZ_CHECK(wire.Sent(0) == want.sent);
  if (failure.empty()) {
    // The target's bytes follow the reply, untouched.
    std::string rest;
    char buffer[64];
    while (wire.WaitReadable(0)) {
      const int n = wire.Recv(buffer, sizeof buffer);
      if (n <= 0) break;
      rest.append(buffer, static_cast<std::size_t>(n));
    }
    FUZZ_CHECK(rest == replies.substr(want.taken));
  }
  return 0;
}
