// The "now playing" file: any bytes, read in chunks of any size, through
// the field reader and the first-line reader, then on through the label
// rebuild and the label upload that a song change sets off. Input: two
// bytes for the read size, one for the label mode, the "Delay:" position
// and "Insert DATE", two for the date, then the file.

#include "fuzz_input.h"

#include "content/dynamic_ps.h"
#include "content/song_source.h"
#include "link/board_state.h"
#include "model/text_rules.h"

#include <QDate>

#include <cstddef>
#include <cstdint>

using namespace zorvan;
using zorvan::fuzz::require;

namespace {

const QString kSongPath = QStringLiteral("/songs/now-playing.txt");

// One file in memory, handed out at most `chunk` bytes per read, as a file
// that is being written, or a slow disk, can hand it out.
class ChunkedSongFile : public SongFile {
public:
    ChunkedSongFile(QByteArray bytes, qsizetype chunk)
        : m_bytes(std::move(bytes))
        , m_chunk(chunk)
    {
    }
    std::optional<QByteArray> read(qsizetype maxBytes) override
    {
        require(maxBytes > 0, "reads ask for at least one byte");
        const qsizetype n = std::min({ maxBytes, m_chunk, m_bytes.size() - m_pos });
        const QByteArray piece = m_bytes.mid(m_pos, n);
        m_pos += n;
        return piece;
    }

private:
    QByteArray m_bytes;
    qsizetype m_chunk;
    qsizetype m_pos = 0;
};

class ChunkedSongFileReader : public SongFileReader {
public:
    ChunkedSongFileReader(QByteArray bytes, qsizetype chunk)
        : m_bytes(std::move(bytes))
        , m_chunk(chunk)
    {
    }
    OpenedSongFile open(const QString &path) override
    {
        require(path == kSongPath, "the reader opens the path it is given");
        return { SongFileStatus::Opened, std::make_unique<ChunkedSongFile>(m_bytes, m_chunk) };
    }

private:
    QByteArray m_bytes;
    qsizetype m_chunk;
};

bool hasLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

void checkLabelUpload(const LabelList &labels)
{
    const std::vector<DecodedFrame> frames
        = fuzz::framesOf(UploadLabelList(labels).bytes(), "label upload is well framed");
    require(frames.size() == 2 * kLabelCount, "label upload has 200 frames");
    BoardState board;
    for (const DecodedFrame &frame : frames)
        require(board.apply(frame).outcome == ApplyOutcome::Applied, "the board takes every label frame");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    constexpr std::size_t kHeader = 5;
    if (size < kHeader)
        return 0;
    const qsizetype chunk = 1 + (data[0] | (data[1] << 8)) % (kSongReadChunk + 64);
    const auto mode = static_cast<DynamicMode>(data[2] % 3);
    const int delayPosition = (data[2] >> 2) % (kHighestDelay + 1);
    const bool insertDate = (data[2] & 0x80) != 0;
    const QDate today = QDate(1990, 1, 1).addDays((data[3] | (data[4] << 8)) % 60000);
    const QByteArray file(reinterpret_cast<const char *>(data + kHeader), qsizetype(size - kHeader));

    const QStringList allFields = songFieldsFromBytes(file);
    const QStringList usedFields = songFieldsFromBytes(file, kSongFieldsUsed);
    require(usedFields == allFields.mid(0, kSongFieldsUsed), "the used fields are the first fields");
    for (const QString &field : allFields)
        require(!hasLineBreak(field), "no field holds a line break");
    const QString firstLine = firstLineFromBytes(file);
    require(!hasLineBreak(firstLine), "the first line holds no line break");

    ChunkedSongFileReader reader(file, chunk);
    const SongSource source = ReadSongSource(reader, kSongPath);
    require(source.status == SongSource::Status::Fields, "an open file gives fields");
    require(source.fields.size() <= kSongFieldsUsed, "at most three fields are read");
    const std::optional<QString> readLine = ReadFirstLine(reader, kSongPath);
    require(readLine.has_value(), "an open file gives a first line");
    require(!hasLineBreak(*readLine), "the read first line holds no line break");

    // Whether the bytes are UTF-8 is decided on what was read: a file shorter
    // than one chunk is read to its end, and a file that is UTF-8 throughout
    // reads the same however far the reading went.
    if (file.size() < kSongReadChunk || (file.size() <= kSongReadLimit && isSongFileUtf8(file))) {
        require(source.fields == usedFields, "reading in chunks gives the fields of the whole file");
        require(*readLine == firstLine, "reading in chunks gives the first line of the whole file");
    }

    const QString songText = ComposeSongText(source.fields);
    const QString songDisplay = FitLongText(songText);
    require(characterCount(songDisplay) <= kLongTextLength, "the song display is bounded");

    LabelList labels = LabelList::fromSettings(StationSettings());
    const int songLength = static_cast<int>(songText.size());
    LabelWrites written = BuildDynamicLabels(labels, mode, songDisplay, songLength, delayPosition);
    if (insertDate)
        written |= InsertDateLabel(labels, mode, songLength, delayPosition, FormatDateLabel(today));
    for (int i = 0; i < kLabelCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        require(characterCount(labels.texts[at]) <= kPsLabelLength, "rebuilt labels fit");
        require(labels.delays[at] >= 0 && labels.delays[at] <= kHighestDelay, "rebuilt delays can be shown");
    }
    checkLabelUpload(labels);
    return 0;
}
