#include "link/wire_text.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>

#include <array>
#include <optional>
#include <string_view>

namespace zorvan {

namespace {

constexpr char kBlank = ' ';
constexpr char kNothingFits = '?';

struct Fold {
    char32_t from;
    std::string_view to;
};

// Characters Windows-1252 lacks that have no Unicode decomposition: a few
// letters with a stroke, and the quotes and dashes that look like ASCII
// ones. The quotes and dashes Windows-1252 has never get here.
// clang-format off
constexpr std::array kFolds = std::to_array<Fold>({
    { U'\u0141', "L" }, { U'\u0142', "l" },   // Ł ł
    { U'\u0110', "D" }, { U'\u0111', "d" },   // Đ đ
    { U'\u0126', "H" }, { U'\u0127', "h" },   // Ħ ħ
    { U'\u0131', "i" },                       // ı
    { U'\u0166', "T" }, { U'\u0167', "t" },   // Ŧ ŧ
    { U'\u014A', "N" }, { U'\u014B', "n" },   // Ŋ ŋ
    { U'\u0138', "k" },                       // ĸ
    { U'\u013F', "L" }, { U'\u0140', "l" },   // Ŀ ŀ (their decomposition carries a middle dot)
    { U'\u0180', "b" }, { U'\u0197', "I" }, { U'\u0268', "i" },   // ƀ Ɨ ɨ
    { U'\u01B5', "Z" }, { U'\u01B6', "z" },   // Ƶ ƶ
    { U'\u0189', "D" }, { U'\u0256', "d" },   // Ɖ ɖ
    { U'\u0149', "'n" },                      // ŉ
    { U'\u201F', "\"" }, { U'\u201B', "'" },   // ‟ ‛
    { U'\u02BC', "'" }, { U'\u2032', "'" }, { U'\u2033', "\"" },   // ʼ ′ ″
    { U'\u2012', "-" }, { U'\u2015', "-" }, { U'\u2010', "-" }, { U'\u2212', "-" },   // ‒ ― ‐ −
});
// clang-format on

bool isControl(char32_t c)
{
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F);
}

const Fold *findFold(char32_t c)
{
    for (const Fold &fold : kFolds) {
        if (fold.from == c)
            return &fold;
    }
    return nullptr;
}

// The Windows-1252 byte of one character, as Qt's codec gives it. Every
// answer comes from a fresh encoder: after one unencodable character an
// encoder keeps reporting an error, even across resetState(). Answers are
// kept, since the same few characters come back with every song.
std::optional<char> windows1252Byte(char32_t c)
{
    constexpr qsizetype kMostKept = 4096;
    thread_local QHash<char32_t, std::optional<char>> known;
    if (known.size() > kMostKept)
        known.clear();
    const auto found = known.constFind(c);
    if (found != known.cend())
        return *found;
    std::optional<char> byte;
    QStringEncoder encoder("windows-1252", QStringConverter::Flag::Stateless);
    if (encoder.isValid()) {
        const QByteArray out = encoder(QString::fromUcs4(&c, 1));
        if (out.size() == 1 && !encoder.hasError())
            byte = out.at(0);
    }
    known.insert(c, byte);
    return byte;
}

// Appends `c` when it goes on the wire without decomposition.
bool appendDirect(char32_t c, QByteArray &out)
{
    if (isControl(c)) {
        out.append(kBlank);
        return true;
    }
    if (c < 0x80) {
        out.append(static_cast<char>(c));
        return true;
    }
    if (const auto byte = windows1252Byte(c)) {
        out.append(*byte);
        return true;
    }
    if (const Fold *fold = findFold(c)) {
        out.append(fold->to.data(), qsizetype(fold->to.size()));
        return true;
    }
    return false;
}

std::optional<QByteArray> encodeWhole(const QString &text)
{
    QByteArray out;
    for (const char32_t c : text.toUcs4()) {
        if (!appendDirect(c, out))
            return std::nullopt;
    }
    return out;
}

// The compatibility decomposition with as many of its accents as still
// compose to something Windows-1252 has: "ǘ" (u, diaeresis, acute) keeps
// its diaeresis as "ü", "Č" loses its caron.
std::optional<QByteArray> decomposed(char32_t c)
{
    const QString single = QString::fromUcs4(&c, 1);
    QString parts = single.normalized(QString::NormalizationForm_KD);
    if (parts == single)
        return std::nullopt;
    while (!parts.isEmpty()) {
        if (auto bytes = encodeWhole(parts.normalized(QString::NormalizationForm_C)))
            return bytes;
        if (!parts.back().isMark())
            return std::nullopt;
        parts.chop(1);
    }
    return std::nullopt;
}

} // namespace

QByteArray toWireText(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        if (QChar::isSurrogate(c)) {
            out.append(kNothingFits); // half of a pair: no character at all
            continue;
        }
        if (appendDirect(c, out))
            continue;
        if (const auto bytes = decomposed(c))
            out.append(*bytes);
        else
            out.append(kNothingFits);
    }
    return out;
}

QString fromWireText(const QByteArray &bytes)
{
    QStringDecoder decoder("windows-1252");
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder(bytes);
}

} // namespace zorvan
