#include "settings/settings_backend.h"
#include "ui/driver.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("zorvan"));
    app.setApplicationDisplayName(QStringLiteral("ZORVAN Q500+"));
    app.setOrganizationName(QStringLiteral("KVL Systems"));
    app.setDesktopFileName(QStringLiteral("zorvan"));
    // The window may sit in the tray with no window shown; only closing it
    // ends the program.
    app.setQuitOnLastWindowClosed(false);

    zorvan::IniSettingsBackend backend(zorvan::IniSettingsBackend::defaultFilePath());
    zorvan::Driver driver(backend);
    // Dialogs and the desktop's task switcher show the same icon as the window.
    QApplication::setWindowIcon(driver.window().windowIcon());
    QObject::connect(&driver.window(), &zorvan::Form1::shutDown, &app, &QCoreApplication::quit,
        Qt::QueuedConnection);
    driver.startUp();
    return app.exec();
}
