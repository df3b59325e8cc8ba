#include "client/options/option_lifecycle.h"

#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "client/support/exit_code.h"
#include "client/support/message_text.h"
#include "client/support/std_err.h"
#include "client/support/wipe.h"

namespace tolvar::client {
namespace {

// Follows the switch whose value cannot be stored ("-u"): it holds a line
// break, or both kinds of quote.
const char kValueNotSaved[] = ": value with a line break or both kinds of quote, not saved to the ini file.";

void ReportCreateFailure(const std::string& caption, unsigned long error, const char* what) {
  // The system's text comes first even for code 0. It and the failure's
  // own message are shown as they come.
  TMessageText text;
  text.Data(platform::SystemErrorText(error)).Own("\r\n").Data(what).Own("\r\n");
  text.Own(error != 0 ? "Can't create TCommandLineOption." : "Can't create TCommandLineOption, Not enough memory?");
  platform::ShowErrorBox(caption, text.ForUser(), platform::LfEndsLinesByDefault());
}

}  // namespace

void ApplyOptionLayers(TCommandLineOption& main, TCommandLineOption& scratch,
                       const platform::ProcessCommandLine& command_line) {
  scratch.ParseCommandLine(command_line);
  if (!scratch.FIgnoreIni) main.LoadFromIni();
  main.ParseCommandLine(command_line);
}

std::unique_ptr<TCommandLineOption> StartUpOptions(const platform::ProcessCommandLine& command_line) {
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
    return nullptr;
  }
  try {
    ApplyOptionLayers(*main, *scratch, command_line);
  } catch (const std::exception& e) {
    platform::ShowErrorBox(caption, TMessageText().Data(e.what()).ForUser(), platform::LfEndsLinesByDefault());
    return nullptr;
  }
  // The run goes on as before; the user learns what it did not take.
  for (const std::string& ignored : main->FIgnored) {
    WriteStdErrLine(TMessageText("tolvar: warning: ").Data(ignored), StdErrLineEnd(*main));
  }
  return main;
}

void WipeCommandLine(platform::ProcessCommandLine& command_line) {
  WipeString(command_line.raw);
  for (std::string& token : command_line.tokens) WipeString(token);
}

int ShutDownOptions(std::unique_ptr<TCommandLineOption> options) {
  if (!options) return ecCannotGoOn;
  const int exit_code = options->FExitCode;
  if (!options->FIgnoreIni) {
    TMessageText failure;
    std::vector<std::string> left_out;
    const bool saved = options->SaveToIni(&failure, &left_out);
    for (const std::string& sw : left_out)
      WriteStdErrLine(TMessageText(sw).Own(kValueNotSaved), StdErrLineEnd(*options));
    if (!saved)
      platform::ShowErrorBox(options->FProgramPath, failure.ForUser(), StdErrLineEnd(*options) == TLineEnd::leLf);
  }
  options.reset();
  return exit_code;
}

}  // namespace tolvar::client
