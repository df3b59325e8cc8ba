// The real main window of the Linux tolvar, driven from outside as a user
// would: each case runs the program on an X server of its own (Xvfb, with
// twm as its window manager) against a scripted server, types and clicks
// with xdotool, closes the window as a window manager does
// (WM_DELETE_WINDOW), and reads what the window shows from the dump it
// writes on Ctrl+F12 while TOLVAR_WINDOW_DUMP names a file. The last cases
// show that a scripted run needs no desktop library at all.
#include <fcntl.h>
#include <iconv.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "client/options/user_section.h"
#include "client/support/rect.h"
#include "client/transfer/control_table.h"
#include "client/transfer/form_window.h"
#include "client/transfer/transfer_texts.h"
#include "platform/profile.h"
#include "support/scripted_server.h"
#include "support/wait_until.h"
#include "support/xvfb_display.h"

// Last: Xlib defines macros (None, Status, Bool) that other headers use as names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char** environ;

namespace tolvar::client {
namespace {

namespace fs = std::filesystem;
using tolvar::testing::kHeadEnd;
using tolvar::testing::kWaitMs;
using tolvar::testing::TScript;
using tolvar::testing::TScriptedServer;
using tolvar::testing::TXvfbDisplay;
using tolvar::testing::WaitUntil;

std::string Utf8(const std::string& cp932) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  std::string out(cp932.size() * 3 + 4, '\0');
  char* in = const_cast<char*>(cp932.data());
  std::size_t in_left = cp932.size();
  char* put = out.data();
  std::size_t put_left = out.size();
  iconv(cd, &in, &in_left, &put, &put_left);
  iconv_close(cd);
  out.resize(out.size() - put_left);
  return out;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path BinDir() {
  return fs::read_symlink("/proc/self/exe").parent_path();
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char c = s[++i];
      out.push_back(c == 'n' ? '\n' : c == 't' ? '\t' : c);
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

// One control as the window's dump shows it.
struct TShownControl {
  int id = 0;
  int kind = 0;
  int x = 0, y = 0, w = 0, h = 0;
  bool active = false;
  bool read_only = false;
  int label_width = 0;  // how wide the caption draws
  std::string caption, hint, text;
};

struct TDump {
  int client_w = 0, client_h = 0;
  std::string face;
  std::vector<TShownControl> controls;  // in the window's child (Tab) order
  const TShownControl* Find(TControlId id) const {
    for (const TShownControl& c : controls) {
      if (c.id == WidgetId(id)) return &c;
    }
    return nullptr;
  }
};

TDump ParseDump(const std::string& text) {
  TDump dump;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> f;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
      f.push_back(line.substr(start, tab - start));
    }
    f.push_back(line.substr(start));
    if (f[0] == "client" && f.size() >= 5) {
      dump.client_w = std::stoi(f[1]);
      dump.client_h = std::stoi(f[2]);
      dump.face = f[4];
      continue;
    }
    if (f.size() < 12) continue;
    TShownControl c;
    c.id = std::stoi(f[0]);
    c.kind = std::stoi(f[1]);
    c.x = std::stoi(f[2]);
    c.y = std::stoi(f[3]);
    c.w = std::stoi(f[4]);
    c.h = std::stoi(f[5]);
    c.active = f[6] == "1";
    c.read_only = f[7] == "1";
    c.label_width = std::stoi(f[8]);
    c.caption = Unescape(f[9]);
    c.hint = Unescape(f[10]);
    c.text = Unescape(f[11]);
    dump.controls.push_back(c);
  }
  return dump;
}

// A PNG of `window` as the X server has it (24-bit colour).
bool SavePng(Display* d, Window window, const std::string& path) {
  XWindowAttributes a{};
  if (!XGetWindowAttributes(d, window, &a)) return false;
  XImage* image =
      XGetImage(d, window, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
  if (image == nullptr) return false;
  std::string raw;
  for (int y = 0; y < a.height; ++y) {
    raw.push_back('\0');  // no filter
    for (int x = 0; x < a.width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      raw.push_back(static_cast<char>((p >> 16) & 0xFF));
      raw.push_back(static_cast<char>((p >> 8) & 0xFF));
      raw.push_back(static_cast<char>(p & 0xFF));
    }
  }
  XDestroyImage(image);
  uLongf packed_size = compressBound(raw.size());
  std::string packed(packed_size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packed_size, reinterpret_cast<const Bytef*>(raw.data()),
                raw.size(), 9) != Z_OK) {
    return false;
  }
  packed.resize(packed_size);
  auto be32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
  };
  auto chunk = [&](const char* type, const std::string& data) {
    const std::string body = type + data;
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
    return be32(static_cast<std::uint32_t>(data.size())) + body + be32(crc);
  };
  const std::string header = be32(static_cast<std::uint32_t>(a.width)) + be32(static_cast<std::uint32_t>(a.height)) +
                             std::string{8, 2, 0, 0, 0};  // 8-bit RGB
  std::ofstream out(path, std::ios::binary);
  out << "\x89PNG\r\n\x1a\n" << chunk("IHDR", header) << chunk("IDAT", packed) << chunk("IEND", "");
  return static_cast<bool>(out);
}

// A copy of tolvar running with a settings folder of its own on the
// current display.
class TolvarWindow {
 public:
  explicit TolvarWindow(const std::string& name) {
    dir_ = fs::temp_directory_path() / ("tolvar_window_linux_" + name + "_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "config");
    display_ = XOpenDisplay(nullptr);
  }
  ~TolvarWindow() {
    if (pid_ > 0) {
      if (ExitCode(0) == -1) ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (display_) XCloseDisplay(display_);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  std::string Path(const char* file) const { return (dir_ / file).string(); }
  std::string IniPath() const { return (dir_ / "config" / "tolvar.ini").string(); }
  Display* display() const { return display_; }
  Window Main() const { return main_; }

  // Starts the program; waits for its window unless `expect_window` is
  // false.
  void Start(const std::vector<std::string>& args, bool expect_window = true,
             const std::string& program = (BinDir() / "tolvar").string()) {
    if (expect_window) {
      ASSERT_NE(display_, nullptr);
    }
    Reap();
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      const std::string kv = *e;
      if (kv.rfind("XDG_CONFIG_HOME=", 0) == 0 || kv.rfind("TOLVAR_WINDOW_DUMP=", 0) == 0) continue;
      env.push_back(kv);
    }
    env.push_back("XDG_CONFIG_HOME=" + (dir_ / "config").string());
    env.push_back("TOLVAR_WINDOW_DUMP=" + Path("dump.txt"));
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> c_argv, c_env;
    for (std::string& a : argv) c_argv.push_back(a.data());
    c_argv.push_back(nullptr);
    for (std::string& e : env) c_env.push_back(e.data());
    c_env.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addchdir_np(&fa, dir_.c_str());
    posix_spawn_file_actions_addopen(&fa, 2, Path("stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_EQ(posix_spawn(&pid_, program.c_str(), &fa, nullptr, c_argv.data(), c_env.data()), 0);
    posix_spawn_file_actions_destroy(&fa);
    exit_code_ = -1;
    main_ = 0;
    if (!expect_window) return;
    ASSERT_TRUE(WaitUntil([this] { return (main_ = FindMain()) != 0; })) << "no window";
  }

  // The exit code once the process ended; -1 while it runs after
  // `timeout_ms`.
  int ExitCode(int timeout_ms = kWaitMs) {
    if (exit_code_ != -1 || pid_ <= 0) return exit_code_;
    WaitUntil(
        [this] {
          int status = 0;
          if (::waitpid(pid_, &status, WNOHANG) != pid_) return false;
          exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
          pid_ = -1;
          return true;
        },
        timeout_ms);
    return exit_code_;
  }

  std::string StdErr() const { return ReadFile(Path("stderr.txt")); }

  // The viewable window titled "Quillon"; 0 when there is none.
  Window FindMain() const { return FindNamed(true); }

  // The window titled "Quillon" at any depth (a window manager frames it),
  // viewable or not (an iconic one is unmapped); 0 when there is none.
  Window FindNamed(bool viewable) const { return FindBelow(DefaultRootWindow(display_), viewable); }

  // Whether another client holds the keyboard, as a menu that is open does.
  bool KeyboardGrabbed() const {
    const int r =
        XGrabKeyboard(display_, DefaultRootWindow(display_), False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (r == GrabSuccess) XUngrabKeyboard(display_, CurrentTime);
    XSync(display_, False);
    return r == AlreadyGrabbed;
  }

  // The window manager's state of `window`: NormalState, IconicState, or
  // WithdrawnState when it has none.
  long WmState(Window window) const {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long state = WithdrawnState;
    const Atom wm_state = XInternAtom(display_, "WM_STATE", False);
    if (XGetWindowProperty(display_, window, wm_state, 0, 2, False, wm_state, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr) {
      if (format == 32 && count >= 1) state = reinterpret_cast<long*>(data)[0];
      XFree(data);
    }
    return state;
  }

  void Xdotool(const std::string& args) const {
    const std::string command = "xdotool " + args + " >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
  }

  // What the window shows now.
  TDump Dump() {
    fs::remove(Path("dump.txt"));
    Xdotool("windowfocus --sync " + std::to_string(main_) + " key ctrl+F12");
    EXPECT_TRUE(WaitUntil([this] { return fs::exists(Path("dump.txt")); }, 5000)) << "no dump";
    return ParseDump(ReadFile(Path("dump.txt")));
  }

  std::string Log() {
    const TDump dump = Dump();
    const TShownControl* log = dump.Find(TControlId::ciRichEditStatus);
    return log ? log->text : std::string();
  }
  bool LogHas(const std::string& utf8) { return Log().find(utf8) != std::string::npos; }
  bool LogEndsWith(const std::string& line) {
    std::string log = Log();
    while (!log.empty() && log.back() == '\n') log.pop_back();
    return log.size() >= line.size() && log.compare(log.size() - line.size(), line.size(), line) == 0;
  }

  // A click into the middle of a control.
  void Click(TControlId id) {
    const TShownControl* c = Dump().Find(id);
    ASSERT_NE(c, nullptr) << ControlRow(id).Name;
    Xdotool("mousemove --sync --window " + std::to_string(main_) + " " + std::to_string(c->x + c->w / 2) + " " +
            std::to_string(c->y + c->h / 2) + " click 1");
  }

  // The window manager's close: WM_DELETE_WINDOW to the window.
  void RequestClose() {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = main_;
    e.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, main_, False, NoEventMask, &e);
    XFlush(display_);
  }

 private:
  Window FindBelow(Window parent, bool viewable) const {
    Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(display_, parent, &root, &up, &children, &count)) return 0;
    for (unsigned i = 0; i < count && found == 0; ++i) {
      char* name = nullptr;
      XWindowAttributes a{};
      if (XFetchName(display_, children[i], &name) && name != nullptr) {
        if (std::string(name) == "Quillon" && XGetWindowAttributes(display_, children[i], &a) &&
            (!viewable || a.map_state == IsViewable)) {
          found = children[i];
        }
        XFree(name);
      }
      if (found == 0) found = FindBelow(children[i], viewable);
    }
    if (children) XFree(children);
    return found;
  }

  void Reap() {
    if (pid_ > 0) ExitCode();
  }

  fs::path dir_;
  Display* display_ = nullptr;
  pid_t pid_ = -1;
  int exit_code_ = -1;
  Window main_ = 0;
};

std::string Url(const TScriptedServer& server) {
  return "http://127.0.0.1:" + std::to_string(server.Port()) + "/page";
}

// A server that answers the head and then sends nothing more.
TScriptedServer StalledServer() {
  return TScriptedServer(
      {TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nabc").Silent(),
       TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nabc").Silent()});
}

// Each case has an X server of its own with a small window manager on it,
// as a desktop would.
#define TOLVAR_NEED_DISPLAY(x)                                                                       \
  TXvfbDisplay x(1024, 768);                                                                         \
  if (!x.Ok()) GTEST_SKIP() << "Xvfb could not be started";                                          \
  if (std::system("command -v xdotool >/dev/null") != 0) GTEST_SKIP() << "xdotool is not installed"; \
  if (std::system("command -v twm >/dev/null") != 0) GTEST_SKIP() << "twm is not installed";         \
  ASSERT_TRUE(x.StartWindowManager()) << "twm did not take over the display"

// Each control where the table puts it, with the table's caption and hint,
// in the table's Tab order, then again after a resize; Abort when idle
// closes the window, and the ini holds what it showed and its rectangle.
TEST(LinuxMainWindowTest, ControlsFollowTheTableAndAbortWhenIdleSavesTheWindow) {
  TOLVAR_NEED_DISPLAY(x);
  TolvarWindow tolvar("table");
  ASSERT_NO_FATAL_FAILURE(tolvar.Start({"-u", "http://127.0.0.1:9/idle"}));

  auto check_layout = [&](const TDump& dump, const char* when) {
    for (const TControlRow& row : ControlTable()) {
      if (row.Kind == TControlKind::ckPanel || row.Kind == TControlKind::ckStrip) continue;
      const TShownControl* c = dump.Find(row.Id);
      ASSERT_NE(c, nullptr) << row.Name;
      const TDesignRect want = PlaceControl(row, dump.client_w, dump.client_h);
      EXPECT_EQ(c->x, want.Left) << row.Name << " " << when;
      EXPECT_EQ(c->y, want.Top) << row.Name << " " << when;
      if (row.Kind != TControlKind::ckLabel) {
        EXPECT_EQ(c->w, want.Width) << row.Name << " " << when;
        EXPECT_EQ(c->h, want.Height) << row.Name << " " << when;
      }
    }
  };
  const TDump start = tolvar.Dump();
  EXPECT_EQ(start.client_w, FormDesign().Width);
  EXPECT_EQ(start.client_h, FormDesign().Height);
  EXPECT_FALSE(start.face.empty()) << "no Japanese face installed";
  check_layout(start, "at start");
  if (const char* shot = std::getenv("TOLVAR_WINDOW_SHOT")) {
    EXPECT_TRUE(SavePng(tolvar.display(), tolvar.Main(), shot)) << shot;
  }

  using platform::TWidgetKind;
  const std::map<TControlKind, TWidgetKind> kinds = {
      {TControlKind::ckLabel, TWidgetKind::wkLabel},           {TControlKind::ckEdit, TWidgetKind::wkEdit},
      {TControlKind::ckButton, TWidgetKind::wkButton},         {TControlKind::ckCheckBox, TWidgetKind::wkCheckBox},
      {TControlKind::ckRadioGroup, TWidgetKind::wkRadioGroup}, {TControlKind::ckRichEdit, TWidgetKind::wkLog}};
  for (const TControlRow& row : ControlTable()) {
    const TShownControl* c = start.Find(row.Id);
    if (c == nullptr) continue;
    TWidgetKind want = TWidgetKind::wkPanel;
    if (row.Kind == TControlKind::ckMaskEdit) {
      want = row.PasswordChar ? TWidgetKind::wkPassword : TWidgetKind::wkDigits;
    } else if (kinds.count(row.Kind)) {
      want = kinds.at(row.Kind);
    }
    EXPECT_EQ(c->kind, static_cast<int>(want)) << row.Name;
    EXPECT_EQ(c->hint, Utf8(row.Hint)) << row.Name;
    if (row.Kind == TControlKind::ckButton || row.Kind == TControlKind::ckCheckBox ||
        row.Kind == TControlKind::ckLabel || row.Kind == TControlKind::ckRadioGroup) {
      EXPECT_EQ(c->caption, Utf8(row.Caption)) << row.Name;
    }
    // Every caption fits its control; the default button's "ダウンロード"
    // is the tightest.
    if (row.Kind == TControlKind::ckButton) {
      EXPECT_LE(c->label_width + 8, c->w) << row.Name;
    }
  }
  // Tab order: the controls that take the focus, in the window's order.
  std::vector<int> tab_ids;
  for (const TShownControl& c : start.controls) {
    if (c.kind != static_cast<int>(TWidgetKind::wkPanel) && c.kind != static_cast<int>(TWidgetKind::wkLabel) &&
        c.kind != static_cast<int>(TWidgetKind::wkLog)) {
      tab_ids.push_back(c.id);
    }
  }
  std::vector<int> want_tabs;
  for (int tab = 0;; ++tab) {
    const std::size_t before = want_tabs.size();
    for (const TControlRow& row : ControlTable()) {
      if (row.TabOrder == tab) want_tabs.push_back(WidgetId(row.Id));
    }
    if (want_tabs.size() == before) break;
  }
  EXPECT_EQ(tab_ids, want_tabs);
  EXPECT_EQ(start.Find(TControlId::ciRadioGroupMethod)->text, "*GET;POST;PUT;");
  EXPECT_EQ(start.Find(TControlId::ciEditUrl)->text, "http://127.0.0.1:9/idle");

  // Wider and taller, and somewhere else: the anchors hold.
  const int left = 30, top = 20, width = FormDesign().Width + 100, height = FormDesign().Height + 20;
  XMoveResizeWindow(tolvar.display(), tolvar.Main(), left, top, static_cast<unsigned>(width),
                    static_cast<unsigned>(height));
  XSync(tolvar.display(), False);
  TDump resized;
  ASSERT_TRUE(WaitUntil([&] { return (resized = tolvar.Dump()).client_w == width; }));
  check_layout(resized, "after a resize");

  // Typed into the referer box: the keyboard reaches the setting.
  tolvar.Click(TControlId::ciEditReferer);
  tolvar.Xdotool("type --delay 10 http://referer.test/");
  ASSERT_TRUE(WaitUntil([&] { return tolvar.Dump().Find(TControlId::ciEditReferer)->text == "http://referer.test/"; }));
  // Digits only in a masked box.
  tolvar.Click(TControlId::ciMaskEditRetrys);
  tolvar.Xdotool("key --delay 10 End BackSpace BackSpace BackSpace x 7 y");
  EXPECT_TRUE(WaitUntil([&] { return tolvar.Dump().Find(TControlId::ciMaskEditRetrys)->text == "7"; }))
      << tolvar.Dump().Find(TControlId::ciMaskEditRetrys)->text;

  tolvar.Click(TControlId::ciButtonAbort);
  ASSERT_EQ(tolvar.ExitCode(), 0) << tolvar.StdErr();
  const std::string section = "User." + GetUserSectionName();
  TRect saved;
  TextToPosition(platform::ReadIniValue(tolvar.IniPath(), section, "PositionMain", ""), saved);
  EXPECT_EQ(saved, (TRect{left, top, left + width - 1, top + height - 1}));
  const std::string command_line = platform::ReadIniValue(tolvar.IniPath(), section, "CommandLine", "");
  EXPECT_NE(command_line.find("http://referer.test/"), std::string::npos) << command_line;
  EXPECT_NE(command_line.find("http://127.0.0.1:9/idle"), std::string::npos) << command_line;

  // The next start comes back where the window was, with what it held.
  ASSERT_NO_FATAL_FAILURE(tolvar.Start({}));
  const TDump again = tolvar.Dump();
  EXPECT_EQ(again.client_w, width);
  EXPECT_EQ(again.client_h, height);
  EXPECT_EQ(again.Find(TControlId::ciEditReferer)->text, "http://referer.test/");
  tolvar.RequestClose();
  EXPECT_EQ(tolvar.ExitCode(), 0);
}

// The log's context menu, opened by a right click and driven by its access
// keys: select all and cut empty the log, paste brings the text back, select
// all and delete empty it for good.
TEST(LinuxMainWindowTest, StatusMenuCutsPastesAndDeletes) {
  TOLVAR_NEED_DISPLAY(x);
  TolvarWindow tolvar("menu");
  ASSERT_NO_FATAL_FAILURE(tolvar.Start({"-0"}));
  tolvar.Click(TControlId::ciRichEditStatus);
  tolvar.Xdotool("type --delay 10 'a note'");
  ASSERT_TRUE(WaitUntil([&] { return tolvar.Log() == "a note"; })) << tolvar.Log();
  int clicks = 0;
  auto choose = [&](const char* key) {
    const TShownControl* log = tolvar.Dump().Find(TControlId::ciRichEditStatus);
    ASSERT_NE(log, nullptr);
    // Somewhere else each time: a synchronous move to where the pointer
    // already is waits for a motion that never comes.
    const int offset = 10 + 5 * (clicks++ % 2);
    tolvar.Xdotool("mousemove --sync --window " + std::to_string(tolvar.Main()) + " " +
                   std::to_string(log->x + offset) + " " + std::to_string(log->y + offset) + " click 3");
    // An open menu holds the keyboard: the key goes to it, not to the log.
    ASSERT_TRUE(WaitUntil([&] { return tolvar.KeyboardGrabbed(); })) << "no menu";
    tolvar.Xdotool("key " + std::string(key));
    ASSERT_TRUE(WaitUntil([&] { return !tolvar.KeyboardGrabbed(); })) << "the menu stays open";
  };
  const std::vector<std::pair<std::vector<const char*>, std::string>> steps = {
      {{"a", "x"}, ""},   // select all, cut
      {{"v"}, "a note"},  // paste
      {{"a", "d"}, ""},   // select all, delete
  };
  for (const auto& [keys, want] : steps) {
    for (const char* key : keys) ASSERT_NO_FATAL_FAILURE(choose(key));
    EXPECT_TRUE(WaitUntil([&] { return tolvar.Log() == want; })) << keys.back() << ": " << tolvar.Log();
  }
  tolvar.RequestClose();
  EXPECT_EQ(tolvar.ExitCode(), 0);
}

// Enter presses the default button: the download runs and the log, scrolled
// to its end, ends with the exit code.
TEST(LinuxMainWindowTest, EnterRunsTheDownload) {
  TOLVAR_NEED_DISPLAY(x);
  TScriptedServer server(
      {TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody").Close()});
  TolvarWindow tolvar("enter");
  ASSERT_NO_FATAL_FAILURE(tolvar.Start({"-u", Url(server), "-b", "body.bin", "-h", "header.txt"}));
  tolvar.Click(TControlId::ciEditUrl);
  tolvar.Xdotool("key Return");
  ASSERT_TRUE(WaitUntil([&] { return tolvar.LogEndsWith("ExitCode=0"); })) << tolvar.Log();
  EXPECT_EQ(ReadFile(tolvar.Path("body.bin")), "body");
  tolvar.RequestClose();
  EXPECT_EQ(tolvar.ExitCode(), 0);
}

// During a slow transfer the settings are locked in the button-face colour;
// Abort ends the run with exit code 3 and no retry.
TEST(LinuxMainWindowTest, AbortDuringATransferEndsTheRunWithoutRetry) {
  TOLVAR_NEED_DISPLAY(x);
  TScriptedServer server = StalledServer();
  TolvarWindow tolvar("abort");
  ASSERT_NO_FATAL_FAILURE(
      tolvar.Start({"-0", "-a", "1", "-i", "1", "-t", "60", "-u", Url(server), "-b", "body.bin", "-h", "header.txt"}));
  tolvar.Click(TControlId::ciButtonConnect);
  ASSERT_TRUE(WaitUntil([&] { return tolvar.LogHas(Utf8(texts::kConnected)); })) << tolvar.Log();
  const TDump locked = tolvar.Dump();
  for (TControlId id : {TControlId::ciEditUrl, TControlId::ciEditReferer, TControlId::ciMaskEditRetrys,
                        TControlId::ciMaskEditPassWord, TControlId::ciEditBody}) {
    EXPECT_TRUE(locked.Find(id)->read_only) << ControlRow(id).Name;
  }
  for (TControlId id : {TControlId::ciButtonConnect, TControlId::ciRadioGroupMethod, TControlId::ciButtonSaveAsBody,
                        TControlId::ciCheckBoxPostPutAsFileName}) {
    EXPECT_FALSE(locked.Find(id)->active) << ControlRow(id).Name;
  }
  EXPECT_TRUE(locked.Find(TControlId::ciButtonAbort)->active);
  tolvar.Click(TControlId::ciButtonAbort);
  ASSERT_TRUE(WaitUntil([&] { return tolvar.LogEndsWith("ExitCode=3"); })) << tolvar.Log();
  EXPECT_TRUE(tolvar.LogHas(Utf8(texts::kAborting)));
  EXPECT_FALSE(tolvar.Dump().Find(TControlId::ciEditUrl)->read_only);
  // The retry interval has passed and no second connection came.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(server.Accepted(), 1u);
  tolvar.RequestClose();
  EXPECT_EQ(tolvar.ExitCode(), 3);
}

// Closing the window while the transfer runs ends the process with 3.
TEST(LinuxMainWindowTest, ClosingDuringATransferEndsWithThree) {
  TOLVAR_NEED_DISPLAY(x);
  TScriptedServer server = StalledServer();
  TolvarWindow tolvar("close");
  ASSERT_NO_FATAL_FAILURE(tolvar.Start({"-0", "-u", Url(server), "-b", "body.bin", "-h", "header.txt"}));
  tolvar.Click(TControlId::ciButtonConnect);
  ASSERT_TRUE(WaitUntil([&] { return tolvar.LogHas(Utf8(texts::kConnected)); })) << tolvar.Log();
  tolvar.RequestClose();
  EXPECT_EQ(tolvar.ExitCode(), 3);
}

// A scripted run on a desktop shows its window minimised (under a window
// manager: iconic, never on the screen) and closes it by itself once the
// run has ended.
TEST(LinuxMainWindowTest, QuietRunStartsMinimisedAndClosesByItself) {
  TOLVAR_NEED_DISPLAY(x);
  // The body ends when the server closes, which it does only once the
  // window has been seen.
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\n\r\nok").Silent()});
  TolvarWindow tolvar("quiet");
  ASSERT_NO_FATAL_FAILURE(tolvar.Start({"-q", "-u", Url(server), "-b", "body.bin", "-h", "header.txt"}, false));
  Window window = 0;
  ASSERT_TRUE(WaitUntil([&] {
    return (window = tolvar.FindNamed(false)) != 0 && tolvar.WmState(window) == IconicState;
  })) << tolvar.StdErr();
  EXPECT_EQ(tolvar.FindMain(), 0u) << "the minimised window is on the screen";
  ASSERT_TRUE(WaitUntil([&] { return ReadFile(tolvar.Path("body.bin")) == "ok"; }));
  server.Stop();
  EXPECT_EQ(tolvar.ExitCode(), 0) << tolvar.StdErr();
  EXPECT_EQ(ReadFile(tolvar.Path("body.bin")), "ok");
}

std::string CommandOutput(const std::string& command) {
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
  ::pclose(p);
  return out;
}

// The program itself needs no desktop library: the loader lists none for
// it, and a copy without the desktop module beside it still fetches under
// -q, while a run that wants the window ends with 5 and says what is
// missing.
TEST(DesktopModuleTest, ScriptedRunNeedsNoDesktopLibrary) {
  const std::string program = (BinDir() / "tolvar").string();
  const std::string needed = CommandOutput("readelf -d '" + program + "'");
  ASSERT_NE(needed.find("NEEDED"), std::string::npos) << needed;
  for (const char* library : {"libX11", "libfltk", "libXft", "libfontconfig", "libxcb"}) {
    EXPECT_EQ(needed.find(library), std::string::npos) << library;
  }
  const std::string module = CommandOutput("readelf -d '" + (BinDir() / "tolvar-desktop.so").string() + "'");
  EXPECT_NE(module.find("libfltk"), std::string::npos) << module;

  TXvfbDisplay x(640, 480);
  if (!x.Ok()) GTEST_SKIP() << "Xvfb could not be started";
  TScriptedServer server(
      {TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok").Close(),
       TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok").Close()});
  TolvarWindow tolvar("nomodule");
  // A copy of the program alone in a folder: the module is out of reach.
  const std::string alone = tolvar.Path("tolvar");
  fs::copy_file(program, alone);
  ASSERT_NO_FATAL_FAILURE(tolvar.Start({"-q", "-u", Url(server), "-b", "body.bin", "-h", "header.txt"}, false, alone));
  EXPECT_EQ(tolvar.ExitCode(), 0) << tolvar.StdErr();
  EXPECT_EQ(ReadFile(tolvar.Path("body.bin")), "ok");
  ASSERT_NO_FATAL_FAILURE(tolvar.Start({"-u", "http://127.0.0.1:9/"}, false, alone));
  EXPECT_EQ(tolvar.ExitCode(), 5);
  EXPECT_NE(tolvar.StdErr().find("tolvar-desktop.so"), std::string::npos) << tolvar.StdErr();
  // A run that never started saves nothing.
  EXPECT_EQ(platform::ReadIniValue(tolvar.IniPath(), "User." + GetUserSectionName(), "PositionMain", ""), "");
}

// Without a display a run that wants the window ends with 5 and names
// what is missing; a scripted run does not care.
TEST(DesktopModuleTest, NoDisplayIsNamed) {
  tolvar::testing::TNoDisplay none;
  TScriptedServer server(
      {TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok").Close()});
  TolvarWindow tolvar("nodisplay");
  ASSERT_NO_FATAL_FAILURE(tolvar.Start({"-u", "http://127.0.0.1:9/"}, false));
  EXPECT_EQ(tolvar.ExitCode(), 5);
  EXPECT_NE(tolvar.StdErr().find("DISPLAY"), std::string::npos) << tolvar.StdErr();
  ASSERT_NO_FATAL_FAILURE(tolvar.Start({"-q", "-u", Url(server), "-b", "body.bin", "-h", "header.txt"}, false));
  EXPECT_EQ(tolvar.ExitCode(), 0) << tolvar.StdErr();
  EXPECT_EQ(ReadFile(tolvar.Path("body.bin")), "ok");
}

}  // namespace
}  // namespace tolvar::client
