#include "content/auto_update.h"
#include "content/song_source.h"
#include "link/frame_decoder.h"
#include "link/wire_text.h"

#include <QtTest>

using namespace zorvan;

namespace {

const QString kBlank(8, QLatin1Char(' '));
const QDate kToday(2026, 12, 8); // the date label reads " 8.12.26"

struct Station {
    StationSettings record;
    AutoUpdateState state;
};

Station stationIn(DynamicMode mode, int delay = 3, bool insertDate = true)
{
    Station s;
    s.record.AutoPS = static_cast<qint16>(mode);
    s.record.AutoPSDelay = static_cast<qint16>(delay);
    s.record.InsertDate = insertDate;
    s.record.RTSwitch = 0;
    s.state = initialAutoUpdateState(s.record);
    return s;
}

AutoUpdateStep readSong(Station &s, const QByteArray &fileBytes)
{
    return autoUpdateLabels(s.record, s.state, songFieldsFromBytes(fileBytes, kSongFieldsUsed), kToday);
}

// The frames a plan puts on the line, as the board reads them.
QList<DecodedFrame> framesOf(const Transmission &plan)
{
    FrameDecoder decoder;
    QList<DecodedFrame> frames;
    for (const DecoderEvent &event : decoder.feed(plan.bytes(), 0)) {
        if (const auto *frame = std::get_if<DecodedFrame>(&event))
            frames << *frame;
    }
    return frames;
}

// "PS00".."PS99" then "PD00".."PD99", each carrying the record's label.
void verifyLabelUpload(const Transmission &plan, const StationSettings &record)
{
    const QList<DecodedFrame> frames = framesOf(plan);
    QCOMPARE(frames.size(), 2 * kLabelCount);
    for (int i = 0; i < kLabelCount; ++i) {
        QCOMPARE(frames[i].name, QByteArray("PS") + QByteArray::number(i).rightJustified(2, '0'));
        QCOMPARE(frames[i].value, toWireText(record.PS[i]));
        QCOMPARE(frames[kLabelCount + i].value, QByteArray::number(record.PSDelay[i]));
    }
}

} // namespace

class TestAutoUpdate : public QObject {
    Q_OBJECT

private slots:
    // Song-file bytes in; the labels and delays the record then holds, and
    // one upload of the whole list.
    void newSongRebuildsAndUploads_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("labels"); // labels 0 .. n-1 after the rebuild
        QTest::addColumn<QList<int>>("delays"); // delays 0 .. n-1

        QTest::newRow("split into nine with the date")
            << int(DynamicMode::Split) << QByteArray("Artist - a song title\r\n")
            << QStringList { "ARTIST -", " A SONG ", "TITLE   ", kBlank, kBlank, kBlank, kBlank, kBlank,
                   " 8.12.26" }
            << QList<int> { 3, 3, 3, 0, 0, 0, 0, 0, 3 };
        QTest::newRow("three fields joined, the fourth ignored")
            << int(DynamicMode::Split) << QByteArray("Abba,Waterloo,1974,extra\n")
            << QStringList { "ABBA WAT", "ERLOO 19", "74      " } << QList<int> { 3, 3, 3 };
        QTest::newRow("scroll of ten characters, date in the last window")
            << int(DynamicMode::Scroll) << QByteArray("Abcdefghij")
            << QStringList { "ABCDEFGH", "BCDEFGHI", "CDEFGHIJ", " 8.12.26", kBlank }
            << QList<int> { 3, 3, 3, 5, 0 };
        QTest::newRow("a character outside the BMP is one character")
            << int(DynamicMode::Split)
            << QByteArray("\xF0\x9F\x8E\xB5"
                          "abcdefghij")
            << QStringList { QString::fromUtf8("\xF0\x9F\x8E\xB5"
                                               "ABCDEFG"),
                   "HIJ     " }
            << QList<int> { 3, 3 };
        QTest::newRow("upper case keeps one character for one: sharp s stays")
            << int(DynamicMode::Split)
            << QByteArray("Stra\xC3\x9F"
                          "e")
            << QStringList { QString::fromUtf8("STRA\xC3\x9F"
                                               "E  ") }
            << QList<int> { 3 };
    }
    void newSongRebuildsAndUploads()
    {
        QFETCH(int, mode);
        QFETCH(QByteArray, file);
        QFETCH(QStringList, labels);
        QFETCH(QList<int>, delays);
        Station s = stationIn(static_cast<DynamicMode>(mode));

        const AutoUpdateStep step = readSong(s, file);
        QVERIFY(step.recordChanged);
        for (int i = 0; i < labels.size(); ++i) {
            QCOMPARE(s.record.PS[i], labels[i]);
            QCOMPARE(int(s.record.PSDelay[i]), delays[i]);
        }
        QVERIFY(step.plan);
        verifyLabelUpload(*step.plan, s.record);

        // Sent: the same song read again changes nothing and sends nothing.
        labelsSent(s.state);
        const AutoUpdateStep again = readSong(s, file);
        QVERIFY(!again.recordChanged);
        QVERIFY(!again.plan);
    }

    // What does not count as a new song, and what does not send.
    void noUpload_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<bool>("rebuilt");

        QTest::newRow("only the letter case differs")
            << int(DynamicMode::Split) << QByteArray("Song") << QByteArray("SONG") << false;
        QTest::newRow("differs beyond character 64")
            << int(DynamicMode::Split) << QByteArray(64, 'a') + "x" << QByteArray(64, 'a') + "y" << false;
        QTest::newRow("turn off follows without sending")
            << int(DynamicMode::TurnOff) << QByteArray("One") << QByteArray("Two") << true;
    }
    void noUpload()
    {
        QFETCH(int, mode);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(bool, rebuilt);
        Station s = stationIn(static_cast<DynamicMode>(mode));
        readSong(s, first);
        labelsSent(s.state);
        const AutoUpdateStep step = readSong(s, second);
        QCOMPARE(step.recordChanged, rebuilt);
        QVERIFY(!step.plan);
        if (mode == int(DynamicMode::TurnOff))
            QCOMPARE(s.record.PS[0], QStringLiteral("TWO")); // the first 8 characters, not padded
    }

    // An upload that did not reach the board goes again at the next read,
    // without a rebuild.
    void unsentListGoesAgain()
    {
        Station s = stationIn(DynamicMode::Split);
        QVERIFY(readSong(s, "Song one").plan);
        const AutoUpdateStep again = readSong(s, "Song one");
        QVERIFY(!again.recordChanged);
        QVERIFY(again.plan);
    }

    // Labels the last song put on air and the next one does not reach are
    // switched off; a label the operator typed over since stays on.
    void leftoversOfTheLastSong()
    {
        Station s = stationIn(DynamicMode::Scroll, 2, false);
        readSong(s, "A title long enough for twenty windows");
        labelsSent(s.state);
        QCOMPARE(int(s.record.PSDelay[20]), 2);
        QCOMPARE(int(s.record.PSDelay[25]), 2);
        s.record.PS[20] = QStringLiteral("OPERATOR"); // typed by the operator

        chooseUpdateType(s.record, s.state, DynamicMode::Split);
        const AutoUpdateStep step = readSong(s, "Short");
        QVERIFY(step.plan);
        QCOMPARE(int(s.record.PSDelay[25]), 0);
        QCOMPARE(int(s.record.PSDelay[20]), 2);
        QCOMPARE(s.record.PS[20], QStringLiteral("OPERATOR"));
    }

    // The radio text follows the first line, commas kept; the line read
    // again sends nothing; a line that could not be read changes nothing.
    void radioTextFollowsTheFirstLine()
    {
        Station s = stationIn(DynamicMode::TurnOff);
        s.record.RTSwitch = 1;
        const QByteArray file("Artist, Title\nsecond line\n");

        AutoUpdateStep step = updateRadioText(s.record, s.state, firstLineFromBytes(file));
        QVERIFY(step.recordChanged);
        QCOMPARE(s.record.RT, QStringLiteral("ARTIST, TITLE"));
        QVERIFY(step.plan);
        QCOMPARE(step.plan->bytes(),
            QByteArray("\x00RT\x01"
                       "ARTIST, TITLE\r\r\r\x02",
                21));

        radioTextSent(s.state, s.record.RT, false);
        step = updateRadioText(s.record, s.state, firstLineFromBytes(file));
        QVERIFY(step.plan); // not on the board yet: again

        radioTextSent(s.state, s.record.RT, true);
        QVERIFY(!updateRadioText(s.record, s.state, firstLineFromBytes(file)).plan);
        QVERIFY(!updateRadioText(s.record, s.state, std::nullopt).plan);
        QCOMPARE(s.record.RT, QStringLiteral("ARTIST, TITLE"));

        s.record.RTSwitch = 0;
        QVERIFY(!updateRadioText(s.record, s.state, QStringLiteral("Other")).plan);
    }

    // The page's own rules.
    void pageRules()
    {
        Station s = stationIn(DynamicMode::Split);
        s.record.RTSwitch = 1;
        readSong(s, "new song");
        QCOMPARE(s.record.RT, QStringLiteral("NEW SONG")); // shown text copied while RT update is on

        radioTextCommitted(s.record, s.state, QStringLiteral("typed text"));
        QCOMPARE(s.state.radioTextField, QStringLiteral("TYPED TEXT"));
        QCOMPARE(s.record.RT, QStringLiteral("TYPED TEXT"));

        songDisplayClicked(s.record, s.state);
        QCOMPARE(s.record.RT, QStringLiteral("NEW SONG"));
        QCOMPARE(s.state.radioTextField, QStringLiteral("TYPED TEXT")); // the field is not changed

        // "Yes" of PS update stores 1 but leaves the group where it was.
        chooseUpdateType(s.record, s.state, DynamicMode::Scroll);
        choosePsUpdate(s.record, true);
        QCOMPARE(int(s.record.AutoPS), 1);
        QCOMPARE(s.state.mode, std::optional(DynamicMode::Scroll));

        switchOffForMissingFile(s.record, s.state);
        QCOMPARE(int(s.record.AutoPS), 0);
        QCOMPARE(int(s.record.RTSwitch), 0);
        QVERIFY(s.state.SongDisplay.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAutoUpdate)
#include "tst_auto_update.moc"
