#include "link/serial_device_list.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <array>

#if !defined(_WIN32)
#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif
#if defined(__linux__)
#include <linux/serial.h>
#endif

namespace zorvan {

namespace {

constexpr std::array kNodePatterns { "ttyUSB*", "ttyACM*", "ttyS*" };

// By the name, then by the number it ends in. (QCollator's numeric mode
// needs a locale that the "C" one of a service does not give.)
void sortNaturally(QStringList &names)
{
    const auto split = [](const QString &name) {
        qsizetype digits = name.size();
        while (digits > 0 && name.at(digits - 1).isDigit())
            --digits;
        return std::pair { name.left(digits), name.mid(digits).toULongLong() };
    };
    std::sort(
        names.begin(), names.end(), [&](const QString &a, const QString &b) { return split(a) < split(b); });
}

// Whether the node has been shown to have no UART behind it. A node that
// cannot be looked at for lack of permission stays in the list: opening it
// says clearly what is wrong.
bool provenEmpty(const QString &path)
{
#if defined(__linux__)
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENXIO || errno == ENODEV || errno == EIO || errno == ENOENT;
    serial_struct info {};
    const bool empty = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN;
    ::close(fd);
    return empty;
#else
    Q_UNUSED(path);
    return false;
#endif
}

} // namespace

QStringList listSerialDevices(const QString &deviceFolder)
{
    const QDir folder(deviceFolder);
    QStringList stable;
    QSet<QString> covered;
    const QDir byId(folder.filePath(QStringLiteral("serial/by-id")));
    for (const QFileInfo &link : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const QString target = link.canonicalFilePath();
        if (target.isEmpty())
            continue; // a link left over from a device that is gone
        stable << link.absoluteFilePath();
        covered.insert(target);
    }
    sortNaturally(stable);

    QStringList result = stable;
    for (const char *pattern : kNodePatterns) {
        QStringList nodes;
        const bool checkUart = QLatin1String(pattern).startsWith(QLatin1String("ttyS"));
        for (const QFileInfo &node : folder.entryInfoList(
                 QStringList { QLatin1String(pattern) }, QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            const QString path = node.absoluteFilePath();
            if (covered.contains(node.canonicalFilePath()))
                continue;
            if (checkUart && provenEmpty(path))
                continue;
            nodes << path;
        }
        sortNaturally(nodes);
        result << nodes;
    }
    return result;
}

} // namespace zorvan
