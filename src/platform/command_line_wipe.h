// Takes secrets (a user name, a password) out of the process's own command
// line, where other users of the machine can read them while it runs: on
// Linux /proc/PID/cmdline shows the argv strings; on Windows other
// processes read the command line of the process parameters, the buffer
// that GetCommandLineW returns. One file per target.
#pragma once

#include <cstddef>
#include <vector>

namespace tolvar::platform {

// Bytes [begin, begin + size) of argument `token` (argv, Linux), or of the
// raw command line as GetProcessCommandLine hands it over (Windows, where
// `token` is not used).
struct CommandLineSpan {
  std::size_t token = 0;
  std::size_t begin = 0;
  std::size_t size = 0;
};

// Overwrites every byte of the spans with '*' in place. Lengths stay, and so
// do argc and every other argument; a span beyond its text is cut at its
// end. Windows: the buffers of GetCommandLineA and GetCommandLineW, the
// wide one character for character as the ANSI bytes map to it.
void WipeCommandLineSpans(int argc, char** argv, const std::vector<CommandLineSpan>& spans);

}  // namespace tolvar::platform
