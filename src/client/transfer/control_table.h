// The main window's controls as data: every control, label and panel with
// its kind, design geometry, anchoring, tab order, texts and the setting it
// holds. Each view (the Windows one, a later desktop one) builds its window
// from this table alone, so no position or text is written anywhere else.
//
// Geometry is in pixels at 96 dots per inch, relative to the parent (the
// form's client area or one of the two panels). Texts are Shift_JIS bytes
// (code page 932); a hint's line break is CR LF.
#pragma once

#include <cstdint>
#include <span>

namespace tolvar::client {

enum class TControlKind : std::uint8_t {
  ckPanel,       // a region that holds other controls
  ckStrip,       // the 1-pixel strip on the right edge: only background
  ckLabel,       // static text, sized to its caption
  ckEdit,        // single-line edit box
  ckMaskEdit,    // digits-only box (MaskWidth positions) or, with
                 // PasswordChar, the password box
  ckButton,      // push button
  ckCheckBox,    // check box
  ckRadioGroup,  // framed group of radio items, caption on the frame
  ckRichEdit,    // the status log: multi-line plain text, both scroll bars
};

// Every row, in table order; a row's Id is its index.
enum class TControlId : std::uint8_t {
  ciSettingsPanel,
  ciStatusPanel,
  ciStrip,
  ciRadioGroupMethod,
  ciEditUrl,
  ciEditReferer,
  ciEditPostPut,
  ciButtonOpenPostPut,
  ciCheckBoxPostPutAsFileName,
  ciEditUserName,
  ciMaskEditPassWord,
  ciEditProxy,
  ciEditProxyPort,
  ciMaskEditRetrys,
  ciMaskEditInterval,
  ciMaskEditTimeOut,
  ciEditHeader,
  ciButtonSaveAsHeader,
  ciEditBody,
  ciButtonSaveAsBody,
  ciButtonConnect,
  ciButtonAbort,
  ciRichEditStatus,
  ciLabelUrl,
  ciLabelReferer,
  ciLabelPostPut,
  ciLabelUserName,
  ciLabelPassWord,
  ciLabelProxy,
  ciLabelProxyPort,
  ciLabelRetrys,
  ciLabelInterval,
  ciLabelIntervalSec,
  ciLabelTimeOut,
  ciLabelTimeOutSec,
  ciLabelSaveTo,
  ciLabelHeader,
  ciLabelBody,
  ciCount
};

enum class TControlParent : std::uint8_t { cpForm, cpSettingsPanel, cpStatusPanel };

// The option-set field a control is filled from at creation and written
// back to at close.
enum class TSetting : std::uint8_t {
  stNone,
  stMethod,
  stUrl,
  stReferer,
  stPostPutData,
  stPostPutAsFileName,
  stUserName,
  stPassword,
  stProxyHost,
  stProxyPort,
  stRetrys,
  stInterval,
  stTimeOut,
  stHeaderFile,
  stBodyFile,
  stCount
};

// Which edges of its parent a control keeps its distance to. Left and
// right together make it widen with the parent ("grows"); right alone moves
// it with the right edge.
enum TAnchor : std::uint8_t { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
inline constexpr std::uint8_t kAnchorDefault = akLeft | akTop;
inline constexpr std::uint8_t kAnchorGrows = akLeft | akTop | akRight;
inline constexpr std::uint8_t kAnchorRight = akTop | akRight;
inline constexpr std::uint8_t kAnchorFill = akLeft | akTop | akRight | akBottom;

struct TDesignRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Width = 0;   // 0 for a label: as wide as its caption
  std::int32_t Height = 0;  // 0 for a label: one line of text

  friend bool operator==(const TDesignRect&, const TDesignRect&) = default;
};

struct TControlRow {
  TControlId Id;
  const char* Name;
  TControlKind Kind;
  TControlParent Parent;
  TDesignRect Rect;
  std::uint8_t Anchors;
  int TabOrder;         // -1: not reached with the Tab key
  const char* Caption;  // "" when the kind shows none
  const char* Hint;     // "" for no hint
  int MaskWidth;        // digits a masked box holds; 0 otherwise
  bool PasswordChar;    // every character shown as "*"
  TSetting Holds;
  TControlId LabelFor;  // labels: the control they name; else ciCount
  bool Default;         // the button that Enter presses
};

// The form itself: caption, outer and client size at design, font.
struct TFormDesign {
  const char* Caption;
  std::int32_t Width;  // outer size
  std::int32_t Height;
  std::int32_t ClientWidth;  // the area the panels and the strip fill
  std::int32_t ClientHeight;
  const char* FontFace;  // code page 932
  int FontPixels;
};

enum class TStatusMenuAction : std::uint8_t { maSeparator, maCut, maCopy, maPaste, maDelete, maSelectAll };

struct TStatusMenuItem {
  const char* Caption;  // "&" marks the access key; "" for a separator
  TStatusMenuAction Action;
};

enum class TFileDialogKind : std::uint8_t { fdSave, fdOpen };

struct TFileDialogRow {
  const char* Name;
  TFileDialogKind Kind;
  const char* Title;
  TControlId OpenedBy;  // the button
  TControlId ResultTo;  // the edit box the chosen path goes to
};

const TFormDesign& FormDesign();
// Indexed by TControlId.
std::span<const TControlRow> ControlTable();
const TControlRow& ControlRow(TControlId id);
// The radio group's items, in order (index 0 GET, 1 POST, 2 PUT).
std::span<const char* const> MethodItems();
std::span<const TStatusMenuItem> StatusMenu();
std::span<const TFileDialogRow> FileDialogs();

// Where `row` lies in the form's client area when that area is
// `client_width` x `client_height`: its parent placed first, then the row
// moved or widened by the anchors as the parent grew or shrank from its
// design size. A size never goes below 0.
TDesignRect PlaceControl(const TControlRow& row, std::int32_t client_width, std::int32_t client_height);

}  // namespace tolvar::client
