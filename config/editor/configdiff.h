#pragma once
#include <QStringList>

struct UnitConfig;

// What differs between two configurations, in the form of their listings
// (configlisting.h): for every section with a difference its title, then
// for each line that differs "- " and the line of `before`, "+ " and the
// line of `after`. A title that itself differs shows as "- " and "+ "
// lines as well. Empty when the listings show the same data.
QStringList ConfigDifferences(const UnitConfig& before, const UnitConfig& after);
