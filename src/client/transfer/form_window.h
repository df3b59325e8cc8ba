// The main window's visible half: builds the controls of the control table
// on a widget surface, keeps them in step with the form model (TFormView),
// lays them out again when the window is resized, and turns the user's
// clicks into the form's handlers. The handlers that only change controls
// (the file dialogs, the check box, the log's menu) live here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "client/transfer/control_table.h"
#include "client/transfer/form_main.h"
#include "client/transfer/form_view.h"
#include "platform/widget_surface.h"

namespace tolvar::client {

// The surface id of a table row.
inline constexpr int kFirstWidgetId = 100;
inline int WidgetId(TControlId id) {
  return kFirstWidgetId + static_cast<int>(id);
}

class TFormWindow : public TFormView, public platform::TWidgetEvents {
 public:
  // Borrows `form`, which must outlive this object.
  explicit TFormWindow(TFormMain& form);
  // Leaves the form without a view.
  ~TFormWindow() override;
  TFormWindow(const TFormWindow&) = delete;
  TFormWindow& operator=(const TFormWindow&) = delete;

  // Builds every control of the table on `surface` and becomes the form's
  // view. A null surface (a host that shows no window) leaves the form
  // without a view.
  void Attach(std::unique_ptr<platform::TWidgetSurface> surface);
  platform::TWidgetSurface* Surface() { return FSurface.get(); }

  // TFormView
  void ReadModel(TFormModel& model) override;
  void ShowModel(const TFormModel& model) override;

  // platform::TWidgetEvents
  void OnWidgetClick(int id) override;
  void OnWidgetChange(int id) override;
  void OnWidgetMenu(int id, int item) override;
  void OnClientResize(std::int32_t width, std::int32_t height) override;

  void ButtonSaveAsHeaderClick() { ChooseInto(0); }
  void ButtonSaveAsBodyClick() { ChooseInto(1); }
  void ButtonOpenPostPutClick() { ChooseInto(2); }
  void CheckBoxPostPutAsFileNameClick();

 private:
  // What a control showed last, so that only changes reach the surface.
  struct TShown {
    bool known = false;
    std::string text;
    bool enabled = true;
    bool read_only = false;
    TControlColor color = TControlColor::clWindow;
    bool checked = false;
    int item = 0;
  };

  // Runs file dialog `index` of the table and puts the chosen path into
  // its edit box.
  void ChooseInto(std::size_t index);
  void Layout(std::int32_t width, std::int32_t height);
  void ShowEdit(TControlId id, const TEditControl& edit, const std::string& shown_text);
  void ShowEnabled(TControlId id, bool enabled);
  bool Live() const { return FSurface != nullptr && FSurface->Live(); }

  TFormMain& FForm;
  std::unique_ptr<platform::TWidgetSurface> FSurface;
  std::array<TShown, static_cast<std::size_t>(TControlId::ciCount)> FShown{};
  // Model log lines appended to the log control so far, and how often the
  // log was scrolled to its end.
  std::size_t FLogLinesShown = 0;
  int FScrollsShown = 0;
};

}  // namespace tolvar::client
