#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

namespace zorvan {

// A request body, a line or a datagram larger than this is refused whole: a
// "now playing" message is a few hundred bytes, and nothing a peer sends may
// grow the service's memory.
inline constexpr qsizetype kNetworkMessageLimit = 8 * 1024;

// A song as the network gives it: the fields of the song file's first line
// and the line itself, the value every song source produces.
struct NetworkSong {
    QStringList fields;
    QString firstLine;
    bool operator==(const NetworkSong &) const = default;
};

// A song, or the one-line reason it was refused.
struct NetworkParse {
    std::optional<NetworkSong> song;
    QString error;
};

// How a line (TCP, UDP, plain-text body, `text=`) becomes a song. Without a
// separator the line is read as the song file's first line; with one, the
// 1-based fields `artistField` and `titleField` (0: none) give the song as
// a media player's artist and title do.
struct LineFormat {
    QString separator;
    int artistField = 0;
    int titleField = 0;
    bool operator==(const LineFormat &) const = default;
};

// `text` as the song file's first line would give it.
NetworkSong songFromText(const QString &text);
// Artist and title as a media player's: {artist, title}, "artist - title".
NetworkSong songFromArtistTitle(const QString &artist, const QString &title);

// Strict percent-decoding of a query or form value ('+' is a blank): a '%'
// without two hex digits is an error, not text.
std::optional<QByteArray> percentDecoded(QByteArrayView encoded);

// UTF-8 text, or nothing when the bytes are not valid UTF-8.
std::optional<QString> strictUtf8(QByteArrayView bytes);

// The song of a query string or form body still percent-encoded
// ("artist=A&title=T" or "text=LINE"; other keys such as token are left
// alone). Neither artist, title nor text: an error.
NetworkParse songFromQuery(QByteArrayView encoded);

// The song of a POST body by its Content-Type: a form, JSON
// ({"artist", "title"} or {"text"}), or else one line of plain text.
NetworkParse songFromBody(QByteArrayView contentType, QByteArrayView body);

// The song of one line, datagram or plain-text body. Line breaks at its end
// are dropped; a message over kNetworkMessageLimit is refused.
NetworkParse songFromLine(QByteArrayView line, const LineFormat &format);

// "3,4" as LineFields: the artist's and the title's field numbers.
LineFormat lineFormat(const QString &separator, const QString &fields);
QString lineFieldsText(const LineFormat &format);

// The token sent by the peer against the one set, in a time that does not
// tell how much of it matched.
bool tokenMatches(QByteArrayView given, QByteArrayView expected);

// "address:port" ("[::1]:8470" for IPv6); empty or unreadable: nothing.
struct ListenAddress {
    QHostAddress address;
    quint16 port = 0;
};
std::optional<ListenAddress> parseListenAddress(const QString &text);

} // namespace zorvan
