// Receiving 1 GiB from a loopback sender: a plain recv loop with a 32768-byte
// buffer, against ReadToStream with the count known and until the peer
// closes, into a stream that discards the bytes. Prints MB/s and the ratio,
// and the processor time of each run (sender and receiver together; the
// sender's share is the same in every mode), which a busy machine distorts
// far less than the elapsed time.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "discard_stream.h"
#include "platform/socket.h"
#include "platform/stream.h"
#include "transport/tcp_client.h"

namespace {

namespace ps = tolvar::platform;
constexpr std::int64_t kTotal = std::int64_t{1} << 30;

// Accepts one connection, sends kTotal bytes, closes.
class Sender {
 public:
  Sender() {
    ps::StartSockets();
    listener_ = ps::Socket(2, 1, 0);
    ps::Ipv4Endpoint e{{127, 0, 0, 1}, 0};
    ps::Bind(listener_, e);
    ps::Listen(listener_, 1);
    ps::GetSockName(listener_, &e);
    port = e.port;
    thread_ = std::thread([this] {
      ps::SocketHandle s = ps::Accept(listener_, nullptr);
      std::vector<char> block(1 << 20, 'x');
      std::int64_t left = kTotal;
      while (left > 0) {
        int n = ps::Send(
            s, block.data(),
            static_cast<int>(left < static_cast<std::int64_t>(block.size()) ? left
                                                                            : static_cast<std::int64_t>(block.size())));
        if (n <= 0) break;
        left -= n;
      }
      ps::Shutdown(s, 1);
      ps::CloseSocket(s);
    });
  }
  ~Sender() {
    thread_.join();
    ps::CloseSocket(listener_);
  }
  int port = 0;

 private:
  ps::SocketHandle listener_;
  std::thread thread_;
};

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor seconds of the whole process since `start`.
double CpuSeconds(std::clock_t start) {
  return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

struct Run {
  double seconds = 1e9;
  double cpu = 1e9;
  void Keep(const Run& other) {
    seconds = std::min(seconds, other.seconds);
    cpu = std::min(cpu, other.cpu);
  }
};

Run PlainLoop() {
  Sender sender;
  ps::SocketHandle s = ps::Socket(2, 1, 0);
  ps::Connect(s, ps::Ipv4Endpoint{{127, 0, 0, 1}, static_cast<std::uint16_t>(sender.port)});
  std::vector<char> buf(32768);
  std::int64_t got = 0;
  auto start = std::chrono::steady_clock::now();
  std::clock_t cpu_start = std::clock();
  int n;
  while ((n = ps::Recv(s, buf.data(), static_cast<int>(buf.size()))) > 0) got += n;
  Run t{Seconds(start), CpuSeconds(cpu_start)};
  ps::CloseSocket(s);
  if (got != kTotal) std::fprintf(stderr, "plain loop got %lld bytes\n", static_cast<long long>(got));
  return t;
}

Run ReadToStream(bool until_close) {
  Sender sender;
  tolvar::transport::TNetTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = sender.port;
  client.Connect();
  DiscardStream out;
  auto start = std::chrono::steady_clock::now();
  std::clock_t cpu_start = std::clock();
  if (until_close) {
    client.ReadToStream(out, -1, true);
  } else {
    // Counts are 32-bit: two reads of half a GiB each.
    client.ReadToStream(out, static_cast<std::int32_t>(kTotal / 2));
    client.ReadToStream(out, static_cast<std::int32_t>(kTotal / 2));
  }
  Run t{Seconds(start), CpuSeconds(cpu_start)};
  if (out.GetSize() != kTotal)
    std::fprintf(stderr, "ReadToStream got %lld bytes\n", static_cast<long long>(out.GetSize()));
  return t;
}

}  // namespace

int main() {
  const double mb = static_cast<double>(kTotal) / (1024.0 * 1024.0);
  // Best of several interleaved rounds: sender and receiver share the
  // machine's cores, so a single run swings with whatever else is running.
  constexpr int kRounds = 5;
  Run plain, counted, until;
  for (int round = 0; round < kRounds; ++round) {
    plain.Keep(PlainLoop());
    counted.Keep(ReadToStream(false));
    until.Keep(ReadToStream(true));
  }
  std::printf("best of %d rounds of 1 GiB each\n", kRounds);
  std::printf("plain recv loop:            %8.1f MB/s              cpu %.3f s\n", mb / plain.seconds, plain.cpu);
  std::printf("ReadToStream (count):       %8.1f MB/s  ratio %.2f  cpu %.3f s  cpu ratio %.2f\n", mb / counted.seconds,
              plain.seconds / counted.seconds, counted.cpu, plain.cpu / counted.cpu);
  std::printf("ReadToStream (until close): %8.1f MB/s  ratio %.2f  cpu %.3f s  cpu ratio %.2f\n", mb / until.seconds,
              plain.seconds / until.seconds, until.cpu, plain.cpu / until.cpu);
  return 0;
}
