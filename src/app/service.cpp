#include "service.h"

#include "instance_channel.h"
#include "log_output.h"
#include "service_manager.h"

#include "link/com_port_map.h"
#include "settings/settings_backend.h"
#include "station/station.h"
#include "termination.h"
#include "web/station_page.h"

namespace zorvan {

int runService(QCoreApplication &app, IniSettingsBackend &settings)
{
    Station station(settings);
    station.networkSource().setView(stationPageView(station));
    // A window started on the same settings file asks what runs here.
    InstanceChannel channel(settings.filePath(), InstanceChannel::Kind::Service);
    station.setUnattended(true);
    QObject::connect(&station, &Station::logged, &app, &writeLogLine);

    ServiceManager serviceManager;
    TerminationSignals termination;
    const auto end = [&app, &station] {
        if (station.shutDown())
            app.quit();
    };
    QObject::connect(&termination, &TerminationSignals::terminate, &app, [&station, &serviceManager, end] {
        serviceManager.stopping();
        station.setTerminating();
        end();
    });
    // The transmission that held up the end has finished.
    QObject::connect(&station, &Station::readyToClose, &app, end, Qt::QueuedConnection);
    QObject::connect(&termination, &TerminationSignals::hangUp, &app, [&settings, &station, &serviceManager] {
        serviceManager.reload([&settings, &station] {
            settings.reload();
            station.reloadSettingsFile();
        });
    });

    station.beginStartUp();
    station.load();
    // Nobody looks at the preview or the clock page.
    station.previewTimer().stop();
    station.clockTimer().stop();
    const StationSettings &record = station.record();
    const DriverOptions &options = station.options();
    const QString song = options.songOrigin == SongOrigin::File
        ? QStringLiteral("song file %1").arg(record.AutoPSPath)
        : options.songOrigin == SongOrigin::Network
        ? QStringLiteral("songs from the network")
        : QStringLiteral("media player %1")
              .arg(options.playerName.isEmpty() ? QStringLiteral("(whichever plays)") : options.playerName);
    const QString running = QStringLiteral("zorvan %1 running without a window; settings %2; COM%3 is %4; %5")
                                .arg(QCoreApplication::applicationVersion(), settings.filePath())
                                .arg(record.COMSelected)
                                .arg(comPortDevice(settings, record.COMSelected), song);
    writeLogLine(running, LogPriority::Info);
    serviceManager.ready(running);
    return app.exec();
}

} // namespace zorvan
