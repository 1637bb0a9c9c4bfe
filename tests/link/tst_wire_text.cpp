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
        QTest::newRow("Cyrillic has nothing near") << QString::fromUtf8("Ж1") << QByteArray("?1");
        QTest::newRow("emoji is one ?") << QString::fromUtf8("a😀b") << QByteArray("a?b");
        QTest::newRow("lone surrogate is one ?") << QString(QChar(0xD83D)) + "b" << QByteArray("?b");

        QTest::newRow("caron and acute folded")
            << QString::fromUtf8("Zdravko Čolić") << QByteArray("Zdravko Colic");
        QTest::newRow("upper-case Č") << QString::fromUtf8("ČOLIĆ") << QByteArray("COLIC");
        QTest::newRow("double acute") << QString::fromUtf8("Ő") << QByteArray("O");
        QTest::newRow("stroke letters from the table")
            << QString::fromUtf8("łŁđĐħĦıŧŦŋŊĸŀĿ") << QByteArray("lLdDhHitTnNklL");
        QTest::newRow("fewer accents that recompose") << QString::fromUtf8("ǘǗ") << QByteArray("\xFC\xDC");
        QTest::newRow("ligature decomposes") << QString::fromUtf8("ﬁ") << QByteArray("fi");

        // The board takes Windows-1252: what that code page has goes out as its
        // own byte, so a label keeps its eight characters.
        QTest::newRow("typographic quotes as their own bytes") << QString::fromUtf8("“a” ‘b’ „c“ ‚d‘")
                                                               << QByteArray("\x93"
                                                                             "a\x94 \x91"
                                                                             "b\x92 \x84"
                                                                             "c\x93 \x82"
                                                                             "d\x91");
        QTest::newRow("dashes and ellipsis as their own bytes") << QString::fromUtf8("a–b—c…")
                                                                << QByteArray("a\x96"
                                                                              "b\x97"
                                                                              "c\x85");
        QTest::newRow("euro, caron letters, OE, trade mark, bullet")
            << QString::fromUtf8("€ŠšŒœŽžŸ™•") << QByteArray("\x80\x8A\x9A\x8C\x9C\x8E\x9E\x9F\x99\x95");
        QTest::newRow("quotes Windows-1252 lacks folded")
            << QString::fromUtf8("‟a‛ ʼ′″") << QByteArray("\"a' ''\"");
        QTest::newRow("dashes Windows-1252 lacks folded")
            << QString::fromUtf8("a‒b―c‐d−e") << QByteArray("a-b-c-d-e");
        QTest::newRow("ligature grows to three") << QString::fromUtf8("aﬃ") << QByteArray("affi");

        QTest::newRow("frame bytes become blanks") << QString::fromLatin1("a\x01"
                                                                          "b\x02"
                                                                          "c",
            5) << QByteArray("a b c");
        QTest::newRow("nul becomes blank") << QString(QChar(0)) + "x" << QByteArray(" x");
        QTest::newRow("tab, escape, bell and delete become blanks") << QString::fromLatin1("a\tb\x1B"
                                                                                           "c\a"
                                                                                           "d\x7F",
            8) << QByteArray("a b c d ");
        QTest::newRow("carriage return becomes a blank") << "A\r" << QByteArray("A ");
        QTest::newRow("C1 controls become blanks") << QString(QChar(0x85)) + QChar(0x9F) << QByteArray("  ");
    }
    void toWire()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(toWireText(text), bytes);
    }

    // An unencodable character must not spoil the ones after it.
    void encoderStateAfterAnUnencodableCharacter()
    {
        const QString song = QString::fromUtf8("ÜÄ€ ☃ ÜÄ€");
        QCOMPARE(toWireText(song), QByteArray("\xDC\xC4\x80 ? \xDC\xC4\x80"));
        QCOMPARE(toWireText(song), QByteArray("\xDC\xC4\x80 ? \xDC\xC4\x80"));
    }

    // Every byte a receiver shows as itself comes back as itself.
    void roundTripOfCp1252()
    {
        // DEL and the bytes Windows-1252 leaves unassigned (C1 controls once
        // decoded) go out as blanks.
        const QByteArrayView notKept("\x7F\x81\x8D\x8F\x90\x9D");
        QByteArray all;
        for (int b = 0x20; b <= 0xFF; ++b) {
            if (!notKept.contains(char(b)))
                all.append(static_cast<char>(b));
        }
        QCOMPARE(toWireText(fromWireText(all)), all);
    }
};

QTEST_APPLESS_MAIN(TestWireText)
#include "tst_wire_text.moc"
