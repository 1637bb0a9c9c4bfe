#include "content/player_song_source.h"
#include "instance_channel.h"
#include "service.h"
#include "settings/instance_lock.h"
#include "settings/settings_backend.h"
#include "termination.h"
#include "ui/driver.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

using namespace zorvan;

// Whether the program will show a window. Decided before any application
// object exists: a window needs a display, and --help, --version and the
// service must work without one.
bool wantsWindow(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char *flag : { "--headless", "--help", "-h", "--help-all", "--version", "-v" }) {
            if (std::strcmp(argv[i], flag) == 0)
                return false;
        }
    }
    return true;
}

void printError(const QString &text)
{
    std::fprintf(stderr, "zorvan: %s\n", qPrintable(text));
}

// A second driver on the same settings file would save over the first's
// settings and upload to the same board. The window that runs comes
// forward; a service that runs is named.
int alreadyRunning(const QString &settingsPath, qint64 pid, bool window)
{
    const std::optional<InstanceChannel::Kind> running = InstanceChannel::askRunning(settingsPath);
    const QString text = running == InstanceChannel::Kind::Service
        ? QObject::tr(
            "The ZORVAN Q500+ driver already runs as a service (process %1) on the settings file %2.")
              .arg(pid)
              .arg(settingsPath)
        : QObject::tr("The ZORVAN Q500+ driver already runs (process %1) on the settings file %2.")
              .arg(pid)
              .arg(settingsPath);
    printError(text);
    if (window && running != InstanceChannel::Kind::Window) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("ZORVAN Q500+"), text, QMessageBox::Ok);
        box.exec();
    }
    return 1;
}

int runWindow(QApplication &app, IniSettingsBackend &settings)
{
    // The window may sit in the tray with no window shown; only closing it
    // ends the program.
    app.setQuitOnLastWindowClosed(false);
    Driver driver(settings);
    // Dialogs and the desktop's task switcher show the same icon as the window.
    QApplication::setWindowIcon(driver.window().windowIcon());
    // exit() rather than quit(): quit() first asks every window to close,
    // and an About window that is still filling its bar refuses.
    QObject::connect(
        &driver.window(), &Form1::shutDown, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);

    InstanceChannel channel(settings.filePath(), InstanceChannel::Kind::Window);
    QObject::connect(&channel, &InstanceChannel::comeForward, &driver.window(), [&driver] {
        if (driver.station().isLoaded())
            driver.window().returnFromTray();
    });

    // A logout, a system shutdown or `kill` closes the window the ordinary
    // way: a running upload finishes first and the settings are saved, with
    // no message left waiting for a click. Before the settings were loaded
    // (the splash) the program ends at once and leaves the file alone.
    TerminationSignals termination;
    const auto end = [&driver] {
        driver.station().setTerminating();
        if (!driver.station().isLoaded()) {
            // Not quit(): it asks every window to close first, and the
            // splash refuses until its bar is full.
            QCoreApplication::exit(0);
            return;
        }
        driver.window().close();
    };
    QObject::connect(&termination, &TerminationSignals::terminate, &app, end);
    QObject::connect(&termination, &TerminationSignals::hangUp, &app, end);

    driver.startUp();
    return app.exec();
}

} // namespace

static int runProgram(int argc, char *argv[])
{
    const bool window = wantsWindow(argc, argv);
    std::unique_ptr<QCoreApplication> app = window ? std::make_unique<QApplication>(argc, argv)
                                                   : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zorvan"));
    QCoreApplication::setOrganizationName(QStringLiteral("KVL Systems"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZORVAN_VERSION));
    if (window)
        QGuiApplication::setDesktopFileName(QStringLiteral("zorvan"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QObject::tr(
        "Driver of the ZORVAN Q500+ RDS encoder: edits the station's RDS settings, sends them to the "
        "encoder on a serial port or a serial device server, and keeps the PS labels and the radio text "
        "following the song on air."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption headless(QStringLiteral("headless"),
        QObject::tr("Run without a window, as a service: follow the song file and send to the encoder, "
                    "with one log line per transmission or fault on standard error. SIGHUP reads the "
                    "settings again; SIGTERM lets a running transmission finish, then ends."));
    const QCommandLineOption settingsFile(QStringLiteral("settings"),
        QObject::tr("Use FILE as the settings file (default: %1). One driver runs per settings file, "
                    "so one computer can drive several encoders.")
            .arg(IniSettingsBackend::defaultFilePath()),
        QStringLiteral("FILE"));
    parser.addOptions({ headless, settingsFile });
    parser.process(*app); // --help and --version print and end here

    if (!parser.positionalArguments().isEmpty()) {
        printError(
            QObject::tr("unexpected argument %1; see --help").arg(parser.positionalArguments().first()));
        return 2;
    }
    const QString settingsPath = parser.isSet(settingsFile)
        ? QFileInfo(parser.value(settingsFile)).absoluteFilePath()
        : IniSettingsBackend::defaultFilePath();
    QDir().mkpath(QFileInfo(settingsPath).absolutePath());

    InstanceLock lock(settingsPath);
    if (!lock.tryLock()) {
        if (lock.holderPid() == 0) {
            printError(QObject::tr("cannot create the lock file %1").arg(lock.lockFilePath()));
            return 1;
        }
        return alreadyRunning(settingsPath, lock.holderPid(), window);
    }
    // Holding the lock, nobody else saves: what a killed save left is ours to remove.
    IniSettingsBackend::removeSaveLeftovers(settingsPath);
    IniSettingsBackend settings(settingsPath);

    if (!window)
        return runService(*app, settings);
    return runWindow(static_cast<QApplication &>(*app), settings);
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
