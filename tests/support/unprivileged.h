#pragma once
#include <QByteArray>

#include <functional>
#include <optional>

// Runs work in a child process as an ordinary user, so that permission
// checks can be tested when the tests run as root (as in CI). Returns what
// work returned, or nothing when the child could not drop its privileges
// or did not finish normally. Not for use with an event loop running in
// other threads.
std::optional<QByteArray> RunUnprivileged(const std::function<QByteArray()>& work);
