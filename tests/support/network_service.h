#pragma once

#include "json_line_process.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QVariantMap>

namespace zorvan::test {

// The real `zorvan --headless` taking its songs from the network, with the
// real `zorvan-sim` as the board on a pseudo-terminal. Its listeners bind
// free ports on loopback unless `values` says otherwise; the ports bound
// are read from its log.
class NetworkService {
public:
    NetworkService();
    ~NetworkService();

    // Starts the board and the service; `values` ("section/key") go into the
    // settings file beside the song source and the listen addresses.
    bool start(const QVariantMap &values = {});
    QString skipReason() const;

    quint16 httpPort() const { return m_httpPort; }
    quint16 linePort() const { return m_linePort; }
    QString url(const QString &pathAndQuery) const;
    JsonLineProcess &board() { return m_board; }
    // Everything the service logged so far.
    QString log();
    bool waitForLog(const QString &text, int withinMs = 20000);
    qint64 pid() const { return m_service.processId(); }

    // curl, as a play-out's HTTP-GET output or a script would call it: the
    // status code, or -1 when curl could not run.
    struct Answer {
        int status = -1;
        QByteArray body;
    };
    static Answer curl(const QStringList &arguments);

private:
    QTemporaryDir m_dir;
    JsonLineProcess m_board;
    QProcess m_service;
    QString m_log;
    quint16 m_httpPort = 0;
    quint16 m_linePort = 0;
};

} // namespace zorvan::test
