#include "link/wire_text.h"

#include <QtTest>

using namespace zorvan;

class TestWireText : public QObject {
    Q_OBJECT

private slots:
    void toWire_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii unchanged") << "HELLO 1" << QByteArray("HELLO 1");
        QTest::newRow("accents as single bytes") << QString::fromUtf8("ÉTÉ") << QByteArray("\xC9T\xC9");
        QTest::newRow("euro sign 0x80") << QString::fromUtf8("€") << QByteArray("\x80");
        QTest::newRow("no cp1252 form becomes ?") << QString::fromUtf8("Ж1") << QByteArray("?1");
        QTest::newRow("emoji is one ?") << QString::fromUtf8("a😀b") << QByteArray("a?b");
        QTest::newRow("frame bytes become blanks") << QString::fromLatin1("a\x01" "b\x02" "c", 5) << QByteArray("a b c");
        QTest::newRow("nul becomes blank") << QString(QChar(0)) + "x" << QByteArray(" x");
        QTest::newRow("carriage return kept") << "A\r" << QByteArray("A\r");
    }
    void toWire()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(toWireText(text), bytes);
    }

    void roundTripOfCp1252()
    {
        QByteArray all;
        for (int b = 0x20; b <= 0xFF; ++b) {
            if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D)
                continue; // unassigned in Windows-1252
            all.append(static_cast<char>(b));
        }
        QCOMPARE(toWireText(fromWireText(all)), all);
    }
};

QTEST_APPLESS_MAIN(TestWireText)
#include "tst_wire_text.moc"
