#include "content/dynamic_ps.h"

#include <QtTest>

using namespace zorvan;

namespace {

const QString kBlank(8, QLatin1Char(' '));

// A list whose every entry is recognisable, so a test sees exactly what a
// rebuild wrote and what it left alone.
LabelList markedList()
{
    LabelList labels;
    for (int i = 0; i < kLabelCount; ++i) {
        labels.texts[i] = QStringLiteral("old%1").arg(i, 2, 10, QLatin1Char('0'));
        labels.delays[i] = 7;
    }
    return labels;
}

QString upperText(int length)
{
    QString text;
    for (int i = 0; i < length; ++i)
        text.append(QChar('A' + i % 26));
    return text;
}

QByteArray frameBytes(const QByteArray &name, const QByteArray &value)
{
    return QByteArray(1, '\0') + name + '\x01' + value + '\x02';
}

} // namespace

class TestDynamicPs : public QObject {
    Q_OBJECT

private slots:
    void formatDateLabel_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("label");
        QTest::newRow("one-digit day") << QDate(2026, 12, 8) << " 8.12.26";
        QTest::newRow("one-digit day and month") << QDate(2026, 1, 8) << " 8.1.26 ";
        QTest::newRow("two-digit day and month") << QDate(2026, 12, 18) << "18.12.26";
        QTest::newRow("two-digit day, one-digit month") << QDate(2026, 3, 18) << " 18.3.26";
        QTest::newRow("year with a leading zero") << QDate(2009, 5, 1) << " 1.5.09 ";
        QTest::newRow("turn of the century") << QDate(2000, 1, 1) << " 1.1.00 ";
    }
    void formatDateLabel()
    {
        QFETCH(QDate, date);
        QFETCH(QString, label);
        QCOMPARE(FormatDateLabel(date), label);
    }

    void splitIntoNine()
    {
        LabelList labels = markedList();
        labels.texts[9] = "abc";
        labels.texts[12] = "twelve chars";
        const LabelWrites written
            = BuildDynamicLabels(labels, DynamicMode::Split, "ARTIST - A SONG TITLE", 21, 3);

        QCOMPARE(labels.texts[0], "ARTIST -");
        QCOMPARE(labels.texts[1], " A SONG ");
        QCOMPARE(labels.texts[2], "TITLE   ");
        for (int k = 0; k < 3; ++k)
            QCOMPARE(labels.delays[k], 3);
        for (int k = 3; k < 8; ++k) {
            QCOMPARE(labels.texts[k], kBlank);
            QCOMPARE(labels.delays[k], 0);
        }
        // Labels 8 to 15 keep their text, fitted to 8 characters, and their delays.
        QCOMPARE(labels.texts[8], "old08   ");
        QCOMPARE(labels.texts[9], "abc     ");
        QCOMPARE(labels.texts[12], "twelve c");
        QCOMPARE(labels.texts[16], "old16");
        for (int i = 8; i < kLabelCount; ++i)
            QCOMPARE(labels.delays[i], 7);
        QCOMPARE(written.texts.count(), 16u);
        QCOMPARE(written.delays.count(), 8u);
        QVERIFY(written.texts.test(15) && !written.texts.test(16));
        QVERIFY(written.delays.test(7) && !written.delays.test(8));

        const LabelWrites date = InsertDateLabel(labels, DynamicMode::Split, 21, 3, " 8.12.26");
        QCOMPARE(labels.texts[8], " 8.12.26");
        QCOMPARE(labels.delays[8], 3);
        QCOMPARE(date.texts.count(), 1u);
        QVERIFY(date.texts.test(8) && date.delays.test(8));
    }

    void splitFullText()
    {
        LabelList labels = markedList();
        const QString text = upperText(64);
        BuildDynamicLabels(labels, DynamicMode::Split, text, 90, 5);
        for (int k = 0; k < 8; ++k) {
            QCOMPARE(labels.texts[k], text.mid(8 * k, 8));
            QCOMPARE(labels.delays[k], 5);
        }
    }

    void scrollTenCharacters_data()
    {
        QTest::addColumn<bool>("withDate");
        QTest::newRow("without date") << false;
        QTest::newRow("with date") << true;
    }
    void scrollTenCharacters()
    {
        QFETCH(bool, withDate);
        LabelList labels = markedList();
        LabelWrites written = BuildDynamicLabels(labels, DynamicMode::Scroll, "ABCDEFGHIJ", 10, 4);
        if (withDate)
            written |= InsertDateLabel(labels, DynamicMode::Scroll, 10, 4, " 8.12.26");

        QCOMPARE(labels.texts[0], "ABCDEFGH");
        QCOMPARE(labels.texts[1], "BCDEFGHI");
        QCOMPARE(labels.texts[2], "CDEFGHIJ");
        QCOMPARE(labels.texts[3], withDate ? " 8.12.26" : "DEFGHIJ ");
        for (int i = 0; i < 3; ++i)
            QCOMPARE(labels.delays[i], 4);
        QCOMPARE(labels.delays[3], withDate ? 6 : 4);
        for (int i = 4; i <= 57; ++i)
            QCOMPARE(labels.texts[i], kBlank);
        for (int i = 4; i <= 64; ++i)
            QCOMPARE(labels.delays[i], 0);
        QCOMPARE(labels.texts[58], "old58");
        QCOMPARE(labels.delays[65], 7);
        QCOMPARE(written.texts.count(), 58u);
        QCOMPARE(written.delays.count(), 65u);
    }

    // How far the windows, the blank labels and the silenced delays reach
    // for texts of every awkward length, and where the date goes.
    void scrollRanges_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("windows");
        QTest::addColumn<int>("dateLabel");
        QTest::newRow("empty") << 0 << 0 << 0;
        QTest::newRow("1 character: shown in one label") << 1 << 1 << 0;
        QTest::newRow("6 characters: shown in one label") << 6 << 1 << 0;
        QTest::newRow("7 characters: one window") << 7 << 1 << 0;
        QTest::newRow("8 characters: two windows") << 8 << 2 << 1;
        QTest::newRow("20 characters") << 20 << 14 << 13;
        QTest::newRow("64 characters") << 64 << 58 << 57;
        QTest::newRow("70 characters run past the shown text") << 70 << 64 << 63;
        QTest::newRow("106 characters fill the list") << 106 << 100 << 99;
        QTest::newRow("120 characters clamped to the list") << 120 << 100 << 99;
    }
    void scrollRanges()
    {
        QFETCH(int, length);
        QFETCH(int, windows);
        QFETCH(int, dateLabel);
        const QString display = upperText(qMin(length, 64));
        LabelList labels = markedList();
        const LabelWrites written = BuildDynamicLabels(labels, DynamicMode::Scroll, display, length, 2);

        for (int i = 0; i < kLabelCount; ++i) {
            const QString window = display.mid(i, 8).leftJustified(8, QLatin1Char(' '));
            const bool inWindow = i < windows;
            const bool blanked = !inWindow && i <= 57;
            const bool silenced = !inWindow && i <= 64;
            QCOMPARE(labels.texts[i], inWindow ? window : blanked ? kBlank : QStringLiteral("old%1").arg(i));
            QCOMPARE(written.texts.test(i), inWindow || blanked);
            const int delay = inWindow ? (window == kBlank ? 0 : 2) : silenced ? 0 : 7;
            QCOMPARE(labels.delays[i], delay);
            QCOMPARE(written.delays.test(i), inWindow || silenced);
        }

        const LabelWrites date = InsertDateLabel(labels, DynamicMode::Scroll, length, 2, " 8.12.26");
        QCOMPARE(labels.texts[dateLabel], " 8.12.26");
        QCOMPARE(labels.delays[dateLabel], 4);
        QCOMPARE(date.texts.count(), 1u);
        QVERIFY(date.texts.test(dateLabel) && date.delays.test(dateLabel));
    }

    void scrollLongTextTail()
    {
        const QString display = upperText(64);
        LabelList labels = markedList();
        BuildDynamicLabels(labels, DynamicMode::Scroll, display, 75, 1);
        QCOMPARE(labels.texts[57], display.right(7) + " ");
        QCOMPARE(labels.texts[58], display.right(6) + "  ");
        QCOMPARE(labels.texts[63], display.right(1) + "       ");
        QCOMPARE(labels.delays[63], 1);
        for (int i = 64; i <= 68; ++i) {
            QCOMPARE(labels.texts[i], kBlank);
            QCOMPARE(labels.delays[i], 0);
        }
        QCOMPARE(labels.texts[69], "old69");
    }

    void scrollDateDelay_data()
    {
        QTest::addColumn<int>("delay");
        QTest::addColumn<int>("dateDelay");
        QTest::newRow("0 gives 2") << 0 << 2;
        QTest::newRow("3 gives 5") << 3 << 5;
        QTest::newRow("7 gives 9") << 7 << 9;
        QTest::newRow("8 held at 9") << 8 << 9;
        QTest::newRow("9 held at 9") << 9 << 9;
    }
    void scrollDateDelay()
    {
        QFETCH(int, delay);
        QFETCH(int, dateDelay);
        LabelList labels = markedList();
        InsertDateLabel(labels, DynamicMode::Scroll, 10, delay, " 8.12.26");
        QCOMPARE(labels.delays[3], dateDelay);
    }

    void turnOff()
    {
        LabelList labels = markedList();
        LabelWrites written = BuildDynamicLabels(labels, DynamicMode::TurnOff, "ABC", 3, 4);
        QCOMPARE(labels.texts[0], "ABC");
        QCOMPARE(written.texts.count(), 1u);
        QCOMPARE(written.delays.count(), 0u);
        QCOMPARE(labels.delays[0], 7);

        BuildDynamicLabels(labels, DynamicMode::TurnOff, "ARTIST - TITLE", 14, 4);
        QCOMPARE(labels.texts[0], "ARTIST -");

        written |= InsertDateLabel(labels, DynamicMode::TurnOff, 14, 4, " 8.1.26 ");
        QCOMPARE(labels.texts[8], " 8.1.26 ");
        QCOMPARE(labels.delays[8], 4);
    }

    void copyOnlyWrittenLabels()
    {
        StationSettings settings;
        LabelList labels = markedList();
        LabelWrites written;
        written.texts.set(2);
        written.delays.set(5);
        copyWrittenLabels(labels, written, settings);
        const StationSettings defaults;
        for (int i = 0; i < kLabelCount; ++i) {
            QCOMPARE(settings.PS[i], i == 2 ? QStringLiteral("old02") : defaults.PS[i]);
            QCOMPARE(settings.PSDelay[i], i == 5 ? qint16(7) : defaults.PSDelay[i]);
        }
    }

    void uploadLabelList()
    {
        LabelList labels = LabelList::fromSettings(StationSettings());
        labels.texts[5] = "ARTIST -";
        labels.texts[42] = "ABC"; // a "Turn off" label goes out as it stands
        labels.delays[0] = 3;
        const Transmission plan = UploadLabelList(labels);

        QCOMPARE(plan.totalPauseMs(), 0);
        QCOMPARE(plan.bytes().size(), 2300 - 5);
        QVERIFY(!plan.bytes().contains("SAVE"));
        QVERIFY(plan.bytes().startsWith(frameBytes("PS00", "*ZORVAN*")));
        QVERIFY(plan.bytes().contains(frameBytes("PS05", "ARTIST -") + frameBytes("PS06", "**Q500**")));
        QVERIFY(plan.bytes().contains(frameBytes("PS42", "ABC") + frameBytes("PS43", "        ")));
        QVERIFY(plan.bytes().contains(frameBytes("PS99", "        ") + frameBytes("PD00", "3")));
        QVERIFY(plan.bytes().endsWith(frameBytes("PD98", "0") + frameBytes("PD99", "0")));

        // Every frame: head, report, value, tail, then the frame gap.
        std::vector<Step> reports;
        int frameGaps = 0;
        for (std::size_t s = 0; s < plan.steps().size(); ++s) {
            const Step &step = plan.steps()[s];
            if (step.kind == Step::Kind::Report) {
                reports.push_back(step);
                QVERIFY(s > 0 && plan.steps()[s - 1].bytes.startsWith('\0'));
            }
            if (step.kind == Step::Kind::FrameGap) {
                ++frameGaps;
                QCOMPARE(plan.steps()[s - 1].bytes, QByteArray("\x02"));
            }
        }
        QCOMPARE(frameGaps, 200);
        QCOMPARE(plan.steps().back().kind, Step::Kind::FrameGap);
        QCOMPARE(reports.size(), 200u);
        QCOMPARE(reports[0], Step::report("Sending PS0 to RDS encoder...0%", 0.0));
        QCOMPARE(reports[1].text, "Sending PS1 to RDS encoder...0.5%");
        QCOMPARE(reports[100].text, "Sending DELAY0 to RDS encoder...50%");
        QCOMPARE(reports[199].text, "Sending DELAY99 to RDS encoder...99.5%");
        QVERIFY(qAbs(*reports[199].progress - (9 + 99 * 0.09)) < 1e-9);
    }

    void radioTextPlan_data()
    {
        QTest::addColumn<QString>("rt");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("comma kept, three CRs") << "ARTIST, TITLE" << QByteArray("ARTIST, TITLE\r\r\r");
        QTest::newRow("empty is three CRs") << "" << QByteArray("\r\r\r");
        QTest::newRow("leading blanks dropped") << "  HI" << QByteArray("HI\r\r\r");
        QTest::newRow("64 characters, no CR") << QString(64, 'X') << QByteArray(64, 'X');
        QTest::newRow("accent in Windows-1252") << QString::fromUtf8("CAFÉ") << QByteArray("CAF\xC9\r\r\r");
    }
    void radioTextPlan()
    {
        QFETCH(QString, rt);
        QFETCH(QByteArray, value);
        const Transmission plan = UpdateRadioTextPlan(rt);
        QCOMPARE(plan.bytes(), frameBytes("RT", value));
        QCOMPARE(plan.totalPauseMs(), 0);
        int reports = 0;
        for (const Step &step : plan.steps()) {
            QVERIFY(step.kind != Step::Kind::FrameGap && step.kind != Step::Kind::Pause);
            if (step.kind == Step::Kind::Report) {
                ++reports;
                QCOMPARE(step, Step::report("Sending RT to RDS encoder... 50%", 1.0));
            }
        }
        QCOMPARE(reports, 1);
        QCOMPARE(plan.steps().front().bytes, QByteArray("\0RT\x01", 4));
    }
};

QTEST_GUILESS_MAIN(TestDynamicPs)
#include "tst_dynamic_ps.moc"
