// Allowed: the top client folder including every lower one and the layers
// below the client.
#include "client/entry/program_body.h"
#include "client/support/exit_code.h"
#include "client/transfer/form_main.h"
#include "http/engine.h"
