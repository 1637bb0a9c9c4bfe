#include "web/station_page.h"

#include "content/dynamic_ps.h"
#include "station/station.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace zorvan {

namespace {

// The page shows the end of the log; the service keeps more.
constexpr int kLogLinesShown = 50;

QString originName(SongOrigin origin)
{
    switch (origin) {
    case SongOrigin::File:
        return QStringLiteral("file");
    case SongOrigin::Player:
        return QStringLiteral("player");
    case SongOrigin::Network:
        return QStringLiteral("network");
    }
    return QString();
}

} // namespace

QJsonObject statusDocument(const Station &station)
{
    const StationSettings &record = station.record();
    const LabelList labels = LabelList::fromSettings(record);
    QJsonArray shown;
    for (int i = 0; i < kLabelCount; ++i) {
        const int delay = labels.delays[static_cast<std::size_t>(i)];
        if (delay > 0)
            shown.append(QJsonObject { { QStringLiteral("text"), labels.texts[static_cast<std::size_t>(i)] },
                { QStringLiteral("seconds"), delay } });
    }

    QJsonObject song { { QStringLiteral("source"), originName(station.options().songOrigin) },
        { QStringLiteral("shown"), station.autoUpdate().SongDisplay } };
    if (station.options().songOrigin == SongOrigin::File)
        song.insert(QStringLiteral("file"), record.AutoPSPath);
    else if (station.options().songOrigin == SongOrigin::Player)
        song.insert(QStringLiteral("player"), station.options().playerName);
    const NetworkSongSource &network = station.networkSource();
    if (const std::optional<NetworkSong> last = network.song()) {
        song.insert(QStringLiteral("last"),
            QJsonObject { { QStringLiteral("fields"), QJsonArray::fromStringList(last->fields) },
                { QStringLiteral("line"), last->firstLine }, { QStringLiteral("from"), network.songPeer() },
                { QStringLiteral("at"), network.songTime().toString(Qt::ISODate) } });
    } else {
        song.insert(QStringLiteral("last"), QJsonValue());
    }

    const std::optional<QString> fault = station.linkFault();
    const QJsonObject link { { QStringLiteral("ok"), !fault },
        { QStringLiteral("fault"), fault ? QJsonValue(*fault) : QJsonValue() },
        { QStringLiteral("status"), station.statusText() } };

    const QStringList lines = station.logLines();
    return QJsonObject {
        { QStringLiteral("labels"), shown },
        { QStringLiteral("radioText"), record.RT },
        { QStringLiteral("rdsActive"), record.RDSActive },
        { QStringLiteral("song"), song },
        { QStringLiteral("onAir"),
            station.songHeldByProgramme()       ? QStringLiteral("programme")
                : station.onAir() == OnAir::Station ? QStringLiteral("station")
                                                    : QStringLiteral("song") },
        { QStringLiteral("programme"),
            station.programmeInForce() ? QJsonValue(*station.programmeInForce()) : QJsonValue() },
        { QStringLiteral("link"), link },
        { QStringLiteral("log"),
            QJsonArray::fromStringList(lines.mid(std::max<qsizetype>(0, lines.size() - kLogLinesShown))) },
    };
}

NetworkView stationPageView(const Station &station)
{
    return [&station](const QString &path) -> std::optional<ViewResponse> {
        if (path == QLatin1String("/status"))
            return ViewResponse { QByteArrayLiteral("application/json"),
                QJsonDocument(statusDocument(station)).toJson(QJsonDocument::Compact) };
        if (path == QLatin1String("/")) {
            QFile page(QStringLiteral(":/web/index.html"));
            if (!page.open(QIODevice::ReadOnly))
                return std::nullopt;
            return ViewResponse { QByteArrayLiteral("text/html; charset=utf-8"), page.readAll() };
        }
        return std::nullopt;
    };
}

} // namespace zorvan
