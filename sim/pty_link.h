#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

namespace zorvan::sim {

// The board's end of the serial line: a pseudo-terminal whose slave side
// is published under a path of the user's choice, so the driver can open
// it as its COM device. The driver opens and closes the port for every
// transmission; this side holds the slave open itself, so the master never
// sees the hang-up of the last close and simply waits for the next open.
class PtyLink : public QObject {
    Q_OBJECT

public:
    explicit PtyLink(QObject *parent = nullptr);
    ~PtyLink() override;

    // Line rates the board knows; any other is refused.
    static bool isSupportedBaud(int baud);

    // Creates the pseudo-terminal (raw, at the given rate) and the symbolic
    // link at linkPath. An existing symbolic link there is replaced; any
    // other kind of file is left alone and the call fails.
    bool open(const QString &linkPath, int baud, QString *error);

    QString deviceName() const { return m_device; }
    QString linkPath() const { return m_linkPath; }

    // Removes the link if it still points at this pseudo-terminal.
    void removeLink();

signals:
    void bytesArrived(const QByteArray &bytes);

private:
    void readAvailable();
    void close();

    int m_master = -1;
    int m_slave = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_retry;
    QString m_device;
    QString m_linkPath;
    bool m_linkMade = false;
};

} // namespace zorvan::sim
