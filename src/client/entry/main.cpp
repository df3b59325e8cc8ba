// tolvar: fetches one URL per run for scripts.
#include <memory>
#include <utility>

#include "client/entry/program_body.h"
#include "client/options/option_lifecycle.h"
#include "client/support/exit_code.h"
#include "platform/command_line_wipe.h"
#include "platform/system.h"

int main(int argc, char** argv) {
  namespace client = tolvar::client;
  tolvar::platform::InitialiseProcess();
  // The option set is complete (defaults, stored settings, command line)
  // before the program body starts; a failure there was reported already.
  tolvar::platform::ProcessCommandLine command_line = tolvar::platform::GetProcessCommandLine(argc, argv);
  std::unique_ptr<client::TCommandLineOption> options = client::StartUpOptions(command_line);
  // Our copy of the command line may hold -xu and -xp values; so does the
  // one other users of the machine can read while the run goes on.
  client::WipeCommandLine(command_line);
  if (!options) return client::ecCannotGoOn;
  tolvar::platform::WipeCommandLineSpans(argc, argv, options->FCredentialSpans);
  client::CommandLineOption = options.get();
  client::RunProgramBody(*options);
  client::CommandLineOption = nullptr;
  return client::ShutDownOptions(std::move(options));
}
