#include "filter/arguments.h"

namespace tagsift::filter {
namespace {
inline bool IsSeparator(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}
}  // namespace

std::vector<std::string> SplitArguments(std::string_view raw) {
  std::vector<std::string> args;
  std::size_t i = 0;
  const std::size_t n = raw.size();
  while (i < n) {
    if (IsSeparator(raw[i])) {
      ++i;
      continue;
    }
    while (i + 1 < n && raw[i] == '"' && raw[i + 1] == '"') i += 2;
    if (i >= n || IsSeparator(raw[i])) continue;
    std::string arg;
    while (i < n && !IsSeparator(raw[i])) {
      if (raw[i] != '"') {
        arg.push_back(raw[i++]);
        continue;
      }
      ++i;  // opening quote
      while (i < n && raw[i] != '"') arg.push_back(raw[i++]);
      if (i < n) ++i;  // closing quote
    }
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace tagsift::filter
