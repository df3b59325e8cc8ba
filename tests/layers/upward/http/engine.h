// A lower layer reaching up: the checker must refuse it.
#pragma once

#include "client/options/command_line_option.h"
