#include "content/preview.h"

#include <QtTest>

using namespace zorvan;

Q_DECLARE_METATYPE(zorvan::LabelList)

namespace {

LabelList defaultLabels()
{
    return LabelList::fromSettings(StationSettings());
}

LabelList numberedLabels(int delay)
{
    LabelList labels;
    for (int i = 0; i < kLabelCount; ++i) {
        labels.texts[i] = QStringLiteral("LABEL%1").arg(i, 2, 10, QLatin1Char('0'));
        labels.delays[i] = delay;
    }
    return labels;
}

// The label numbers shown by `ticks` PS preview ticks from start-up.
QList<int> shownLabels(const LabelList &labels, int ticks, PreviewState state = {})
{
    QList<int> shown;
    for (int t = 0; t < ticks; ++t) {
        const PreviewFrame frame = PreviewTick(state, PreviewSource::Labels, QString(), labels);
        shown.append(state.DspCount - 1);
        if (frame.label != labels.texts[state.DspCount - 1])
            return {};
    }
    return shown;
}

} // namespace

class TestPreview : public QObject {
    Q_OBJECT

private slots:
    void radioTextRuns_data()
    {
        QTest::addColumn<QString>("rt");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("HELLO") << "HELLO"
                               << QStringList { "HELLO   ", "ELLO    ", "LLO     ", "LO      ", "HELLO   ",
                                      "ELLO    " };
        QTest::newRow("empty") << "" << QStringList { "        ", "        ", "        " };
        QTest::newRow("one character") << "X" << QStringList { "X       ", "X       " };
        QTest::newRow("longer than the window")
            << "ABCDEFGHIJ" << QStringList { "ABCDEFGH", "BCDEFGHI", "CDEFGHIJ", "DEFGHIJ " };
    }
    void radioTextRuns()
    {
        QFETCH(QString, rt);
        QFETCH(QStringList, shown);
        PreviewState state;
        for (const QString &label : shown) {
            const PreviewFrame frame = PreviewTick(state, PreviewSource::RadioText, rt, LabelList());
            QCOMPARE(frame.label, label);
            QCOMPARE(state.intervalMs, 200);
        }
    }

    void labelsInTurn_data()
    {
        QTest::addColumn<LabelList>("labels");
        QTest::addColumn<QList<int>>("shown");
        QTest::newRow("default list")
            << defaultLabels() << QList<int> { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 17, 18, 0, 1 };
        QTest::newRow("every delay 0: label 0 always") << numberedLabels(0) << QList<int> { 0, 0, 0 };
        LabelList onlyLast = numberedLabels(0);
        onlyLast.delays[99] = 5;
        QTest::newRow("label 99 is never shown") << onlyLast << QList<int> { 0, 0 };
        LabelList lastTwo = numberedLabels(0);
        lastTwo.delays[98] = 1;
        lastTwo.delays[99] = 1;
        QTest::newRow("after label 98 comes label 0") << lastTwo << QList<int> { 98, 0, 98, 0 };
        LabelList gaps = numberedLabels(0);
        gaps.delays[0] = 2;
        gaps.delays[50] = 9;
        QTest::newRow("switched-off labels passed over") << gaps << QList<int> { 0, 50, 0, 50 };
    }
    void labelsInTurn()
    {
        QFETCH(LabelList, labels);
        QFETCH(QList<int>, shown);
        QCOMPARE(shownLabels(labels, int(shown.size())), shown);
    }

    void psPreviewKeepsItsInterval()
    {
        PreviewState state;
        PreviewTick(state, PreviewSource::Labels, "RT", defaultLabels());
        QCOMPARE(state.intervalMs, 1000);
        PreviewTick(state, PreviewSource::RadioText, "RT", defaultLabels());
        PreviewTick(state, PreviewSource::Labels, "RT", defaultLabels());
        QCOMPARE(state.intervalMs, 200);
    }

    void switchFromLabelsToRadioText()
    {
        PreviewState state;
        const LabelList labels = numberedLabels(1);
        for (int t = 0; t < 61; ++t)
            PreviewTick(state, PreviewSource::Labels, QString(), labels);
        QCOMPARE(state.DspCount - 1, 60);
        const QString rt = "TWENTY CHARACTERS RT";
        QCOMPARE(rt.size(), 20);
        const PreviewFrame frame = PreviewTick(state, PreviewSource::RadioText, rt, labels);
        QCOMPARE(state.DspCount, 1);
        QCOMPARE(frame.label, "TWENTY C");
    }

    void switchFromRadioTextToLabels()
    {
        PreviewState state;
        for (int t = 0; t < 3; ++t)
            PreviewTick(state, PreviewSource::RadioText, "HELLO WORLD", LabelList());
        QCOMPARE(state.DspCount, 3);
        PreviewTick(state, PreviewSource::Labels, QString(), defaultLabels());
        QCOMPARE(state.DspCount - 1, 3);
    }

    void toolTip_data()
    {
        QTest::addColumn<QString>("rt");
        QTest::addColumn<QString>("tip");
        QTest::newRow("text") << "ON AIR"
                              << "RODIREZ500+ >>ON AIR<<";
        QTest::newRow("empty") << ""
                               << "RODIREZ500+ >><<";
    }
    void toolTip()
    {
        QFETCH(QString, rt);
        QFETCH(QString, tip);
        PreviewState state;
        QCOMPARE(PreviewTick(state, PreviewSource::Labels, rt, defaultLabels()).toolTip, tip);
        QCOMPARE(PreviewTick(state, PreviewSource::RadioText, rt, defaultLabels()).toolTip, tip);
    }

    void clock_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("date");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "13:05:09"
                                << "08.12.26";
        QTest::newRow("English, United States")
            << QLocale(QLocale::English, QLocale::UnitedStates) << "1:05:09 PM"
            << "12/8/26";
        QTest::newRow("English, United Kingdom")
            << QLocale(QLocale::English, QLocale::UnitedKingdom) << "13:05:09"
            << "08/12/2026";
    }
    void clock()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, time);
        QFETCH(QString, date);
        const ClockTexts texts = ClockTick(QDateTime(QDate(2026, 12, 8), QTime(13, 5, 9)), locale);
        QCOMPARE(texts.time, time);
        QCOMPARE(texts.date, date);
    }
};

QTEST_GUILESS_MAIN(TestPreview)
#include "tst_preview.moc"
