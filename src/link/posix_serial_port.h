#pragma once

#include "link/serial_port.h"

#include <QStringList>

namespace zorvan {

// A terminal device opened with termios: /dev/ttyS*, /dev/ttyUSB*, and the
// pseudo-terminal that zorvan-sim listens on.
//
// A port counts as held by another program when that program has it
// locked exclusively (TIOCEXCL, refused to everyone but root), holds an
// flock() on it, or has a live UUCP lock file "LCK..name" in one of
// `lockDirectories`, as minicom and Qt's own serial ports leave. While
// open, this port holds the first two itself.
class PosixSerialPort : public SerialPort {
public:
    explicit PosixSerialPort(QStringList lockDirectories = defaultLockDirectories());
    ~PosixSerialPort() override;

    PosixSerialPort(const PosixSerialPort &) = delete;
    PosixSerialPort &operator=(const PosixSerialPort &) = delete;

    OpenOutcome open(const QString &device, const std::optional<LineSettings> &line) override;
    WriteOutcome write(const QByteArray &bytes, std::chrono::milliseconds timeout) override;
    WriteOutcome drain(std::chrono::milliseconds timeout) override;
    void close() override;
    bool isOpen() const override { return m_fd >= 0; }

    // The settings the next open without settings of its own applies.
    LineSettings lineSettings() const { return m_line; }

    static QStringList defaultLockDirectories();

    // "LCK..ttyS0" for /dev/ttyS0, "LCK..pts_3" for /dev/pts/3.
    static QString lockFileName(const QString &device);

private:
    bool lockedByLiveProcess(const QString &device) const;
    bool liveLockIn(const QString &lockName) const;
    OpenOutcome configure(const LineSettings &line);

    QStringList m_lockDirectories;
    LineSettings m_line = kInitialLineSettings;
    int m_fd = -1;
    bool m_pendingOutput = false; // written since the last successful drain
};

} // namespace zorvan
