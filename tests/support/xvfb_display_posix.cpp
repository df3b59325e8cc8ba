#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "support/temp_path.h"
#include "support/xvfb_display.h"

extern char** environ;

namespace tolvar::testing {
namespace {

std::optional<std::string> TakeDisplay() {
  const char* d = std::getenv("DISPLAY");
  std::optional<std::string> old;
  if (d) old = d;
  unsetenv("DISPLAY");
  return old;
}

void RestoreDisplay(const std::optional<std::string>& old) {
  if (old)
    setenv("DISPLAY", old->c_str(), 1);
  else
    unsetenv("DISPLAY");
}

}  // namespace

TXvfbDisplay::TXvfbDisplay(int width, int height) : old_display_(TakeDisplay()) {
  int fds[2];
  if (pipe(fds) != 0) return;
  // Xvfb picks a free display number itself and writes it to the pipe once
  // clients can connect. -noreset: the root window's properties must outlive
  // the connection that set them.
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addclose(&fa, fds[0]);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  std::string args[] = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten",
                        "tcp",  "-noreset"};
  char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), args[4].data(),
                  args[5].data(), args[6].data(), args[7].data(), args[8].data(), nullptr};
  const int rc = posix_spawnp(&pid_, "Xvfb", &fa, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&fa);
  close(fds[1]);
  if (rc != 0) {
    pid_ = -1;
    close(fds[0]);
    return;
  }
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  while (poll(&p, 1, 10000) == 1) {
    char c;
    if (read(fds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  close(fds[0]);
  if (number.empty()) return;
  name_ = ":" + number;
  setenv("DISPLAY", name_.c_str(), 1);
}

TXvfbDisplay::~TXvfbDisplay() {
  for (pid_t pid : {manager_pid_, pid_}) {
    if (pid <= 0) continue;
    kill(pid, SIGTERM);
    int status;
    waitpid(pid, &status, 0);
  }
  RestoreDisplay(old_display_);
}

bool TXvfbDisplay::StartWindowManager() {
  if (!Ok() || manager_pid_ > 0) return false;
  // Without a configuration that places windows by their own request, twm
  // waits for a click to place each new one. Its default fonts are not
  // among the few a bare Xvfb has, and a missing one ends it: "fixed" is
  // built in, and the C locale asks for no other character set.
  const std::string rc = (RunTempDir() / ("twmrc" + name_.substr(1))).string();
  {
    std::ofstream out(rc);
    out << "RandomPlacement\nUsePPosition \"on\"\nNoGrabServer\n";
    for (const char* font : {"TitleFont", "ResizeFont", "MenuFont", "IconFont", "IconManagerFont"}) {
      out << font << " \"fixed\"\n";
    }
  }
  std::vector<std::string> env{"LC_ALL=C"};
  for (char** e = environ; *e; ++e) {
    if (std::string(*e).rfind("LC_ALL=", 0) != 0) env.emplace_back(*e);
  }
  std::vector<char*> c_env;
  for (std::string& e : env) c_env.push_back(e.data());
  c_env.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  std::string args[] = {"twm", "-display", name_, "-f", rc};
  char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), args[4].data(), nullptr};
  const int spawned = posix_spawnp(&manager_pid_, "twm", &fa, nullptr, argv, c_env.data());
  posix_spawn_file_actions_destroy(&fa);
  if (spawned != 0) {
    manager_pid_ = -1;
    return false;
  }
  Display* d = XOpenDisplay(name_.c_str());
  if (!d) return false;
  bool managed = false;
  for (int i = 0; i < 200 && !managed; ++i) {
    XWindowAttributes a{};
    managed = XGetWindowAttributes(d, DefaultRootWindow(d), &a) && (a.all_event_masks & SubstructureRedirectMask);
    if (!managed) usleep(50000);
  }
  XCloseDisplay(d);
  return managed;
}

void TXvfbDisplay::PublishWorkAreas(const std::vector<long>& areas, long current) const {
  Display* d = XOpenDisplay(name_.c_str());
  if (!d) return;
  const Window root = DefaultRootWindow(d);
  XChangeProperty(d, root, XInternAtom(d, "_NET_WORKAREA", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(areas.data()), static_cast<int>(areas.size()));
  XChangeProperty(d, root, XInternAtom(d, "_NET_CURRENT_DESKTOP", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&current), 1);
  XSync(d, False);
  XCloseDisplay(d);
}

TNoDisplay::TNoDisplay() : old_display_(TakeDisplay()) {}

TNoDisplay::~TNoDisplay() {
  RestoreDisplay(old_display_);
}

}  // namespace tolvar::testing
