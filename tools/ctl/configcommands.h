#pragma once
#include <QStringList>

// The configuration subcommands of kv310ctl (args[0] is the subcommand):
//   dump FILE.dtd
//   download --port PORT --out FILE.dtd
//   upload --port PORT FILE.dtd [--settings-only | --flash-only]
// PORT is "ComN" or a device path. Returns the exit status (ExitStatus:
// kShowUsage for bad usage); sets *handled false for any other subcommand.
int RunConfigCommand(const QStringList& args, bool* handled);
QString ConfigCommandsUsage();
