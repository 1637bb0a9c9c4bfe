#pragma once

#include <QObject>

namespace zorvan {

// SIGTERM, SIGINT and SIGHUP turned into signals of the event loop: the
// handlers only write a byte, everything else runs on the main thread.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);

signals:
    void terminate(); // SIGTERM, SIGINT
    void hangUp(); // SIGHUP
};

} // namespace zorvan
