#pragma once

#include <string>

#include "http/engine.h"
#include "platform/system.h"
