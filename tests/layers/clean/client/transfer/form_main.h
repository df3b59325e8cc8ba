#pragma once

#include "client/support/exit_code.h"
#include "client/transfer/form_model.h"
