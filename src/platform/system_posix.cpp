#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/desktop_posix.h"
#include "platform/error_code_posix.h"
#include "platform/replace_file_posix.h"
#include "platform/system.h"

extern char** environ;

namespace tolvar::platform {
namespace {

bool Convert(const char* to, const std::string& in, std::string* out) {
  iconv_t cd = iconv_open(to, "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  // One Shift_JIS byte never becomes more than four bytes of output.
  std::string buf(in.size() * 4 + 16, '\0');
  char* in_p = const_cast<char*>(in.data());
  std::size_t in_left = in.size();
  char* out_p = buf.data();
  std::size_t out_left = buf.size();
  const std::size_t rc = iconv(cd, &in_p, &in_left, &out_p, &out_left);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) return false;
  buf.resize(buf.size() - out_left);
  *out = std::move(buf);
  return true;
}

// Standard handles that were closed when the process started. Their numbers
// are held by placeholders that fail every read or write: otherwise the next
// file or socket opened would take the number, and what is meant for that
// stream (the response header, say) would go into it.
bool g_closed_std[3] = {false, false, false};

}  // namespace

void InitialiseProcess() {
  for (int fd = 0; fd < 3; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // Open the wrong way round for the stream: reading the input or writing
    // an output fails with EBADF, as on the closed handle.
    const int held = ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
    if (held == fd)
      g_closed_std[fd] = true;
    else if (held >= 0)
      ::close(held);
  }
  std::signal(SIGPIPE, SIG_IGN);
  std::setlocale(LC_CTYPE, "");
}

ProcessCommandLine GetProcessCommandLine(int argc, char** argv) {
  ProcessCommandLine cl;
  // Sized once: a growing vector would leave copies of short tokens (a
  // password among them) in the storage it frees.
  cl.tokens.reserve(argc > 0 ? static_cast<std::size_t>(argc) : 0);
  for (int i = 0; i < argc; ++i) cl.tokens.emplace_back(argv[i]);
  return cl;
}

std::string GetModulePath() {
  std::string path(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0) return "tolvar";
  path.resize(static_cast<std::size_t>(n));
  return path;
}

bool GetLoginName(std::string* name) {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buf(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
  struct passwd pw;
  struct passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_name &&
      *found->pw_name) {
    *name = found->pw_name;
    return true;
  }
  const char* user = std::getenv("USER");
  if (user && *user) {
    *name = user;
    return true;
  }
  return false;
}

bool ReadFileVersion(const std::string&, std::string* version) {
  *version = TOLVAR_VERSION_TEXT;
  return true;
}

bool ShellOpen(const std::string& document) {
  // Without a display the opener could only start a viewer in a terminal
  // that it does not have: nothing would be shown.
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((x11 == nullptr || *x11 == '\0') && (wayland == nullptr || *wayland == '\0')) return false;
  // Started detached in a session of its own, never waited for, its output
  // kept away from ours.
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
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
  const int rc = posix_spawnp(&pid, "xdg-open", &fa, &attr, argv, environ);
  posix_spawn_file_actions_destroy(&fa);
  posix_spawnattr_destroy(&attr);
  // The child is reaped by nobody; the process ends soon after this call.
  return rc == 0;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ReplaceWholeFile(const std::string& path, const std::string& bytes) {
  return ReplaceFileContent(path, bytes, 0600);
}

std::string PathDirectory(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ext;
  return path.substr(0, dot) + ext;
}

TOSHandle GetStdHandle(StdStream which) {
  switch (which) {
    case StdStream::kInput:
      return 0;
    case StdStream::kOutput:
      return 1;
    default:
      return 2;
  }
}

HandleKind GetHandleKind(TOSHandle handle) {
  struct stat st;
  if (::fstat(static_cast<int>(handle), &st) != 0) return HandleKind::kUnknown;
  if (S_ISREG(st.st_mode)) return HandleKind::kDisk;
  if (S_ISCHR(st.st_mode)) return HandleKind::kChar;
  if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return HandleKind::kPipe;
  return HandleKind::kUnknown;
}

bool LfEndsLinesByDefault() {
  return true;
}

void WriteStdErr(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(2, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

unsigned long LastErrorCode() {
  return WindowsErrorCode(errno);
}

std::string SystemErrorText(unsigned long code) {
  // A Windows code, as everywhere above the seam; shown as the text of the
  // errno it stands for. A code without one has no text, as on Windows.
  const int error_number = ErrnoOfWindowsCode(code);
  if (error_number < 0) return {};
  char buf[256];
  // The GNU strerror_r may return a static text instead of filling buf.
  const char* text = strerror_r(error_number, buf, sizeof buf);
  return text ? text : "";
}

std::string ToUserText(const std::string& sjis) {
  const char* codeset = nl_langinfo(CODESET);
  std::string target = codeset ? codeset : "";
  // A plain ASCII locale cannot show the Japanese texts: UTF-8 instead.
  if (target.empty() || target == "ANSI_X3.4-1968" || target == "ASCII") target = "UTF-8";
  if (target == "SHIFT_JIS" || target == "SJIS" || target == "CP932") return sjis;
  std::string out;
  if (Convert(target.c_str(), sjis, &out)) return out;
  if (target != "UTF-8" && Convert("UTF-8", sjis, &out)) return out;
  return sjis;
}

void ShowErrorBox(const std::string& caption, const std::string& text, bool unix_lines) {
  WriteStdErr(text + (unix_lines ? "\n" : "\r\n"));
  // A user who started the window reads the failure there too; a scripted
  // run is never held up by a box nobody will close.
  if (DesktopInteractive()) {
    if (TDesktop* desktop = OpenedDesktop()) desktop->ShowErrorBox(caption, text);
  }
}

std::string FullPathName(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char buf[4096];
  if (::getcwd(buf, sizeof buf) == nullptr) return path;
  std::string dir(buf);
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir + path;
}

bool IsOpenHandle(TOSHandle handle, unsigned long* code) {
  if (handle >= 0 && handle < 3 && g_closed_std[handle]) {
    *code = WindowsErrorCode(EBADF);
    return false;
  }
  if (::fcntl(static_cast<int>(handle), F_GETFD) != -1) return true;
  *code = WindowsErrorCode(errno);
  return false;
}

long ReadHandle(TOSHandle handle, void* buffer, long count) {
  for (;;) {
    const ssize_t n = ::read(static_cast<int>(handle), buffer, static_cast<size_t>(count));
    if (n >= 0) return static_cast<long>(n);
    if (errno != EINTR) return -1;
  }
}

bool UnreadHandle(TOSHandle handle, long count) {
  struct stat st;
  if (::fstat(static_cast<int>(handle), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  return ::lseek(static_cast<int>(handle), -static_cast<off_t>(count), SEEK_CUR) != -1;
}

}  // namespace tolvar::platform
