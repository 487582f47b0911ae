#pragma once
// Built into the library kv_fwctl (defined in fwloader/CMakeLists.txt);
// link it with kv310ctl.
#include <QString>
#include <QStringList>

// The firmware subcommands of kv310ctl. args[0] is the subcommand:
//   make-dff HEX --unit NAME --major M --minor N --chip C --out FILE.dff
//   check-dff FILE.dff
//   flash --port PORT FILE.dff [--yes]     (PORT: "ComN" or a device path)
// Returns the exit code (0 success, 1 failure, 2 bad usage). Sets *handled
// to false (and returns 2) for a subcommand that is not one of these.
// Progress and messages go to stderr, results to stdout. flash runs the
// event loop: the caller has created the QCoreApplication.
int RunFwCommand(const QStringList& args, bool* handled);

// Usage lines of the subcommands above, for the tool's help text.
QString FwCommandsUsage();
