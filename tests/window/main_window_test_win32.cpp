// The real main window of tolvar.exe, driven from outside as a user would:
// a copy of the program runs in a folder of its own (its ini file lands
// there) against a scripted server, and this program finds its window and
// controls and sends them messages. Needs a display (Xvfb under Wine).
#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "client/options/user_section.h"
#include "client/support/rect.h"
#include "client/transfer/control_table.h"
#include "client/transfer/form_window.h"
#include "client/transfer/transfer_texts.h"
#include "support/file_bytes.h"
#include "support/scripted_server.h"
#include "support/temp_path.h"
#include "support/wait_until.h"

namespace tolvar::client {
namespace main_window_test_win32 {

using tolvar::testing::kHeadEnd;
using tolvar::testing::kWaitMs;
using tolvar::testing::TScript;
using tolvar::testing::TScriptedServer;
using tolvar::testing::WaitUntil;

std::wstring FromCodePage(const std::string& text, UINT code_page) {
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

std::wstring Sjis(const std::string& text) {
  return FromCodePage(text, 932);
}

// Text of a control of another process: WM_GETTEXT is carried across.
std::wstring TextOf(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return std::wstring();
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                      &got);
  text.resize(got);
  return text;
}

std::vector<std::wstring> LinesOf(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::wstring line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' || text[i] == L'\n') {
      if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      lines.push_back(line);
      line.clear();
    } else {
      line += text[i];
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

RECT ClientRectOf(HWND main, HWND child) {
  RECT rc{};
  GetWindowRect(child, &rc);
  MapWindowPoints(HWND_DESKTOP, main, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

// A copy of tolvar.exe in a folder of its own, started with `args`.
class TolvarWindow {
 public:
  explicit TolvarWindow(const std::string& name) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    dir_ = tolvar::testing::RunTempDir() / ("tolvar_window_" + name);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    exe_ = dir_ / "tolvar.exe";
    std::filesystem::copy_file(std::filesystem::path(self).parent_path() / "tolvar.exe", exe_);
  }
  ~TolvarWindow() {
    if (pi_.hProcess) {
      if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 99);
      WaitForSingleObject(pi_.hProcess, 5000);
      CloseHandle(pi_.hProcess);
      CloseHandle(pi_.hThread);
    }
  }

  std::string Path(const char* file) const { return (dir_ / file).string(); }

  // Starts the program and waits for its main window.
  void Start(const std::string& args) {
    if (pi_.hProcess) {
      CloseHandle(pi_.hProcess);
      CloseHandle(pi_.hThread);
      pi_ = PROCESS_INFORMATION{};
    }
    std::wstring line = L"\"" + exe_.wstring() + L"\" " + FromCodePage(args, CP_ACP);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    ASSERT_TRUE(
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir_.wstring().c_str(), &si, &pi_));
    ASSERT_TRUE(WaitUntil([this] { return (main_ = FindMain()) != nullptr; })) << "no window";
  }

  HWND Main() const { return main_; }
  DWORD ProcessId() const { return pi_.dwProcessId; }
  HWND Control(TControlId id) const { return GetDlgItem(main_, WidgetId(id)); }
  std::vector<std::wstring> Log() const { return LinesOf(TextOf(Control(TControlId::ciRichEditStatus))); }
  bool LogHas(const std::wstring& line) const {
    for (const std::wstring& l : Log()) {
      if (l == line) return true;
    }
    return false;
  }
  bool LogEndsWith(const std::wstring& line) const {
    const std::vector<std::wstring> log = Log();
    return !log.empty() && log.back() == line;
  }
  void Click(TControlId id) const {
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(WidgetId(id), BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
  }
  bool ReadOnly(TControlId id) const { return (GetWindowLongPtrW(Control(id), GWL_STYLE) & ES_READONLY) != 0; }

  // The exit code once the process has ended; -1 when it did not end.
  long ExitCode(int timeout_ms = kWaitMs) const {
    if (WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(timeout_ms)) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return static_cast<long>(code);
  }

 private:
  HWND FindMain() const {
    struct Search {
      DWORD pid;
      HWND found;
    } search{pi_.dwProcessId, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
          auto* s = reinterpret_cast<Search*>(lp);
          DWORD pid = 0;
          GetWindowThreadProcessId(hwnd, &pid);
          wchar_t cls[64] = {};
          GetClassNameW(hwnd, cls, 64);
          if (pid == s->pid && std::wstring(cls) == L"TolvarMainWindow") {
            s->found = hwnd;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    // Ready once shown: the controls are made and the creation step (the
    // saved rectangle, the settings) has run.
    if (search.found && !IsWindowVisible(search.found)) return nullptr;
    return search.found;
  }

  std::filesystem::path dir_;
  std::filesystem::path exe_;
  PROCESS_INFORMATION pi_{};
  HWND main_ = nullptr;
};

// Saves what the screen shows of `window`, frame included, as a 24-bit
// BMP file. False when the screen could not be read.
bool SaveScreenshot(HWND window, const std::string& path) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  RECT r{};
  GetWindowRect(window, &r);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;  // bottom-up, as a BMP file stores it
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = bmp != nullptr;
  if (ok) {
    HGDIOBJ old = SelectObject(mem, bmp);
    ok = BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY) != 0;
    GdiFlush();
    SelectObject(mem, old);
  }
  if (ok) {
    const DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;  // "BM"
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + stride * static_cast<DWORD>(h);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride) * h);
    ok = static_cast<bool>(out);
  }
  if (bmp) DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return ok;
}

// The colour the screen shows inside an edit box, near its right end
// where no text is.
COLORREF FillOf(HWND edit) {
  RECT r{};
  GetWindowRect(edit, &r);
  HDC screen = GetDC(nullptr);
  const COLORREF c = GetPixel(screen, r.right - 6, (r.top + r.bottom) / 2);
  ReleaseDC(nullptr, screen);
  return c;
}

std::string Url(const TScriptedServer& server) {
  return "http://127.0.0.1:" + std::to_string(server.Port()) + "/page";
}

using tolvar::testing::ReadFileBytes;

// Each control where the table puts it, of the kind and with the caption
// the table gives, then again after a resize; Abort when idle then closes
// the window, and the ini holds the window's rectangle and settings.
TEST(MainWindowTest, ControlsFollowTheTableAndAbortWhenIdleSavesTheWindow) {
  TolvarWindow tolvar("table");
  ASSERT_NO_FATAL_FAILURE(tolvar.Start("-u http://127.0.0.1:9/idle"));
  HWND main = tolvar.Main();
  EXPECT_EQ(TextOf(main), L"Quillon");
  RECT outer{};
  GetWindowRect(main, &outer);
  EXPECT_EQ(outer.right - outer.left, FormDesign().Width);
  EXPECT_EQ(outer.bottom - outer.top, FormDesign().Height);

  auto check_layout = [&](const char* when) {
    RECT client{};
    GetClientRect(main, &client);
    for (const TControlRow& row : ControlTable()) {
      if (row.Kind == TControlKind::ckPanel || row.Kind == TControlKind::ckStrip) continue;
      HWND control = tolvar.Control(row.Id);
      ASSERT_NE(control, nullptr) << row.Name;
      const TDesignRect want = PlaceControl(row, client.right, client.bottom);
      const RECT got = ClientRectOf(main, control);
      EXPECT_EQ(got.left, want.Left) << row.Name << " " << when;
      EXPECT_EQ(got.top, want.Top) << row.Name << " " << when;
      if (row.Kind != TControlKind::ckLabel) {
        EXPECT_EQ(got.right - got.left, want.Width) << row.Name << " " << when;
        EXPECT_EQ(got.bottom - got.top, want.Height) << row.Name << " " << when;
      }
    }
  };
  check_layout("at start");
  // The idle window as the user first sees it, kept by the test run.
  if (const char* shot = std::getenv("TOLVAR_WINDOW_SHOT")) {
    EXPECT_TRUE(SaveScreenshot(main, shot)) << shot;
  }

  struct Kind {
    TControlKind kind;
    const wchar_t* cls;
  };
  const Kind kinds[] = {{TControlKind::ckLabel, L"Static"},        {TControlKind::ckEdit, L"Edit"},
                        {TControlKind::ckMaskEdit, L"Edit"},       {TControlKind::ckButton, L"Button"},
                        {TControlKind::ckCheckBox, L"Button"},     {TControlKind::ckRadioGroup, L"Button"},
                        {TControlKind::ckRichEdit, L"RichEdit20W"}};
  for (const TControlRow& row : ControlTable()) {
    HWND control = tolvar.Control(row.Id);
    if (control == nullptr) continue;
    for (const Kind& k : kinds) {
      if (k.kind != row.Kind) continue;
      EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), k.cls), 0) << row.Name;
    }
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    if (row.Kind != TControlKind::ckEdit && row.Kind != TControlKind::ckMaskEdit &&
        row.Kind != TControlKind::ckRichEdit) {
      EXPECT_EQ(TextOf(control), Sjis(row.Caption)) << row.Name;
    }
    if (row.Kind == TControlKind::ckMaskEdit) {
      EXPECT_EQ((style & ES_PASSWORD) != 0, row.PasswordChar) << row.Name;
      EXPECT_EQ((style & ES_NUMBER) != 0, row.MaskWidth > 0) << row.Name;
      if (row.MaskWidth > 0) {
        EXPECT_EQ(SendMessageW(control, EM_GETLIMITTEXT, 0, 0), row.MaskWidth) << row.Name;
      } else {
        EXPECT_EQ(SendMessageW(control, EM_GETPASSWORDCHAR, 0, 0), L'*') << row.Name;
      }
    }
    if (row.Kind == TControlKind::ckButton) {
      EXPECT_EQ((style & 0x0F) == BS_DEFPUSHBUTTON, row.Default) << row.Name;
    }
    if (row.Kind == TControlKind::ckRichEdit) {
      EXPECT_NE(style & WS_VSCROLL, 0) << row.Name;
      EXPECT_NE(style & WS_HSCROLL, 0) << row.Name;
      EXPECT_NE(style & ES_DISABLENOSCROLL, 0) << row.Name;
    }
  }
  // Tab order: the tab stops in window order, a radio item standing for
  // its group.
  std::vector<int> tab_ids;
  for (HWND c = GetWindow(main, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    if ((GetWindowLongPtrW(c, GWL_STYLE) & WS_TABSTOP) == 0) continue;
    const int id = GetDlgCtrlID(c);
    tab_ids.push_back(id >= 0x1000 ? (id - 0x1000) / 16 : id);
  }
  std::vector<int> want_tabs(19, 0);
  for (const TControlRow& row : ControlTable()) {
    if (row.TabOrder >= 0) want_tabs[row.TabOrder] = WidgetId(row.Id);
  }
  EXPECT_EQ(tab_ids, want_tabs);
  // Radio items, the method of the command line selected.
  std::vector<std::wstring> items;
  for (HWND c = GetWindow(main, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(c) >= 0x1000) items.push_back(TextOf(c));
  }
  EXPECT_EQ(items, (std::vector<std::wstring>{L"GET", L"POST", L"PUT"}));

  // Wider and taller, and somewhere else: the anchors hold. Within the
  // 640 x 480 screen that xvfb-run gives by default.
  const int left = 30, top = 2, width = FormDesign().Width + 100, height = FormDesign().Height + 20;
  ASSERT_TRUE(SetWindowPos(main, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE));
  ASSERT_TRUE(WaitUntil([&] {
    return ClientRectOf(main, tolvar.Control(TControlId::ciButtonAbort)).left ==
           ControlRow(TControlId::ciButtonAbort).Rect.Left + 100;
  }));
  check_layout("after a resize");

  SendMessageTimeoutW(tolvar.Control(TControlId::ciEditReferer), WM_SETTEXT, 0,
                      reinterpret_cast<LPARAM>(L"http://referer.test/"), SMTO_ABORTIFHUNG, 5000, nullptr);
  tolvar.Click(TControlId::ciButtonAbort);
  ASSERT_EQ(tolvar.ExitCode(), 0);
  const std::string ini = tolvar.Path("tolvar.ini");
  char value[2048] = {};
  const std::string section = "User." + GetUserSectionName();
  GetPrivateProfileStringA(section.c_str(), "PositionMain", "", value, sizeof value, ini.c_str());
  TRect saved;
  TextToPosition(value, saved);
  EXPECT_EQ(saved, (TRect{left, top, left + width - 1, top + height - 1})) << value;
  GetPrivateProfileStringA(section.c_str(), "CommandLine", "", value, sizeof value, ini.c_str());
  EXPECT_NE(std::string(value).find("http://referer.test/"), std::string::npos) << value;
  EXPECT_NE(std::string(value).find("http://127.0.0.1:9/idle"), std::string::npos) << value;

  // The next start comes back where the window was, with what it held.
  ASSERT_NO_FATAL_FAILURE(tolvar.Start(""));
  RECT again{};
  GetWindowRect(tolvar.Main(), &again);
  EXPECT_EQ(again.left, left);
  EXPECT_EQ(again.top, top);
  EXPECT_EQ(again.right - again.left, width);
  EXPECT_EQ(again.bottom - again.top, height);
  EXPECT_EQ(TextOf(tolvar.Control(TControlId::ciEditReferer)), L"http://referer.test/");
  PostMessageW(tolvar.Main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(tolvar.ExitCode(), 0);
}

// Every hint is a tooltip of the window: one tool per control with a hint
// (the radio group's items carry its hint too), and the settings panel's.
TEST(MainWindowTest, HintsAreTooltips) {
  TolvarWindow tolvar("hints");
  ASSERT_NO_FATAL_FAILURE(tolvar.Start("-0"));
  std::size_t want = 0;
  for (const TControlRow& row : ControlTable()) {
    if (std::string(row.Hint).empty()) continue;
    want += row.Kind == TControlKind::ckRadioGroup ? 1 + MethodItems().size() : 1;
  }
  std::pair<DWORD, std::size_t> search{tolvar.ProcessId(), 0};
  EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<std::pair<DWORD, std::size_t>*>(lp);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        wchar_t cls[64] = {};
        GetClassNameW(hwnd, cls, 64);
        if (pid == s->first && _wcsicmp(cls, TOOLTIPS_CLASSW) == 0) {
          s->second += static_cast<std::size_t>(SendMessageW(hwnd, TTM_GETTOOLCOUNT, 0, 0));
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  EXPECT_EQ(search.second, want);
  PostMessageW(tolvar.Main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(tolvar.ExitCode(), 0);
}

// The header's save dialog: its title, and the chosen path in the box.
TEST(MainWindowTest, SaveDialogPutsThePathIntoItsBox) {
  TolvarWindow tolvar("dialog");
  ASSERT_NO_FATAL_FAILURE(tolvar.Start("-0"));
  tolvar.Click(TControlId::ciButtonSaveAsHeader);
  const TFileDialogRow& row = FileDialogs()[0];
  ASSERT_EQ(row.OpenedBy, TControlId::ciButtonSaveAsHeader);
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (dialog = FindWindowW(L"#32770", Sjis(row.Title).c_str())) != nullptr; }))
      << "no dialog titled as the table says";
  // The file name box of the common dialog (cmb13, or edt1 in the old
  // style), then OK.
  HWND name = GetDlgItem(dialog, 0x47C);
  if (name == nullptr) name = GetDlgItem(dialog, 0x480);
  ASSERT_NE(name, nullptr);
  SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"chosen_header.txt"), SMTO_ABORTIFHUNG, 5000,
                      nullptr);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  ASSERT_TRUE(WaitUntil([&] {
    const std::wstring text = TextOf(tolvar.Control(TControlId::ciEditHeader));
    return text.size() > 17 && text.compare(text.size() - 17, 17, L"chosen_header.txt") == 0;
  })) << "header box holds: "
      << Narrow(TextOf(tolvar.Control(TControlId::ciEditHeader)));
  PostMessageW(tolvar.Main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(tolvar.ExitCode(), 0);
}

// The log's context menu, driven by its access keys: select all, then
// delete, leaves the log empty. (Wine does not hand out another process's
// menu, so the items themselves are checked where the binding builds them.)
TEST(MainWindowTest, StatusMenuSelectsAllAndDeletes) {
  TolvarWindow tolvar("menu");
  ASSERT_NO_FATAL_FAILURE(tolvar.Start("-0"));
  HWND log = tolvar.Control(TControlId::ciRichEditStatus);
  SendMessageTimeoutW(log, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"line one\r\nline two"), SMTO_ABORTIFHUNG, 5000,
                      nullptr);
  auto choose = [&](wchar_t key) {
    RECT r{};
    GetWindowRect(log, &r);
    PostMessageW(tolvar.Main(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(log), MAKELPARAM(r.left + 10, r.top + 10));
    HWND menu = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
      menu = FindWindowW(L"#32768", nullptr);
      return menu != nullptr && IsWindowVisible(menu);
    })) << "no menu";
    PostMessageW(menu, WM_KEYDOWN, key, 0);
    PostMessageW(menu, WM_CHAR, key, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu) || FindWindowW(L"#32768", nullptr) == nullptr; }));
  };
  ASSERT_NO_FATAL_FAILURE(choose(L'A'));
  ASSERT_NO_FATAL_FAILURE(choose(L'D'));
  EXPECT_TRUE(WaitUntil([&] { return TextOf(log).empty(); })) << Narrow(TextOf(log));
  PostMessageW(tolvar.Main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(tolvar.ExitCode(), 0);
}

// Enter presses the default button: the download runs, the log ends with
// the exit code and the settings are editable again.
TEST(MainWindowTest, EnterRunsTheDownload) {
  TScriptedServer server(
      {TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody").Close()});
  TolvarWindow tolvar("enter");
  ASSERT_NO_FATAL_FAILURE(tolvar.Start("-0 -u " + Url(server) + " -b body.bin -h header.txt"));
  // Something the user left in the log stays ahead of the run's lines.
  SendMessageTimeoutW(tolvar.Control(TControlId::ciRichEditStatus), WM_SETTEXT, 0,
                      reinterpret_cast<LPARAM>(L"a note of the user"), SMTO_ABORTIFHUNG, 5000, nullptr);
  HWND url = tolvar.Control(TControlId::ciEditUrl);
  PostMessageW(url, WM_KEYDOWN, VK_RETURN, 0x001C0001);
  PostMessageW(url, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC01C0001u));
  ASSERT_TRUE(WaitUntil([&] { return tolvar.LogEndsWith(L"ExitCode=0"); })) << "log ends otherwise";
  EXPECT_EQ(tolvar.Log().front(), L"a note of the user");
  EXPECT_TRUE(tolvar.LogHas(Sjis(texts::kConnected)));
  EXPECT_TRUE(tolvar.LogHas(L"HTTP/1.0 200 OK"));
  EXPECT_FALSE(tolvar.ReadOnly(TControlId::ciEditUrl));
  EXPECT_TRUE(IsWindowEnabled(tolvar.Control(TControlId::ciButtonConnect)));
  EXPECT_EQ(ReadFileBytes(tolvar.Path("body.bin")), "body");
  PostMessageW(tolvar.Main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(tolvar.ExitCode(), 0);
}

// A server that answers the head and then sends nothing more.
TScriptedServer StalledServer() {
  return TScriptedServer(
      {TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nabc").Silent(),
       TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nabc").Silent()});
}

// During a slow transfer every setting is locked; Abort ends the run with
// exit code 3 and no retry.
TEST(MainWindowTest, AbortDuringATransferEndsTheRunWithoutRetry) {
  TScriptedServer server = StalledServer();
  TolvarWindow tolvar("abort");
  ASSERT_NO_FATAL_FAILURE(tolvar.Start("-0 -a 1 -i 1 -t 60 -u " + Url(server) + " -b body.bin -h header.txt"));
  tolvar.Click(TControlId::ciButtonConnect);
  ASSERT_TRUE(WaitUntil([&] { return tolvar.LogHas(Sjis(texts::kConnected)); }));
  for (TControlId id : {TControlId::ciEditUrl, TControlId::ciEditReferer, TControlId::ciMaskEditRetrys,
                        TControlId::ciMaskEditPassWord, TControlId::ciEditBody}) {
    EXPECT_TRUE(tolvar.ReadOnly(id)) << ControlRow(id).Name;
  }
  for (TControlId id : {TControlId::ciButtonConnect, TControlId::ciRadioGroupMethod, TControlId::ciButtonSaveAsBody,
                        TControlId::ciCheckBoxPostPutAsFileName}) {
    EXPECT_FALSE(IsWindowEnabled(tolvar.Control(id))) << ControlRow(id).Name;
  }
  EXPECT_TRUE(IsWindowEnabled(tolvar.Control(TControlId::ciButtonAbort)));
  // Locked boxes are painted in the button-face colour.
  HWND url = tolvar.Control(TControlId::ciEditUrl);
  EXPECT_TRUE(WaitUntil([&] { return FillOf(url) == GetSysColor(COLOR_BTNFACE); })) << std::hex << FillOf(url);
  tolvar.Click(TControlId::ciButtonAbort);
  ASSERT_TRUE(WaitUntil([&] { return tolvar.LogEndsWith(L"ExitCode=3"); }));
  EXPECT_TRUE(tolvar.LogHas(Sjis(texts::kAborting)));
  EXPECT_FALSE(tolvar.ReadOnly(TControlId::ciEditUrl));
  EXPECT_TRUE(WaitUntil([&] { return FillOf(url) == GetSysColor(COLOR_WINDOW); })) << std::hex << FillOf(url);
  // The retry interval has passed and no second connection came.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(server.Accepted(), 1u);
  PostMessageW(tolvar.Main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(tolvar.ExitCode(), 3);
}

// Closing the window while the transfer runs ends the process with 3.
TEST(MainWindowTest, ClosingDuringATransferEndsWithThree) {
  TScriptedServer server = StalledServer();
  TolvarWindow tolvar("close");
  ASSERT_NO_FATAL_FAILURE(tolvar.Start("-0 -u " + Url(server) + " -b body.bin -h header.txt"));
  tolvar.Click(TControlId::ciButtonConnect);
  ASSERT_TRUE(WaitUntil([&] { return tolvar.LogHas(Sjis(texts::kConnected)); }));
  PostMessageW(tolvar.Main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(tolvar.ExitCode(), 3);
}

// Under -q the window starts minimised, runs by itself and closes.
TEST(MainWindowTest, QuietRunStartsMinimisedAndClosesByItself) {
  TScriptedServer server(
      {TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok", 1500).Close()});
  TolvarWindow tolvar("quiet");
  ASSERT_NO_FATAL_FAILURE(tolvar.Start("-q -u " + Url(server) + " -b body.bin -h header.txt"));
  EXPECT_TRUE(IsIconic(tolvar.Main()));
  EXPECT_EQ(tolvar.ExitCode(), 0);
  EXPECT_EQ(ReadFileBytes(tolvar.Path("body.bin")), "ok");
}

}  // namespace main_window_test_win32
}  // namespace tolvar::client
