// The lowest client folder reaching up into the options: the checker must
// refuse it.
#include "client/options/command_line_option.h"
#include "client/support/std_err.h"
