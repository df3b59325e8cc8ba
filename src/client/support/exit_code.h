// The exit codes of tolvar: its one contract with the scripts and batch
// files that call it. The help page words each of them for the user.
#pragma once

#include <cstdint>

namespace tolvar::client {

// Unscoped so that the option set's FExitCode (a plain 32-bit number, as
// the process hands it on) takes these values without a cast.
enum TExitCode : std::int32_t {
  ecSuccess = 0,
  ecBadSettings = 1,    // the settings cannot be used; also after the help page
  ecFileAccess = 2,     // no destination for the header or the body, or the header not written
  ecConnection = 3,     // connection failed or aborted, body incomplete or not written whole,
                        // a final status outside 2xx, a run closed before it finished
  ecServerRefused = 4,  // status 400 to 599
  ecCannotGoOn = 5,     // the program cannot start or go on
};

}  // namespace tolvar::client
