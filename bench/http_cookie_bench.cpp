// Storing the cookies of one very large response head: the cookie manager
// takes N Set-Cookie values with distinct names from one host, then the
// same N again (every one a replacement). Prints the time per cookie for N
// and 4N; with a store that scans for a name to replace, the time per
// cookie grows with N.
//
//   http_cookie_bench [N]    (default 48158: a 1 MiB head of such lines)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "http/cookie_manager.h"

namespace {

double StoreAll(int n) {
  std::vector<std::string> values;
  values.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) values.push_back("c" + std::to_string(i) + "=v; path=/");
  tolvar::http::TNetCookieManager manager;
  const auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < 2; ++round) {
    for (const std::string& value : values) manager.AddServerCookie(value, "www.example.test");
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 48158;
  for (int count : {n, 4 * n}) {
    const double seconds = StoreAll(count);
    std::printf("%d cookies stored twice: %.3f s, %.2f us per store\n", count, seconds, seconds * 1e6 / (2.0 * count));
  }
  return 0;
}
