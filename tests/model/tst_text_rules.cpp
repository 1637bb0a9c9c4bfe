#include "model/station_settings.h"
#include "model/text_rules.h"

#include <QtTest>

using namespace zorvan;

class TestTextRules : public QObject {
    Q_OBJECT

private slots:
    void fitPsLabel_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("held");
        QTest::newRow("two letters padded") << "AB"
                                            << "AB      ";
        QTest::newRow("ten letters cut") << "ABCDEFGHIJ"
                                         << "ABCDEFGH";
        QTest::newRow("empty is eight blanks") << ""
                                               << "        ";
        QTest::newRow("case kept") << "abc"
                                   << "abc     ";
        QTest::newRow("exactly eight kept") << "12345678"
                                            << "12345678";
        QTest::newRow("trailing blanks count") << "A        B"
                                               << "A       ";
        QTest::newRow("emoji counts once")
            << QString::fromUtf8("😀ABCDEFGHI") << QString::fromUtf8("😀ABCDEFG");
        QTest::newRow("emoji at the cut kept whole")
            << QString::fromUtf8("ABCDEFG😀X") << QString::fromUtf8("ABCDEFG😀");
        QTest::newRow("padded by characters") << QString::fromUtf8("😀") << QString::fromUtf8("😀       ");
    }
    void fitPsLabel()
    {
        QFETCH(QString, typed);
        QFETCH(QString, held);
        QCOMPARE(FitPsLabel(typed), held);
    }

    void fitLongText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("held");
        QTest::newRow("lower case raised") << "hello world"
                                           << "HELLO WORLD";
        QTest::newRow("70 characters cut to 64")
            << QString(70, QLatin1Char('a')) << QString(64, QLatin1Char('A'));
        QTest::newRow("accents upper-cased") << QString::fromUtf8("café") << QString::fromUtf8("CAFÉ");
        QTest::newRow("sharp s stays one character") << QString(63, QLatin1Char('a'))
                + QString::fromUtf8("ßx") << QString(63, QLatin1Char('A')) + QString::fromUtf8("ß");
        QTest::newRow("ligature stays one character") << QString::fromUtf8("ﬁ") << QString::fromUtf8("ﬁ");
        QTest::newRow("emoji at the cut kept whole") << QString(63, QLatin1Char('a'))
                + QString::fromUtf8("😀b") << QString(63, QLatin1Char('A')) + QString::fromUtf8("😀");
        QTest::newRow("letter outside the BMP raised")
            << QString::fromUtf8("\U00010428") << QString::fromUtf8("\U00010400");
        QTest::newRow("no padding") << ""
                                    << "";
    }
    void fitLongText()
    {
        QFETCH(QString, typed);
        QFETCH(QString, held);
        QCOMPARE(FitLongText(typed), held);
    }

    void defaultsOfTheRecord()
    {
        StationSettings s;
        QCOMPARE(s.CountryCode * 4096 + s.AreaCoverage * 256 + s.ProgramReference, 0xC080);
        QCOMPARE(s.AF[0], qint16(125));
        for (int i = 1; i < kAfCount; ++i)
            QCOMPARE(s.AF[i], qint16(0));
        for (int i = 0; i < kLabelCount; ++i)
            QCOMPARE(s.PS[i].size(), 8);
        QCOMPARE(s.PS[0], QStringLiteral("*ZORVAN*"));
        QCOMPARE(s.PS[6], QStringLiteral("**Q500**"));
        QCOMPARE(s.PS[17], QStringLiteral("@DATE   "));
        QCOMPARE(s.PS[18], QStringLiteral("@TIME   "));
        for (int i = 0; i < kLabelCount; ++i) {
            const bool shown = i <= 12 || i == 17 || i == 18;
            QCOMPARE(s.PSDelay[i], qint16(shown ? 2 : 0));
            if (!shown)
                QCOMPARE(s.PS[i], QString(8, QLatin1Char(' ')));
        }
        QCOMPARE(s.MG[0], QStringLiteral("External message 1, switch 1"));
        QCOMPARE(s.MG[7], QStringLiteral("External message 8, switch 8"));
        QVERIFY(!s.RT.isEmpty());
        QVERIFY(s.RT.size() <= 64);
        QVERIFY(!s.RTn[0].isEmpty());
        QVERIFY(s.RTn[1].isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestTextRules)
#include "tst_text_rules.moc"
