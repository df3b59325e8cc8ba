#include "filter/program.h"

#include <string>

#include "filter/command_line_option.h"
#include "filter/filter_pipe.h"
#include "filter/os.h"

namespace tagsift::filter {
namespace {

// Written in UTF-8; the build compiles them to Shift_JIS (code page 932).
const char kPreparingHelp[] = "ヘルプファイルを表示する準備をしています.";
// Between the file name and the code.
const char kCannotOpen[] = ": ファイルを開けません(LastError=";

// The usage text is kUsageHead, the -lu and -ld lines, kUsageTail.
const char* const kUsageHead[] = {
    "Valdrin ver 1.0 - prints the values of one tag parameter found in HTML, one per line.",
    "Command Line: [-lu|-ld] [-p PARAMETER] [file]...",
    "-h: print this message.",
};
const char* const kUsageTail[] = {
    "-p PARAMETER: Parameter key, Ex. -p HREF, -p SRC, -p NAME,...",
    "file: input file name. if no file names in command line, reading from standard-input.",
};

// The text, then the line end: two write calls, failures ignored.
void WriteStdErrMessage(const TCommandLineOption& options, const std::string& text) {
  std::size_t written;
  os::Write(os::StdError(), text.data(), text.size(), &written);
  const std::string end = options.LineEnd();
  os::Write(os::StdError(), end.data(), end.size(), &written);
}

std::string ReplaceExtension(const std::string& path, const std::string& ext) {
  std::size_t slash = path.find_last_of("/\\");
  std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ext;
  return path.substr(0, dot) + ext;
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

int ShowHelp(const TCommandLineOption& options) {
  const std::string program = os::ProgramPath();
  const std::string page = ReplaceExtension(program, ".htm");
  if (os::FileExists(page)) {
    WriteStdErrMessage(options, os::ShowText(kPreparingHelp));
    if (os::ShellOpen(page, DirectoryOf(program))) return kExitHelp;
  }
  for (const char* line : kUsageHead) WriteStdErrMessage(options, line);
  // "(default)" marks the line end this platform uses without -lu or -ld.
  const bool lf = os::LfEndsLinesByDefault();
  WriteStdErrMessage(options, lf ? "-lu: unix style line(default)." : "-lu: unix style line.");
  WriteStdErrMessage(options, lf ? "-ld: MS-DOS style line." : "-ld: MS-DOS style line(default).");
  for (const char* line : kUsageTail) WriteStdErrMessage(options, line);
  return kExitHelp;
}

}  // namespace

int RunProgram(const std::vector<std::string>& args) {
  TCommandLineOption options;
  // The platform's line end first: -lu and -ld given later change it.
  if (os::LfEndsLinesByDefault()) options.FFlags |= ofUnixStyle;
  options.ParseArguments(args, os::SlashStartsSwitch);
  if (options.Help()) return ShowHelp(options);

  int exit_code = kExitOk;
  TFilterPipeTagParam pipe(options.UnixStyle());
  pipe.SetParameter(options.FParameter);
  if (options.FFiles.empty()) {
    pipe.Execute();
    pipe.CloseAll();
    return exit_code;
  }
  for (const std::string& name : options.FFiles) {
    pipe.OpenInput(name);
    if (pipe.Input() == os::kInvalidHandle) {
      const unsigned long error = os::LastError();
      WriteStdErrMessage(options, name + os::ShowText(kCannotOpen) + std::to_string(error) + ")");
      exit_code = kExitFileMissing;
    } else {
      pipe.Execute();
    }
    pipe.CloseAll();
  }
  return exit_code;
}

}  // namespace tagsift::filter
