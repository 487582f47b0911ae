#include "toolport.h"

#include "tracewriter.h"

#include <memory>

namespace {
// One run of the tool writes one file, and no more than this.
constexpr qint64 kMaxTraceBytes = 64 * 1024 * 1024;

std::unique_ptr<TraceWriter> g_trace;
} // namespace

bool StartToolTrace(const QString& path, QString* error)
{
    g_trace = std::make_unique<TraceWriter>(path, kMaxTraceBytes, false);
    if (g_trace->open(error))
        return true;
    g_trace.reset();
    return false;
}

TraceWriter* ToolTrace() { return g_trace.get(); }

ToolPort::ToolPort()
    : traced_(&machine_)
{
    traced_.setTrace(ToolTrace());
}
