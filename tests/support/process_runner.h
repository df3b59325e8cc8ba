// Runs a built program as a whole process for the end-to-end tests: the
// Linux build directly, the Windows build through Wine. Same cases, either
// target, chosen by the environment of the test binary:
//   E2E_TARGET   "linux" (default) or "windows"
//   E2E_BIN_DIR  the bin/ folder of the build tree that holds the programs
//   E2E_WINE     for windows: the command that starts a Windows program, its
//                words joined by '|' (env settings, then the Wine loader)
//   E2E_WRAPPER  for linux, optional: a command the programs run under, words
//                joined by '|' (valgrind and its options, say)
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct RunSpec {
  std::vector<std::string> args;  // arguments after the program name
  // Added to (or replacing in) the test's own environment; a value of
  // std::nullopt removes the variable.
  std::map<std::string, std::optional<std::string>> env;
  std::string cwd;            // empty: the test's working directory
  std::string stdin_bytes;    // written to the child's standard input, then closed
  bool stdin_closed = false;  // true: standard input is /dev/null instead of a pipe
  std::chrono::milliseconds timeout{30000};
};

struct RunResult {
  std::string out;         // exact standard output bytes
  std::string err;         // exact standard error bytes
  int exit_code = -1;      // the exit status; 128 + N when killed by signal N
  bool timed_out = false;  // killed because the time limit passed
};

// Starts `program` (a path) as `run` says and collects everything until it ends
// or the time limit kills its whole process group.
RunResult RunProcess(const std::string& program, const RunSpec& run);

// The target under test, from the environment above.
class Target {
 public:
  static const Target& Current();

  bool IsWindows() const { return windows_; }
  // True when the Linux programs run under E2E_WRAPPER.
  bool IsWrapped() const { return !windows_ && !wine_.empty(); }
  const std::string& BinDir() const { return bin_dir_; }
  // Full path of the program `name` ("tagsift"; ".exe" is added for Windows).
  std::string ProgramPath(const std::string& name) const;
  // Runs the program `name` of this target: directly, or through Wine.
  RunResult Run(const std::string& name, const RunSpec& run) const;
  // The same for a program file of this target elsewhere (a copy, say).
  RunResult RunPath(const std::string& path, const RunSpec& run) const;
  // The words a shell command line puts before a program path of this
  // target, quoted for sh and ending in a blank ("" natively, unwrapped).
  std::string ShellPrefix() const;

 private:
  Target();
  bool windows_ = false;
  std::string bin_dir_;
  // The program goes after these: Wine, or the Linux wrapper.
  std::vector<std::string> wine_;
};

// A fresh directory below the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // Writes `bytes` to path()/name and returns the full path.
  std::string WriteFile(const std::string& name, const std::string& bytes) const;

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);

}  // namespace e2e
