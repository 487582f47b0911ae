#pragma once
#include <QElapsedTimer>

class QWidget;

// For the start-up benchmark and the program's own tests: when
// KV310_STARTUP_REPORT is set, prints the time from the start of main to
// the main window being shown, the resident memory and the window's
// caption, then ends the program once the window has appeared.
void ReportStartupWhenAsked(const QElapsedTimer& sinceStart, const QWidget* window);
