// The controls of the main window as the desktop toolkit makes them, behind
// a toolkit-neutral interface: code above the seam says which control of
// which kind goes where with which texts, and drives it by a small integer
// id; the toolkit's own calls stay below the seam
// (widget_surface_win32.cpp: plain Win32 controls and the common controls).
//
// Texts: captions, hints, radio items, menu items, dialog titles and log
// lines are the program's own texts, Shift_JIS bytes (code page 932), shown
// correctly whatever the system's code page. An edit box's text and a chosen
// file path are settings and travel in the system's code page, as the
// option set holds them.
//
// Everything here runs on the window's thread; events arrive there too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/window_host.h"

namespace tolvar::platform {

enum class TWidgetKind : std::uint8_t {
  wkPanel,       // no control of its own: a hint over an area of the window
  wkLabel,       // static text
  wkEdit,        // single-line edit box
  wkPassword,    // single-line edit box that shows "*" for every character
  wkDigits,      // single-line edit box that takes digits only
  wkButton,      // push button
  wkCheckBox,    // check box with its caption
  wkRadioGroup,  // framed group of radio items
  wkLog,         // multi-line plain text, both scroll bars always shown
};

// The two system colours an edit box is painted in.
enum class TFillColour : std::uint8_t { fcWindow, fcButtonFace };

enum class TEditCommand : std::uint8_t { ecCut, ecCopy, ecPaste, ecDelete, ecSelectAll };

enum class TChooserKind : std::uint8_t { chSave, chOpen };

// Pixels in the window's client area.
struct TWidgetRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// Where item `i` of a radio group of `count` items sits inside the group's
// frame: the items share the frame's inside below its caption evenly. One
// rule for every toolkit, so the groups look alike on both platforms.
inline TWidgetRect RadioItemRect(const TWidgetRect& frame, std::size_t i, std::size_t count) {
  constexpr std::int32_t kCaption = 14;
  constexpr std::int32_t kBottom = 4;
  constexpr std::int32_t kIndent = 8;
  const std::int32_t inside = frame.height - kCaption - kBottom;
  const std::int32_t each = count > 0 ? inside / static_cast<std::int32_t>(count) : 0;
  return TWidgetRect{frame.left + kIndent, frame.top + kCaption + static_cast<std::int32_t>(i) * each,
                     frame.width - kIndent - 4, each};
}

struct TWidgetDesc {
  TWidgetKind kind = TWidgetKind::wkLabel;
  // A label given width 0 is fitted to its caption in the surface's font
  // and keeps that size whatever SetBounds says.
  TWidgetRect rect;
  std::string caption;
  std::string hint;                // empty: no hint
  std::vector<std::string> items;  // radio group items, in order
  int max_length = 0;              // edit boxes: characters at most; 0 no limit
  bool default_button = false;     // the button Enter presses
};

// What the surface reports, on the window's thread. Only the user's own
// actions are reported: a change made through the surface is not.
class TWidgetEvents {
 public:
  virtual ~TWidgetEvents() = default;
  // A button pressed, a check box toggled, a radio item chosen.
  virtual void OnWidgetClick(int id) = 0;
  // The text of an edit box changed.
  virtual void OnWidgetChange(int id) = 0;
  // Item `item` (an index into the list given to SetContextMenu) chosen
  // from the context menu of control `id`.
  virtual void OnWidgetMenu(int id, int item) = 0;
  // The client area has a new size.
  virtual void OnClientResize(std::int32_t width, std::int32_t height) = 0;
};

class TWidgetSurface {
 public:
  virtual ~TWidgetSurface() = default;

  // The font of every control added afterwards: a face name (code page 932)
  // at a character height in pixels. Where the face is missing, or cannot
  // show Shift_JIS text, a face of the system that can is taken instead.
  virtual void SetFont(const std::string& face, int pixels) = 0;
  // Adds a control; controls reached with the Tab key are added in tab
  // order. `id` is unique, from 100 to 0x0FFF.
  virtual void Add(int id, const TWidgetDesc& desc) = 0;
  // The context menu of control `id`; an empty caption is a separator, "&"
  // marks an access key.
  virtual void SetContextMenu(int id, const std::vector<std::string>& items) = 0;
  virtual void SetBounds(int id, const TWidgetRect& rect) = 0;
  // The client area's size (left and top 0).
  virtual TWidgetRect ClientArea() const = 0;
  // False once the window is gone: nothing is shown and texts read empty.
  virtual bool Live() const = 0;

  virtual void SetText(int id, const std::string& text) = 0;
  virtual std::string Text(int id) const = 0;
  virtual void SetEnabled(int id, bool enabled) = 0;
  virtual void SetReadOnly(int id, bool read_only, TFillColour colour) = 0;
  virtual void SetChecked(int id, bool checked) = 0;
  virtual bool Checked(int id) const = 0;
  virtual void SetSelectedItem(int id, int item) = 0;
  // -1 when no item is chosen.
  virtual int SelectedItem(int id) const = 0;
  // A log line after whatever the log holds, the user's own text included;
  // the user's caret and selection stay where they were.
  virtual void AppendLine(int id, const std::string& line) = 0;
  // Brings the log's last line into view.
  virtual void ScrollToEnd(int id) = 0;
  virtual void RunEditCommand(int id, TEditCommand command) = 0;
  // A modal file chooser with no filter and no default extension; false
  // when the user cancelled. `path` is the chosen path.
  virtual bool ChooseFile(TChooserKind kind, const std::string& title, std::string* path) = 0;
};

// The controls of `host`'s window, reporting to `events` (both borrowed:
// they must outlive the surface). Null where the host shows no window (the
// headless host of a scripted run). Throws std::runtime_error when the
// window cannot take controls.
std::unique_ptr<TWidgetSurface> CreateWidgetSurface(TWindowHost& host, TWidgetEvents& events);

}  // namespace tolvar::platform
