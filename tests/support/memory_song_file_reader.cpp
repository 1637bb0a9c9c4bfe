#include "memory_song_file_reader.h"

#include <algorithm>

namespace zorvan::test {

namespace {

class MemorySongFile : public SongFile {
public:
    MemorySongFile(QByteArray bytes, bool failing, qsizetype chunkLimit, qsizetype &bytesRead)
        : m_bytes(std::move(bytes))
        , m_failing(failing)
        , m_chunkLimit(chunkLimit)
        , m_bytesRead(bytesRead)
    {
    }

    std::optional<QByteArray> read(qsizetype maxBytes) override
    {
        if (m_failing)
            return std::nullopt;
        const qsizetype n = std::min({ maxBytes, m_chunkLimit, m_bytes.size() - m_pos });
        QByteArray chunk = m_bytes.mid(m_pos, n);
        m_pos += n;
        m_bytesRead += n;
        return chunk;
    }

private:
    QByteArray m_bytes;
    bool m_failing;
    qsizetype m_chunkLimit;
    qsizetype &m_bytesRead;
    qsizetype m_pos = 0;
};

class CountingSongFile : public SongFile {
public:
    CountingSongFile(std::unique_ptr<SongFile> inner, CountingSongFileReader &owner)
        : m_inner(std::move(inner))
        , m_owner(owner)
    {
    }

    std::optional<QByteArray> read(qsizetype maxBytes) override
    {
        std::optional<QByteArray> chunk = m_inner->read(maxBytes);
        ++m_owner.reads;
        if (chunk)
            m_owner.bytesRead += chunk->size();
        return chunk;
    }

private:
    std::unique_ptr<SongFile> m_inner;
    CountingSongFileReader &m_owner;
};

} // namespace

OpenedSongFile MemorySongFileReader::open(const QString &path)
{
    ++opens;
    OpenedSongFile opened;
    if (m_statuses.contains(path)) {
        opened.status = m_statuses.value(path);
        return opened;
    }
    if (!m_files.contains(path)) {
        opened.status = SongFileStatus::Missing;
        return opened;
    }
    opened.status = SongFileStatus::Opened;
    opened.file = std::make_unique<MemorySongFile>(
        m_files.value(path), m_failingReads.value(path), chunkLimit, bytesRead);
    return opened;
}

void MemorySongFileReader::setFile(const QString &path, const QByteArray &bytes)
{
    m_statuses.remove(path);
    m_failingReads.remove(path);
    m_files.insert(path, bytes);
}

void MemorySongFileReader::setStatus(const QString &path, SongFileStatus status)
{
    m_statuses.insert(path, status);
}

void MemorySongFileReader::failReadsOf(const QString &path)
{
    m_failingReads.insert(path, true);
    if (!m_files.contains(path))
        m_files.insert(path, QByteArray("Artist,Title\n"));
}

OpenedSongFile CountingSongFileReader::open(const QString &path)
{
    ++opens;
    OpenedSongFile opened = m_inner.open(path);
    if (opened.file)
        opened.file = std::make_unique<CountingSongFile>(std::move(opened.file), *this);
    return opened;
}

} // namespace zorvan::test
