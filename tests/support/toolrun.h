#pragma once
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

// One run of a program of the suite, as a user starts it.
struct ToolRun {
    int code = -1;   // -1: killed by a signal, or it did not finish in time
    QByteArray out;
    QByteArray err;
};

// Runs program with args; inChild runs in the child before the program
// starts (limits, another user).
inline ToolRun RunTool(const QString& program, const QStringList& args,
                       const std::function<void()>& inChild = {}, int timeoutMs = 60000)
{
    QProcess p;
    if (inChild)
        p.setChildProcessModifier(inChild);
    p.start(program, args);
    ToolRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}
