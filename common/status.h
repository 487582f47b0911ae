#pragma once
#include <QString>
#include <functional>

// The status line: the main window shows it in its "msg" panel, the
// command-line tool prints it, tests read it back. Core code reports
// progress and outcomes through ShowStatus without knowing which.
void ShowStatus(const QString& text);
// The last text shown (kept for tests and for the command-line tool).
QString LastStatus();
// Installs where status texts go; an empty function only keeps LastStatus.
void SetStatusSink(std::function<void(const QString&)> sink);
