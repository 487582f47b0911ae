#pragma once
// What every benchmark reports with: medians, this process's CPU time, and
// one "figure:" line per measured figure, which bench/run.sh gathers into
// its table.
#include <QList>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

inline double Median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

// User and system CPU time of this process so far.
inline double CpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// measure | value | target | met; an empty target reports without a verdict.
inline void Figure(const QString& measure, const QString& value, const QString& target = {}, bool met = true)
{
    const QString verdict = target.isEmpty() ? QStringLiteral("-") : met ? QStringLiteral("met") : QStringLiteral("MISSED");
    std::printf("figure: %s | %s | %s | %s\n", qPrintable(measure), qPrintable(value),
                qPrintable(target.isEmpty() ? QStringLiteral("-") : target), qPrintable(verdict));
}
