#include "link/frame_decoder.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace zorvan;

namespace {

QByteArray frame(const QByteArray &name, const QByteArray &value)
{
    return QByteArray(1, '\x00') + name + '\x01' + value + '\x02';
}

QString printable(const QByteArray &bytes)
{
    QString out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        out += (u >= 0x20 && u < 0x7F) ? QString(QChar(u))
                                       : QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
    }
    return out;
}

QString describe(const DecoderEvent &event)
{
    if (const auto *f = std::get_if<DecodedFrame>(&event))
        return QStringLiteral("%1=%2").arg(QString::fromLatin1(f->name), printable(f->value));
    const auto &s = std::get<StrayBytes>(event);
    return QStringLiteral("[%1] %2").arg(strayReasonName(s.reason), printable(s.bytes));
}

QStringList describeAll(const std::vector<DecoderEvent> &events)
{
    QStringList out;
    for (const auto &e : events)
        out << describe(e);
    return out;
}

// Feeds the stream in the given pieces and ends the input.
std::vector<DecoderEvent> decodeInPieces(const QByteArray &stream, const QList<qsizetype> &cuts)
{
    FrameDecoder decoder;
    std::vector<DecoderEvent> events;
    qsizetype from = 0;
    qint64 now = 0;
    for (qsizetype cut : cuts) {
        for (auto &e : decoder.feed(QByteArrayView(stream).sliced(from, cut - from), ++now))
            events.push_back(std::move(e));
        from = cut;
    }
    for (auto &e : decoder.feed(QByteArrayView(stream).sliced(from), ++now))
        events.push_back(std::move(e));
    for (auto &e : decoder.finish())
        events.push_back(std::move(e));
    return events;
}

// Bytes the events account for, so that nothing is lost or invented.
qsizetype accountedBytes(const std::vector<DecoderEvent> &events)
{
    qsizetype total = 0;
    for (const auto &e : events) {
        if (const auto *f = std::get_if<DecodedFrame>(&e))
            total += f->name.size() + f->value.size() + 3;
        else
            total += std::get<StrayBytes>(e).bytes.size();
    }
    return total;
}

// A stream that exercises every recovery rule at once.
QByteArray mixedStream()
{
    return QByteArray("xy") + frame("PWR", "1") + frame("PS00", "RADIO 1 ") + QByteArray("\x00PS", 3)
        + frame("RT", "HELLO\r\r\r")
        + QByteArray("\x00"
                     "A-B\x01"
                     "1\x02",
            7)
        + frame("SAVE", "0") + "zz" + frame("DATE", "\x1e\x05\x05")
        + QByteArray("\x00"
                     "TIME\x01\x04",
            7);
}

} // namespace

class TestFrameDecoder : public QObject {
    Q_OBJECT

private slots:
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QStringList>("events");

        QTest::newRow("one frame") << frame("PS00", "RADIO 1 ") << QStringList { "PS00=RADIO 1 " };
        QTest::newRow("frames back to back")
            << frame("TP", "0") + frame("TA", "1") << QStringList { "TP=0", "TA=1" };
        QTest::newRow("empty value") << frame("RT", "") << QStringList { "RT=" };
        QTest::newRow("offset bytes kept as they are") << frame("AF0", "\xeb") << QStringList { "AF0=\\xeb" };
        QTest::newRow("separator inside a value is a value byte") << frame("MG1",
            "A\x01"
            "B") << QStringList { "MG1=A\\x01B" };
        QTest::newRow("mixed-case name") << frame("Did3", "1") << QStringList { "Did3=1" };
        QTest::newRow("garbage before a frame")
            << QByteArray("ab") + frame("MS", "1") << QStringList { "[outside frame] ab", "MS=1" };
        QTest::newRow("garbage between frames") << frame("TP", "0") + "\xff\x02"
                + frame("TA", "0") << QStringList { "TP=0", "[outside frame] \\xff\\x02", "TA=0" };
        QTest::newRow("garbage after the last frame") << frame("TP", "0") + "\r\n"
                                                      << QStringList { "TP=0", "[outside frame] \\x0d\\x0a" };
        QTest::newRow("start byte inside a value restarts") << QByteArray("\x00RT\x01HEL", 7)
                + frame("PTY", "10") << QStringList { "[frame restarted] \\x00RT\\x01HEL", "PTY=10" };
        QTest::newRow("start byte inside a name restarts") << QByteArray("\x00P", 2)
                + frame("MS", "0") << QStringList { "[frame restarted] \\x00P", "MS=0" };
        QTest::newRow("start byte right after the start byte")
            << QByteArray(1, '\x00') + frame("MS", "0") << QStringList { "[frame restarted] \\x00", "MS=0" };
        QTest::newRow("name of one letter") << QByteArray("\x00P\x01"
                                                          "1\x02",
            5) << QStringList { "[bad name] \\x00P\\x01", "[outside frame] 1\\x02" };
        QTest::newRow("empty name") << QByteArray("\x00\x01\x02", 3)
                                    << QStringList { "[bad name] \\x00\\x01", "[outside frame] \\x02" };
        QTest::newRow("name of five letters") << QByteArray("\x00PS100\x01x\x02",
            9) << QStringList { "[bad name] \\x00PS100", "[outside frame] \\x01x\\x02" };
        QTest::newRow("blank in a name") << QByteArray(
            "\x00P S\x01x\x02", 7) << QStringList { "[bad name] \\x00P ", "[outside frame] S\\x01x\\x02" };
        QTest::newRow("end byte in a name") << QByteArray("\x00PS\x02", 4) + frame("TP", "1")
                                            << QStringList { "[bad name] \\x00PS\\x02", "TP=1" };
        QTest::newRow("frame never closed")
            << QByteArray("\x00RT\x01HELLO", 9) << QStringList { "[frame not closed] \\x00RT\\x01HELLO" };
        QTest::newRow("name never ended")
            << QByteArray("\x00SA", 3) << QStringList { "[frame not closed] \\x00SA" };
        QTest::newRow("longest value taken")
            << frame("RT", QByteArray(FrameDecoder::kMaxValueBytes, 'a'))
            << QStringList { "RT=" + QString(FrameDecoder::kMaxValueBytes, 'a') };
        QTest::newRow("one byte more is too long")
            << frame("RT", QByteArray(FrameDecoder::kMaxValueBytes + 1, 'a'))
            << QStringList { "[value too long] \\x00RT\\x01" + QString(FrameDecoder::kMaxValueBytes, 'a'),
                   "[outside frame] a\\x02" };
    }
    void decodes()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QStringList, events);
        const auto decoded = decodeInPieces(stream, {});
        QCOMPARE(describeAll(decoded), events);
        QCOMPARE(accountedBytes(decoded), stream.size());
    }

    void sameEventsWhereverTheStreamIsCut()
    {
        const QByteArray stream = mixedStream();
        const auto whole = decodeInPieces(stream, {});
        QCOMPARE(describeAll(whole),
            (QStringList { "[outside frame] xy", "PWR=1", "PS00=RADIO 1 ", "[frame restarted] \\x00PS",
                "RT=HELLO\\x0d\\x0d\\x0d", "[bad name] \\x00A-", "[outside frame] B\\x011\\x02", "SAVE=0",
                "[outside frame] zz", "DATE=\\x1e\\x05\\x05", "[frame not closed] \\x00TIME\\x01\\x04" }));
        for (qsizetype cut = 0; cut <= stream.size(); ++cut)
            QVERIFY2(describeAll(decodeInPieces(stream, { cut })) == describeAll(whole),
                qPrintable(QString::number(cut)));

        QList<qsizetype> everyByte;
        for (qsizetype i = 1; i < stream.size(); ++i)
            everyByte << i;
        QCOMPARE(describeAll(decodeInPieces(stream, everyByte)), describeAll(whole));
    }

    void framesCarryTheTimeOfTheirFirstAndLastByte()
    {
        FrameDecoder decoder;
        QVERIFY(decoder.feed(QByteArray("\x00TIME", 5), 100).empty());
        QVERIFY(decoder.feed(QByteArray("\x01\x04\x04", 3), 300).empty());
        auto events = decoder.feed(QByteArray("\x04\x02zz", 4), 450);
        QCOMPARE(events.size(), size_t(1));
        const auto &f = std::get<DecodedFrame>(events[0]);
        QCOMPARE(f.startMs, qint64(100));
        QCOMPARE(f.endMs, qint64(450));
        QCOMPARE(f.value, QByteArray("\x04\x04\x04"));

        events = decoder.finish();
        QCOMPARE(events.size(), size_t(1));
        QCOMPARE(std::get<StrayBytes>(events[0]).startMs, qint64(450));
        QVERIFY(decoder.isIdle());
    }

    void decodesAgainAfterFinish()
    {
        FrameDecoder decoder;
        decoder.feed(QByteArray("\x00RT\x01HAL", 7), 1);
        QCOMPARE(describeAll(decoder.finish()), QStringList { "[frame not closed] \\x00RT\\x01HAL" });
        QCOMPARE(describeAll(decoder.feed(QByteArray("LO\x02") + frame("MS", "1"), 2)),
            (QStringList { "[outside frame] LO\\x02", "MS=1" }));
        QVERIFY(decoder.finish().empty());
    }

    void memoryStaysBounded_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::newRow("endless garbage") << QByteArray(1 << 20, 'x');
        QTest::newRow("endless value") << QByteArray("\x00RT\x01", 4) + QByteArray(1 << 20, 'v');
        QTest::newRow("endless restarts") << QByteArray(1 << 18, '\x00');
        QByteArray noise(1 << 20, '\0');
        QRandomGenerator random(1234);
        for (char &c : noise)
            c = static_cast<char>(random.bounded(256));
        QTest::newRow("random bytes") << noise;
        QByteArray lowNoise(1 << 20, '\0');
        for (char &c : lowNoise)
            c = "\x00\x01\x02PS0A"[random.bounded(7)];
        QTest::newRow("random frame bytes") << lowNoise;
    }
    void memoryStaysBounded()
    {
        QFETCH(QByteArray, stream);
        const qsizetype bound = std::max(FrameDecoder::kMaxStrayRun, FrameDecoder::kMaxValueBytes + 6);
        FrameDecoder decoder;
        qsizetype total = 0;
        for (qsizetype at = 0; at < stream.size(); at += 4093) {
            const auto events = decoder.feed(
                QByteArrayView(stream).sliced(at, std::min<qsizetype>(4093, stream.size() - at)), at);
            QVERIFY(decoder.pendingBytes() <= bound);
            for (const auto &e : events) {
                if (const auto *s = std::get_if<StrayBytes>(&e))
                    QVERIFY(s->bytes.size() <= bound);
                else
                    QVERIFY(std::get<DecodedFrame>(e).value.size() <= FrameDecoder::kMaxValueBytes);
            }
            total += accountedBytes(events);
        }
        total += accountedBytes(decoder.finish());
        QCOMPARE(total, stream.size());
    }
};

QTEST_APPLESS_MAIN(TestFrameDecoder)
#include "tst_frame_decoder.moc"
