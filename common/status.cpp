#include "status.h"

namespace {
std::function<void(const QString&)> g_sink;
QString g_last;
} // namespace

void ShowStatus(const QString& text)
{
    g_last = text;
    if (g_sink)
        g_sink(text);
}

QString LastStatus() { return g_last; }

void SetStatusSink(std::function<void(const QString&)> sink) { g_sink = std::move(sink); }
