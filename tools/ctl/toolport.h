#pragma once
#include "anyserialport.h"
#include "tracingserialport.h"

#include <QString>

class TraceWriter;

// The trace of this run of kv310ctl (--trace FILE): every port a command
// opens records into it. Starts the file; false with *error when it cannot.
bool StartToolTrace(const QString& path, QString* error);
TraceWriter* ToolTrace();

// The serial port of a kv310ctl command: the machine's port or a serial
// server's, recorded in the run's trace when there is one.
class ToolPort {
public:
    ToolPort();
    SerialPort& port() { return traced_; }

private:
    AnySerialPort machine_;
    TracingSerialPort traced_;
};
