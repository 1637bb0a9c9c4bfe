#include "content/song_file_reader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#if defined(Q_OS_UNIX)

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zorvan {

namespace {

bool sameContents(const struct stat &a, const struct stat &b)
{
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec
        && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ctim.tv_sec == b.st_ctim.tv_sec
        && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

class PosixSongFile : public SongFile {
public:
    PosixSongFile(int fd, const struct stat &opened)
        : m_fd(fd)
        , m_opened(opened)
    {
    }
    ~PosixSongFile() override { ::close(m_fd); }
    PosixSongFile(const PosixSongFile &) = delete;
    PosixSongFile &operator=(const PosixSongFile &) = delete;

    std::optional<QByteArray> read(qsizetype maxBytes) override
    {
        QByteArray chunk(maxBytes, Qt::Uninitialized);
        for (;;) {
            const ssize_t got = ::read(m_fd, chunk.data(), static_cast<size_t>(maxBytes));
            if (got >= 0) {
                chunk.truncate(got);
                break;
            }
            if (errno != EINTR)
                return std::nullopt;
        }
        // The writer rewrites the file in place. Pieces read before and
        // after a rewrite would make a song that never played: a file that
        // changed while it was read counts as unreadable, and the next tick
        // reads it whole.
        struct stat now { };
        if (::fstat(m_fd, &now) != 0 || !sameContents(now, m_opened))
            return std::nullopt;
        return chunk;
    }

private:
    int m_fd;
    struct stat m_opened;
};

// A file that is absent from a folder that exists is missing; a folder that
// is gone (an unplugged drive, a share that dropped) is told apart, since it
// is a passing fault that must not switch the automatic update off.
SongFileStatus statusOfAbsentFile(const QByteArray &nativePath)
{
    const QString parent = QFileInfo(QFile::decodeName(nativePath)).absolutePath();
    struct stat folder { };
    if (::stat(QFile::encodeName(parent).constData(), &folder) == 0 && S_ISDIR(folder.st_mode))
        return SongFileStatus::Missing;
    return SongFileStatus::FolderMissing;
}

} // namespace

OpenedSongFile PlatformSongFileReader::open(const QString &path)
{
    OpenedSongFile result;
    if (path.isEmpty()) {
        result.status = SongFileStatus::Missing;
        return result;
    }
    const QByteArray native = QFile::encodeName(path);

    // Looking before opening keeps devices closed: opening a serial port or
    // a tape only to find out it is not a file can already change its state.
    struct stat before { };
    if (::stat(native.constData(), &before) != 0) {
        result.status = errno == ENOENT ? statusOfAbsentFile(native) : SongFileStatus::Unreadable;
        return result;
    }
    if (!S_ISREG(before.st_mode))
        return result;

    // The file can be swapped for a pipe between stat and open; O_NONBLOCK
    // keeps that open from waiting for a writer, fstat catches the swap.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            result.status = statusOfAbsentFile(native);
        return result;
    }
    struct stat opened { };
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return result;
    }
    result.status = SongFileStatus::Opened;
    result.file = std::make_unique<PosixSongFile>(fd, opened);
    return result;
}

} // namespace zorvan

#else

// Other systems: the same rules through Qt's file classes. A path that does
// not name a regular file is never opened.
namespace zorvan {

namespace {

class QtSongFile : public SongFile {
public:
    explicit QtSongFile(std::unique_ptr<QFile> file)
        : m_file(std::move(file))
    {
    }
    std::optional<QByteArray> read(qsizetype maxBytes) override
    {
        QByteArray chunk = m_file->read(maxBytes);
        if (chunk.isEmpty() && m_file->error() != QFileDevice::NoError)
            return std::nullopt;
        return chunk;
    }

private:
    std::unique_ptr<QFile> m_file;
};

} // namespace

OpenedSongFile PlatformSongFileReader::open(const QString &path)
{
    OpenedSongFile result;
    const QFileInfo info(path);
    if (path.isEmpty() || (!info.exists() && !info.isSymLink())) {
        result.status = !path.isEmpty() && !info.absoluteDir().exists() ? SongFileStatus::FolderMissing
                                                                        : SongFileStatus::Missing;
        return result;
    }
    if (!info.isFile())
        return result;
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return result;
    result.status = SongFileStatus::Opened;
    result.file = std::make_unique<QtSongFile>(std::move(file));
    return result;
}

} // namespace zorvan

#endif
