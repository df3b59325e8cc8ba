// The part of the primary screen that the taskbar leaves free.
#pragma once

#include "client/support/rect.h"

namespace tolvar::client {

// The part of the primary screen that the taskbar leaves free: the work area
// the desktop reports where it reports one (Linux), else the whole screen
// less the taskbar's side, or the whole screen without a taskbar. Where no
// screen can be asked at all (Linux without a display, so no window will be
// shown either) an area without bounds, so that fitting into it leaves a
// stored window rectangle as it was.
TRect GetWorkArea();

// The rule behind GetWorkArea: which edge of `screen` the `taskbar`
// rectangle sits on, judged by where its corners lie around the screen's
// centre, and the screen with that one side moved past the taskbar.
TRect WorkAreaBesideTaskbar(const TRect& screen, const TRect& taskbar);

}  // namespace tolvar::client
