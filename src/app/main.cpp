#include "settings/settings_backend.h"
#include "ui/driver.h"

#include <QApplication>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_terminationPipe[2] = { -1, -1 };

void onTermination(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_terminationPipe[1], &byte, 1);
}

// A logout, a system shutdown or `kill` closes the window the ordinary way:
// a running upload finishes first and the settings are saved, with no
// message left waiting for a click. During start-up, before the settings
// were loaded, the program ends at once and leaves the file alone.
void closeOnTermination(QApplication &app, zorvan::Driver &driver)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_terminationPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_terminationPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app, &driver] {
        char byte = 0;
        [[maybe_unused]] const auto read = ::read(g_terminationPipe[0], &byte, 1);
        driver.station().setTerminating();
        if (!driver.station().isLoaded()) {
            app.quit();
            return;
        }
        driver.window().close();
    });
    struct sigaction action { };
    action.sa_handler = onTermination;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : { SIGTERM, SIGINT, SIGHUP })
        ::sigaction(signal, &action, nullptr);
}

} // namespace
#endif

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("zorvan"));
    app.setOrganizationName(QStringLiteral("KVL Systems"));
    app.setDesktopFileName(QStringLiteral("zorvan"));
    // The window may sit in the tray with no window shown; only closing it
    // ends the program.
    app.setQuitOnLastWindowClosed(false);

    zorvan::IniSettingsBackend backend(zorvan::IniSettingsBackend::defaultFilePath());
    zorvan::Driver driver(backend);
    // Dialogs and the desktop's task switcher show the same icon as the window.
    QApplication::setWindowIcon(driver.window().windowIcon());
    QObject::connect(
        &driver.window(), &zorvan::Form1::shutDown, &app, &QCoreApplication::quit, Qt::QueuedConnection);
#ifdef Q_OS_UNIX
    closeOnTermination(app, driver);
#endif
    driver.startUp();
    return app.exec();
}
