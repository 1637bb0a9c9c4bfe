#include "content/song_source.h"

#include "link/wire_text.h"

#include <algorithm>
#include <functional>

namespace zorvan {

namespace {

constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

bool isSeparator(char c)
{
    return c == ',' || isLineBreak(c);
}

QByteArrayView withoutBom(QByteArrayView bytes)
{
    return bytes.startsWith(kUtf8Bom) ? bytes.sliced(kUtf8Bom.size()) : bytes;
}

// Fields as raw bytes. Every byte the scanner looks at (comma, quote, CR, LF,
// blank) is ASCII, and ASCII bytes never occur inside a UTF-8 sequence, so
// the same scan serves both encodings. A reader scans again from the start
// after every chunk, so a CRLF or a field split between chunks is never
// taken for finished before its end has been read.
struct FieldScan {
    QList<QByteArray> fields;
    bool finished = false; // false: the bytes end before the answer is known
};

FieldScan scanFields(QByteArrayView bytes, bool atEnd, int maxFields)
{
    FieldScan scan;
    const qsizetype n = bytes.size();
    qsizetype pos = 0;
    bool afterComma = false;

    for (;;) {
        if (maxFields >= 0 && scan.fields.size() >= maxFields) {
            scan.finished = true;
            return scan;
        }
        while (pos < n && isBlank(bytes[pos]))
            ++pos;
        if (pos == n) {
            // The line break that ends the last line starts no further field,
            // but a comma always does.
            if (!atEnd)
                return scan;
            if (afterComma)
                scan.fields.append(QByteArray());
            scan.finished = true;
            return scan;
        }

        QByteArray field;
        if (bytes[pos] == '"') {
            const qsizetype open = pos + 1;
            qsizetype close = open;
            while (close < n && bytes[close] != '"' && !isLineBreak(bytes[close]))
                ++close;
            if (close == n && !atEnd)
                return scan;
            field = bytes.sliced(open, close - open).toByteArray();
            pos = close;
            if (pos < n && bytes[pos] == '"') {
                // Text after the closing quote belongs to the same field (a
                // writer's `"Song" (Remix)`); blanks before the separator do not.
                ++pos;
                qsizetype end = pos;
                while (end < n && !isSeparator(bytes[end]))
                    ++end;
                if (end == n && !atEnd)
                    return scan;
                qsizetype tailEnd = end;
                while (tailEnd > pos && isBlank(bytes[tailEnd - 1]))
                    --tailEnd;
                field.append(bytes.sliced(pos, tailEnd - pos));
                pos = end;
            }
        } else {
            qsizetype end = pos;
            while (end < n && !isSeparator(bytes[end]))
                ++end;
            if (end == n && !atEnd)
                return scan;
            field = bytes.sliced(pos, end - pos).toByteArray();
            pos = end;
        }

        scan.fields.append(field);

        if (pos == n) {
            scan.finished = true;
            return scan;
        }
        afterComma = bytes[pos] == ',';
        if (bytes[pos] == '\r' && pos + 1 < n && bytes[pos + 1] == '\n')
            ++pos;
        ++pos;
    }
}

// Length of the first line, or -1 when the bytes end before its line break.
qsizetype firstLineLength(QByteArrayView bytes)
{
    const auto it = std::find_if(bytes.begin(), bytes.end(), isLineBreak);
    return it == bytes.end() ? -1 : it - bytes.begin();
}

// Length of the bytes without a UTF-8 sequence cut short at their end, or -1
// when they are not UTF-8 at all.
qsizetype utf8CompleteLength(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        char32_t code = 0;
        char32_t lowest = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, code = lead & 0x1F, lowest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, code = lead & 0x0F, lowest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, code = lead & 0x07, lowest = 0x10000;
        } else {
            return -1;
        }
        const qsizetype available = std::min<qsizetype>(length, n - i);
        for (qsizetype k = 1; k < available; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return -1;
            code = (code << 6) | (next & 0x3F);
        }
        if (available < length)
            return i;
        if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return -1;
        i += length;
    }
    return n;
}

class SongTextDecoder {
public:
    explicit SongTextDecoder(bool utf8)
        : m_utf8(utf8)
    {
    }
    QString operator()(QByteArrayView bytes) const
    {
        if (!m_utf8)
            return fromWireText(bytes.toByteArray());
        // A bounded read can end inside a character; drop the stump rather
        // than show a replacement mark.
        const qsizetype complete = utf8CompleteLength(bytes);
        return QString::fromUtf8(bytes.first(complete < 0 ? bytes.size() : complete));
    }

private:
    bool m_utf8;
};

struct HeadRead {
    SongFileStatus status = SongFileStatus::Unreadable;
    QByteArray bytes;
    bool wholeFile = false; // false: reading stopped early or at the bound
};

// Reads chunk by chunk until `enough` says the bytes answer the question,
// the file ends, or the byte bound is reached.
HeadRead readHead(
    SongFileReader &reader, const QString &path, const std::function<bool(QByteArrayView)> &enough)
{
    HeadRead head;
    OpenedSongFile opened = reader.open(path);
    head.status = opened.status;
    if (opened.status != SongFileStatus::Opened || !opened.file)
        return head;
    qsizetype unasked = 0;
    while (head.bytes.size() < kSongReadLimit) {
        const std::optional<QByteArray> chunk
            = opened.file->read(std::min(kSongReadChunk, kSongReadLimit - head.bytes.size()));
        if (!chunk) {
            head.status = SongFileStatus::Unreadable;
            return head;
        }
        if (chunk->isEmpty()) {
            head.wholeFile = true;
            break;
        }
        head.bytes.append(*chunk);
        // `enough` scans the whole head. Asked after every short read, a
        // file handed out a few bytes at a time would be scanned once per
        // read; asked once per chunk's worth, it costs what one full read
        // does.
        unasked += chunk->size();
        if (unasked < kSongReadChunk)
            continue;
        unasked = 0;
        if (enough(withoutBom(head.bytes)))
            break;
    }
    return head;
}

bool decidesUtf8(const HeadRead &head)
{
    return isSongFileUtf8(head.bytes, !head.wholeFile);
}

} // namespace

bool isSongFileUtf8(QByteArrayView bytes, bool mayBeCut)
{
    const QByteArrayView text = withoutBom(bytes);
    const qsizetype complete = utf8CompleteLength(text);
    return complete == text.size() || (mayBeCut && complete >= 0 && text.size() - complete < 4);
}

QStringList songFieldsFromBytes(QByteArrayView fileBytes, int maxFields)
{
    const SongTextDecoder decode(isSongFileUtf8(fileBytes));
    QStringList fields;
    for (const QByteArray &field : scanFields(withoutBom(fileBytes), true, maxFields).fields)
        fields.append(decode(field));
    return fields;
}

QString firstLineFromBytes(QByteArrayView fileBytes)
{
    const QByteArrayView text = withoutBom(fileBytes);
    const qsizetype length = firstLineLength(text);
    return SongTextDecoder(isSongFileUtf8(fileBytes))(length < 0 ? text : text.first(length));
}

SongSource ReadSongSource(SongFileReader &reader, const QString &path)
{
    const HeadRead head = readHead(reader, path,
        [](QByteArrayView bytes) { return scanFields(bytes, false, kSongFieldsUsed).finished; });
    SongSource source;
    switch (head.status) {
    case SongFileStatus::Missing:
        source.status = SongSource::Status::Missing;
        return source;
    case SongFileStatus::FolderMissing:
        source.status = SongSource::Status::FolderMissing;
        return source;
    case SongFileStatus::Unreadable:
        source.status = SongSource::Status::Unreadable;
        return source;
    case SongFileStatus::Opened:
        break;
    }
    source.status = SongSource::Status::Fields;
    const SongTextDecoder decode(decidesUtf8(head));
    // Whatever stopped the reading, the bytes read so far are the file as
    // far as it is known: a field cut short by the bound ends there.
    for (const QByteArray &field : scanFields(withoutBom(head.bytes), true, kSongFieldsUsed).fields)
        source.fields.append(decode(field));
    return source;
}

std::optional<QString> ReadFirstLine(SongFileReader &reader, const QString &path)
{
    const HeadRead head
        = readHead(reader, path, [](QByteArrayView bytes) { return firstLineLength(bytes) >= 0; });
    if (head.status != SongFileStatus::Opened)
        return std::nullopt;
    const QByteArrayView text = withoutBom(head.bytes);
    const qsizetype length = firstLineLength(text);
    return SongTextDecoder(decidesUtf8(head))(length < 0 ? text : text.first(length));
}

QString ComposeSongText(const QStringList &fields)
{
    return fields.mid(0, kSongFieldsUsed).join(QLatin1Char(' '));
}

} // namespace zorvan
