#include "filter/command_line_option.h"

#include <cctype>

namespace tagsift::filter {
namespace {

std::string TrimBlanks(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
  return s.substr(b, e - b);
}

char Lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

}  // namespace

TCommandLineOption::TCommandLineOption(const std::vector<std::string>& args, SlashRule slash_is_switch) {
  ParseArguments(args, slash_is_switch);
}

void TCommandLineOption::ParseArguments(const std::vector<std::string>& args, const SlashRule& slash_is_switch) {
  bool switches_ended = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    bool is_switch = !switches_ended && !arg.empty() && (arg[0] == '-' || arg[0] == '/');
    if (is_switch && arg[0] == '/' && arg.size() > 1 && slash_is_switch) is_switch = slash_is_switch(arg);
    if (!is_switch) {
      FFiles.push_back(arg);
      continue;
    }
    if (arg.size() == 1) continue;
    switch (Lower(arg[1])) {
      case '-':
        switches_ended = true;
        break;
      case '?':
      case 'h':
        FFlags |= ofHelp;
        break;
      case 'l':
        if (arg.size() > 2) {
          if (Lower(arg[2]) == 'u')
            FFlags |= ofUnixStyle;
          else if (Lower(arg[2]) == 'd')
            FFlags &= ~static_cast<std::uint32_t>(ofUnixStyle);
        }
        break;
      case 'p':
        if (arg.size() > 2) {
          FParameter = TrimBlanks(arg.substr(2));
        } else if (i + 1 < args.size()) {
          FParameter = args[++i];
        } else {
          FParameter.clear();
        }
        break;
      default:
        break;  // unknown switches are ignored without a message
    }
  }
}

}  // namespace tagsift::filter
