#pragma once

// kv310ctl's exit status, shared by its commands.
namespace ExitStatus {
constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kDifferent = 1;   // diff: the files differ
constexpr int kUsage = 2;       // bad usage, or (diff) a file that cannot be read
// Returned by a command for bad usage it has not explained: the tool
// prints the commands' usage and exits with kUsage.
constexpr int kShowUsage = -1;
} // namespace ExitStatus
