#include "content/network_song.h"

#include <QtTest>

using namespace zorvan;

Q_DECLARE_METATYPE(zorvan::NetworkSong)

namespace {

NetworkSong song(const QStringList &fields, const QString &line)
{
    return { fields, line };
}

} // namespace

// How requests, lines and datagrams become the song value, and what is
// refused before it could reach the air.
class TestNetworkSong : public QObject {
    Q_OBJECT

private slots:
    void query_data()
    {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<NetworkSong>("expected");

        QTest::newRow("artist and title") << QByteArray("artist=Ann%20Artist&title=First+Song") << true
                                          << song({ "Ann Artist", "First Song" }, "Ann Artist - First Song");
        QTest::newRow("title only") << QByteArray("title=Alone") << true << song({ "Alone" }, "Alone");
        QTest::newRow("empty artist and title is the empty song")
            << QByteArray("artist=&title=") << true << song({}, "");
        QTest::newRow("text is read as the song file's line")
            << QByteArray("text=Artist%2C%20Title%2C%20Album%2C%20Year") << true
            << song({ "Artist", "Title", "Album" }, "Artist, Title, Album, Year");
        QTest::newRow("token and unknown keys are ignored")
            << QByteArray("token=s3cret&x=1&artist=A&title=T") << true << song({ "A", "T" }, "A - T");
        QTest::newRow("UTF-8 percent-encoded")
            << QByteArray("artist=Bj%C3%B6rk&title=J%C3%B3ga") << true
            << song({ QStringLiteral("Björk"), QStringLiteral("Jóga") }, QStringLiteral("Björk - Jóga"));
        QTest::newRow("line break inside a value becomes a blank")
            << QByteArray("title=One%0D%0ATwo") << true << song({ "One Two" }, "One Two");
        QTest::newRow("stray percent") << QByteArray("artist=100%&title=T") << false << NetworkSong {};
        QTest::newRow("percent without two hex digits") << QByteArray("title=%4") << false << NetworkSong {};
        QTest::newRow("percent with non-hex") << QByteArray("title=%zz") << false << NetworkSong {};
        QTest::newRow("invalid UTF-8") << QByteArray("title=%FF%FE") << false << NetworkSong {};
        QTest::newRow("overlong UTF-8 slash") << QByteArray("title=%C0%AF") << false << NetworkSong {};
        QTest::newRow("no song keys at all") << QByteArray("token=x") << false << NetworkSong {};
    }
    void query()
    {
        QFETCH(QByteArray, query);
        QFETCH(bool, taken);
        QFETCH(NetworkSong, expected);
        const NetworkParse parsed = songFromQuery(query);
        QCOMPARE(parsed.song.has_value(), taken);
        if (taken)
            QCOMPARE(*parsed.song, expected);
        else
            QVERIFY(!parsed.error.isEmpty());
    }

    void body_data()
    {
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<NetworkSong>("expected");

        QTest::newRow("form") << QByteArray("application/x-www-form-urlencoded")
                              << QByteArray("artist=A&title=T") << true << song({ "A", "T" }, "A - T");
        QTest::newRow("JSON artist and title")
            << QByteArray("application/json; charset=utf-8") << QByteArray(R"({"artist":"A","title":"T"})")
            << true << song({ "A", "T" }, "A - T");
        QTest::newRow("JSON text") << QByteArray("application/json") << QByteArray(R"({"text":"A - T"})")
                                   << true << song({ "A - T" }, "A - T");
        QTest::newRow("JSON null artist")
            << QByteArray("application/json") << QByteArray(R"({"artist":null,"title":"T"})") << true
            << song({ "T" }, "T");
        QTest::newRow("JSON number is refused")
            << QByteArray("application/json") << QByteArray(R"({"title":5})") << false << NetworkSong {};
        QTest::newRow("JSON array is refused")
            << QByteArray("application/json") << QByteArray(R"(["A"])") << false << NetworkSong {};
        QTest::newRow("broken JSON") << QByteArray("application/json") << QByteArray(R"({"title":)") << false
                                     << NetworkSong {};
        QTest::newRow("plain text, CRLF end") << QByteArray("text/plain") << QByteArray("Artist,Title\r\n")
                                              << true << song({ "Artist", "Title" }, "Artist,Title");
        QTest::newRow("no content type is plain text") << QByteArray() << QByteArray("Just One Line") << true
                                                       << song({ "Just One Line" }, "Just One Line");
        QTest::newRow("plain text not UTF-8")
            << QByteArray("text/plain") << QByteArray("Caf\xE9") << false << NetworkSong {};
        QTest::newRow("8 KiB is taken")
            << QByteArray("text/plain") << QByteArray(kNetworkMessageLimit, 'a') << true
            << songFromText(QString(kNetworkMessageLimit, QLatin1Char('a')));
        QTest::newRow("one byte over 8 KiB")
            << QByteArray("text/plain") << QByteArray(kNetworkMessageLimit + 1, 'a') << false
            << NetworkSong {};
    }
    void body()
    {
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, body);
        QFETCH(bool, taken);
        QFETCH(NetworkSong, expected);
        const NetworkParse parsed = songFromBody(contentType, body);
        QCOMPARE(parsed.song.has_value(), taken);
        if (taken)
            QCOMPARE(*parsed.song, expected);
    }

    void line_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<NetworkSong>("expected");

        QTest::newRow("Rivendell UDP, song file rules")
            << QByteArray("Ann Artist,\"Title, with comma\",Album\n") << QString() << QString()
            << song({ "Ann Artist", "Title, with comma", "Album" }, "Ann Artist,\"Title, with comma\",Album");
        QTest::newRow("RadioDJ caret fields 3 and 4")
            << QByteArray("C:\\music\\a.mp3^1234^Ann Artist^First Song^240\r\n") << QStringLiteral("^")
            << QStringLiteral("3,4") << song({ "Ann Artist", "First Song" }, "Ann Artist - First Song");
        QTest::newRow("title field past the end") << QByteArray("a^b^Artist") << QStringLiteral("^")
                                                  << QStringLiteral("3,4") << song({ "Artist" }, "Artist");
        QTest::newRow("multi-character separator")
            << QByteArray("Artist || Title") << QStringLiteral(" || ") << QStringLiteral("1,2")
            << song({ "Artist", "Title" }, "Artist - Title");
        QTest::newRow("second line of a datagram ignored")
            << QByteArray("First\nSecond\n") << QString() << QString() << song({ "First" }, "First");
    }
    void line()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, separator);
        QFETCH(QString, fields);
        QFETCH(NetworkSong, expected);
        const NetworkParse parsed = songFromLine(line, lineFormat(separator, fields));
        QVERIFY2(parsed.song, qPrintable(parsed.error));
        QCOMPARE(*parsed.song, expected);
    }

    void token_data()
    {
        QTest::addColumn<QByteArray>("given");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("matches");
        QTest::newRow("same") << QByteArray("s3cret") << QByteArray("s3cret") << true;
        QTest::newRow("prefix") << QByteArray("s3cre") << QByteArray("s3cret") << false;
        QTest::newRow("longer") << QByteArray("s3cret!") << QByteArray("s3cret") << false;
        QTest::newRow("trailing NUL") << QByteArray("s3cret\0", 7) << QByteArray("s3cret") << false;
        QTest::newRow("empty against empty: no token is never a match")
            << QByteArray() << QByteArray() << false;
    }
    void token()
    {
        QFETCH(QByteArray, given);
        QFETCH(QByteArray, expected);
        QFETCH(bool, matches);
        QCOMPARE(tokenMatches(given, expected), matches);
    }

    void listenAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("address"); // empty: refused
        QTest::addColumn<int>("port");
        QTest::newRow("loopback") << QStringLiteral("127.0.0.1:8470") << QStringLiteral("127.0.0.1") << 8470;
        QTest::newRow("IPv6 in brackets") << QStringLiteral("[::1]:8471") << QStringLiteral("::1") << 8471;
        QTest::newRow("any address") << QStringLiteral("0.0.0.0:8470") << QStringLiteral("0.0.0.0") << 8470;
        QTest::newRow("IPv6 without brackets") << QStringLiteral("::1:8470") << QString() << 0;
        QTest::newRow("no port") << QStringLiteral("127.0.0.1") << QString() << 0;
        QTest::newRow("port too big") << QStringLiteral("127.0.0.1:70000") << QString() << 0;
        QTest::newRow("host name") << QStringLiteral("example.org:80") << QString() << 0;
        QTest::newRow("empty") << QString() << QString() << 0;
    }
    void listenAddress()
    {
        QFETCH(QString, text);
        QFETCH(QString, address);
        QFETCH(int, port);
        const std::optional<ListenAddress> parsed = parseListenAddress(text);
        QCOMPARE(parsed.has_value(), !address.isEmpty());
        if (parsed) {
            QCOMPARE(parsed->address, QHostAddress(address));
            QCOMPARE(int(parsed->port), port);
        }
    }
};

QTEST_GUILESS_MAIN(TestNetworkSong)
#include "tst_network_song.moc"
