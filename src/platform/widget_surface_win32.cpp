// The main window's controls on Windows: plain Win32 controls, the common
// controls' tooltips, a rich edit for the log and the common file dialogs.
//
// Every control is a direct child of the main window, so that its
// notifications (WM_COMMAND, WM_CTLCOLOR*, WM_CONTEXTMENU) reach the main
// window's procedure; this file subclasses that procedure and keeps its own
// pointer in a window property (64-bit clean: GWLP_WNDPROC, full-width
// message parameters). Texts are converted to UTF-16 and shown through the
// wide functions, so Shift_JIS texts show correctly whatever the system's
// code page is.
#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/widget_surface.h"

namespace tolvar::platform {
namespace {

constexpr UINT kProgramCodePage = 932;
const char kSurfaceProperty[] = "TolvarWidgetSurface";
// Radio items get window ids of their own above every control id.
constexpr int kRadioItemBase = 0x1000;
constexpr int kRadioItemStride = 16;
// Context menu items: kMenuBase + index.
constexpr UINT kMenuBase = 0x2000;

std::wstring Widen(const std::string& text, UINT code_page) {
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Narrow(const std::wstring& wide, UINT code_page) {
  if (wide.empty()) return std::string();
  const int n =
      WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr, nullptr);
  }
  return text;
}

std::wstring WindowTextW(HWND hwnd) {
  const int n = GetWindowTextLengthW(hwnd);
  if (n <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

// The rich edit of the system, loaded once; empty when none can be had
// (the log is then a multi-line edit box).
const wchar_t* RichEditClass() {
  static const bool loaded = LoadLibraryW(L"riched20.dll") != nullptr;
  return loaded ? RICHEDIT_CLASSW : nullptr;
}

class TWin32Surface final : public TWidgetSurface {
 public:
  TWin32Surface(HWND main, TWidgetEvents& events) : main_(main), events_(events) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, main_, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    // Multi-line hints need a width to break at.
    if (tooltip_) SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 600);
    SetPropA(main_, kSurfaceProperty, this);
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(main_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWin32Surface::Procedure)));
    if (!previous_) {
      RemovePropA(main_, kSurfaceProperty);
      throw std::runtime_error("The main window cannot take its controls.");
    }
  }

  ~TWin32Surface() override {
    Detach();
    if (font_ && owns_font_) DeleteObject(font_);
    if (menu_) DestroyMenu(menu_);
  }

  void SetFont(const std::string& face, int pixels) override {
    const std::wstring wide = Widen(face, kProgramCodePage);
    // The face itself where the system has it. Elsewhere the font mapper
    // would hand over a substitute of its choosing (Wine: a fixed-pitch
    // Gothic, too wide for the form's captions), so proportional Japanese
    // faces come first, then whatever the mapper finds with Japanese glyphs.
    const std::wstring candidates[] = {wide, L"MS PGothic", L"IPAPGothic", L"VL PGothic"};
    HFONT font = nullptr;
    for (const std::wstring& candidate : candidates) {
      font = MakeFont(candidate, pixels);
      if (font && CanShowShiftJis(font) && _wcsicmp(FaceOf(font).c_str(), candidate.c_str()) == 0) break;
      if (font) DeleteObject(font);
      font = nullptr;
    }
    if (!font) {
      font = MakeFont(wide, pixels);
      if (font && !CanShowShiftJis(font)) {
        DeleteObject(font);
        font = MakeFont(L"", pixels);
      }
    }
    if (font_ && owns_font_) DeleteObject(font_);
    font_ = font;
    owns_font_ = font != nullptr;
  }

  void Add(int id, const TWidgetDesc& desc) override {
    TWidget w;
    w.kind = desc.kind;
    w.fit = desc.kind == TWidgetKind::wkLabel && desc.rect.width == 0;
    const std::wstring caption = Widen(desc.caption, kProgramCodePage);
    switch (desc.kind) {
      case TWidgetKind::wkPanel:
        break;
      case TWidgetKind::wkLabel:
        w.hwnd = Child(0, L"STATIC", caption, SS_LEFT | SS_NOTIFY | SS_NOPREFIX, desc.rect, id);
        break;
      case TWidgetKind::wkEdit:
      case TWidgetKind::wkPassword:
      case TWidgetKind::wkDigits: {
        DWORD style = WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL;
        if (desc.kind == TWidgetKind::wkPassword) style |= ES_PASSWORD;
        if (desc.kind == TWidgetKind::wkDigits) style |= ES_NUMBER;
        w.hwnd = Child(WS_EX_CLIENTEDGE, L"EDIT", L"", style, desc.rect, id);
        if (desc.kind == TWidgetKind::wkPassword) SendMessageW(w.hwnd, EM_SETPASSWORDCHAR, L'*', 0);
        if (desc.max_length > 0) SendMessageW(w.hwnd, EM_LIMITTEXT, static_cast<WPARAM>(desc.max_length), 0);
        break;
      }
      case TWidgetKind::wkButton:
        w.hwnd = Child(0, L"BUTTON", caption,
                       WS_TABSTOP | WS_GROUP | (desc.default_button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), desc.rect, id);
        if (desc.default_button) default_id_ = id;
        break;
      case TWidgetKind::wkCheckBox:
        w.hwnd = Child(0, L"BUTTON", caption, WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, desc.rect, id);
        break;
      case TWidgetKind::wkRadioGroup: {
        w.hwnd = Child(0, L"BUTTON", caption, WS_GROUP | BS_GROUPBOX, desc.rect, id);
        for (std::size_t i = 0; i < desc.items.size(); ++i) {
          const DWORD first = i == 0 ? (WS_GROUP | WS_TABSTOP) : 0;
          w.items.push_back(Child(0, L"BUTTON", Widen(desc.items[i], kProgramCodePage), first | BS_AUTORADIOBUTTON,
                                  RadioItemRect(desc.rect, i, desc.items.size()), RadioItemId(id, i)));
        }
        break;
      }
      case TWidgetKind::wkLog: {
        const DWORD style = WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN |
                            ES_NOHIDESEL | ES_DISABLENOSCROLL;
        if (const wchar_t* rich = RichEditClass()) {
          w.hwnd = Child(WS_EX_CLIENTEDGE, rich, L"", style, desc.rect, id);
          if (w.hwnd) {
            w.rich = true;
            SendMessageW(w.hwnd, EM_SETTEXTMODE, TM_PLAINTEXT, 0);
            // The log holds every run's lines until the window closes.
            SendMessageW(w.hwnd, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
          }
        }
        if (!w.hwnd) w.hwnd = Child(WS_EX_CLIENTEDGE, L"EDIT", L"", style, desc.rect, id);
        break;
      }
    }
    if (desc.kind != TWidgetKind::wkPanel && !w.hwnd) throw std::runtime_error("A control cannot be created.");
    if (w.fit) w.fitted = TextSize(w.hwnd, caption);
    widgets_[id] = w;
    if (!desc.hint.empty()) AddHint(id, widgets_[id], Widen(desc.hint, kProgramCodePage), desc.rect);
    SetBounds(id, desc.rect);
  }

  void SetContextMenu(int id, const std::vector<std::string>& items) override {
    if (menu_) DestroyMenu(menu_);
    menu_ = CreatePopupMenu();
    menu_owner_ = id;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].empty()) {
        AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr);
      } else {
        AppendMenuW(menu_, MF_STRING, kMenuBase + i, Widen(items[i], kProgramCodePage).c_str());
      }
    }
  }

  void SetBounds(int id, const TWidgetRect& r) override {
    TWidget* w = Find(id);
    if (w == nullptr) return;
    TWidgetRect rect = r;
    if (w->fit) {
      rect.width = w->fitted.cx;
      rect.height = w->fitted.cy;
    }
    if (w->kind == TWidgetKind::wkPanel) {
      if (tooltip_ && w->area_tool) {
        TTTOOLINFOW ti = ToolInfo();
        ti.hwnd = main_;
        ti.uId = static_cast<UINT_PTR>(id);
        ti.rect = RECT{rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
        SendMessageW(tooltip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&ti));
      }
      return;
    }
    if (!w->hwnd) return;
    MoveWindow(w->hwnd, rect.left, rect.top, rect.width, rect.height, TRUE);
    for (std::size_t i = 0; i < w->items.size(); ++i) {
      const TWidgetRect ir = RadioItemRect(rect, i, w->items.size());
      MoveWindow(w->items[i], ir.left, ir.top, ir.width, ir.height, TRUE);
    }
  }

  TWidgetRect ClientArea() const override {
    RECT rc{};
    if (main_) GetClientRect(main_, &rc);
    return TWidgetRect{0, 0, rc.right - rc.left, rc.bottom - rc.top};
  }

  bool Live() const override { return main_ != nullptr && IsWindow(main_); }

  void SetText(int id, const std::string& text) override {
    TWidget* w = Find(id);
    if (w == nullptr || !w->hwnd) return;
    // A change made here is not the user's.
    quiet_ = true;
    SetWindowTextW(w->hwnd, Widen(text, CP_ACP).c_str());
    quiet_ = false;
  }

  std::string Text(int id) const override {
    const TWidget* w = Find(id);
    if (w == nullptr || !w->hwnd) return std::string();
    return Narrow(WindowTextW(w->hwnd), CP_ACP);
  }

  void SetEnabled(int id, bool enabled) override {
    TWidget* w = Find(id);
    if (w == nullptr || !w->hwnd) return;
    EnableWindow(w->hwnd, enabled);
    for (HWND item : w->items) EnableWindow(item, enabled);
  }

  void SetReadOnly(int id, bool read_only, TFillColour colour) override {
    TWidget* w = Find(id);
    if (w == nullptr || !w->hwnd) return;
    SendMessageW(w->hwnd, EM_SETREADONLY, read_only ? TRUE : FALSE, 0);
    w->colour = colour;
    InvalidateRect(w->hwnd, nullptr, TRUE);
  }

  void SetChecked(int id, bool checked) override {
    if (TWidget* w = Find(id); w != nullptr && w->hwnd) {
      SendMessageW(w->hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }

  bool Checked(int id) const override {
    const TWidget* w = Find(id);
    return w != nullptr && w->hwnd && SendMessageW(w->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }

  void SetSelectedItem(int id, int item) override {
    TWidget* w = Find(id);
    if (w == nullptr) return;
    for (std::size_t i = 0; i < w->items.size(); ++i) {
      SendMessageW(w->items[i], BM_SETCHECK, static_cast<int>(i) == item ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }

  int SelectedItem(int id) const override {
    const TWidget* w = Find(id);
    if (w == nullptr) return -1;
    for (std::size_t i = 0; i < w->items.size(); ++i) {
      if (SendMessageW(w->items[i], BM_GETCHECK, 0, 0) == BST_CHECKED) return static_cast<int>(i);
    }
    return -1;
  }

  void AppendLine(int id, const std::string& line) override {
    TWidget* w = Find(id);
    if (w == nullptr || !w->hwnd) return;
    HWND log = w->hwnd;
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(log, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const LONG length = Length(*w);
    std::wstring text = Widen(line, kProgramCodePage) + L"\r\n";
    // After the user's own text, on a line of its own.
    if (length > 0 && !EndsInLineBreak(*w, length)) text.insert(0, L"\r\n");
    SelectRange(*w, length, length);
    quiet_ = true;
    SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    quiet_ = false;
    SendMessageW(log, EM_SETSEL, start, end);
  }

  void ScrollToEnd(int id) override {
    TWidget* w = Find(id);
    if (w == nullptr || !w->hwnd) return;
    const LONG length = Length(*w);
    SelectRange(*w, length, length);
    // The End key as the keyboard would send it, then the caret brought
    // into view.
    SendMessageW(w->hwnd, WM_KEYDOWN, VK_END, 0x004F0001);
    SendMessageW(w->hwnd, WM_KEYUP, VK_END, static_cast<LPARAM>(0xC04F0001u));
    SendMessageW(w->hwnd, EM_SCROLLCARET, 0, 0);
  }

  void RunEditCommand(int id, TEditCommand command) override {
    TWidget* w = Find(id);
    if (w == nullptr || !w->hwnd) return;
    switch (command) {
      case TEditCommand::ecCut:
        SendMessageW(w->hwnd, WM_CUT, 0, 0);
        break;
      case TEditCommand::ecCopy:
        SendMessageW(w->hwnd, WM_COPY, 0, 0);
        break;
      case TEditCommand::ecPaste:
        SendMessageW(w->hwnd, WM_PASTE, 0, 0);
        break;
      case TEditCommand::ecDelete:
        SendMessageW(w->hwnd, WM_CLEAR, 0, 0);
        break;
      case TEditCommand::ecSelectAll:
        SelectRange(*w, 0, -1);
        break;
    }
  }

  bool ChooseFile(TChooserKind kind, const std::string& title, std::string* path) override {
    std::vector<wchar_t> buffer(32768, L'\0');
    const std::wstring wide_title = Widen(title, kProgramCodePage);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = main_;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrTitle = wide_title.c_str();
    // No filter and no default extension. The working directory stays
    // where it was: relative header and body names keep their meaning.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    const BOOL ok = kind == TChooserKind::chSave ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!ok) return false;
    *path = Narrow(buffer.data(), CP_ACP);
    return true;
  }

 private:
  struct TWidget {
    TWidgetKind kind = TWidgetKind::wkLabel;
    HWND hwnd = nullptr;
    std::vector<HWND> items;
    TFillColour colour = TFillColour::fcWindow;
    bool fit = false;
    SIZE fitted{0, 0};
    bool rich = false;
    bool area_tool = false;
  };

  static int RadioItemId(int id, std::size_t item) {
    return kRadioItemBase + id * kRadioItemStride + static_cast<int>(item);
  }

  static TTTOOLINFOW ToolInfo() {
    TTTOOLINFOW ti{};
    // The size every version of the common controls accepts.
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    return ti;
  }

  static HFONT MakeFont(const std::wstring& face, int pixels) {
    return CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  }

  // Whether the face the mapper really chose for `font` has the Shift_JIS
  // character set.
  bool CanShowShiftJis(HFONT font) const {
    if (!font) return false;
    HDC dc = GetDC(main_);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW tm{};
    const bool ok = GetTextMetricsW(dc, &tm) && tm.tmCharSet == SHIFTJIS_CHARSET;
    SelectObject(dc, old);
    ReleaseDC(main_, dc);
    return ok;
  }

  // The face the mapper really chose for `font`.
  std::wstring FaceOf(HFONT font) const {
    wchar_t face[LF_FACESIZE] = {};
    HDC dc = GetDC(main_);
    HGDIOBJ old = SelectObject(dc, font);
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, old);
    ReleaseDC(main_, dc);
    return face;
  }

  SIZE TextSize(HWND hwnd, const std::wstring& text) const {
    SIZE size{0, 0};
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = font_ ? SelectObject(dc, font_) : nullptr;
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    if (old) SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return size;
  }

  HWND Child(DWORD ex_style, const wchar_t* cls, const std::wstring& text, DWORD style, const TWidgetRect& r, int id) {
    HWND hwnd =
        CreateWindowExW(ex_style, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.width, r.height,
                        main_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (hwnd && font_) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return hwnd;
  }

  void AddHint(int id, TWidget& w, const std::wstring& hint, const TWidgetRect& r) {
    if (!tooltip_) return;
    std::vector<HWND> targets;
    if (w.kind == TWidgetKind::wkPanel) {
      // The panel's own area: the main window between its controls.
      TTTOOLINFOW ti = ToolInfo();
      ti.uFlags = TTF_SUBCLASS;
      ti.hwnd = main_;
      ti.uId = static_cast<UINT_PTR>(id);
      ti.rect = RECT{r.left, r.top, r.left + r.width, r.top + r.height};
      ti.lpszText = const_cast<wchar_t*>(hint.c_str());
      w.area_tool = SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)) != 0;
      return;
    }
    targets.push_back(w.hwnd);
    // The frame of a radio group lets the mouse through to its items.
    targets.insert(targets.end(), w.items.begin(), w.items.end());
    for (HWND target : targets) {
      TTTOOLINFOW ti = ToolInfo();
      ti.uFlags = TTF_SUBCLASS | TTF_IDISHWND;
      ti.hwnd = main_;
      ti.uId = reinterpret_cast<UINT_PTR>(target);
      ti.lpszText = const_cast<wchar_t*>(hint.c_str());
      SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
  }

  LONG Length(const TWidget& w) const {
    if (!w.rich) return static_cast<LONG>(GetWindowTextLengthW(w.hwnd));
    // Characters as the control counts them (a line break is one).
    GETTEXTLENGTHEX gtl{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<LONG>(SendMessageW(w.hwnd, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gtl), 0));
  }

  bool EndsInLineBreak(const TWidget& w, LONG length) const {
    wchar_t last[2] = {0, 0};
    if (w.rich) {
      TEXTRANGEW range{{length - 1, length}, last};
      SendMessageW(w.hwnd, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    } else {
      const std::wstring all = WindowTextW(w.hwnd);
      if (!all.empty()) last[0] = all.back();
    }
    return last[0] == L'\r' || last[0] == L'\n';
  }

  void SelectRange(const TWidget& w, LONG from, LONG to) const {
    if (w.rich) {
      CHARRANGE range{from, to};
      SendMessageW(w.hwnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    } else {
      SendMessageW(w.hwnd, EM_SETSEL, static_cast<WPARAM>(from), static_cast<LPARAM>(to));
    }
  }

  TWidget* Find(int id) {
    auto it = widgets_.find(id);
    return it == widgets_.end() ? nullptr : &it->second;
  }
  const TWidget* Find(int id) const {
    auto it = widgets_.find(id);
    return it == widgets_.end() ? nullptr : &it->second;
  }

  // The control id behind a child window; 0 for none of ours.
  int OwnerOf(HWND child) const {
    for (const auto& [id, w] : widgets_) {
      if (w.hwnd == child) return id;
      for (HWND item : w.items) {
        if (item == child) return id;
      }
    }
    return 0;
  }

  void Detach() {
    if (!main_) return;
    if (previous_ && IsWindow(main_)) {
      SetWindowLongPtrA(main_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
      RemovePropA(main_, kSurfaceProperty);
    }
    main_ = nullptr;
  }

  LRESULT Handle(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
      case WM_COMMAND: {
        const int id = LOWORD(wparam);
        const UINT code = HIWORD(wparam);
        if (lparam == 0 && code == 0 && id >= static_cast<int>(kMenuBase) && menu_owner_ != 0) {
          events_.OnWidgetMenu(menu_owner_, id - static_cast<int>(kMenuBase));
          return 0;
        }
        const int owner = OwnerOf(reinterpret_cast<HWND>(lparam));
        if (owner == 0) break;
        const TWidget& w = widgets_[owner];
        if (code == BN_CLICKED && (w.kind == TWidgetKind::wkButton || w.kind == TWidgetKind::wkCheckBox ||
                                   w.kind == TWidgetKind::wkRadioGroup)) {
          events_.OnWidgetClick(owner);
          return 0;
        }
        if (code == EN_CHANGE && !quiet_) {
          events_.OnWidgetChange(owner);
          return 0;
        }
        return 0;
      }
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORSTATIC: {
        const int owner = OwnerOf(reinterpret_cast<HWND>(lparam));
        if (owner == 0) break;
        const TWidget& w = widgets_[owner];
        const bool is_edit =
            w.kind == TWidgetKind::wkEdit || w.kind == TWidgetKind::wkPassword || w.kind == TWidgetKind::wkDigits;
        const int colour = is_edit && w.colour == TFillColour::fcWindow ? COLOR_WINDOW : COLOR_BTNFACE;
        HDC dc = reinterpret_cast<HDC>(wparam);
        SetBkColor(dc, GetSysColor(colour));
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(colour));
      }
      case WM_CONTEXTMENU: {
        const int owner = OwnerOf(reinterpret_cast<HWND>(wparam));
        if (owner == 0 || owner != menu_owner_ || !menu_) break;
        POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        if (lparam == -1) {
          // From the keyboard: at the control's top left corner.
          RECT rc{};
          GetWindowRect(reinterpret_cast<HWND>(wparam), &rc);
          at = POINT{rc.left, rc.top};
        }
        TrackPopupMenu(menu_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd, nullptr);
        return 0;
      }
      case WM_SIZE:
        if (wparam != SIZE_MINIMIZED) {
          const TWidgetRect area = ClientArea();
          events_.OnClientResize(area.width, area.height);
        }
        break;
      case DM_GETDEFID:
        // Asked by the dialog keyboard handling of the message loop: Enter
        // presses this button.
        if (default_id_ != 0) return MAKELRESULT(default_id_, DC_HASDEFID);
        return 0;
      case WM_NCDESTROY: {
        WNDPROC previous = previous_;
        Detach();
        return CallWindowProcA(previous, hwnd, msg, wparam, lparam);
      }
      default:
        break;
    }
    return CallWindowProcA(previous_, hwnd, msg, wparam, lparam);
  }

  static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    auto* self = static_cast<TWin32Surface*>(GetPropA(hwnd, kSurfaceProperty));
    if (self == nullptr) return DefWindowProcA(hwnd, msg, wparam, lparam);
    return self->Handle(hwnd, msg, wparam, lparam);
  }

  HWND main_;
  TWidgetEvents& events_;
  WNDPROC previous_ = nullptr;
  HWND tooltip_ = nullptr;
  HFONT font_ = nullptr;
  bool owns_font_ = false;
  HMENU menu_ = nullptr;
  int menu_owner_ = 0;
  int default_id_ = 0;
  // Set while this surface changes a control itself, whose notifications
  // are then not the user's.
  bool quiet_ = false;
  std::map<int, TWidget> widgets_;
};

}  // namespace

std::unique_ptr<TWidgetSurface> CreateWidgetSurface(TWindowHost& host, TWidgetEvents& events) {
  HWND main = reinterpret_cast<HWND>(host.Handle());
  if (!main) throw std::runtime_error("The main window is gone.");
  return std::make_unique<TWin32Surface>(main, events);
}

}  // namespace tolvar::platform
