#include "log_output.h"

#include <QDateTime>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace zorvan {

namespace {

// syslog(3) levels: LOG_ERR, LOG_WARNING, LOG_INFO.
char levelOf(LogPriority priority)
{
    switch (priority) {
    case LogPriority::Fault:
        return '3';
    case LogPriority::Warning:
        return '4';
    case LogPriority::Info:
        break;
    }
    return '6';
}

// The station's lines start with their ISO 8601 time and a blank.
QString withoutTimeStamp(const QString &line)
{
    const qsizetype blank = line.indexOf(QLatin1Char(' '));
    if (blank < 0 || !QDateTime::fromString(line.left(blank), Qt::ISODate).isValid())
        return line;
    return line.mid(blank + 1);
}

QByteArray journalLine(const QString &line, LogPriority priority)
{
    return QByteArray("<") + levelOf(priority) + '>' + withoutTimeStamp(line).toLocal8Bit() + '\n';
}

} // namespace

bool standardErrorIsJournal()
{
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    const qsizetype colon = stream.indexOf(':');
    if (colon <= 0)
        return false;
    bool deviceOk = false;
    bool inodeOk = false;
    const qulonglong device = stream.left(colon).toULongLong(&deviceOk);
    const qulonglong inode = stream.mid(colon + 1).toULongLong(&inodeOk);
    struct stat status { };
    if (!deviceOk || !inodeOk || ::fstat(STDERR_FILENO, &status) != 0)
        return false;
    return device == static_cast<qulonglong>(status.st_dev) && inode == static_cast<qulonglong>(status.st_ino);
}

void writeLogLine(const QString &line, LogPriority priority)
{
    // Asked once: the stream does not change while the program runs.
    static const bool journal = standardErrorIsJournal();
    const QByteArray bytes = journal ? journalLine(line, priority) : line.toLocal8Bit() + '\n';
    std::fprintf(stderr, "%s", bytes.constData());
    std::fflush(stderr);
}

} // namespace zorvan
