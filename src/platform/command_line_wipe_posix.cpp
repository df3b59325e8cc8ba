#include <cstring>

#include "platform/command_line_wipe.h"

namespace tolvar::platform {

void WipeCommandLineSpans(int argc, char** argv, const std::vector<CommandLineSpan>& spans) {
  for (const CommandLineSpan& span : spans) {
    if (argv == nullptr || argc < 0 || span.token >= static_cast<std::size_t>(argc) || argv[span.token] == nullptr)
      continue;
    // The kernel shows the argv strings where the process keeps them, so
    // writing into them is what /proc/PID/cmdline shows from now on. A NUL
    // would split the argument in two there; '*' keeps the count.
    char* arg = argv[span.token];
    const std::size_t length = std::strlen(arg);
    for (std::size_t i = span.begin; i < length && i - span.begin < span.size; ++i) arg[i] = '*';
  }
}

}  // namespace tolvar::platform
