#include "command_line.h"
#include "instance_channel.h"
#include "settings/instance_lock.h"
#include "settings/settings_backend.h"
#include "startup.h"
#include "termination.h"
#include "ui/driver.h"
#include "web/station_page.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

// `zorvan-window`: the driver's window. `zorvan` starts it with its own
// command line once it has found the options good and a display there.

namespace {

using namespace zorvan;

int runWindow(QApplication &app, IniSettingsBackend &settings)
{
    // The window may sit in the tray with no window shown; only closing it
    // ends the program.
    app.setQuitOnLastWindowClosed(false);
    Driver driver(settings);
    // The window listens for songs as the service does, with the same page.
    driver.station().networkSource().setView(stationPageView(driver.station()));
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

int main(int argc, char *argv[])
{
    // Started by hand, it refuses as `zorvan` does rather than let Qt abort.
    if (!displayAvailable()) {
        printError(QObject::tr("no display: use zorvan --headless to run without a window"));
        return kExitFailure;
    }
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zorvan"));
    QCoreApplication::setOrganizationName(QStringLiteral("KVL Systems"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZORVAN_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("zorvan"));

    CommandLine commandLine;
    if (!commandLine.read(QCoreApplication::arguments()))
        return kExitUsage;

    const QString settingsPath = settingsPathOf(commandLine);
    // A first start makes the folder and the file; the window then shows
    // the factory settings for the operator to set.
    QDir().mkpath(QFileInfo(settingsPath).absolutePath());
    InstanceLock lock(settingsPath);
    if (const std::optional<LockRefusal> refusal = takeInstanceLock(lock, settingsPath)) {
        printError(refusal->text);
        // A window that runs came forward; anything else is told in a box,
        // for a start from the menu has no terminal to read.
        if (refusal->running != InstanceChannel::Kind::Window && lock.holderPid() != 0) {
            QMessageBox box(
                QMessageBox::Information, QStringLiteral("ZORVAN Q500+"), refusal->text, QMessageBox::Ok);
            box.exec();
        }
        return kExitFailure;
    }
    // Holding the lock, nobody else saves: what a killed save left is ours to remove.
    IniSettingsBackend::removeSaveLeftovers(settingsPath);
    IniSettingsBackend settings(settingsPath);
    return runWindow(app, settings);
}
