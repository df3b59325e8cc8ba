#include "client/options/option_lifecycle.h"

#include <exception>
#include <memory>
#include <new>

namespace client {
namespace {

constexpr int kExitCannotGoOn = 5;

void ReportCreateFailure(const std::string& caption, unsigned long error, const char* what) {
  // The system's text comes first even for code 0.
  std::string text = platform::SystemErrorText(error) + "\r\n" + what + "\r\n";
  text += error != 0 ? "Can't create TCommandLineOption." : "Can't create TCommandLineOption, Not enough memory?";
  platform::ShowErrorBox(caption, text, false);
}

}  // namespace

void ApplyOptionLayers(TCommandLineOption& main, TCommandLineOption& scratch,
                       const platform::ProcessCommandLine& command_line) {
  scratch.ParseCommandLine(command_line);
  if (!scratch.FIgnoreIni) main.LoadFromIni();
  main.ParseCommandLine(command_line);
}

bool StartUpOptions(const platform::ProcessCommandLine& command_line) {
  // Remembered first: it captions every start-up message.
  const std::string caption = platform::GetModulePath();
  std::unique_ptr<TCommandLineOption> main;
  std::unique_ptr<TCommandLineOption> scratch;
  try {
    main = std::make_unique<TCommandLineOption>();
    scratch = std::make_unique<TCommandLineOption>();
  } catch (const std::exception& e) {
    const unsigned long error = platform::LastErrorCode();
    ReportCreateFailure(caption, error, e.what());
    return false;
  }
  try {
    ApplyOptionLayers(*main, *scratch, command_line);
  } catch (const std::exception& e) {
    platform::ShowErrorBox(caption, e.what(), false);
    return false;
  }
  CommandLineOption = main.release();
  return true;
}

int ShutDownOptions() {
  std::unique_ptr<TCommandLineOption> options(CommandLineOption);
  if (!options) return kExitCannotGoOn;
  const int exit_code = options->FExitCode;
  if (!options->FIgnoreIni) {
    std::string failure;
    if (!options->SaveToIni(&failure))
      platform::ShowErrorBox(options->FProgramPath, failure, (options->FFlags & ofUnixStyle) != 0);
  }
  CommandLineOption = nullptr;
  options.reset();
  return exit_code;
}

}  // namespace client
