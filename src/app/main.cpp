#include "command_line.h"
#include "content/player_song_source.h"
#include "service.h"
#include "settings/instance_lock.h"
#include "settings/settings_backend.h"
#include "startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

// `zorvan`: the headless service, and the door to the window. The window
// is a program of its own (zorvan-window, beside the other private files of
// the package) so that the service never loads the GUI libraries it has no
// use for; this program reads the options, then runs the service or hands
// the same command line to the window.

namespace {

using namespace zorvan;

int startWindow(char **argv)
{
    if (!displayAvailable()) {
        printError(QObject::tr("no display: use --headless to run without a window"));
        return kExitFailure;
    }
    const QString path = QDir(QCoreApplication::applicationDirPath())
                             .filePath(QStringLiteral(ZORVAN_WINDOW_FROM_BIN "/zorvan-window"));
    const QByteArray program = QFile::encodeName(QDir::cleanPath(path));
    // The same process goes on as the window: a caller that waits for it,
    // or signals it, keeps the process it started.
    ::execv(program.constData(), argv);
    const int error = errno;
    printError(QObject::tr("cannot start the window %1: %2")
                   .arg(QString::fromLocal8Bit(program), QString::fromLocal8Bit(std::strerror(error))));
    return kExitFailure;
}

} // namespace

static int runProgram(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zorvan"));
    QCoreApplication::setOrganizationName(QStringLiteral("KVL Systems"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZORVAN_VERSION));

    CommandLine commandLine;
    if (!commandLine.read(QCoreApplication::arguments()))
        return kExitUsage;
    if (!commandLine.headless())
        return startWindow(argv);

    const QString settingsPath = settingsPathOf(commandLine);
    const QString problem = settingsFileProblem(settingsPath);
    if (!problem.isEmpty()) {
        printError(problem);
        return kExitConfig;
    }
    InstanceLock lock(settingsPath);
    if (const std::optional<LockRefusal> refusal = takeInstanceLock(lock, settingsPath)) {
        printError(refusal->text);
        return kExitFailure;
    }
    // Holding the lock, nobody else saves: what a killed save left is ours to remove.
    IniSettingsBackend::removeSaveLeftovers(settingsPath);
    IniSettingsBackend settings(settingsPath);
    return runService(app, settings);
}

int main(int argc, char *argv[])
{
    const int result = runProgram(argc, argv);
    // A session bus that took the connection and never answered still holds
    // Qt's D-Bus thread, and Qt waits for that thread at exit (libdbus gives
    // up after 25 s). Everything of the program has ended by now.
    if (zorvan::PlayerSongSource::busStillConnecting()) {
        std::fflush(nullptr);
        std::_Exit(result);
    }
    return result;
}
