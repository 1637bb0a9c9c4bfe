#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace zorvan {

// One open song file. Reads return at most `maxBytes`; an empty array is the
// end of the file and std::nullopt a read error.
class SongFile {
public:
    virtual ~SongFile() = default;
    virtual std::optional<QByteArray> read(qsizetype maxBytes) = 0;
};

enum class SongFileStatus {
    Opened,
    Missing, // the file does not exist in a folder that does
    FolderMissing, // the file's folder is gone (an unplugged drive, a share that dropped)
    Unreadable, // it exists but cannot be read now, or is not a regular file
};

struct OpenedSongFile {
    SongFileStatus status = SongFileStatus::Unreadable;
    std::unique_ptr<SongFile> file; // set when status is Opened
};

// Opens the "now playing" file. The file is written by another program at
// any moment, so opening must never wait: only regular files are opened, and
// a folder, device, pipe or link loop is reported as unreadable at once.
class SongFileReader {
public:
    virtual ~SongFileReader() = default;
    virtual OpenedSongFile open(const QString &path) = 0;
};

// The operating system's files.
class PlatformSongFileReader : public SongFileReader {
public:
    OpenedSongFile open(const QString &path) override;
};

} // namespace zorvan
