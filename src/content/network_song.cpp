#include "content/network_song.h"

#include "content/player_song_source.h"
#include "content/song_source.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>

namespace zorvan {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Line breaks would start a new line of the song file: a song is one line.
QString oneLineOf(const QString &text)
{
    return text.simplified();
}

QByteArrayView withoutLineEnd(QByteArrayView line)
{
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r'))
        line.chop(1);
    return line;
}

struct SongKeys {
    std::optional<QString> artist;
    std::optional<QString> title;
    std::optional<QString> text;
};

NetworkParse songFromKeys(const SongKeys &keys)
{
    if (keys.artist || keys.title)
        return { songFromArtistTitle(keys.artist.value_or(QString()), keys.title.value_or(QString())), {} };
    if (keys.text)
        return { songFromText(*keys.text), {} };
    return { std::nullopt, QStringLiteral("no artist, title or text") };
}

} // namespace

NetworkSong songFromText(const QString &text)
{
    // As the song file's first line: up to the first line break.
    const qsizetype end = text.indexOf(QRegularExpression(QStringLiteral("[\\r\\n]")));
    const QString line = end < 0 ? text : text.first(end);
    const QByteArray bytes = line.toUtf8();
    return { songFieldsFromBytes(bytes, kSongFieldsUsed), line };
}

NetworkSong songFromArtistTitle(const QString &artist, const QString &title)
{
    QStringList fields;
    if (!oneLineOf(artist).isEmpty())
        fields << oneLineOf(artist);
    if (!oneLineOf(title).isEmpty())
        fields << oneLineOf(title);
    return { fields, playerSongLine(fields) };
}

std::optional<QByteArray> percentDecoded(QByteArrayView encoded)
{
    QByteArray out;
    out.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            if (i + 2 >= encoded.size())
                return std::nullopt;
            const int high = hexValue(encoded[i + 1]);
            const int low = hexValue(encoded[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<QString> strictUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

NetworkParse songFromQuery(QByteArrayView encoded)
{
    SongKeys keys;
    qsizetype start = 0;
    while (start <= encoded.size()) {
        qsizetype end = encoded.indexOf('&', start);
        if (end < 0)
            end = encoded.size();
        const QByteArrayView pair = encoded.sliced(start, end - start);
        start = end + 1;
        if (pair.isEmpty())
            continue;
        const qsizetype equals = pair.indexOf('=');
        const auto name = percentDecoded(equals < 0 ? pair : pair.first(equals));
        const auto value = percentDecoded(equals < 0 ? QByteArrayView() : pair.sliced(equals + 1));
        if (!name || !value)
            return { std::nullopt, QStringLiteral("bad percent-encoding") };
        std::optional<QString> *slot = *name == "artist" ? &keys.artist
            : *name == "title"                           ? &keys.title
            : *name == "text"                            ? &keys.text
                                                         : nullptr;
        if (!slot)
            continue;
        std::optional<QString> text = strictUtf8(*value);
        if (!text)
            return { std::nullopt, QStringLiteral("%1 is not UTF-8").arg(QString::fromLatin1(*name)) };
        *slot = std::move(text);
    }
    return songFromKeys(keys);
}

NetworkParse songFromBody(QByteArrayView contentType, QByteArrayView body)
{
    if (body.size() > kNetworkMessageLimit)
        return { std::nullopt, QStringLiteral("body over %1 bytes").arg(kNetworkMessageLimit) };
    const QByteArray type = contentType.toByteArray().split(';').first().trimmed().toLower();
    if (type == "application/x-www-form-urlencoded")
        return songFromQuery(body);
    if (type == "application/json") {
        if (!strictUtf8(body))
            return { std::nullopt, QStringLiteral("body is not UTF-8") };
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(body.toByteArray(), &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            return { std::nullopt, QStringLiteral("body is no JSON object") };
        const QJsonObject object = document.object();
        SongKeys keys;
        for (const auto &[name, slot] : { std::pair { "artist", &keys.artist },
                 std::pair { "title", &keys.title }, std::pair { "text", &keys.text } }) {
            const QJsonValue value = object.value(QLatin1String(name));
            if (value.isUndefined() || value.isNull())
                continue;
            if (!value.isString())
                return { std::nullopt, QStringLiteral("%1 is not a string").arg(QLatin1String(name)) };
            *slot = value.toString();
        }
        return songFromKeys(keys);
    }
    return songFromLine(body, LineFormat {});
}

NetworkParse songFromLine(QByteArrayView line, const LineFormat &format)
{
    if (line.size() > kNetworkMessageLimit)
        return { std::nullopt, QStringLiteral("line over %1 bytes").arg(kNetworkMessageLimit) };
    line = withoutLineEnd(line);
    // Text after a line break inside one message is no part of the song.
    const qsizetype lineBreak = line.indexOf('\n');
    if (lineBreak >= 0)
        line = withoutLineEnd(line.first(lineBreak));
    const std::optional<QString> text = strictUtf8(line);
    if (!text)
        return { std::nullopt, QStringLiteral("line is not UTF-8") };
    if (format.separator.isEmpty())
        return { songFromText(*text), {} };
    const QStringList parts = text->split(format.separator);
    const auto field = [&parts](int number) {
        return number >= 1 && number <= parts.size() ? parts[number - 1] : QString();
    };
    return { songFromArtistTitle(field(format.artistField), field(format.titleField)), {} };
}

LineFormat lineFormat(const QString &separator, const QString &fields)
{
    LineFormat format;
    format.separator = separator;
    const QStringList numbers = fields.split(QLatin1Char(','));
    bool ok = false;
    if (!numbers.isEmpty()) {
        const int artist = numbers.value(0).trimmed().toInt(&ok);
        if (ok && artist > 0)
            format.artistField = artist;
    }
    if (numbers.size() > 1) {
        const int title = numbers.value(1).trimmed().toInt(&ok);
        if (ok && title > 0)
            format.titleField = title;
    }
    return format;
}

QString lineFieldsText(const LineFormat &format)
{
    if (format.artistField == 0 && format.titleField == 0)
        return QString();
    return QStringLiteral("%1,%2").arg(format.artistField).arg(format.titleField);
}

bool tokenMatches(QByteArrayView given, QByteArrayView expected)
{
    if (expected.isEmpty())
        return false;
    // Every byte of the longer one is looked at whatever the others hold.
    unsigned difference = given.size() == expected.size() ? 0u : 1u;
    const qsizetype n = std::max(given.size(), expected.size());
    for (qsizetype i = 0; i < n; ++i) {
        const auto a = static_cast<unsigned char>(i < given.size() ? given[i] : 0);
        const auto b = static_cast<unsigned char>(i < expected.size() ? expected[i] : 0);
        difference |= static_cast<unsigned>(a ^ b);
    }
    return difference == 0;
}

std::optional<ListenAddress> parseListenAddress(const QString &text)
{
    const QString trimmed = text.trimmed();
    const qsizetype colon = trimmed.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    QString host = trimmed.first(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(QLatin1Char(':')))
        return std::nullopt; // an IPv6 address needs its brackets
    bool ok = false;
    const uint port = trimmed.mid(colon + 1).toUInt(&ok);
    if (!ok || port > 65535)
        return std::nullopt;
    ListenAddress address;
    if (host == QLatin1String("localhost"))
        address.address = QHostAddress(QHostAddress::LocalHost);
    else if (host == QLatin1String("*"))
        address.address = QHostAddress(QHostAddress::Any);
    else if (!address.address.setAddress(host))
        return std::nullopt;
    address.port = static_cast<quint16>(port);
    return address;
}

} // namespace zorvan
