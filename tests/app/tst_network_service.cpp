#include "network_service.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>

// Songs over the network reach the board through the real service: curl
// as a play-out's HTTP-GET output, UDP datagrams and TCP lines as the line
// outputs send them.

namespace {

using zorvan::test::NetworkService;

constexpr int kLabelUpload = 201; // PS00..PS99, PD00..PD99 and RT

// The radio text of an upload: its last frame.
QString radioTextOf(const QList<QJsonObject> &frames)
{
    if (frames.isEmpty() || frames.last().value(QStringLiteral("command")).toString() != QLatin1String("RT"))
        return QString();
    return frames.last().value(QStringLiteral("value")).toString().section(QLatin1Char('\r'), 0, 0);
}

} // namespace

class TestNetworkService : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        NetworkService probe;
        if (!probe.skipReason().isEmpty())
            QSKIP(qPrintable(probe.skipReason()));
    }

    // Each input shape puts its song on the board as labels and radio text,
    // and every refused request says why with its status.
    void eachInputReachesTheBoard()
    {
        NetworkService service;
        QVERIFY(service.start());
        QVERIFY2(service.httpPort() && service.linePort(), qPrintable(service.log()));

        NetworkService::Answer answer = NetworkService::curl(
            { service.url(QStringLiteral("/nowplaying?artist=Ann%20Artist&title=First+Song")) });
        QCOMPARE(answer.status, 204);
        QList<QJsonObject> frames = service.board().frames(kLabelUpload);
        QCOMPARE(frames.size(), kLabelUpload);
        QCOMPARE(frames.first().value(QStringLiteral("value")).toString(), QStringLiteral("ANN ARTI"));
        QCOMPARE(radioTextOf(frames), QStringLiteral("ANN ARTIST - FIRST SONG"));

        QUdpSocket udp;
        udp.writeDatagram("Udp Artist,Second Song\n", QHostAddress::LocalHost, service.linePort());
        frames = service.board().frames(kLabelUpload);
        QCOMPARE(radioTextOf(frames), QStringLiteral("UDP ARTIST,SECOND SONG"));

        QTcpSocket tcp;
        tcp.connectToHost(QHostAddress::LocalHost, service.linePort());
        QVERIFY(tcp.waitForConnected(5000));
        tcp.write("Tcp Artist - Third Song\r\n");
        QVERIFY(tcp.waitForBytesWritten(5000));
        frames = service.board().frames(kLabelUpload);
        QCOMPARE(radioTextOf(frames), QStringLiteral("TCP ARTIST - THIRD SONG"));

        answer
            = NetworkService::curl({ QStringLiteral("-H"), QStringLiteral("Content-Type: application/json"),
                QStringLiteral("--data-binary"), QStringLiteral(R"({"artist":"Json","title":"Fourth"})"),
                service.url(QStringLiteral("/nowplaying")) });
        QCOMPARE(answer.status, 204);
        QCOMPARE(radioTextOf(service.board().frames(kLabelUpload)), QStringLiteral("JSON - FOURTH"));

        // Refused before the library's URL parser could mend it, and never
        // on air (the other refusals are the parser's and the listener's
        // own tests).
        answer = NetworkService::curl({ service.url(QStringLiteral("/nowplaying?title=100%zz")) });
        QCOMPARE(answer.status, 400);
        answer = NetworkService::curl({ QStringLiteral("-X"), QStringLiteral("PUT"),
            service.url(QStringLiteral("/nowplaying?title=x")) });
        QCOMPARE(answer.status, 405);
        QVERIFY2(service.waitForLog(QStringLiteral("Song refused from HTTP 127.0.0.1: bad percent-encoding")),
            qPrintable(service.log()));
        // One more song goes out whole after all that: nothing came between.
        QCOMPARE(
            NetworkService::curl({ service.url(QStringLiteral("/nowplaying?text=Last%20One")) }).status, 204);
        QCOMPARE(radioTextOf(service.board().frames(kLabelUpload)), QStringLiteral("LAST ONE"));
    }

    // With a token set, a listener may face the network; every request
    // without it is refused, the page and /status included.
    void tokenGuardsEveryRequest()
    {
        NetworkService service;
        QVERIFY(service.start({ { "Network/HttpListen", "0.0.0.0:0" }, { "Network/Token", "s3cret" } }));
        QVERIFY2(service.httpPort(), qPrintable(service.log()));
        const QString song = service.url(QStringLiteral("/nowplaying?title=Guarded"));
        QCOMPARE(NetworkService::curl({ song }).status, 401);
        QCOMPARE(NetworkService::curl({ song + QStringLiteral("&token=wrong") }).status, 401);
        QCOMPARE(NetworkService::curl(
                     { QStringLiteral("-H"), QStringLiteral("Authorization: Bearer s3cre"), song })
                     .status,
            401);
        QCOMPARE(NetworkService::curl({ service.url(QStringLiteral("/status")) }).status, 401);
        QCOMPARE(NetworkService::curl({ service.url(QStringLiteral("/")) }).status, 401);

        QCOMPARE(NetworkService::curl(
                     { QStringLiteral("-H"), QStringLiteral("Authorization: Bearer s3cret"), song })
                     .status,
            204);
        QCOMPARE(radioTextOf(service.board().frames(kLabelUpload)), QStringLiteral("GUARDED"));
        const NetworkService::Answer status
            = NetworkService::curl({ service.url(QStringLiteral("/status?token=s3cret")) });
        QCOMPARE(status.status, 200);
        const QJsonObject document = QJsonDocument::fromJson(status.body).object();
        QCOMPARE(document.value(QStringLiteral("radioText")).toString(), QStringLiteral("GUARDED"));
        QCOMPARE(document.value(QStringLiteral("song")).toObject().value(QStringLiteral("source")).toString(),
            QStringLiteral("network"));
        QVERIFY(document.contains(QStringLiteral("programme")));
        QVERIFY(document.value(QStringLiteral("programme")).isNull());
    }

    // Songs that come while an upload runs: the board gets the one being
    // sent, then only the newest, nothing between.
    void songsDuringAnUploadCoalesce()
    {
        NetworkService service;
        QVERIFY(service.start());
        QTcpSocket tcp;
        tcp.connectToHost(QHostAddress::LocalHost, service.linePort());
        QVERIFY(tcp.waitForConnected(5000));
        tcp.write("On Air First\n");
        QVERIFY(tcp.waitForBytesWritten(5000));
        // The first label frame is on the line: the upload runs.
        QList<QJsonObject> frames = service.board().frames(1);
        QCOMPARE(frames.size(), 1);
        for (int i = 1; i <= 50; ++i) {
            tcp.write(QByteArrayLiteral("Burst Song ") + QByteArray::number(i) + '\n');
            QVERIFY(tcp.waitForBytesWritten(5000));
        }
        frames += service.board().frames(kLabelUpload - 1);
        QCOMPARE(radioTextOf(frames), QStringLiteral("ON AIR FIRST"));
        QCOMPARE(radioTextOf(service.board().frames(kLabelUpload)), QStringLiteral("BURST SONG 50"));
        // Nothing else follows.
        QVERIFY(service.board().next(QStringLiteral("command"), 1500).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestNetworkService)
#include "tst_network_service.moc"
