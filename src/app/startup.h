#pragma once

#include "instance_channel.h"

#include <QString>

#include <optional>

namespace zorvan {

class CommandLine;
class InstanceLock;

// The settings file the options name, as an absolute path.
QString settingsPathOf(const CommandLine &commandLine);

// Why a service cannot run on the settings file at `path`: it does not
// exist, is a folder or cannot be read. Empty when it can. A service that
// started on factory settings would drive /dev/ttyS0 with texts nobody
// chose, so a typo in a unit must stop it rather than look like a first
// start.
QString settingsFileProblem(const QString &path);

// Takes the lock of `settingsPath`. When that fails, the line to print and
// what already runs there.
struct LockRefusal {
    QString text;
    std::optional<InstanceChannel::Kind> running;
};
std::optional<LockRefusal> takeInstanceLock(InstanceLock &lock, const QString &settingsPath);

} // namespace zorvan
