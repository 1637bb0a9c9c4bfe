#include "json_line_process.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

// Generous: only there so that a broken simulator fails the test instead of hanging it.
constexpr int kPatienceMs = 15000;

QByteArray frame(const QByteArray &name, const QByteArray &value)
{
    return QByteArray(1, '\x00') + name + '\x01' + value + '\x02';
}

QString simBinary()
{
    return QStringLiteral(ZORVAN_BIN_DIR "/zorvan-sim");
}

// zorvan-sim as a child process, read one JSON line at a time.
class Sim : public zorvan::test::JsonLineProcess {
public:
    Sim()
        : JsonLineProcess(kPatienceMs)
    {
    }
    void start(const QStringList &arguments) { JsonLineProcess::start(simBinary(), arguments); }
};

// One transmission the way the driver makes it: open, write, drain, close.
bool transmit(const QString &link, qint32 baud, const QList<QByteArray> &writes)
{
    QSerialPort port(link);
    port.setBaudRate(baud);
    if (!port.open(QIODevice::WriteOnly))
        return false;
    for (const QByteArray &bytes : writes) {
        if (port.write(bytes) != bytes.size())
            return false;
        while (port.bytesToWrite() > 0) {
            if (!port.waitForBytesWritten(kPatienceMs))
                return false;
        }
    }
    port.close();
    return true;
}

using zorvan::test::commandsOf;

} // namespace

class TestSimLink : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QFileInfo(simBinary()).isExecutable())
            QSKIP("zorvan-sim has not been built");
    }

    void framesArriveOverSeveralOpens_data()
    {
        QTest::addColumn<qint32>("baud");
        QTest::addColumn<bool>("view");
        QTest::newRow("9600") << 9600 << false;
        QTest::newRow("14400, the driver's default rate") << 14400 << false;
        QTest::newRow("19200") << 19200 << false;
        QTest::newRow("38400 with the receiver window") << 38400 << true;
    }
    void framesArriveOverSeveralOpens()
    {
        QFETCH(qint32, baud);
        QFETCH(bool, view);
        QTemporaryDir dir;
        const QString link = dir.filePath("ttyZORVAN");
        QStringList arguments { "--link", link, "--baud", QString::number(baud), "--dump-state" };
        if (view)
            arguments << "--view";
        Sim sim;
        sim.start(arguments);
        const QJsonObject ready = sim.next("ready");
        QVERIFY2(!ready.isEmpty(), sim.errors().constData());
        QCOMPARE(ready.value("link").toString(), link);
        QCOMPARE(QFileInfo(link).symLinkTarget(), ready.value("device").toString());

        // First transmission: a frame cut in the middle, as the clock sender does.
        QVERIFY(transmit(link, baud,
            { QByteArray("\x00TIME", 5), QByteArray("\x01\x04\x04\x04\x02", 5),
                frame("DATE", "\x1a\x05\x05") }));
        // Second: noise between two frames.
        QVERIFY(transmit(link, baud, { frame("PWR", "1") + "\r\n" + frame("CCAC", "192") }));
        // Third: texts in Windows-1252 and the store command.
        QVERIFY(transmit(link, baud,
            { frame("PS00", "CAF\xC9 FM "), frame("RT", "\xC9T\xC9\r\r\r"), frame("SAVE", "0") }));

        const QList<QJsonObject> lines = sim.frames(7);
        QCOMPARE(commandsOf(lines), (QStringList { "TIME", "DATE", "PWR", "CCAC", "PS00", "RT", "SAVE" }));
        QCOMPARE(lines[0].value("hex").toString(), QStringLiteral("04 04 04"));
        QVERIFY(lines[0].value("start_ms").toInteger() <= lines[0].value("t_ms").toInteger());
        QCOMPARE(lines[1].value("detail").toString(), QStringLiteral("date 2026-01-01"));
        QCOMPARE(lines[3].value("value").toString(), QStringLiteral("192"));
        QCOMPARE(lines[4].value("value").toString(), QString::fromUtf8("CAFÉ FM "));
        QCOMPARE(lines[4].value("hex").toString(), QStringLiteral("43 41 46 C9 20 46 4D 20"));
        QCOMPARE(lines[5].value("value").toString(), QString::fromUtf8("ÉTÉ\r\r\r"));
        for (const auto &line : lines)
            QCOMPARE(line.value("status").toString(), QStringLiteral("ok"));

        sim.signal(SIGUSR1);
        const QJsonObject midway = sim.next("state").value("state").toObject();
        QCOMPARE(midway.value("pi").toString(), QStringLiteral("C000"));
        QCOMPARE(midway.value("clock").toString().left(10), QStringLiteral("2026-01-01"));

        QVERIFY(transmit(link, baud, { frame("PREF", "128") }));
        QCOMPARE(sim.frames(1).value(0).value("command").toString(), QStringLiteral("PREF"));

        QCOMPARE(sim.stop(), 0);
        const QJsonObject state = sim.next("state").value("state").toObject();
        QCOMPARE(state.value("pi").toString(), QStringLiteral("C080"));
        QCOMPARE(state.value("rt").toString(), QString::fromUtf8("ÉTÉ"));
        QCOMPARE(state.value("ps").toArray().at(0).toString(), QString::fromUtf8("CAFÉ FM "));
        QCOMPARE(state.value("stored").toBool(), false);
        QCOMPARE(state.value("saves").toInt(), 1);
        QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
    }

    void garbageIsReported()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("tty");
        Sim sim;
        sim.start({ "--link", link });
        QVERIFY(!sim.next("ready").isEmpty());
        QVERIFY(transmit(link, 9600,
            { "\xff\xfe" + frame("TP", "1")
                + QByteArray("\x00RT\x01"
                             "ABC",
                    7)
                + frame("TA", "1") + QByteArray("\x00MS\x01", 4) }));

        const QJsonObject first = sim.next("garbage_hex");
        QCOMPARE(first.value("garbage_hex").toString(), QStringLiteral("FF FE"));
        QCOMPARE(first.value("reason").toString(), QStringLiteral("outside frame"));
        const QJsonObject second = sim.next("garbage_hex");
        QCOMPARE(second.value("garbage_hex").toString(), QStringLiteral("00 52 54 01 41 42 43"));
        QCOMPARE(second.value("reason").toString(), QStringLiteral("frame restarted"));
        // The last frame never ends: given up once the line has been quiet.
        const QJsonObject third = sim.next("garbage_hex");
        QCOMPARE(third.value("garbage_hex").toString(), QStringLiteral("00 4D 53 01"));
        QCOMPARE(third.value("reason").toString(), QStringLiteral("frame not closed"));
        QCOMPARE(sim.stop(), 0);
    }

    void refusedFramesAreMarked()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("tty");
        Sim sim;
        sim.start({ "--link", link });
        QVERIFY(!sim.next("ready").isEmpty());
        QVERIFY(transmit(link, 9600, { frame("TA", "7") + frame("XYZ", "") + frame("TA", "1") }));
        const QList<QJsonObject> lines = sim.frames(3);
        QCOMPARE(commandsOf(lines), (QStringList { "TA", "XYZ", "TA" }));
        QCOMPARE(lines[0].value("status").toString(), QStringLiteral("bad value"));
        QCOMPARE(lines[1].value("status").toString(), QStringLiteral("unknown command"));
        QCOMPARE(lines[2].value("status").toString(), QStringLiteral("ok"));
        QCOMPARE(sim.stop(), 0);
    }

    void manyShortTransmissionsLoseNothing()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("tty");
        Sim sim;
        sim.start({ "--link", link });
        QVERIFY(!sim.next("ready").isEmpty());

        constexpr int kOpens = 25;
        QStringList expected;
        for (int open = 0; open < kOpens; ++open) {
            QByteArray bytes;
            for (int i = 0; i < 8; ++i) {
                const QByteArray number = QByteArray::number(open * 8 + i).rightJustified(2, '0').right(2);
                bytes += frame("PD" + number, QByteArray::number(i));
                expected << QString::fromLatin1("PD" + number);
            }
            QVERIFY2(transmit(link, 9600, { bytes }), qPrintable(QString::number(open)));
        }
        QCOMPARE(commandsOf(sim.frames(expected.size())), expected);
        QCOMPARE(sim.stop(), 0);
    }

    void linkPath_data()
    {
        QTest::addColumn<QString>("existing"); // what lies at the link path before the start
        QTest::addColumn<bool>("starts");
        QTest::newRow("nothing there") << "" << true;
        QTest::newRow("stale link replaced") << "dangling link" << true;
        QTest::newRow("link to a file replaced") << "link to file" << true;
        QTest::newRow("regular file left alone") << "file" << false;
    }
    void linkPath()
    {
        QFETCH(QString, existing);
        QFETCH(bool, starts);
        QTemporaryDir dir;
        const QString link = dir.filePath("tty");
        const QString file = dir.filePath("keep.txt");
        QFile keep(file);
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.write("precious");
        keep.close();
        if (existing == "dangling link")
            QVERIFY(QFile::link(dir.filePath("gone"), link));
        else if (existing == "link to file")
            QVERIFY(QFile::link(file, link));
        else if (existing == "file")
            QVERIFY(QFile::copy(file, link));

        Sim sim;
        sim.start({ "--link", link });
        if (!starts) {
            QCOMPARE(sim.waitForExit(), 1);
            QVERIFY(!QFileInfo(link).isSymLink());
            QFile left(link);
            QVERIFY(left.open(QIODevice::ReadOnly));
            QCOMPARE(left.readAll(), QByteArray("precious"));
            return;
        }
        const QJsonObject ready = sim.next("ready");
        QVERIFY2(!ready.isEmpty(), sim.errors().constData());
        QCOMPARE(QFileInfo(link).symLinkTarget(), ready.value("device").toString());
        QVERIFY(transmit(link, 9600, { frame("MODE", "3") }));
        QCOMPARE(sim.frames(1).value(0).value("value").toString(), QStringLiteral("3"));
        QCOMPARE(sim.stop(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
        QFile kept(file);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("precious"));
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no link") << QStringList {};
        QTest::newRow("rate the board does not know") << QStringList { "--link", "LINK", "--baud", "1200" };
        QTest::newRow("rate not a number") << QStringList { "--link", "LINK", "--baud", "fast" };
    }
    void badArguments()
    {
        QFETCH(QStringList, arguments);
        QTemporaryDir dir;
        arguments.replaceInStrings("LINK", dir.filePath("tty"));
        Sim sim;
        sim.start(arguments);
        QCOMPARE(sim.waitForExit(), 2);
        QVERIFY(!QFileInfo(dir.filePath("tty")).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestSimLink)
#include "tst_sim_link.moc"
