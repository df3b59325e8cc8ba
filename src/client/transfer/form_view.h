// A view of the form model: the window that shows TFormModel to the user.
//
// How the two stay in step: the controller (TFormMain) owns the model and
// runs in steps, each started by one event (the creation, a button, a
// worker's message, the close). At the start of a step it calls ReadModel,
// so the user's edits are in the model before the controller reads it; at
// its end it calls ShowModel, so whatever the step changed reaches the
// controls. Steps nested in another (a message handled while the controller
// waits for a worker) do neither: the outermost step reads once and shows
// once. The view never learns of a change any other way, and the
// controller never touches a control.
#pragma once

#include "client/transfer/form_model.h"

namespace tolvar::client {

class TFormView {
 public:
  virtual ~TFormView() = default;
  // Controls -> model: what the user can change (texts, the method, the
  // check box). Enabled, read-only, colour and the log are the
  // controller's and are left alone.
  virtual void ReadModel(TFormModel& model) = 0;
  // Model -> controls: everything that differs from what is shown; the log
  // lines added since the last call are appended after whatever the log
  // holds.
  virtual void ShowModel(const TFormModel& model) = 0;
};

}  // namespace tolvar::client
