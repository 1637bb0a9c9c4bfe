#include "content/browse_path.h"

namespace zorvan {

QChar browseSeparator()
{
#ifdef Q_OS_WIN
    return QLatin1Char('\\');
#else
    return QLatin1Char('/');
#endif
}

QString browseDriveOf(const QString &storedPath)
{
    return storedPath.left(2);
}

std::optional<QString> browseFolderOf(const QString &storedPath, QChar separator)
{
    const qsizetype last = storedPath.lastIndexOf(separator);
    if (last < 0)
        return std::nullopt;
    return storedPath.left(last + 1);
}

QString composeBrowsedPath(const QString &folder, const QString &fileName, QChar separator)
{
    return folder + separator + fileName;
}

} // namespace zorvan
