#include "content/programme_text_upload.h"
#include "plan_script.h"

#include <QMap>
#include <QtTest>

#include <functional>

using namespace zorvan;
using zorvan::test::planLines;
using zorvan::test::PlanScript;

Q_DECLARE_METATYPE(zorvan::ProgrammeTextSnapshot)

namespace {

using FrameValues = QMap<QByteArray, QByteArray>;

const QByteArray kDefaultRt = "ZORVAN Q500+ RDS encoder by KVL Systems";

// The label page as the window shows the record's defaults, written out
// here rather than taken from the record.
ProgrammeTextSnapshot defaultSnapshot()
{
    ProgrammeTextSnapshot s;
    s.RT = QString::fromLatin1(kDefaultRt);
    for (int k = 0; k < 8; ++k)
        s.MG[k] = QStringLiteral("External message %1, switch %1").arg(k + 1);
    const char *named[] = { "*ZORVAN*", "www.kvl-", "systems.", "com/zorv", "an-q500 ", "*ZORVAN*",
        "**Q500**", "  RDS   ", "encoder ", "  from  ", "KVL     ", "Systems ", "inc     " };
    for (int i = 0; i < 100; ++i) {
        s.labels[i] = i < 13 ? QString::fromLatin1(named[i]) : QStringLiteral("        ");
        s.delays[i] = (i < 13 || i == 17 || i == 18) ? QStringLiteral("2") : QStringLiteral("0");
    }
    s.labels[17] = QStringLiteral("@DATE   ");
    s.labels[18] = QStringLiteral("@TIME   ");
    return s;
}

ProgrammeTextSnapshot with(const std::function<void(ProgrammeTextSnapshot &)> &change)
{
    ProgrammeTextSnapshot s = defaultSnapshot();
    change(s);
    return s;
}

QByteArray two(int i)
{
    return (i < 10 ? QByteArray("0") : QByteArray()) + QByteArray::number(i);
}

// "Sending PS7 to RDS encoder...3.5%": half the number, no trailing zeros.
QString percent(double value)
{
    return QString::number(value, 'g', 4) + '%';
}

FrameValues defaultValues(const ProgrammeTextSnapshot &plain)
{
    FrameValues v;
    v["RT"] = kDefaultRt + "\r\r\r";
    for (int k = 0; k < 8; ++k)
        v["MG" + QByteArray::number(k)] = "External message " + QByteArray::number(k + 1) + ", switch "
            + QByteArray::number(k + 1) + "\r";
    for (int i = 0; i < 100; ++i) {
        v["PS" + two(i)] = plain.labels[i].toLatin1();
        v["PD" + two(i)] = plain.delays[i].toLatin1();
    }
    v["SAVE"] = "0";
    return v;
}

PlanScript expectedPlan(const FrameValues &changed)
{
    FrameValues values = defaultValues(defaultSnapshot());
    for (auto it = changed.cbegin(); it != changed.cend(); ++it)
        values[it.key()] = it.value();

    PlanScript p;
    auto frame = [&](const QByteArray &name, const QString &status, double step, int pauseMs) {
        p.write(QByteArray(1, '\0') + name + '\x01');
        p.report(status, step);
        p.write(values.value(name) + '\x02');
        p.pause(pauseMs);
    };

    frame("RT", "Sending RT to RDS encoder... 0%", 1, 100);
    const int messagePercent[] = { 10, 20, 30, 40, 50, 65, 80, 90 };
    for (int k = 0; k < 8; ++k)
        frame("MG" + QByteArray::number(k),
            QString("Sending Message %1 to RDS encoder... %2%").arg(k).arg(messagePercent[k]), 1,
            k < 5 ? 100 : 200);
    for (int i = 0; i < 100; ++i)
        frame("PS" + two(i), QString("Sending PS%1 to RDS encoder...").arg(i) + percent(i / 2.0),
            i * 9 / 100.0, 100);
    for (int i = 0; i < 100; ++i)
        frame("PD" + two(i), QString("Sending DELAY%1 to RDS encoder...").arg(i) + percent(50 + i / 2.0),
            9 + i * 9 / 100.0, 100);
    p.pause(200);
    frame("SAVE", "Sending store settings command... 95%", 19, 200);
    return p;
}

// The report made inside the frame `name`, found in the flattened plan.
QString reportInside(const QStringList &lines, const QByteArray &name)
{
    const QString head = "write \\x00" + QString::fromLatin1(name) + "\\x01";
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].endsWith(head) || lines[i] == head)
            return lines[i + 1];
    }
    return {};
}

} // namespace

class TestProgrammeTextUpload : public QObject {
    Q_OBJECT

private slots:
    void wholePlan_data()
    {
        QTest::addColumn<ProgrammeTextSnapshot>("snapshot");
        QTest::addColumn<FrameValues>("changed");

        QTest::newRow("defaults") << defaultSnapshot() << FrameValues {};

        QTest::newRow("label 5 with its 8 characters")
            << with([](auto &s) { s.labels[5] = "abcdefgh"; }) << FrameValues { { "PS05", "abcdefgh" } };
        QTest::newRow("label 42") << with([](auto &s) { s.labels[42] = "FORTY2  "; })
                                  << FrameValues { { "PS42", "FORTY2  " } };
        QTest::newRow("label 99 with leading blanks kept")
            << with([](auto &s) { s.labels[99] = "   LAST "; }) << FrameValues { { "PS99", "   LAST " } };
        QTest::newRow("label sent as it stands, not fitted")
            << with([](auto &s) { s.labels[3] = "abc"; }) << FrameValues { { "PS03", "abc" } };
        QTest::newRow("empty label field")
            << with([](auto &s) { s.labels[7].clear(); }) << FrameValues { { "PS07", "" } };
        QTest::newRow("accented label as Windows-1252")
            << with([](auto &s) { s.labels[1] = QString::fromUtf8("CAFÉ ÀÖ "); })
            << FrameValues { { "PS01", "CAF\xC9 \xC0\xD6 " } };
        QTest::newRow("typed 0x01 in a label becomes a blank") << with([](auto &s) {
            s.labels[2] = QString::fromLatin1("AB\x01"
                                              "CD\x02"
                                              "EF",
                8);
        }) << FrameValues { { "PS02", "AB CD EF" } };
        QTest::newRow("character without a Windows-1252 form")
            << with([](auto &s) { s.labels[4] = QString::fromUtf8("Ж       "); })
            << FrameValues { { "PS04", "?       " } };
        QTest::newRow("label grown by a fold cut to 8 bytes")
            << with([](auto &s) { s.labels[6] = QString::fromUtf8("ABCDEFﬃ"); })
            << FrameValues { { "PS06", "ABCDEFff" } };

        QTest::newRow("delay 0 shows 2")
            << with([](auto &s) { s.delays[0] = "2"; }) << FrameValues { { "PD00", "2" } };
        QTest::newRow("delay 99 shows 9")
            << with([](auto &s) { s.delays[99] = "9"; }) << FrameValues { { "PD99", "9" } };
        QTest::newRow("delay loses leading blanks")
            << with([](auto &s) { s.delays[50] = "  7"; }) << FrameValues { { "PD50", "7" } };
        QTest::newRow("empty delay text")
            << with([](auto &s) { s.delays[20].clear(); }) << FrameValues { { "PD20", "" } };

        QTest::newRow("RT loses leading blanks")
            << with([](auto &s) { s.RT = "   HELLO"; }) << FrameValues { { "RT", "HELLO\r\r\r" } };
        QTest::newRow("RT of 10 is 13 bytes")
            << with([](auto &s) { s.RT = "0123456789"; }) << FrameValues { { "RT", "0123456789\r\r\r" } };
        QTest::newRow("RT of 62 gets two carriage returns")
            << with([](auto &s) { s.RT = QString(62, 'R'); })
            << FrameValues { { "RT", QByteArray(62, 'R') + "\r\r" } };
        QTest::newRow("RT of 64 gets none") << with([](auto &s) { s.RT = QString(64, 'R'); })
                                            << FrameValues { { "RT", QByteArray(64, 'R') } };
        QTest::newRow("RT of 64 after two blanks gets none") << with(
            [](auto &s) { s.RT = "  " + QString(64, 'R'); }) << FrameValues { { "RT", QByteArray(64, 'R') } };
        QTest::newRow("empty RT is three carriage returns")
            << with([](auto &s) { s.RT.clear(); }) << FrameValues { { "RT", "\r\r\r" } };
        QTest::newRow("blank RT is three carriage returns")
            << with([](auto &s) { s.RT = "     "; }) << FrameValues { { "RT", "\r\r\r" } };
        QTest::newRow("accented RT") << with([](auto &s) { s.RT = QString::fromUtf8("ÉTÉ €"); })
                                     << FrameValues { { "RT", "\xC9T\xC9 \x80\r\r\r" } };
        QTest::newRow("typed return and tab in RT become blanks")
            << with([](auto &s) { s.RT = "A\rB\tC"; }) << FrameValues { { "RT", "A B C\r\r\r" } };
        QTest::newRow("RT grown by a fold loses its returns first")
            << with([](auto &s) { s.RT = QString(60, 'R') + QString::fromUtf8("ﬃ"); })
            << FrameValues { { "RT", QByteArray(60, 'R') + "ffi\r" } };

        QTest::newRow("empty message is one carriage return")
            << with([](auto &s) { s.MG[0].clear(); }) << FrameValues { { "MG0", "\r" } };
        QTest::newRow("message loses leading blanks")
            << with([](auto &s) { s.MG[3] = "  SWITCH 4"; }) << FrameValues { { "MG3", "SWITCH 4\r" } };
        QTest::newRow("message of 63 keeps its carriage return")
            << with([](auto &s) { s.MG[5] = QString(63, 'M'); })
            << FrameValues { { "MG5", QByteArray(63, 'M') + "\r" } };
        QTest::newRow("message of 64 loses its carriage return") << with(
            [](auto &s) { s.MG[7] = QString(64, 'M'); }) << FrameValues { { "MG7", QByteArray(64, 'M') } };
        QTest::newRow("message of 70 is cut to 64") << with([](auto &s) { s.MG[6] = QString(70, 'M'); })
                                                    << FrameValues { { "MG6", QByteArray(64, 'M') } };
        QTest::newRow("frame byte in a message becomes a blank") << with([](auto &s) {
            s.MG[1] = QString::fromLatin1("A\x02"
                                          "B",
                3);
        }) << FrameValues { { "MG1", "A B\r" } };
        QTest::newRow("character outside the BMP counts once")
            << with([](auto &s) { s.MG[2] = QString(62, 'M') + QString::fromUtf8("😀"); })
            << FrameValues { { "MG2", QByteArray(62, 'M') + "?\r" } };
    }

    void wholePlan()
    {
        QFETCH(ProgrammeTextSnapshot, snapshot);
        QFETCH(FrameValues, changed);

        const Transmission plan = SendRtAndPs(snapshot);
        const PlanScript expected = expectedPlan(changed);
        QCOMPARE(planLines(plan), expected.lines());
        QCOMPARE(plan.bytes(), expected.bytes());
    }

    void statusTexts_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("line");
        QTest::newRow("RT") << QByteArray("RT") << "report \"Sending RT to RDS encoder... 0%\" step 1";
        QTest::newRow("message 3") << QByteArray("MG3")
                                   << "report \"Sending Message 3 to RDS encoder... 40%\" step 1";
        QTest::newRow("message 5") << QByteArray("MG5")
                                   << "report \"Sending Message 5 to RDS encoder... 65%\" step 1";
        QTest::newRow("label 0") << QByteArray("PS00") << "report \"Sending PS0 to RDS encoder...0%\" step 0";
        QTest::newRow("label 1") << QByteArray("PS01")
                                 << "report \"Sending PS1 to RDS encoder...0.5%\" step 0.09";
        QTest::newRow("label 10") << QByteArray("PS10")
                                  << "report \"Sending PS10 to RDS encoder...5%\" step 0.9";
        QTest::newRow("label 99") << QByteArray("PS99")
                                  << "report \"Sending PS99 to RDS encoder...49.5%\" step 8.91";
        QTest::newRow("delay 0") << QByteArray("PD00")
                                 << "report \"Sending DELAY0 to RDS encoder...50%\" step 9";
        QTest::newRow("delay 99") << QByteArray("PD99")
                                  << "report \"Sending DELAY99 to RDS encoder...99.5%\" step 17.91";
        QTest::newRow("store") << QByteArray("SAVE")
                               << "report \"Sending store settings command... 95%\" step 19";
    }

    void statusTexts()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QString, line);
        QCOMPARE(reportInside(planLines(SendRtAndPs(defaultSnapshot())), frame), line);
    }

    void lineIdleForThreeHundredBeforeStore()
    {
        const QStringList lines = planLines(SendRtAndPs(defaultSnapshot()));
        const qsizetype save = lines.indexOf(QRegularExpression(R"(^write .*\\x00SAVE\\x01$)"));
        QVERIFY(save > 2);
        QCOMPARE(lines.mid(save - 3, 3), QStringList({ "write 0\\x02", "pause 100", "pause 200" }));
    }

    void twoHundredTenFramesAndTwentyOneSixSeconds()
    {
        const Transmission plan = SendRtAndPs(defaultSnapshot());
        QCOMPARE(plan.totalPauseMs(), 21600);
        QCOMPARE(plan.bytes().count('\x02'), 210);
        QCOMPARE(plan.bytes().count('\x00'), 210);
    }
};

QTEST_APPLESS_MAIN(TestProgrammeTextUpload)
#include "tst_programme_text_upload.moc"
