#pragma once
#include "unitconfig.h"

// KV310's one configuration, owned by the program for its whole run: the
// window shows and edits it, the file commands load and save it, the unit
// commands read it from and write it to the unit. Everything below the
// window is handed the configuration it works on.
UnitConfig& Config();
