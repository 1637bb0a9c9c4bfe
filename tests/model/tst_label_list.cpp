#include "model/label_list.h"
#include "model/list_choice.h"

#include <QtTest>

using namespace zorvan;

class TestLabelList : public QObject {
    Q_OBJECT

private slots:
    void labelCommitFitsEveryLabel_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("held");
        QTest::newRow("abc padded, case kept") << 5 << "abc"
                                               << "abc     ";
        QTest::newRow("12 characters cut to 8") << 40 << "ABCDEFGHIJKL"
                                                << "ABCDEFGH";
        QTest::newRow("empty static label is eight blanks") << 0 << ""
                                                            << "        ";
        QTest::newRow("last label") << 99 << "end"
                                    << "end     ";
        QTest::newRow("frame bytes kept for the wire to blank") << 7
                                                                << QString("a\x01"
                                                                           "b")
                                                                << QString("a\x01"
                                                                           "b     ");
    }
    void labelCommitFitsEveryLabel()
    {
        QFETCH(int, index);
        QFETCH(QString, typed);
        QFETCH(QString, held);
        StationSettings settings;
        LabelTexts shown = settings.PS;
        shown[static_cast<std::size_t>(index)] = typed;
        // Another label left short by an earlier edit is fitted as well.
        const std::size_t other = index == 3 ? 4 : 3;
        shown[other] = "xy";
        const LabelTexts fitted = commitLabels(shown, settings);
        QCOMPARE(fitted[static_cast<std::size_t>(index)], held);
        QCOMPARE(settings.PS[static_cast<std::size_t>(index)], held);
        QCOMPARE(settings.PS[other], QStringLiteral("xy      "));
        for (const QString &label : settings.PS)
            QCOMPARE(label.size(), 8);
    }

    void delayCommitReadsEveryList()
    {
        StationSettings settings;
        DelayPositions positions {};
        for (std::size_t i = 0; i < positions.size(); ++i)
            positions[i] = static_cast<int>(i % 10);
        settings.PSDelay100 = 7;
        commitDelays(positions, 4, 9, settings);
        for (std::size_t i = 0; i < positions.size(); ++i)
            QCOMPARE(int(settings.PSDelay[i]), int(i % 10));
        QCOMPARE(int(settings.AutoPSDelay), 4);
        QCOMPARE(int(settings.SETTOSAMEDELAY), 9);
        QCOMPARE(int(settings.PSDelay100), 7);
    }

    void delayCommitIgnoresListsWithoutChoice_data()
    {
        QTest::addColumn<int>("position");
        QTest::newRow("no choice") << -1;
        QTest::newRow("past the list") << 10;
    }
    void delayCommitIgnoresListsWithoutChoice()
    {
        QFETCH(int, position);
        StationSettings settings;
        DelayPositions positions {};
        for (std::size_t i = 0; i < positions.size(); ++i)
            positions[i] = settings.PSDelay[i];
        positions[0] = position;
        commitDelays(positions, position, position, settings);
        QCOMPARE(int(settings.PSDelay[0]), 2);
        QCOMPARE(int(settings.AutoPSDelay), 1);
        QCOMPARE(int(settings.SETTOSAMEDELAY), 0);
    }

    void setAllDelays_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("every");
        QTest::newRow("0 switches every label off") << 0 << 0;
        QTest::newRow("9 on every label") << 9 << 9;
        QTest::newRow("no choice keeps the delays") << -1 << -1;
    }
    void setAllDelays()
    {
        QFETCH(int, position);
        QFETCH(int, every);
        StationSettings settings;
        settings.PSDelay100 = 5;
        const StationSettings before = settings;
        const DelayPositions shown = zorvan::setAllDelays(position, settings);
        for (std::size_t i = 0; i < shown.size(); ++i) {
            const int expected = every < 0 ? before.PSDelay[i] : every;
            QCOMPARE(int(settings.PSDelay[i]), expected);
            QCOMPARE(shown[i], expected);
        }
        QCOMPARE(int(settings.PSDelay100), 5);
    }

    void labelGroupsCoverTheList()
    {
        int next = 0;
        for (const LabelGroup &group : kLabelGroups) {
            QCOMPARE(group.first, next);
            next += group.count;
        }
        QCOMPARE(next, kLabelCount);
        QCOMPARE(kLabelGroups[2].count, 47);
        QCOMPARE(kLabelGroups[3].first, 88);
    }

    void messagesFittedWhileTyping_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("whileTyping");
        QTest::addColumn<QString>("caption");
        QTest::newRow("MSG1 on click only") << 0 << false << "MSG1:";
        QTest::newRow("MSG3 on click only") << 2 << false << "MSG3:";
        QTest::newRow("MSG4 on every change") << 3 << true << "MSG4:";
        QTest::newRow("MSG8 on every change") << 7 << true << "MSG8:";
    }
    void messagesFittedWhileTyping()
    {
        QFETCH(int, index);
        QFETCH(bool, whileTyping);
        QFETCH(QString, caption);
        QCOMPARE(messageFitsWhileTyping(index), whileTyping);
        QCOMPARE(messageCaption(index), caption);
    }

    void delayEntriesAreDigits()
    {
        QCOMPARE(delayEntries(), QStringList({ "0", "1", "2", "3", "4", "5", "6", "7", "8", "9" }));
        QCOMPARE(exactEntryPosition(delayEntries(), "7"), std::optional<int>(7));
        QCOMPARE(exactEntryPosition(delayEntries(), "07"), std::optional<int>());
    }
};

QTEST_APPLESS_MAIN(TestLabelList)
#include "tst_label_list.moc"
