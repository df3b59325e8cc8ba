// Allowed: a layer including itself and the layers below it, and an OS
// header in a platform file.
#include <unistd.h>

#include "platform/system.h"
