#pragma once
#include <QString>

struct UnitConfig;

// A readable listing of a configuration: settings, options by name, the
// three events, each sequence as "01 [LBL] actions" and the ASCII strings.
QString ConfigListing(const UnitConfig& config);
