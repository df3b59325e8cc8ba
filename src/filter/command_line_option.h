// tagsift's option set, parsed from its arguments.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tagsift::filter {

enum : std::uint32_t {
  ofHelp = 1,       // -?, -h
  ofUnixStyle = 2,  // -lu: lines end in LF instead of CR LF
};

class TCommandLineOption {
 public:
  // Decides whether an argument that begins with "/" is a switch (true) or a
  // file name. Windows: always a switch.
  using SlashRule = std::function<bool(const std::string& arg)>;

  TCommandLineOption() = default;
  // Parses `args`; args[0] is the program and is skipped.
  explicit TCommandLineOption(const std::vector<std::string>& args, SlashRule slash_is_switch = {});

  void ParseArguments(const std::vector<std::string>& args, const SlashRule& slash_is_switch = {});

  bool UnixStyle() const { return (FFlags & ofUnixStyle) != 0; }
  bool Help() const { return (FFlags & ofHelp) != 0; }
  const char* LineEnd() const { return UnixStyle() ? "\n" : "\r\n"; }

  std::uint32_t FFlags = 0;
  std::string FParameter = "HREF";  // as typed; the scanner upper-cases it
  std::vector<std::string> FFiles;  // in command-line order
};

}  // namespace tagsift::filter
