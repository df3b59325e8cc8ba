#include "client/entry/program_body.h"

#include "client/entry/run_state.h"
#include "client/help/help_page.h"
#include "client/support/std_err.h"

namespace client {
namespace {

// "ヘルプを表示する準備をしています."
const char kPreparingHelp[] =
    "\x83w\x83\x8B\x83v\x82\xF0\x95\\\x8E\xA6\x82\xB7\x82\xE9\x8F\x80\x94\xF5\x82\xF0\x82\xB5\x82\xC4\x82\xA2\x82\xDC"
    "\x82\xB7.";

// This build has no transfer controller and no main window yet: it says so
// and ends as a program that cannot go on, rather than pretending to have
// fetched anything. The settings are still saved at shutdown.
void RunTransferSession(TCommandLineOption& options) {
  WriteStdErrLine("tolvar: this build cannot perform transfers yet.");
  options.FExitCode = kExitCannotGoOn;
}

}  // namespace

void RunProgramBody(TCommandLineOption& options) {
  RunState = 1;
  if (options.FFlags & ofHelp) {
    WriteStdErrLine(kPreparingHelp);
    OpenHelpPage();
    options.FExitCode = kExitBadSettings;
    return;
  }
  RunTransferSession(options);
}

}  // namespace client
