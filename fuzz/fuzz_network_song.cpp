// What a peer sends to the network song inputs: any bytes as a query
// string, a POST body of each content type, or a line or datagram with or
// without a separator. Input: one byte choosing the shape, then the bytes.

#include "fuzz_input.h"

#include "content/network_song.h"
#include "content/song_source.h"

#include <cstddef>
#include <cstdint>

using namespace zorvan;
using zorvan::fuzz::require;

namespace {

bool hasLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

void checkSong(const NetworkParse &parsed)
{
    require(parsed.song.has_value() != !parsed.error.isEmpty(), "a song or a reason, never both or neither");
    if (!parsed.song)
        return;
    require(!hasLineBreak(parsed.song->firstLine), "the radio text is one line");
    require(parsed.song->fields.size() <= kSongFieldsUsed, "at most three fields");
    for (const QString &field : parsed.song->fields)
        require(!hasLineBreak(field), "no field holds a line break");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const bool utf8 = strictUtf8(bytes).has_value();
    switch (data[0] % 5) {
    case 0: {
        const NetworkParse parsed = songFromQuery(bytes);
        checkSong(parsed);
        break;
    }
    case 1:
        checkSong(songFromBody("application/x-www-form-urlencoded", bytes));
        break;
    case 2: {
        const NetworkParse parsed = songFromBody("application/json", bytes);
        checkSong(parsed);
        require(utf8 || !parsed.song, "JSON that is not UTF-8 is refused");
        break;
    }
    case 3: {
        const NetworkParse parsed = songFromLine(bytes, LineFormat {});
        checkSong(parsed);
        require(bytes.size() <= kNetworkMessageLimit || !parsed.song, "a line over the limit is refused");
        require(utf8 || bytes.size() > kNetworkMessageLimit || !parsed.song || bytes.contains('\n'),
            "a line that is not UTF-8 is refused");
        break;
    }
    case 4: {
        const NetworkParse parsed
            = songFromLine(bytes, lineFormat(QStringLiteral("^"), QStringLiteral("3,4")));
        checkSong(parsed);
        if (parsed.song)
            require(parsed.song->fields.size() <= 2, "a separated line gives artist and title at most");
        break;
    }
    }
    // Decoding never takes more than it was given and refuses a stray '%'.
    if (const std::optional<QByteArray> decoded = percentDecoded(bytes)) {
        require(decoded->size() <= bytes.size(), "percent-decoding never grows the text");
    } else {
        require(bytes.contains('%'), "only a '%' can make percent-decoding fail");
    }
    return 0;
}
