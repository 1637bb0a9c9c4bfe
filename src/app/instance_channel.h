#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QLocalServer;

namespace zorvan {

// How a second start finds the driver that already runs on the same
// settings file: the first listens on a local socket named after the file,
// the second asks it to come forward.
class InstanceChannel : public QObject {
    Q_OBJECT

public:
    // What the running driver is.
    enum class Kind { Window, Service };

    InstanceChannel(const QString &settingsFilePath, Kind kind, QObject *parent = nullptr);
    ~InstanceChannel() override;

    // Asks the driver running on `settingsFilePath` to come forward and
    // says what it is; none when it did not answer in time.
    static std::optional<Kind> askRunning(const QString &settingsFilePath);

signals:
    void comeForward();

private:
    QLocalServer *m_server;
    Kind m_kind;
};

} // namespace zorvan
