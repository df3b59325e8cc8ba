// The part of the primary screen that the taskbar leaves free.
#pragma once

#include "client/support/rect.h"

namespace client {

// The whole primary screen less the taskbar's side. Without a taskbar the
// whole screen; where no screen can be asked at all (Linux without a
// display) an area without bounds, so that fitting into it moves nothing.
TRect GetWorkArea();

// The rule behind GetWorkArea: which edge of `screen` the `taskbar`
// rectangle sits on, judged by where its corners lie around the screen's
// centre, and the screen with that one side moved past the taskbar.
TRect WorkAreaBesideTaskbar(const TRect& screen, const TRect& taskbar);

}  // namespace client
