// Fetching one large file from a real web server: the HTTP client's GET
// into a stream that discards the bytes, against a plain socket loop that
// sends the same request and receives with a 32768-byte buffer, in the same
// run. Each is timed three times; the best run counts. Prints MB/s and the
// ratio.
//
//   http_get_bench PORT PATH SIZE    (the server listens on 127.0.0.1)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "discard_stream.h"
#include "http/custom_http.h"
#include "platform/socket.h"

namespace {

namespace ps = tolvar::platform;

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The whole response (head and body) until the server closes.
double PlainLoop(int port, const std::string& path, std::int64_t size) {
  ps::StartSockets();
  ps::SocketHandle s = ps::Socket(2, 1, 0);
  const auto start = std::chrono::steady_clock::now();
  ps::Connect(s, ps::Ipv4Endpoint{{127, 0, 0, 1}, static_cast<std::uint16_t>(port)});
  const std::string request =
      "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\nConnection: close\r\n\r\n";
  ps::Send(s, request.data(), static_cast<int>(request.size()));
  std::vector<char> buf(32768);
  std::int64_t got = 0;
  int n;
  while ((n = ps::Recv(s, buf.data(), static_cast<int>(buf.size()))) > 0) got += n;
  const double t = Seconds(start);
  ps::CloseSocket(s);
  if (got < size) std::fprintf(stderr, "plain loop got %lld bytes\n", static_cast<long long>(got));
  return t;
}

double EngineGet(int port, const std::string& path, std::int64_t size) {
  tolvar::http::TNetHTTP client;
  DiscardStream out;
  const auto start = std::chrono::steady_clock::now();
  client.Get("http://127.0.0.1:" + std::to_string(port) + path, &out);
  const double t = Seconds(start);
  if (out.GetSize() != size) std::fprintf(stderr, "GET got %lld bytes\n", static_cast<long long>(out.GetSize()));
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s PORT PATH SIZE\n", argv[0]);
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const std::string path = argv[2];
  const std::int64_t size = std::atoll(argv[3]);
  double plain = 1e9, engine = 1e9;
  for (int i = 0; i < 3; ++i) {
    plain = std::min(plain, PlainLoop(port, path, size));
    engine = std::min(engine, EngineGet(port, path, size));
  }
  const double mb = static_cast<double>(size) / (1024.0 * 1024.0);
  std::printf("plain socket loop: %8.1f MB/s\n", mb / plain);
  std::printf("TNetHTTP Get:      %8.1f MB/s  ratio %.2f\n", mb / engine, plain / engine);
  return 0;
}
