#include "model/station_settings.h"
#include "settings/settings_backend.h"
#include "ui/form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("zorvan"));
    app.setOrganizationName(QStringLiteral("KVL Systems"));
    // The window may sit in the tray with no window shown; only closing it
    // ends the program.
    app.setQuitOnLastWindowClosed(false);

    zorvan::IniSettingsBackend backend(zorvan::IniSettingsBackend::defaultFilePath());
    zorvan::StationSettings settings;
    zorvan::Form1 form(settings, backend);
    QObject::connect(&form, &zorvan::Form1::shutDown, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    form.startUp();
    return app.exec();
}
