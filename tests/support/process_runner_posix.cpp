#include "support/process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

extern char** environ;

namespace e2e {
namespace {

std::runtime_error SysError(const std::string& what) {
  return std::runtime_error(what + ": " + std::strerror(errno));
}

struct Pipe {
  int fd[2] = {-1, -1};
  Pipe() {
    if (pipe2(fd, O_CLOEXEC) != 0) throw SysError("pipe2");
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  void CloseRead() {
    if (fd[0] >= 0) close(fd[0]);
    fd[0] = -1;
  }
  void CloseWrite() {
    if (fd[1] >= 0) close(fd[1]);
    fd[1] = -1;
  }
};

std::vector<std::string> BuildEnvironment(const RunSpec& run) {
  std::map<std::string, std::string> vars;
  for (char** e = environ; *e; ++e) {
    std::string kv = *e;
    auto eq = kv.find('=');
    if (eq == std::string::npos) continue;
    vars[kv.substr(0, eq)] = kv.substr(eq + 1);
  }
  for (const auto& [k, v] : run.env) {
    if (v)
      vars[k] = *v;
    else
      vars.erase(k);
  }
  std::vector<std::string> out;
  for (const auto& [k, v] : vars) out.push_back(k + "=" + v);
  return out;
}

void SetNonBlocking(int fd) {
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// Reads what is available; false once the pipe reports end of file.
bool Drain(int fd, std::string& into) {
  char buf[65536];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) {
      into.append(buf, static_cast<size_t>(n));
      continue;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK;
  }
}

}  // namespace

RunResult RunProcess(const std::string& program, const RunSpec& run) {
  std::vector<std::string> argv_s{program};
  argv_s.insert(argv_s.end(), run.args.begin(), run.args.end());
  {
    // The command is argv_s; a wrapper such as wine comes in as the program.
    std::vector<char*> argv;
    for (auto& a : argv_s) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env_s = BuildEnvironment(run);
    std::vector<char*> envp;
    for (auto& e : env_s) envp.push_back(e.data());
    envp.push_back(nullptr);

    Pipe in, out, err;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (run.stdin_closed)
      posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    else
      posix_spawn_file_actions_adddup2(&fa, in.fd[0], 0);
    posix_spawn_file_actions_adddup2(&fa, out.fd[1], 1);
    posix_spawn_file_actions_adddup2(&fa, err.fd[1], 2);
    if (!run.cwd.empty()) posix_spawn_file_actions_addchdir_np(&fa, run.cwd.c_str());

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Own process group, so a time-out kills whatever the program started;
    // default SIGPIPE handling, whatever the test runner has.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    pid_t pid = -1;
    int rc = posix_spawnp(&pid, argv[0], &fa, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
      errno = rc;
      throw SysError("posix_spawn " + program);
    }
    in.CloseRead();
    out.CloseWrite();
    err.CloseWrite();
    if (run.stdin_closed) in.CloseWrite();
    SetNonBlocking(out.fd[0]);
    SetNonBlocking(err.fd[0]);
    if (in.fd[1] >= 0) SetNonBlocking(in.fd[1]);

    RunResult result;
    size_t stdin_done = 0;
    if (in.fd[1] >= 0 && run.stdin_bytes.empty()) in.CloseWrite();
    bool out_open = true, err_open = true, exited = false;
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + run.timeout;

    // Wine's helper processes may inherit the pipes and keep them open after
    // the program ends, so the end of the program, not end of file, decides.
    while (!exited) {
      std::vector<pollfd> fds;
      if (out_open) fds.push_back({out.fd[0], POLLIN, 0});
      if (err_open) fds.push_back({err.fd[0], POLLIN, 0});
      if (in.fd[1] >= 0) fds.push_back({in.fd[1], POLLOUT, 0});
      poll(fds.data(), fds.size(), 10);
      if (out_open) out_open = Drain(out.fd[0], result.out);
      if (err_open) err_open = Drain(err.fd[0], result.err);
      if (in.fd[1] >= 0) {
        ssize_t n = write(in.fd[1], run.stdin_bytes.data() + stdin_done, run.stdin_bytes.size() - stdin_done);
        if (n > 0) stdin_done += static_cast<size_t>(n);
        if ((n < 0 && errno != EAGAIN && errno != EINTR) || stdin_done == run.stdin_bytes.size()) in.CloseWrite();
      }
      pid_t w = waitpid(pid, &status, WNOHANG);
      if (w == pid) {
        exited = true;
      } else if (std::chrono::steady_clock::now() > deadline) {
        kill(-pid, SIGKILL);
        waitpid(pid, &status, 0);
        result.timed_out = true;
        exited = true;
      }
    }
    // Whatever the program wrote before it ended is in the pipes now.
    if (out_open) Drain(out.fd[0], result.out);
    if (err_open) Drain(err.fd[0], result.err);
    if (WIFEXITED(status))
      result.exit_code = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
      result.exit_code = 128 + WTERMSIG(status);
    return result;
  }
}

Target::Target() {
  const char* t = std::getenv("E2E_TARGET");
  windows_ = t && std::string(t) == "windows";
  const char* d = std::getenv("E2E_BIN_DIR");
  if (!d || !*d) throw std::runtime_error("E2E_BIN_DIR is not set");
  bin_dir_ = d;
  const char* w = std::getenv(windows_ ? "E2E_WINE" : "E2E_WRAPPER");
  if (!windows_ && (!w || !*w)) return;
  if (!w || !*w) throw std::runtime_error("E2E_WINE is not set for a Windows target");
  std::string words = w;
  for (std::size_t start = 0;;) {
    std::size_t bar = words.find('|', start);
    wine_.push_back(words.substr(start, bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
}

const Target& Target::Current() {
  static const Target target;
  return target;
}

std::string Target::ProgramPath(const std::string& name) const {
  return bin_dir_ + "/" + name + (windows_ ? ".exe" : "");
}

RunResult Target::Run(const std::string& name, const RunSpec& run) const {
  return RunPath(ProgramPath(name), run);
}

RunResult Target::RunPath(const std::string& path, const RunSpec& run) const {
  if (wine_.empty()) return RunProcess(path, run);
  RunSpec wine = run;
  wine.args.insert(wine.args.begin(), path);
  wine.args.insert(wine.args.begin(), wine_.begin() + 1, wine_.end());
  return RunProcess(wine_.front(), wine);
}

std::string Target::ShellPrefix() const {
  std::string prefix;
  for (const std::string& word : wine_) {
    prefix += '\'';
    for (char c : word) prefix += c == '\'' ? std::string("'\\''") : std::string(1, c);
    prefix += "' ";
  }
  return prefix;
}

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "e2e-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw SysError("mkdtemp");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::WriteFile(const std::string& name, const std::string& bytes) const {
  std::string full = path_ + "/" + name;
  std::ofstream f(full, std::ios::binary);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + full);
  return full;
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace e2e
