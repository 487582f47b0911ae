#pragma once
// What a link benchmark runs against: the baud rate from its command line
// (--baud N, 9600 by default), a scratch program folder for Locals.ini and
// the error log, and kv310-sim on a pseudo-terminal behind port Com9.
#include "appinfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

class SimBench {
public:
    ~SimBench()
    {
        sim_.terminate();
        sim_.waitForFinished();
    }

    // 0 when the simulator runs; otherwise the exit code, after saying why
    // (2 for bad usage, 1 when the simulator does not start).
    int start(const char* program)
    {
        const QStringList args = QCoreApplication::arguments();
        if (args.size() == 3 && args[1] == QLatin1String("--baud"))
            baud_ = args[2].toInt();
        if (args.size() != 1 && args.size() != 3)
            baud_ = 0;
        if (baud_ <= 0) {
            std::fprintf(stderr, "usage: %s [--baud N]\n", program);
            return 2;
        }
        App().folder = folder_.path();
        sim_.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("kv310-sim")),
                   {QStringLiteral("--baud"), QString::number(baud_)});
        if (!sim_.waitForStarted() || !sim_.waitForReadyRead(5000)) {
            std::fprintf(stderr, "kv310-sim did not start\n");
            return 1;
        }
        qputenv("KV310_COM9", sim_.readLine().trimmed());
        return 0;
    }

    int baud() const { return baud_; }
    QString port() const { return QStringLiteral("Com9"); }
    QString scratch(const QString& name) const { return folder_.filePath(name); }

private:
    int baud_ = 9600;
    QTemporaryDir folder_;
    QProcess sim_;
};
