#include "client/entry/program_body.h"

#include "client/entry/url_line.h"
#include "client/help/help_page.h"
#include "client/support/exit_code.h"
#include "client/support/message_text.h"
#include "client/support/run_state.h"
#include "client/support/std_err.h"
#include "client/support/text.h"
#include "client/support/wipe.h"
#include "client/transfer/form_main.h"
#include "client/transfer/form_window.h"
#include "platform/system.h"
#include "platform/widget_surface.h"
#include "platform/window_host.h"

#include <exception>
#include <string>

namespace tolvar::client {
namespace {

// Compiled to Shift_JIS, as are all string literals of this file.
const char kPreparingHelp[] = "ヘルプを表示する準備をしています.";

// A line too long for a URL, given as "-u -": head, the bound, tail.
const char kUrlLineTooLongHead[] = "標準入力の URL が ";
const char kUrlLineTooLongTail[] = " バイトを超えています.";

// The message box of a failure that leaves the program unable to go on.
void ShowFatal(TCommandLineOption& options, unsigned long code, const std::string& failure,
               const std::string& closing_with_code, const std::string& closing_without_code) {
  std::string text;
  if (code != 0) {
    text = platform::SystemErrorText(code) + "\r\n" + failure + "\r\n" + closing_with_code;
  } else {
    text = failure + "\r\n" + closing_without_code;
  }
  platform::ShowErrorBox(platform::GetModulePath(), text, StdErrLineEnd(options) == TLineEnd::leLf);
  options.FExitCode = ecCannotGoOn;
}

void RunTransferSession(TCommandLineOption& options) {
  if (options.FUrl == "-") {
    const platform::TOSHandle input = platform::GetStdHandle(platform::StdStream::kInput);
    std::string line;
    const TUrlLineResult result =
        ReadUrlLine([input](char* buffer, long count) { return platform::ReadHandle(input, buffer, count); },
                    [input](long count) { platform::UnreadHandle(input, count); }, kUrlLineLimit, &line);
    if (result == TUrlLineResult::ulReadFailed) {
      WriteStdErrLine(platform::SystemErrorText(platform::LastErrorCode()), StdErrLineEnd(options));
      options.FExitCode = ecCannotGoOn;
      return;
    }
    if (result == TUrlLineResult::ulTooLong) {
      WriteStdErrLine(TMessageText(kUrlLineTooLongHead).Data(std::to_string(kUrlLineLimit)).Own(kUrlLineTooLongTail),
                      StdErrLineEnd(options));
      options.FExitCode = ecBadSettings;
      return;
    }
    options.FUrl = TrimControl(line);
    WipeString(line);
  }
  const bool quiet = (options.FFlags & ofQuiet) != 0;
  try {
    platform::InitialiseWindowing(quiet);
  } catch (const std::exception& e) {
    const unsigned long code = platform::LastErrorCode();
    // No window, no run: the settings of a run that never started are not
    // saved (a later scripted run would take them for the user's own).
    options.FIgnoreIni = true;
    ShowFatal(options, code, e.what(), "Can't initilize application.",
              "Can't initilize application, Not enough memory?");
    return;
  }
  // The form outlives its window: the window is gone before FormDestroy.
  TFormMain form(options);
  try {
    platform::TWindowHost window(FormDesign().Caption, kDesignBounds, form);
    // The controls go before the window does; a host that shows no window
    // (a scripted run on Linux) leaves the form without a view.
    TFormWindow view(form);
    view.Attach(platform::CreateWidgetSurface(window, view));
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
