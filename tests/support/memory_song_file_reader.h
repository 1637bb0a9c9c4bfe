#pragma once

#include "content/song_file_reader.h"

#include <QHash>

namespace zorvan::test {

// Song files held in memory. Reads hand out at most `chunkLimit` bytes at a
// time, so a test can make the reader split the file at every byte. Counts
// what was opened and read.
class MemorySongFileReader : public SongFileReader {
public:
    OpenedSongFile open(const QString &path) override;

    void setFile(const QString &path, const QByteArray &bytes);
    void setStatus(const QString &path, SongFileStatus status); // Missing or Unreadable
    void failReadsOf(const QString &path); // opens, then read() errors

    qsizetype chunkLimit = 1 << 30;
    int opens = 0;
    qsizetype bytesRead = 0;

private:
    QHash<QString, QByteArray> m_files;
    QHash<QString, SongFileStatus> m_statuses;
    QHash<QString, bool> m_failingReads;
};

// Passes every call on to another reader and counts the bytes it hands out.
class CountingSongFileReader : public SongFileReader {
public:
    explicit CountingSongFileReader(SongFileReader &inner)
        : m_inner(inner)
    {
    }
    OpenedSongFile open(const QString &path) override;

    qsizetype bytesRead = 0;
    int reads = 0;
    int opens = 0;

private:
    SongFileReader &m_inner;
};

} // namespace zorvan::test
