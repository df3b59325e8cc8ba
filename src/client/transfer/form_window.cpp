#include "client/transfer/form_window.h"

#include <utility>
#include <vector>

namespace tolvar::client {
namespace {

using platform::TWidgetKind;

// The model's box behind an edit row; null for every other row.
TEditControl* EditOf(TFormModel& m, TControlId id) {
  switch (id) {
    case TControlId::ciEditUrl:
      return &m.EditUrl;
    case TControlId::ciEditReferer:
      return &m.EditReferer;
    case TControlId::ciEditPostPut:
      return &m.EditPostPut;
    case TControlId::ciEditUserName:
      return &m.EditUserName;
    case TControlId::ciMaskEditPassWord:
      return &m.MaskEditPassWord;
    case TControlId::ciEditProxy:
      return &m.EditProxy;
    case TControlId::ciEditProxyPort:
      return &m.EditProxyPort;
    case TControlId::ciMaskEditRetrys:
      return &m.MaskEditRetrys;
    case TControlId::ciMaskEditInterval:
      return &m.MaskEditInterval;
    case TControlId::ciMaskEditTimeOut:
      return &m.MaskEditTimeOut;
    case TControlId::ciEditHeader:
      return &m.EditHeader;
    case TControlId::ciEditBody:
      return &m.EditBody;
    default:
      return nullptr;
  }
}

const TEditControl* EditOf(const TFormModel& m, TControlId id) {
  return EditOf(const_cast<TFormModel&>(m), id);
}

const TButtonControl* ButtonOf(const TFormModel& m, TControlId id) {
  switch (id) {
    case TControlId::ciButtonOpenPostPut:
      return &m.ButtonOpenPostPut;
    case TControlId::ciButtonSaveAsHeader:
      return &m.ButtonSaveAsHeader;
    case TControlId::ciButtonSaveAsBody:
      return &m.ButtonSaveAsBody;
    case TControlId::ciButtonConnect:
      return &m.ButtonConnect;
    case TControlId::ciButtonAbort:
      return &m.ButtonAbort;
    default:
      return nullptr;
  }
}

bool IsMasked(TControlId id) {
  return ControlRow(id).MaskWidth > 0;
}

// A masked box shows its digits without the mask's padding, so that typing
// into it never meets a full box of blanks; the model keeps the padding.
std::string Unpadded(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

platform::TWidgetKind WidgetKindOf(const TControlRow& row) {
  switch (row.Kind) {
    case TControlKind::ckPanel:
    case TControlKind::ckStrip:
      return TWidgetKind::wkPanel;
    case TControlKind::ckLabel:
      return TWidgetKind::wkLabel;
    case TControlKind::ckEdit:
      return TWidgetKind::wkEdit;
    case TControlKind::ckMaskEdit:
      return row.PasswordChar ? TWidgetKind::wkPassword : TWidgetKind::wkDigits;
    case TControlKind::ckButton:
      return TWidgetKind::wkButton;
    case TControlKind::ckCheckBox:
      return TWidgetKind::wkCheckBox;
    case TControlKind::ckRadioGroup:
      return TWidgetKind::wkRadioGroup;
    case TControlKind::ckRichEdit:
      return TWidgetKind::wkLog;
  }
  return TWidgetKind::wkLabel;
}

// Rows that become a control of the surface: the tab stops in tab order,
// then the log, the labels and the settings panel's hint area. The status
// panel is filled by the log and the strip is only background.
std::vector<const TControlRow*> CreationOrder() {
  std::vector<const TControlRow*> rows;
  for (int tab = 0;; ++tab) {
    const std::size_t before = rows.size();
    for (const TControlRow& row : ControlTable()) {
      if (row.TabOrder == tab) rows.push_back(&row);
    }
    if (rows.size() == before) break;
  }
  for (const TControlRow& row : ControlTable()) {
    if (row.TabOrder < 0 && row.Id != TControlId::ciStatusPanel && row.Id != TControlId::ciStrip) rows.push_back(&row);
  }
  return rows;
}

platform::TWidgetRect ToWidgetRect(const TDesignRect& r) {
  return platform::TWidgetRect{r.Left, r.Top, r.Width, r.Height};
}

}  // namespace

TFormWindow::TFormWindow(TFormMain& form) : FForm(form) {}

TFormWindow::~TFormWindow() {
  FForm.SetView(nullptr);
}

void TFormWindow::Attach(std::unique_ptr<platform::TWidgetSurface> surface) {
  FSurface = std::move(surface);
  if (!FSurface) return;
  const TFormDesign& form = FormDesign();
  FSurface->SetFont(form.FontFace, form.FontPixels);
  for (const TControlRow* row : CreationOrder()) {
    platform::TWidgetDesc desc;
    desc.kind = WidgetKindOf(*row);
    desc.rect = ToWidgetRect(PlaceControl(*row, form.ClientWidth, form.ClientHeight));
    desc.caption = row->Caption;
    desc.hint = row->Hint;
    if (row->Kind == TControlKind::ckRadioGroup) {
      for (const char* item : MethodItems()) desc.items.emplace_back(item);
    }
    desc.max_length = row->MaskWidth;
    desc.default_button = row->Default;
    FSurface->Add(WidgetId(row->Id), desc);
  }
  std::vector<std::string> menu;
  for (const TStatusMenuItem& item : StatusMenu()) menu.emplace_back(item.Caption);
  FSurface->SetContextMenu(WidgetId(TControlId::ciRichEditStatus), menu);
  const platform::TWidgetRect area = FSurface->ClientArea();
  Layout(area.width, area.height);
  FForm.SetView(this);
}

void TFormWindow::Layout(std::int32_t width, std::int32_t height) {
  if (!FSurface) return;
  for (const TControlRow* row : CreationOrder()) {
    FSurface->SetBounds(WidgetId(row->Id), ToWidgetRect(PlaceControl(*row, width, height)));
  }
}

void TFormWindow::ReadModel(TFormModel& model) {
  if (!Live()) return;
  for (const TControlRow& row : ControlTable()) {
    TEditControl* edit = EditOf(model, row.Id);
    if (edit == nullptr) continue;
    std::string text = FSurface->Text(WidgetId(row.Id));
    if (IsMasked(row.Id)) {
      static_cast<TMaskedEditControl*>(edit)->SetValue(text);
    } else {
      edit->Text = std::move(text);
    }
    // What the control holds now is what it shows.
    FShown[static_cast<std::size_t>(row.Id)].text = IsMasked(row.Id) ? Unpadded(edit->Text) : edit->Text;
  }
  const int item = FSurface->SelectedItem(WidgetId(TControlId::ciRadioGroupMethod));
  if (item >= 0) model.RadioGroupMethod.ItemIndex = item;
  FShown[static_cast<std::size_t>(TControlId::ciRadioGroupMethod)].item = model.RadioGroupMethod.ItemIndex;
  model.CheckBoxPostPutAsFileName.Checked = FSurface->Checked(WidgetId(TControlId::ciCheckBoxPostPutAsFileName));
  FShown[static_cast<std::size_t>(TControlId::ciCheckBoxPostPutAsFileName)].checked =
      model.CheckBoxPostPutAsFileName.Checked;
}

void TFormWindow::ShowEnabled(TControlId id, bool enabled) {
  TShown& shown = FShown[static_cast<std::size_t>(id)];
  if (shown.known && shown.enabled == enabled) return;
  FSurface->SetEnabled(WidgetId(id), enabled);
  shown.enabled = enabled;
}

void TFormWindow::ShowEdit(TControlId id, const TEditControl& edit, const std::string& shown_text) {
  TShown& shown = FShown[static_cast<std::size_t>(id)];
  const int widget = WidgetId(id);
  if (!shown.known || shown.text != shown_text) {
    FSurface->SetText(widget, shown_text);
    shown.text = shown_text;
  }
  if (!shown.known || shown.read_only != edit.ReadOnly || shown.color != edit.Color) {
    FSurface->SetReadOnly(
        widget, edit.ReadOnly,
        edit.Color == TControlColor::clBtnFace ? platform::TFillColour::fcButtonFace : platform::TFillColour::fcWindow);
    shown.read_only = edit.ReadOnly;
    shown.color = edit.Color;
  }
  ShowEnabled(id, edit.Enabled);
}

void TFormWindow::ShowModel(const TFormModel& model) {
  if (!Live()) return;
  for (const TControlRow& row : ControlTable()) {
    TShown& shown = FShown[static_cast<std::size_t>(row.Id)];
    if (const TEditControl* edit = EditOf(model, row.Id)) {
      ShowEdit(row.Id, *edit, IsMasked(row.Id) ? Unpadded(edit->Text) : edit->Text);
    } else if (const TButtonControl* button = ButtonOf(model, row.Id)) {
      ShowEnabled(row.Id, button->Enabled);
    } else if (row.Id == TControlId::ciCheckBoxPostPutAsFileName) {
      const TCheckBoxControl& box = model.CheckBoxPostPutAsFileName;
      if (!shown.known || shown.checked != box.Checked) FSurface->SetChecked(WidgetId(row.Id), box.Checked);
      shown.checked = box.Checked;
      ShowEnabled(row.Id, box.Enabled);
    } else if (row.Id == TControlId::ciRadioGroupMethod) {
      const TRadioGroupControl& group = model.RadioGroupMethod;
      if (!shown.known || shown.item != group.ItemIndex) FSurface->SetSelectedItem(WidgetId(row.Id), group.ItemIndex);
      shown.item = group.ItemIndex;
      ShowEnabled(row.Id, group.Enabled);
    } else {
      continue;
    }
    shown.known = true;
  }
  const int log = WidgetId(TControlId::ciRichEditStatus);
  // The controller only appends; a shorter log is a new one.
  if (model.StatusLog.size() < FLogLinesShown) FLogLinesShown = 0;
  for (; FLogLinesShown < model.StatusLog.size(); ++FLogLinesShown) {
    FSurface->AppendLine(log, model.StatusLog[FLogLinesShown]);
  }
  if (model.LogScrolledToEnd != FScrollsShown) {
    FScrollsShown = model.LogScrolledToEnd;
    FSurface->ScrollToEnd(log);
  }
}

void TFormWindow::OnWidgetClick(int id) {
  switch (static_cast<TControlId>(id - kFirstWidgetId)) {
    case TControlId::ciButtonConnect:
      FForm.ButtonDownLoadClick();
      break;
    case TControlId::ciButtonAbort:
      FForm.ButtonAbortClick();
      break;
    case TControlId::ciButtonSaveAsHeader:
      ButtonSaveAsHeaderClick();
      break;
    case TControlId::ciButtonSaveAsBody:
      ButtonSaveAsBodyClick();
      break;
    case TControlId::ciButtonOpenPostPut:
      ButtonOpenPostPutClick();
      break;
    case TControlId::ciCheckBoxPostPutAsFileName:
      CheckBoxPostPutAsFileNameClick();
      break;
    default:
      break;
  }
}

void TFormWindow::OnWidgetChange(int id) {
  if (id == WidgetId(TControlId::ciEditPostPut)) FForm.EditPostPutChange();
}

void TFormWindow::OnWidgetMenu(int id, int item) {
  if (id != WidgetId(TControlId::ciRichEditStatus) || item < 0 ||
      static_cast<std::size_t>(item) >= StatusMenu().size() || !Live()) {
    return;
  }
  using platform::TEditCommand;
  switch (StatusMenu()[static_cast<std::size_t>(item)].Action) {
    case TStatusMenuAction::maCut:
      FSurface->RunEditCommand(id, TEditCommand::ecCut);
      break;
    case TStatusMenuAction::maCopy:
      FSurface->RunEditCommand(id, TEditCommand::ecCopy);
      break;
    case TStatusMenuAction::maPaste:
      FSurface->RunEditCommand(id, TEditCommand::ecPaste);
      break;
    case TStatusMenuAction::maDelete:
      FSurface->RunEditCommand(id, TEditCommand::ecDelete);
      break;
    case TStatusMenuAction::maSelectAll:
      FSurface->RunEditCommand(id, TEditCommand::ecSelectAll);
      break;
    case TStatusMenuAction::maSeparator:
      break;
  }
}

void TFormWindow::OnClientResize(std::int32_t width, std::int32_t height) {
  Layout(width, height);
}

void TFormWindow::CheckBoxPostPutAsFileNameClick() {
  if (!Live()) return;
  TFormModel& model = FForm.Model();
  ReadModel(model);
  model.ButtonOpenPostPut.Enabled = model.CheckBoxPostPutAsFileName.Checked;
  ShowModel(model);
}

void TFormWindow::ChooseInto(std::size_t index) {
  if (!Live() || index >= FileDialogs().size()) return;
  const TFileDialogRow& dialog = FileDialogs()[index];
  std::string path;
  if (!FSurface->ChooseFile(
          dialog.Kind == TFileDialogKind::fdSave ? platform::TChooserKind::chSave : platform::TChooserKind::chOpen,
          dialog.Title, &path)) {
    return;
  }
  TFormModel& model = FForm.Model();
  ReadModel(model);
  EditOf(model, dialog.ResultTo)->Text = path;
  if (dialog.ResultTo == TControlId::ciEditPostPut) {
    // A data file picked: it is sent as a file, and the box counts as
    // edited.
    model.CheckBoxPostPutAsFileName.Checked = true;
    model.ButtonOpenPostPut.Enabled = true;
    FForm.EditPostPutChange();
  }
  ShowModel(model);
}

}  // namespace tolvar::client
