// Start-up and shutdown of the option set of one run of tolvar.
#pragma once

#include <memory>

#include "client/options/command_line_option.h"
#include "platform/system.h"

namespace tolvar::client {

// The layers in order: `scratch` parses the command line only to learn
// whether -0 or -q turns the ini file off; unless it does, `main` reads the
// stored switch string; then `main` parses the command line on top. So only
// the command line decides about the ini file, never the stored string.
void ApplyOptionLayers(TCommandLineOption& main, TCommandLineOption& scratch,
                       const platform::ProcessCommandLine& command_line);

// Creates the option set and applies the layers with a scratch instance
// that is gone afterwards. On failure shows the message (an error box
// captioned with the program's path; standard error on Linux) and returns
// null: the process ends with exit code 5.
std::unique_ptr<TCommandLineOption> StartUpOptions(const platform::ProcessCommandLine& command_line);

// Blanks out every token and the raw string of `command_line` in place: the
// copy of the process command line may hold a user name or a password.
void WipeCommandLine(platform::ProcessCommandLine& command_line);

// Takes FExitCode as the process exit code, saves the settings unless
// FIgnoreIni (a failed save is shown and changes no exit code), then
// destroys the option set, wiping the credentials. Returns the exit code.
int ShutDownOptions(std::unique_ptr<TCommandLineOption> options);

}  // namespace tolvar::client
