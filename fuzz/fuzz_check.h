// The fuzz targets' invariant check: a broken invariant prints what broke
// and aborts, which libFuzzer reports as a crash and saves the input for.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fuzz {

[[noreturn]] inline void CheckFailed(const char* condition, const char* file, int line, std::string_view detail) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
  if (!detail.empty()) std::fprintf(stderr, "  %.*s\n", static_cast<int>(detail.size()), detail.data());
  std::abort();
}

}  // namespace fuzz

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::fuzz::CheckFailed(#condition, __FILE__, __LINE__, {}))
// The same with a text that tells the values involved.
#define FUZZ_CHECK_MSG(condition, detail) \
  ((condition) ? static_cast<void>(0) : ::fuzz::CheckFailed(#condition, __FILE__, __LINE__, (detail)))
