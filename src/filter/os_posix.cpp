#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>
#include <utility>

#include "filter/os.h"

extern char** environ;

namespace tagsift::filter::os {
namespace {

unsigned long g_last_error = 0;

// errno -> the Windows error code of the same meaning, so that the message
// texts and codes are the same on both targets.
unsigned long WindowsCode(int e) {
  switch (e) {
    case ENOENT:
      return 2;  // ERROR_FILE_NOT_FOUND
    case ENOTDIR:
      return 3;  // ERROR_PATH_NOT_FOUND
    case EMFILE:
    case ENFILE:
      return 4;  // ERROR_TOO_MANY_OPEN_FILES
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return 5;  // ERROR_ACCESS_DENIED
    case EBADF:
      return 6;  // ERROR_INVALID_HANDLE
    case ENOMEM:
      return 8;  // ERROR_NOT_ENOUGH_MEMORY
    case ETXTBSY:
    case EBUSY:
      return 32;  // ERROR_SHARING_VIOLATION
    case ENOSPC:
      return 112;  // ERROR_DISK_FULL
    case EPIPE:
      return 109;  // ERROR_BROKEN_PIPE
    case ENAMETOOLONG:
      return 206;  // ERROR_FILENAME_EXCED_RANGE
    case ELOOP:
      return 1921;  // ERROR_CANT_RESOLVE_FILENAME
    default:
      return static_cast<unsigned long>(e);
  }
}

void SetLastFromErrno() {
  g_last_error = WindowsCode(errno);
}

bool ConvertFromSjis(const char* to, const std::string& in, std::string* out) {
  iconv_t cd = iconv_open(to, "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  // One Shift_JIS byte never becomes more than four bytes.
  std::string buf(in.size() * 4 + 16, '\0');
  char* in_p = const_cast<char*>(in.data());
  size_t in_left = in.size();
  char* out_p = buf.data();
  size_t out_left = buf.size();
  size_t rc = iconv(cd, &in_p, &in_left, &out_p, &out_left);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) return false;
  buf.resize(buf.size() - out_left);
  *out = std::move(buf);
  return true;
}

}  // namespace

void Initialise() {
  std::signal(SIGPIPE, SIG_IGN);
  std::setlocale(LC_ALL, "");
}

Handle StdInput() {
  return 0;
}
Handle StdOutput() {
  return 1;
}
Handle StdError() {
  return 2;
}

Handle OpenRead(const std::string& name) {
  int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetLastFromErrno();
    return kInvalidHandle;
  }
  // Windows refuses to open a directory as a file; so do we, instead of
  // failing later at the first read and passing for an empty input.
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    g_last_error = 5;
    return kInvalidHandle;
  }
  return fd;
}

Handle CreateWrite(const std::string& name) {
  int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    SetLastFromErrno();
    return kInvalidHandle;
  }
  return fd;
}

void Close(Handle h) {
  if (h != kInvalidHandle) ::close(static_cast<int>(h));
}

bool Read(Handle h, char* buffer, std::size_t size, std::size_t* got) {
  *got = 0;
  for (;;) {
    ssize_t n = ::read(static_cast<int>(h), buffer, size);
    if (n >= 0) {
      *got = static_cast<std::size_t>(n);
      return true;
    }
    if (errno == EINTR) continue;
    SetLastFromErrno();
    return false;
  }
}

bool Write(Handle h, const char* bytes, std::size_t size, std::size_t* written) {
  *written = 0;
  // A pipe may take a large block in several pieces; a short count that is
  // not an error is continued, as WriteFile does for a blocking handle.
  while (*written < size) {
    ssize_t n = ::write(static_cast<int>(h), bytes + *written, size - *written);
    if (n > 0) {
      *written += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetLastFromErrno();
      return false;
    }
    return true;  // 0 bytes: short write
  }
  return true;
}

unsigned long LastError() {
  return g_last_error;
}

std::vector<std::string> Arguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}

std::string ProgramPath() {
  std::string path(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0) return "tagsift";
  path.resize(static_cast<std::size_t>(n));
  return path;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ShellOpen(const std::string& document, const std::string& directory) {
  // Started detached in a session of its own and never waited for; its
  // output must not mix with ours.
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&fa, directory.c_str());
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF);
  std::string prog = "xdg-open";
  std::string doc = document;
  char* argv[] = {prog.data(), doc.data(), nullptr};
  pid_t pid;
  int rc = posix_spawnp(&pid, "xdg-open", &fa, &attr, argv, environ);
  posix_spawn_file_actions_destroy(&fa);
  posix_spawnattr_destroy(&attr);
  return rc == 0;
}

bool SlashStartsSwitch(const std::string& arg) {
  if (arg.find('/', 1) != std::string::npos) return false;
  struct stat st;
  return ::stat(arg.c_str(), &st) != 0;
}

bool LfEndsLinesByDefault() {
  return true;
}

std::string ShowText(const std::string& sjis) {
  const char* codeset = nl_langinfo(CODESET);
  std::string target = codeset ? codeset : "";
  // A plain ASCII locale cannot show the Japanese texts: UTF-8 instead.
  if (target.empty() || target == "ANSI_X3.4-1968" || target == "ASCII") target = "UTF-8";
  if (target == "SHIFT_JIS" || target == "SJIS" || target == "CP932") return sjis;
  std::string out;
  if (ConvertFromSjis(target.c_str(), sjis, &out)) return out;
  // The locale's set lacks a character, or iconv does not know it.
  if (target != "UTF-8" && ConvertFromSjis("UTF-8", sjis, &out)) return out;
  return sjis;
}

}  // namespace tagsift::filter::os
