#include <windows.h>

#include <cstring>

#include "platform/command_line_wipe.h"

namespace tolvar::platform {

void WipeCommandLineSpans(int, char**, const std::vector<CommandLineSpan>& spans) {
  if (spans.empty()) return;
  // The spans count bytes of the ANSI command line, which the system made
  // from the wide one character by character.
  char* ansi = GetCommandLineA();
  const std::size_t ansi_length = ansi != nullptr ? std::strlen(ansi) : 0;
  std::vector<bool> secret(ansi_length, false);
  for (const CommandLineSpan& span : spans) {
    for (std::size_t i = span.begin; i < ansi_length && i - span.begin < span.size; ++i) secret[i] = true;
  }
  for (std::size_t i = 0; i < ansi_length; ++i) {
    if (secret[i]) ansi[i] = '*';
  }
  // The wide line lives in the process parameters, where other processes
  // read it. A character is wiped when any of its ANSI bytes was.
  wchar_t* wide = GetCommandLineW();
  if (wide == nullptr) return;
  std::size_t pos = 0;
  for (std::size_t k = 0; wide[k] != L'\0' && pos < ansi_length;) {
    const int units = IS_HIGH_SURROGATE(wide[k]) && IS_LOW_SURROGATE(wide[k + 1]) ? 2 : 1;
    char bytes[8];
    int n = WideCharToMultiByte(CP_ACP, 0, wide + k, units, bytes, sizeof bytes, nullptr, nullptr);
    if (n <= 0) n = 1;
    bool hit = false;
    for (std::size_t j = pos; j < pos + static_cast<std::size_t>(n) && j < ansi_length; ++j) hit = hit || secret[j];
    if (hit) {
      for (int u = 0; u < units; ++u) wide[k + static_cast<std::size_t>(u)] = L'*';
    }
    pos += static_cast<std::size_t>(n);
    k += static_cast<std::size_t>(units);
  }
}

}  // namespace tolvar::platform
