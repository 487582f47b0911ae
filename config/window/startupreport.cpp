#include "startupreport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {
// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); -1 when unknown.
long StatusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}
} // namespace

void ReportStartupWhenAsked(const QElapsedTimer& sinceStart, const QWidget* window)
{
    if (qEnvironmentVariableIsEmpty("KV310_STARTUP_REPORT"))
        return;
    // Queued behind the events of showing the window.
    QTimer::singleShot(0, [sinceStart, window] {
        std::printf("startup_ms %.1f\nvmrss_kb %ld\nvmhwm_kb %ld\ncaption %s\n", sinceStart.nsecsElapsed() / 1e6,
                    StatusKb("VmRSS"), StatusKb("VmHWM"), window->windowTitle().toLocal8Bit().constData());
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
}
