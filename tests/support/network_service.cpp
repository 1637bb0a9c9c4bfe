#include "network_service.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

namespace zorvan::test {

namespace {

QString binary(const char *name)
{
    return QStringLiteral(ZORVAN_BIN_DIR "/") + QLatin1String(name);
}

} // namespace

NetworkService::NetworkService() = default;

NetworkService::~NetworkService()
{
    if (m_service.state() != QProcess::NotRunning) {
        m_service.kill();
        m_service.waitForFinished(3000);
    }
}

QString NetworkService::skipReason() const
{
    for (const char *name : { "zorvan", "zorvan-sim" }) {
        if (!QFileInfo(binary(name)).isExecutable())
            return binary(name) + QStringLiteral(" is not built");
    }
    if (QStandardPaths::findExecutable(QStringLiteral("curl")).isEmpty())
        return QStringLiteral("curl is not installed");
    return {};
}

bool NetworkService::start(const QVariantMap &values)
{
    const QString link = m_dir.filePath(QStringLiteral("tty"));
    const QString settings = m_dir.filePath(QStringLiteral("station.ini"));
    m_board.start(binary("zorvan-sim"), { QStringLiteral("--link"), link });
    if (m_board.next(QStringLiteral("ready")).isEmpty())
        return false;
    {
        QSettings ini(settings, QSettings::IniFormat);
        ini.setValue(QStringLiteral("Ports/COM1"), link);
        ini.setValue(QStringLiteral("RODIREZ500+/COMSelected"), 1);
        ini.setValue(QStringLiteral("RODIREZ500+/AutoPS"), 1);
        ini.setValue(QStringLiteral("RODIREZ500+/RTSwitch"), 1);
        ini.setValue(QStringLiteral("RODIREZ500+/AutoPSDelay"), 3);
        ini.setValue(QStringLiteral("RODIREZ500+/InsertDate"), QStringLiteral("False"));
        ini.setValue(QStringLiteral("Driver/SongSource"), QStringLiteral("Network"));
        ini.setValue(QStringLiteral("Network/HttpListen"), QStringLiteral("127.0.0.1:0"));
        ini.setValue(QStringLiteral("Network/LineListen"), QStringLiteral("127.0.0.1:0"));
        for (auto it = values.begin(); it != values.end(); ++it)
            ini.setValue(it.key(), it.value());
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS" })
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    m_service.setProcessEnvironment(env);
    m_service.start(
        binary("zorvan"), { QStringLiteral("--headless"), QStringLiteral("--settings"), settings });
    if (!waitForLog(QStringLiteral("running without a window")))
        return false;
    const QString said = log();
    const QRegularExpression http(QStringLiteral("songs over HTTP on \\S+:(\\d+)"));
    const QRegularExpression line(QStringLiteral("songs over TCP(?: and UDP)? on \\S+:(\\d+)"));
    m_httpPort = static_cast<quint16>(http.match(said).captured(1).toUInt());
    m_linePort = static_cast<quint16>(line.match(said).captured(1).toUInt());
    return true;
}

QString NetworkService::url(const QString &pathAndQuery) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_httpPort).arg(pathAndQuery);
}

QString NetworkService::log()
{
    return m_log += QString::fromLocal8Bit(m_service.readAllStandardError());
}

bool NetworkService::waitForLog(const QString &text, int withinMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!log().contains(text)) {
        if (clock.elapsed() > withinMs || m_service.state() == QProcess::NotRunning)
            return log().contains(text);
        m_service.waitForReadyRead(100);
    }
    return true;
}

NetworkService::Answer NetworkService::curl(const QStringList &arguments)
{
    QProcess curl;
    curl.start(QStringLiteral("curl"),
        QStringList { QStringLiteral("-s"), QStringLiteral("-w"), QStringLiteral("\n%{http_code}"),
            QStringLiteral("--max-time"), QStringLiteral("10") }
            + arguments);
    if (!curl.waitForFinished(15000))
        return {};
    QByteArray out = curl.readAllStandardOutput();
    const qsizetype cut = out.lastIndexOf('\n');
    Answer answer;
    bool ok = false;
    answer.status = out.mid(cut + 1).toInt(&ok);
    if (!ok)
        answer.status = -1;
    answer.body = out.left(cut);
    return answer;
}

} // namespace zorvan::test
