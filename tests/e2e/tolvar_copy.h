// Runs a copy of tolvar inside a temporary directory, so that everything it
// leaves behind (help page, ini file) stays there: on Windows the ini file
// and the help page lie beside the program, on Linux the ini file goes to
// $XDG_CONFIG_HOME, pointed at dir/cfg. A stand-in viewer on PATH (Linux)
// notes what would be opened; under Wine no viewer may start at all.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/process_runner.h"

namespace e2e {

inline std::string TolvarCopyIniPath(const TempDir& dir) {
  return dir.path() + (Target::Current().IsWindows() ? "/tolvar.ini" : "/cfg/tolvar.ini");
}

inline RunSpec TolvarCopyRun(const TempDir& dir, std::vector<std::string> args) {
  std::filesystem::create_directories(dir.path() + "/bin");
  const std::string viewer = dir.WriteFile("bin/xdg-open", "#!/bin/sh\necho \"$1\" > \"$OPENED\"\n");
  chmod(viewer.c_str(), 0755);
  RunSpec run;
  run.args = std::move(args);
  run.cwd = dir.path();
  run.env["LC_ALL"] = "C.UTF-8";
  run.env["XDG_CONFIG_HOME"] = dir.path() + "/cfg";
  run.env["OPENED"] = dir.path() + "/opened";
  run.env["PATH"] = dir.path() + "/bin:/usr/bin:/bin";
  // No display for the Linux build: nothing a run shows may wait for a
  // user. The Windows build needs one for its main window, which under -q
  // starts minimised and closes by itself.
  if (!Target::Current().IsWindows()) run.env["DISPLAY"] = std::nullopt;
  run.env["WINEDLLOVERRIDES"] = "winebrowser.exe,iexplore.exe=d";
  return run;
}

// The copy of tolvar in `dir`, made when it is not there yet.
inline std::string TolvarCopyPath(const TempDir& dir) {
  const Target& t = Target::Current();
  const std::string exe = dir.path() + (t.IsWindows() ? "/tolvar.exe" : "/tolvar");
  if (!std::filesystem::exists(exe)) std::filesystem::copy_file(t.ProgramPath("tolvar"), exe);
  return exe;
}

inline RunResult RunTolvarCopy(const TempDir& dir, const RunSpec& run) {
  return Target::Current().RunPath(TolvarCopyPath(dir), run);
}

inline RunResult RunTolvarCopy(const TempDir& dir, std::vector<std::string> args) {
  return RunTolvarCopy(dir, TolvarCopyRun(dir, std::move(args)));
}

}  // namespace e2e
