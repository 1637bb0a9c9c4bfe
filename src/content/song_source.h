#pragma once

#include "content/song_file_reader.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

namespace zorvan {

// The song text needs three fields; reading stops there. The byte bound is
// far above any real "now playing" line and keeps a huge or endless file as
// cheap as a small one.
inline constexpr int kSongFieldsUsed = 3;
inline constexpr qsizetype kSongReadChunk = 4096;
inline constexpr qsizetype kSongReadLimit = 64 * 1024;

struct SongSource {
    enum class Status { Fields, Missing, FolderMissing, Unreadable };
    Status status = Status::Unreadable;
    QStringList fields; // at most kSongFieldsUsed, in file order
};

// The first fields of the song file. A field ends at a comma or a line break
// (CR, LF or CRLF); blanks before a field are skipped; a field that begins
// with a double quote runs to the next double quote and may hold commas.
SongSource ReadSongSource(SongFileReader &reader, const QString &path);

// The first line of the song file, whole, commas and quotes included;
// std::nullopt when the file cannot be opened or read.
std::optional<QString> ReadFirstLine(SongFileReader &reader, const QString &path);

// The song text: the first three fields joined by blanks, further ones
// ignored.
QString ComposeSongText(const QStringList &fields);

// The same rules over bytes already in memory (the whole file, or as much of
// it as was read), for the parser's own tests. A negative maxFields means
// every field.
QStringList songFieldsFromBytes(QByteArrayView fileBytes, int maxFields = -1);
QString firstLineFromBytes(QByteArrayView fileBytes);

// Text of the song file: UTF-8 (with or without byte-order mark) when the
// bytes are valid UTF-8, otherwise Windows-1252. `mayBeCut` accepts a UTF-8
// sequence cut short at the end of the bytes, as a bounded read can leave.
bool isSongFileUtf8(QByteArrayView bytes, bool mayBeCut = false);

} // namespace zorvan
