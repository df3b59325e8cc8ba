#include "client/entry/program_body.h"

#include "client/help/help_page.h"
#include "client/support/exit_code.h"
#include "client/support/run_state.h"
#include "client/support/std_err.h"
#include "client/support/text.h"
#include "client/transfer/form_main.h"
#include "platform/system.h"
#include "platform/window_host.h"

#include <exception>
#include <string>

namespace tolvar::client {
namespace {

// Compiled to Shift_JIS, as are all string literals of this file.
const char kPreparingHelp[] = "ヘルプを表示する準備をしています.";

// One line of standard input: up to the first CR, LF or 0x1A (the text
// end-of-file mark), the whole input when none comes, empty at its end. The
// rest of the input is left unread. False when reading failed.
bool ReadUrlLine(std::string* line) {
  const platform::TOSHandle input = platform::GetStdHandle(platform::StdStream::kInput);
  line->clear();
  for (;;) {
    char c = 0;
    const long n = platform::ReadHandle(input, &c, 1);
    if (n < 0) return false;
    if (n == 0 || c == '\r' || c == '\n' || c == '\x1A') return true;
    line->push_back(c);
  }
}

// The message box of a failure that leaves the program unable to go on.
void ShowFatal(TCommandLineOption& options, unsigned long code, const std::string& failure,
               const std::string& closing_with_code, const std::string& closing_without_code) {
  std::string text;
  if (code != 0) {
    text = platform::SystemErrorText(code) + "\r\n" + failure + "\r\n" + closing_with_code;
  } else {
    text = failure + "\r\n" + closing_without_code;
  }
  platform::ShowErrorBox(platform::GetModulePath(), text, (options.FFlags & ofUnixStyle) != 0);
  options.FExitCode = ecCannotGoOn;
}

void RunTransferSession(TCommandLineOption& options) {
  if (options.FUrl == "-") {
    std::string line;
    if (!ReadUrlLine(&line)) {
      WriteStdErrLine(platform::SystemErrorText(platform::LastErrorCode()), StdErrLineEnd(options));
      options.FExitCode = ecCannotGoOn;
      return;
    }
    options.FUrl = TrimControl(line);
  }
  const bool quiet = (options.FFlags & ofQuiet) != 0;
  try {
    platform::InitialiseWindowing(quiet);
  } catch (const std::exception& e) {
    const unsigned long code = platform::LastErrorCode();
    ShowFatal(options, code, e.what(), "Can't initilize application.",
              "Can't initilize application, Not enough memory?");
    return;
  }
  // The form outlives its window: the window is gone before FormDestroy.
  TFormMain form(options);
  try {
    platform::TWindowHost window("Quillon", kDesignBounds, form);
    form.FormCreate(window);
    window.Show(quiet);
    window.Run();
    if (form.EscapedFailure()) std::rethrow_exception(form.EscapedFailure());
  } catch (const std::exception& e) {
    const unsigned long code = platform::LastErrorCode();
    const std::string state = "Unhandled exception(RunState=" + std::to_string(RunState.load());
    ShowFatal(options, code, e.what(), state + ").", state + "). Not enough memory?");
  }
  form.FormDestroy();
}

}  // namespace

void RunProgramBody(TCommandLineOption& options) {
  RunState = 1;
  if (options.FFlags & ofHelp) {
    WriteStdErrLine(kPreparingHelp, StdErrLineEnd(options));
    OpenHelpPage(options);
    options.FExitCode = ecBadSettings;
    return;
  }
  RunTransferSession(options);
}

}  // namespace tolvar::client
