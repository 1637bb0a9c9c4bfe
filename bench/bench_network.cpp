// The network song input of the real `zorvan --headless`, with a
// pseudo-terminal as the board:
//  1. latency: an HTTP GET /nowplaying with a new song to the first byte of
//     its upload on the line, and to the 204 (median, p95, max);
//  2. flood: RATE requests a second for SECONDS from CLIENTS kept-alive
//     connections: requests answered a second, the service's resident memory
//     before, during and after, the label uploads that reached the board and
//     whether the last one is the last song the service took;
//  3. limits: connections held open against the 32 allowed, a 1 MB body.
//
//   bench_network [SONGS] [RATE] [SECONDS] [CLIENTS]    (20 1000 30 8)

#include "bench_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>

using namespace zorvan::bench;

namespace {

void pump(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

long long rssKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

double percentile(std::vector<double> samples, double q)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const std::size_t rank = std::size_t(std::ceil(q * double(samples.size())));
    return samples[std::min(samples.size() - 1, rank == 0 ? 0 : rank - 1)];
}

QByteArray get(const QByteArray &target)
{
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
}

// Waits until nothing has reached the board for `quietMs`.
void waitForQuiet(const BoardPty &board, int quietMs, int withinMs = 60000)
{
    QElapsedTimer clock;
    clock.start();
    qsizetype last = board.size();
    QElapsedTimer still;
    still.start();
    while (clock.elapsed() < withinMs) {
        pump(20);
        if (board.size() != last) {
            last = board.size();
            still.restart();
        } else if (still.elapsed() >= quietMs) {
            return;
        }
    }
}

// The radio text of the last RT frame on the board.
QByteArray lastRadioText(const QByteArray &bytes)
{
    const qsizetype at = bytes.lastIndexOf(QByteArray("\0RT\x01", 4));
    if (at < 0)
        return {};
    const qsizetype end = bytes.indexOf('\x02', at);
    return bytes.mid(at + 4, end - at - 4).split('\r').first();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int songs = args.value(1, QStringLiteral("20")).toInt();
    const int rate = args.value(2, QStringLiteral("1000")).toInt();
    const int seconds = args.value(3, QStringLiteral("30")).toInt();
    const int clients = std::max(1, args.value(4, QStringLiteral("8")).toInt());

    BoardPty board;
    QTemporaryDir dir;
    if (!board.isValid() || !dir.isValid()) {
        std::fprintf(stderr, "no pseudo-terminal or temporary folder\n");
        return 1;
    }
    const QString settings = dir.filePath(QStringLiteral("station.ini"));
    {
        QSettings ini(settings, QSettings::IniFormat);
        ini.setValue(QStringLiteral("Ports/COM1"), board.slavePath());
        ini.setValue(QStringLiteral("RODIREZ500+/COMSelected"), 1);
        ini.setValue(QStringLiteral("RODIREZ500+/AutoPS"), 1);
        ini.setValue(QStringLiteral("RODIREZ500+/RTSwitch"), 1);
        ini.setValue(QStringLiteral("RODIREZ500+/InsertDate"), QStringLiteral("False"));
        ini.setValue(QStringLiteral("Driver/SongSource"), QStringLiteral("Network"));
        ini.setValue(QStringLiteral("Network/HttpListen"), QStringLiteral("127.0.0.1:0"));
        ini.setValue(QStringLiteral("Network/LineListen"), QString());
    }
    QProcess service;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    service.setProcessEnvironment(env);
    service.start(QCoreApplication::applicationDirPath() + QStringLiteral("/zorvan"),
        { QStringLiteral("--headless"), QStringLiteral("--settings"), settings });
    QString log;
    const QRegularExpression listening(QStringLiteral("songs over HTTP on \\S+:(\\d+)"));
    QElapsedTimer started;
    started.start();
    while (!listening.match(log).hasMatch() && started.elapsed() < 20000) {
        service.waitForReadyRead(100);
        log += QString::fromLocal8Bit(service.readAllStandardError());
    }
    const quint16 port = static_cast<quint16>(listening.match(log).captured(1).toUInt());
    if (port == 0) {
        std::fprintf(stderr, "the service did not listen:\n%s\n", qPrintable(log));
        return 1;
    }
    const qint64 pid = service.processId();
    std::printf("zorvan --headless (pid %lld) listening on 127.0.0.1:%u\n", pid, port);

    // 1. Latency, one song at a time on a kept-alive connection.
    std::vector<double> toFirstByte;
    std::vector<double> toAnswer;
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port);
    client.waitForConnected(5000);
    for (int i = 0; i < songs; ++i) {
        waitForQuiet(board, 300);
        const qsizetype from = board.size();
        client.readAll();
        const auto sent = Clock::now();
        client.write(get("/nowplaying?artist=Bench&title=Song%20" + QByteArray::number(i)));
        client.flush();
        std::optional<Clock::time_point> answered;
        QElapsedTimer waited;
        waited.start();
        while ((board.size() == from || !answered) && waited.elapsed() < 10000) {
            pump(1);
            if (!answered && client.bytesAvailable() > 0 && client.peek(12).startsWith("HTTP/1.1 204"))
                answered = Clock::now();
        }
        const std::vector<Clock::time_point> at = board.arrivalsFrom(from);
        if (at.empty() || !answered) {
            std::fprintf(stderr, "song %d: no upload or no answer\n", i);
            continue;
        }
        toFirstByte.push_back(msBetween(sent, at.front()));
        toAnswer.push_back(msBetween(sent, *answered));
    }
    waitForQuiet(board, 300);
    client.close();
    std::printf("\nrequest to first byte on the line (%zu songs): median %.1f ms, p95 %.1f ms, max %.1f ms "
                "(%s the 20 ms target)\n",
        toFirstByte.size(), percentile(toFirstByte, 0.5), percentile(toFirstByte, 0.95),
        toFirstByte.empty() ? 0.0 : *std::max_element(toFirstByte.begin(), toFirstByte.end()),
        percentile(toFirstByte, 0.5) < 20 && percentile(toFirstByte, 0.95) < 20 ? "under" : "OVER");
    std::printf("request to its 204: median %.1f ms, p95 %.1f ms\n", percentile(toAnswer, 0.5),
        percentile(toAnswer, 0.95));

    // 2. Flood.
    const long long rssBefore = rssKb(pid);
    const qsizetype boardBefore = board.size();
    const int uploadsBefore = int(board.bytes().count(QByteArray("\0RT\x01", 4)));
    // Each client sends its next request when the last one has been
    // answered, as a play-out's HTTP output or a monitoring script does (Qt
    // HTTP Server 6.4 does not serve pipelined requests), and all of them
    // together no faster than RATE a second.
    struct Flooder {
        std::unique_ptr<QTcpSocket> socket;
        QByteArray tail;
        bool waiting = false;
    };
    std::vector<Flooder> flooders(static_cast<std::size_t>(clients));
    long long sentCount = 0;
    long long answeredCount = 0;
    QElapsedTimer flood;
    const long long total = static_cast<long long>(rate) * seconds;
    for (Flooder &f : flooders) {
        f.socket = std::make_unique<QTcpSocket>();
        f.socket->connectToHost(QHostAddress::LocalHost, port);
        f.socket->waitForConnected(5000);
        QObject::connect(f.socket.get(), &QTcpSocket::readyRead, f.socket.get(), [&f, &answeredCount] {
            f.tail += f.socket->readAll();
            const qsizetype at = f.tail.indexOf("\r\n\r\n");
            if (at < 0)
                return;
            if (f.tail.startsWith("HTTP/1.1 204"))
                ++answeredCount;
            f.tail = f.tail.mid(at + 4);
            f.waiting = false;
        });
    }
    long long rssPeak = rssBefore;
    flood.start();
    while (flood.elapsed() < seconds * 1000 + 5000 && (sentCount < total || answeredCount < sentCount)) {
        const long long due = std::min(total, flood.elapsed() * rate / 1000);
        for (Flooder &f : flooders) {
            if (sentCount >= due || f.waiting || f.socket->state() != QAbstractSocket::ConnectedState)
                continue;
            f.socket->write(get("/nowplaying?artist=Flood&title=" + QByteArray::number(sentCount)));
            f.waiting = true;
            ++sentCount;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        if (sentCount % 1000 == 0)
            rssPeak = std::max(rssPeak, rssKb(pid));
    }
    const double sendSeconds = flood.elapsed() / 1000.0;
    auto answered = [&answeredCount] { return answeredCount; };
    const double floodSeconds = flood.elapsed() / 1000.0;
    waitForQuiet(board, 1500);
    const long long rssAfter = rssKb(pid);
    const QByteArray onBoard = board.bytes();
    const int uploads = int(onBoard.count(QByteArray("\0RT\x01", 4))) - uploadsBefore;
    // Requests on several connections have no order among them: the newest
    // is the last song the service took, which /status names.
    QByteArray expected;
    {
        QTcpSocket status;
        status.connectToHost(QHostAddress::LocalHost, port);
        status.waitForConnected(5000);
        status.write("GET /status HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
        QByteArray reply;
        QElapsedTimer waited;
        waited.start();
        while (status.state() == QAbstractSocket::ConnectedState && waited.elapsed() < 5000) {
            pump(5);
            reply += status.readAll();
        }
        reply += status.readAll();
        const QJsonObject document
            = QJsonDocument::fromJson(reply.mid(reply.indexOf("\r\n\r\n") + 4)).object();
        expected = document.value(QStringLiteral("song"))
                       .toObject()
                       .value(QStringLiteral("last"))
                       .toObject()
                       .value(QStringLiteral("line"))
                       .toString()
                       .toUpper()
                       .toUtf8();
    }
    std::printf("\nflood: %lld requests from %d clients in %.1f s (%.0f sent/s); %lld answered 204 in %.1f s "
                "(%.0f answered/s)\n",
        sentCount, clients, sendSeconds, sentCount / sendSeconds, answered(), floodSeconds,
        answered() / floodSeconds);
    std::printf("resident memory: before %lld KiB, peak seen %lld KiB, after %lld KiB\n", rssBefore, rssPeak,
        rssAfter);
    std::printf("board: %d label uploads during the flood (%lld bytes); last radio text \"%s\" (%s the last "
                "song the service took)\n",
        uploads, onBoard.size() - boardBefore, lastRadioText(onBoard).constData(),
        lastRadioText(onBoard) == expected ? "is" : "is NOT");
    flooders.clear();

    // A song after the flood still goes out at once.
    {
        QTcpSocket after;
        after.connectToHost(QHostAddress::LocalHost, port);
        after.waitForConnected(5000);
        const qsizetype from = board.size();
        const auto sent = Clock::now();
        after.write(get("/nowplaying?title=After%20The%20Flood"));
        QElapsedTimer waited;
        waited.start();
        while (board.size() == from && waited.elapsed() < 10000)
            pump(1);
        const std::vector<Clock::time_point> at = board.arrivalsFrom(from);
        std::printf("a song after the flood: first byte after %.1f ms\n",
            at.empty() ? -1.0 : msBetween(sent, at.front()));
        waitForQuiet(board, 300);
    }

    // 3. Limits.
    std::vector<std::unique_ptr<QTcpSocket>> held;
    for (int i = 0; i < 40; ++i) {
        held.push_back(std::make_unique<QTcpSocket>());
        held.back()->connectToHost(QHostAddress::LocalHost, port);
        held.back()->waitForConnected(2000);
    }
    pump(500);
    int open = 0;
    for (const auto &socket : held)
        open += socket->state() == QAbstractSocket::ConnectedState ? 1 : 0;
    std::printf("\n40 connections opened: %d kept, %d closed at once\n", open, 40 - open);
    held.clear();
    pump(300);
    {
        QTcpSocket big;
        big.connectToHost(QHostAddress::LocalHost, port);
        big.waitForConnected(2000);
        const long long rssBig = rssKb(pid);
        big.write("POST /nowplaying HTTP/1.1\r\nHost: x\r\nContent-Type: text/plain\r\nContent-Length: "
                  "1048576\r\n\r\n");
        big.write(QByteArray(1024 * 1024, 'x'));
        QElapsedTimer waited;
        waited.start();
        QByteArray answer;
        while (!answer.contains("\r\n\r\n") && waited.elapsed() < 5000
            && big.state() == QAbstractSocket::ConnectedState) {
            pump(5);
            answer += big.readAll();
        }
        answer += big.readAll();
        std::printf("1 MiB body: answered \"%s\" after %lld ms; resident memory %lld -> %lld KiB\n",
            answer.split('\r').first().constData(), waited.elapsed(), rssBig, rssKb(pid));
    }

    service.terminate();
    service.waitForFinished(10000);
    return 0;
}
