#include "content/network_song_source.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>

using namespace zorvan;

// The listeners' own bounds, over real loopback sockets, with limits small
// enough to reach in a test. What the songs then do on the board is the
// service's test.
class TestNetworkSongSource : public QObject {
    Q_OBJECT

    static NetworkOptions onAnyPort()
    {
        NetworkOptions options;
        options.httpListen = QStringLiteral("127.0.0.1:0");
        options.lineListen = QStringLiteral("127.0.0.1:0");
        return options;
    }

    // What comes on `socket` until the head of an answer has come, the
    // peer has closed or two seconds have passed. The server runs in this
    // thread: the wait runs its event loop.
    static QByteArray answerOn(QTcpSocket &socket)
    {
        QByteArray answer;
        QElapsedTimer clock;
        clock.start();
        while (!answer.contains("\r\n\r\n") && socket.state() == QAbstractSocket::ConnectedState
            && clock.elapsed() < 2000) {
            QTest::qWait(10);
            answer += socket.readAll();
        }
        return answer + socket.readAll();
    }

    // A raw HTTP exchange on a new connection.
    static QByteArray exchange(quint16 port, const QByteArray &request)
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (!socket.waitForConnected(2000))
            return {};
        socket.write(request);
        return answerOn(socket);
    }

private slots:
    // Off loopback without a token nothing listens, and the log says why.
    void offLoopbackNeedsAToken()
    {
        NetworkSongSource source;
        NetworkOptions options = onAnyPort();
        options.httpListen = QStringLiteral("0.0.0.0:0");
        options.lineListen = QStringLiteral("0.0.0.0:0");
        const QStringList report = source.listen(options);
        QCOMPARE(report.size(), 2);
        for (const QString &line : report)
            QVERIFY2(line.contains(QLatin1String("Token is not set")), qPrintable(line));
        QVERIFY(!source.isListening());

        options.token = QStringLiteral("s3cret");
        source.listen(options);
        QVERIFY(source.httpPort() != 0);
        QVERIFY(source.linePort() != 0);
    }

    // The 33rd connection is closed at once; the others still answer.
    void connectionsAreCounted()
    {
        NetworkLimits limits;
        limits.maxConnections = 4;
        NetworkSongSource source(limits);
        source.listen(onAnyPort());
        std::vector<std::unique_ptr<QTcpSocket>> held;
        for (int i = 0; i < limits.maxConnections; ++i) {
            held.push_back(std::make_unique<QTcpSocket>());
            held.back()->connectToHost(QHostAddress::LocalHost, source.linePort());
            QVERIFY(held.back()->waitForConnected(2000));
        }
        QTRY_COMPARE(source.connectionCount(), limits.maxConnections);
        QTcpSocket extra;
        extra.connectToHost(QHostAddress::LocalHost, source.linePort());
        QVERIFY(extra.waitForConnected(2000));
        QTRY_COMPARE(extra.state(), QAbstractSocket::UnconnectedState);

        QSignalSpy songs(&source, &NetworkSongSource::songArrived);
        held.front()->write("Still Here\n");
        QVERIFY(songs.wait(2000));
        QCOMPARE(source.song()->firstLine, QStringLiteral("Still Here"));
        held.clear();
        QTRY_COMPARE(source.connectionCount(), 0);
    }

    // A silent connection is closed after the idle time; one that speaks
    // is kept.
    void idleConnectionsAreClosed()
    {
        NetworkLimits limits;
        limits.idleMs = 300;
        NetworkSongSource source(limits);
        source.listen(onAnyPort());
        QTcpSocket silent;
        QTcpSocket talking;
        for (QTcpSocket *socket : { &silent, &talking }) {
            socket->connectToHost(QHostAddress::LocalHost, source.linePort());
            QVERIFY(socket->waitForConnected(2000));
        }
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 700) {
            talking.write("\n");
            QTest::qWait(100);
        }
        QCOMPARE(silent.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(talking.state(), QAbstractSocket::ConnectedState);
    }

    // A line, a datagram or a body over the limit is refused whole and
    // never becomes a song.
    void oversizeMessagesAreRefused()
    {
        NetworkSongSource source;
        source.listen(onAnyPort());
        QSignalSpy songs(&source, &NetworkSongSource::songArrived);
        QSignalSpy refused(&source, &NetworkSongSource::refused);

        QTcpSocket line;
        line.connectToHost(QHostAddress::LocalHost, source.linePort());
        QVERIFY(line.waitForConnected(2000));
        line.write(QByteArray(kNetworkMessageLimit + 100, 'x'));
        QTRY_COMPARE(line.state(), QAbstractSocket::UnconnectedState);

        QUdpSocket udp;
        QCOMPARE(udp.writeDatagram(
                     QByteArray(kNetworkMessageLimit + 1, 'y'), QHostAddress::LocalHost, source.linePort()),
            qint64(kNetworkMessageLimit + 1));
        QTRY_COMPARE(refused.size(), 2);

        // Bigger than the request bound: answered 413 before it is all read.
        const QByteArray huge = exchange(source.httpPort(),
            "POST /nowplaying HTTP/1.1\r\nHost: x\r\nContent-Type: text/plain\r\nContent-Length: "
            "1000000\r\n\r\n"
                + QByteArray(64 * 1024, 'z'));
        QVERIFY2(huge.startsWith("HTTP/1.1 413"), huge.constData());
        // Over 8 KiB but within it: the handler's 413.
        const QByteArray body(kNetworkMessageLimit + 1, 'w');
        const QByteArray over = exchange(source.httpPort(),
            "POST /nowplaying HTTP/1.1\r\nHost: x\r\nContent-Type: text/plain\r\nConnection: close\r\n"
            "Content-Length: "
                + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        QVERIFY2(over.startsWith("HTTP/1.1 413"), over.constData());
        QCOMPARE(songs.size(), 0);
    }

    // Several requests on one kept-alive connection are each answered: the
    // request bound counts from the last answer, not from the connection's
    // start.
    void keptAliveConnectionGoesOn()
    {
        NetworkSongSource source;
        source.listen(onAnyPort());
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, source.httpPort());
        QVERIFY(socket.waitForConnected(2000));
        const QByteArray body(6000, 'k');
        for (int i = 0; i < 5; ++i) {
            socket.write(
                "POST /nowplaying HTTP/1.1\r\nHost: x\r\nContent-Type: text/plain\r\nContent-Length: "
                + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            const QByteArray answer = answerOn(socket);
            QVERIFY2(answer.startsWith("HTTP/1.1 204"), answer.constData());
        }
    }
};

QTEST_GUILESS_MAIN(TestNetworkSongSource)
#include "tst_network_song_source.moc"
