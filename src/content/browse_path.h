#pragma once

#include <QChar>
#include <QString>

#include <optional>

namespace zorvan {

// Where the song-file browser starts and how it composes the path it takes.
// The stored paths keep the Windows form ("c:\SongName.txt"); on Linux the
// separator is "/" and there are no drive letters.

// "\" on Windows, "/" elsewhere.
QChar browseSeparator();

// The first two characters of the stored path: a drive letter and colon.
QString browseDriveOf(const QString &storedPath);

// The stored path up to and including its last separator; nothing when the
// path holds no separator.
std::optional<QString> browseFolderOf(const QString &storedPath, QChar separator);

// Folder, separator, file name. A root folder already ends in the separator
// and so gives two in a row; the path works that way on both systems.
QString composeBrowsedPath(const QString &folder, const QString &fileName, QChar separator);

} // namespace zorvan
