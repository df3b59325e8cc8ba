// tagsift shares nothing with tolvar.
#include "platform/system.h"
