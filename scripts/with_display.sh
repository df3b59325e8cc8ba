#!/usr/bin/env bash
# with_display.sh COMMAND...: runs COMMAND with an X display. Wine programs
# open windows and need one; without a display they fail or wait. A display
# already given ($DISPLAY, as under scripts/test.sh's xvfb-run) is used as it
# is; otherwise COMMAND runs under a virtual server of its own.
if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi
exec xvfb-run -a "$@"
