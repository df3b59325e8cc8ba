// The settings between the option set and the window's controls: into the
// controls when the window is created, back when it closes (to be saved).
#pragma once

#include "client/options/command_line_option.h"
#include "client/transfer/form_model.h"

namespace tolvar::client {

// The method (its top bit masked off), every edit box, the masked boxes as
// their masks show them, the POST/PUT box and its as-file-name box (the
// file button enabled exactly when that is ticked).
void SettingsToModel(const TCommandLineOption& options, TFormModel& model);

// The method, the edit boxes unchanged, the masked boxes without the blanks
// around their digits, the credentials (the ini writer never stores them)
// and the as-file-name box. The POST/PUT text and the window
// rectangle are the form's to decide.
void ModelToSettings(const TFormModel& model, TCommandLineOption& options);

}  // namespace tolvar::client
