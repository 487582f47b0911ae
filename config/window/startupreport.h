#pragma once
#include <QElapsedTimer>

// For the start-up benchmark: when KV310_STARTUP_REPORT is set, prints the
// time from the start of main to the main window being shown and the
// resident memory, then ends the program once the window has appeared.
void ReportStartupWhenAsked(const QElapsedTimer& sinceStart);
