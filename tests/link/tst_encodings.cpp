#include "link/encodings.h"
#include "link/line_settings.h"
#include "link/transmission.h"

#include <QtTest>

using namespace zorvan;

class TestEncodings : public QObject {
    Q_OBJECT

private slots:
    void decimalText_data()
    {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<int>("width");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("zero unfilled") << qint64(0) << 0 << QByteArray("0");
        QTest::newRow("flag one") << qint64(1) << 0 << QByteArray("1");
        QTest::newRow("zero filled to 3") << qint64(0) << 3 << QByteArray("000");
        QTest::newRow("7 filled to 3") << qint64(7) << 3 << QByteArray("007");
        QTest::newRow("192 fills 3 exactly") << qint64(192) << 3 << QByteArray("192");
        QTest::newRow("5 filled to 2") << qint64(5) << 2 << QByteArray("05");
        QTest::newRow("31 fills 2 exactly") << qint64(31) << 2 << QByteArray("31");
        QTest::newRow("longer than width sent whole") << qint64(1234) << 3 << QByteArray("1234");
        QTest::newRow("16-bit maximum") << qint64(32767) << 0 << QByteArray("32767");
        QTest::newRow("negative keeps sign before fill") << qint64(-5) << 3 << QByteArray("-005");
        QTest::newRow("most negative does not overflow")
            << std::numeric_limits<qint64>::min() << 0 << QByteArray("-9223372036854775808");
    }
    void decimalText()
    {
        QFETCH(qint64, value);
        QFETCH(int, width);
        QFETCH(QByteArray, text);
        QCOMPARE(DecimalText(value, width), text);
    }

    void offsetByte_data()
    {
        QTest::addColumn<int>("quantity");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("quantity 0 is 0x04") << 0 << QByteArray("\x04");
        QTest::newRow("AF0 with 7 frequencies") << 224 + 7 << QByteArray("\xEB");
        QTest::newRow("AF0 with none") << 224 << QByteArray("\xE4");
        QTest::newRow("107.9 MHz code 204") << 204 << QByteArray("\xD0");
        QTest::newRow("E4 selector 5") << 5 << QByteArray("\x09");
        QTest::newRow("largest that fits") << 251 << QByteArray("\xFF");
        QTest::newRow("one past the byte is refused") << 252 << QByteArray();
        QTest::newRow("negative is refused") << -1 << QByteArray();
        QTest::newRow("negative into frame bytes is refused") << -4 << QByteArray();
    }
    void offsetByte()
    {
        QFETCH(int, quantity);
        QFETCH(QByteArray, bytes);
        QCOMPARE(OffsetByte(quantity), bytes);
        QCOMPARE(offsetByteFits(quantity), !bytes.isEmpty());
    }

    void frameWithEmptyValue()
    {
        Transmission t;
        t.frame("SAVE", QByteArray());
        QCOMPARE(t.bytes(), QByteArray("\x00SAVE\x01\x02", 7));
    }

    void lineSettingsTable_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("settings"); // empty: left as they are
        QTest::newRow("below the table") << 0 << QString();
        QTest::newRow("1") << 1 << "9600,N,8,1";
        QTest::newRow("2, the default") << 2 << "14400,N,8,1";
        QTest::newRow("3") << 3 << "19200,N,8,1";
        QTest::newRow("4") << 4 << "38400,N,8,1";
        QTest::newRow("past the table") << 5 << QString();
        QTest::newRow("negative") << -1 << QString();
    }
    void lineSettingsTable()
    {
        QFETCH(int, index);
        QFETCH(QString, settings);
        const std::optional<LineSettings> line = LineSettingsTable(index);
        QCOMPARE(line.has_value(), !settings.isEmpty());
        if (line)
            QCOMPARE(line->text(), settings);
    }

    void initialLineSettings() { QCOMPARE(kInitialLineSettings.text(), QStringLiteral("9600,N,8,1")); }
};

QTEST_APPLESS_MAIN(TestEncodings)
#include "tst_encodings.moc"
