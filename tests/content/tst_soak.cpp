#include "content/auto_update.h"
#include "content/preview.h"
#include "content/song_file_reader.h"
#include "link/wire_text.h"
#include "settings/settings_store.h"

#include "pty_reader.h"
#include "soak_engine.h"
#include "soak_guard.h"
#include "soak_link.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <bitset>

using namespace zorvan;
using namespace zorvan::test;

namespace {

// A day on air from 06:00 on New Year's Eve, so that midnight changes the
// day, the month and the year of the date label at once.
const QDate kFirstDay(2026, 12, 31);
constexpr qint64 kStartSecondOfDay = 6 * 3600;
constexpr int kDaySeconds = 24 * 3600;
constexpr int kWarmUpSeconds = 3600;

// A song change every three minutes, off the minute, so that midnight and
// the mode switches fall on idle ticks.
constexpr int kSongPeriod = 180;
constexpr int kFirstChange = 37;
constexpr int kSongChanges = kDaySeconds / kSongPeriod;

// Ticks counted from 06:00.
constexpr int kScrollFrom = 6 * 3600; // 12:00
constexpr int kSplitAgainFrom = 21 * 3600; // 03:00
constexpr int kRadioTextPreviewFrom = 9 * 3600; // 15:00
constexpr int kLabelPreviewAgainFrom = 15 * 3600; // 21:00
constexpr int kMidnight = 18 * 3600;

constexpr int kDelay = 3;

// Resident memory may grow by this much over the day: allocator pages and
// Qt's caches settle within the warm-up hour, a leak of one song's worth
// per change (480 of them) would not fit.
constexpr qint64 kRssSlackKiB = 3 * 1024;

const QString kBlank(8, QLatin1Char(' '));

// The date label of each day of the run, as the receiver shows it.
QString dateTextOf(const QDate &day)
{
    if (day == QDate(2026, 12, 31))
        return QStringLiteral("31.12.26");
    if (day == QDate(2027, 1, 1))
        return QStringLiteral(" 1.1.27 ");
    return QString();
}

struct Song {
    QByteArray file;
    QString shown; // the song display
    QString boardRt; // the radio text the board ends up with
};

// The writers a station meets, taking turns. Each expected text is written
// out by hand from the file's bytes.
Song songNumber(int k)
{
    const QByteArray n = QByteArray::number(k);
    const QString s = QString::number(k);
    switch (k % 10) {
    case 0:
        return { "Artist " + n + ",Title " + n + "\r\n", "ARTIST " + s + " TITLE " + s,
            "ARTIST " + s + ",TITLE " + s };
    case 1:
        return { "The Band - Song " + n + "\n", "THE BAND - SONG " + s, "THE BAND - SONG " + s };
    case 2:
        return { "Singer " + n + ",\"Title, Part Two\",1999\n", "SINGER " + s + " TITLE, PART TWO 1999",
            "SINGER " + s + ",\"TITLE, PART TWO\",1999" };
    case 3:
        return { "A" + n + ",B,C,D,E\n", "A" + s + " B C", "A" + s + ",B,C,D,E" };
    case 4: {
        // Longer than the display: scrolls on into blank windows past label 64.
        const QString text
            = "SONG " + s + " BY THE EXTREMELY LONG NAMED PHILHARMONIC ORCHESTRA AND CHOIR OF THE NORTH";
        return { "Song " + n + " by The Extremely Long Named Philharmonic Orchestra and Choir of the North\n",
            text.left(64), text.left(64) };
    }
    case 5:
        return { "\xEF\xBB\xBF"
                 "Bj\xC3\xB6rk,J\xC3\xB3ga "
                + n + "\r\n",
            QString::fromUtf8("BJÖRK JÓGA ") + s, QString::fromUtf8("BJÖRK,JÓGA ") + s };
    case 6:
        // A Windows-1252 dash goes to the board as its own byte.
        return { "Beyonc\xE9 \x96 Halo " + n + "\n", QString::fromUtf8("BEYONCÉ – HALO ") + s,
            QString::fromUtf8("BEYONCÉ – HALO ") + s };
    case 7:
        return { "S" + n + "\n", "S" + s, "S" + s };
    case 8:
        return { "Artist " + n + "\nTitle\n", "ARTIST " + s + " TITLE", "ARTIST " + s };
    default:
        return { "  Lead " + n + ", Title\n", "LEAD " + s + " TITLE", "LEAD " + s + ", TITLE" };
    }
}

// Songs whose labels are checked against lists written out by hand.
struct SampledSong {
    int number;
    Song song;
    QStringList labels; // labels 0.. in order
    QList<int> delays;
};

QStringList blanks(int count)
{
    return QStringList(count, kBlank);
}

QList<int> zeros(int count)
{
    return QList<int>(count, 0);
}

const QList<SampledSong> &sampledSongs()
{
    static const QList<SampledSong> samples {
        // 06:27:37, split into pieces, the old year's date in label 8.
        { 10, { "Artist - A Song Title\r\n", "ARTIST - A SONG TITLE", "ARTIST - A SONG TITLE" },
            QStringList { "ARTIST -", " A SONG ", "TITLE   " } + blanks(5) + QStringList { "31.12.26" },
            QList<int> { 3, 3, 3 } + zeros(5) + QList<int> { 3 } },
        // 23:57:37, scrolling: the date takes the last window and stays longer.
        { 360, { "Late,Show\n", "LATE SHOW", "LATE,SHOW" },
            QStringList { "LATE SHO", "ATE SHOW", "31.12.26" } + blanks(55),
            QList<int> { 3, 3, 5 } + zeros(62) },
        // 00:00:37, the first change past midnight: the new date.
        { 361, { "abcde,fghij\n", "ABCDE FGHIJ", "ABCDE,FGHIJ" },
            QStringList { "ABCDE FG", "BCDE FGH", "CDE FGHI", "DE FGHIJ", " 1.1.27 " } + blanks(53),
            QList<int> { 3, 3, 3, 3, 5 } + zeros(60) },
    };
    return samples;
}

const SampledSong *sampleFor(int k)
{
    for (const SampledSong &sample : sampledSongs()) {
        if (sample.number == k)
            return &sample;
    }
    return nullptr;
}

Song songAt(int k)
{
    const SampledSong *sample = sampleFor(k);
    return sample ? sample->song : songNumber(k);
}

// A text as the board holds it once it went over the line.
QString onAir(const QString &text)
{
    return fromWireText(toWireText(text));
}

bool isWindowOf(const QString &shown, const QString &label)
{
    for (qsizetype from = 0; from < shown.size(); ++from) {
        if (shown.mid(from, 8).leftJustified(8, QLatin1Char(' ')) == label)
            return true;
    }
    return false;
}

// A label the board has on air must be a piece of the song now playing,
// today's date, or one of the operator's own labels that the engine never
// wrote; anything else is a leftover of an earlier song. Empty when all is
// well, else the first stray label.
QString leftoverOnAir(const BoardParameters &board, const QString &shown, const QString &dateText,
    const StationSettings &operatorList)
{
    for (int i = 0; i < kLabelCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const QString &label = board.ps[at];
        if (board.psDelay[at] == 0 || label == dateText || isWindowOf(shown, label))
            continue;
        if (label == operatorList.PS[at] && operatorList.PSDelay[at] != 0)
            continue;
        return QStringLiteral("label %1 \"%2\" with delay %3").arg(i).arg(label).arg(board.psDelay[at]);
    }
    return QString();
}

QByteArray expectedFrameName(int index)
{
    return (index < kLabelCount ? "PS" : "PD")
        + QByteArray::number(index % kLabelCount).rightJustified(2, '0');
}

// The operator's own label far down the list, which no mode writes.
constexpr int kOperatorLabel = 90;
const QString kOperatorText = QStringLiteral("STATION ");
constexpr int kOperatorDelay = 4;

} // namespace

Q_DECLARE_METATYPE(DynamicMode)

class TestSoak : public QObject {
    Q_OBJECT

private slots:
    void noEarlierSongLeftOnAir_data()
    {
        QTest::addColumn<DynamicMode>("firstMode");
        QTest::addColumn<QByteArray>("firstSong");
        QTest::addColumn<DynamicMode>("secondMode");
        QTest::addColumn<QByteArray>("secondSong");
        QTest::addColumn<QString>("secondShown");
        QTest::addColumn<QList<int>>("operatorLabels"); // default labels still on air

        const QByteArray longSong(
            "Song by The Extremely Long Named Philharmonic Orchestra and Choir of the North\n");
        QTest::newRow("date of a long scrolled song, after midnight")
            << DynamicMode::Scroll << longSong << DynamicMode::Scroll << QByteArray("abcde,fghij\n")
            << QStringLiteral("ABCDE FGHIJ") << QList<int> {};
        QTest::newRow("scroll windows after a switch to split")
            << DynamicMode::Scroll << QByteArray("Artist - A Song Title\n") << DynamicMode::Split
            << QByteArray("Next,Song\n") << QStringLiteral("NEXT SONG") << QList<int> {};
        QTest::newRow("long scrolled song, then split")
            << DynamicMode::Scroll << longSong << DynamicMode::Split << QByteArray("Next,Song\n")
            << QStringLiteral("NEXT SONG") << QList<int> {};
        QTest::newRow("split after split keeps the operator's labels")
            << DynamicMode::Split << QByteArray("Artist - A Song Title\n") << DynamicMode::Split
            << QByteArray("Next,Song\n") << QStringLiteral("NEXT SONG")
            << QList<int> { 9, 10, 11, 12, 17, 18 };
        QTest::newRow("shorter scrolled song")
            << DynamicMode::Scroll << QByteArray("Artist - A Song Title\n") << DynamicMode::Scroll
            << QByteArray("Next,Song\n") << QStringLiteral("NEXT SONG") << QList<int> {};
    }

    // A song change leaves on air only the new song, today's date and the
    // operator's own labels, whatever the song before it left behind. Each
    // row changes the song across midnight.
    void noEarlierSongLeftOnAir()
    {
        QFETCH(DynamicMode, firstMode);
        QFETCH(QByteArray, firstSong);
        QFETCH(DynamicMode, secondMode);
        QFETCH(QByteArray, secondSong);
        QFETCH(QString, secondShown);
        QFETCH(QList<int>, operatorLabels);

        QTemporaryDir songDir;
        QVERIFY(songDir.isValid());
        const QString songPath = songDir.filePath(QStringLiteral("SongName.txt"));
        QDate day = kFirstDay;
        StationSettings operatorList;
        operatorList.PS[kOperatorLabel] = kOperatorText;
        operatorList.PSDelay[kOperatorLabel] = kOperatorDelay;
        StationSettings settings = operatorList;
        settings.AutoPS = static_cast<qint16>(firstMode);
        settings.RTSwitch = 1;
        settings.AutoPSDelay = kDelay;
        settings.AutoPSPath = songPath;
        SoakLinkRunner runner([] { return qint64(0); });
        PlatformSongFileReader reader;
        SoakEngine engine(
            settings, runner, reader, [] {}, [&day] { return day; });

        const auto play = [&](const QByteArray &song) {
            QFile file(songPath);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(file.write(song), song.size());
            file.close();
            engine.tick();
            QCOMPARE(runner.takeArrived().size(), std::size_t(2));
        };
        play(firstSong);
        if (QTest::currentTestFailed())
            return;
        day = day.addDays(1);
        engine.chooseMode(secondMode);
        play(secondSong);
        if (QTest::currentTestFailed())
            return;

        QCOMPARE(engine.state.SongDisplay, secondShown);
        const BoardParameters &board = runner.board().working();
        const QString leftover = leftoverOnAir(board, secondShown, QStringLiteral(" 1.1.27 "), operatorList);
        QVERIFY2(leftover.isEmpty(), qPrintable(leftover));
        int datesOnAir = 0;
        for (int i = 0; i < kLabelCount; ++i) {
            const auto at = static_cast<std::size_t>(i);
            datesOnAir += board.ps[at] == QStringLiteral(" 1.1.27 ") && board.psDelay[at] != 0;
            QCOMPARE(board.ps[at], settings.PS[at]);
            QCOMPARE(board.psDelay[at], int(settings.PSDelay[at]));
        }
        QCOMPARE(datesOnAir, 1);
        QCOMPARE(board.ps[kOperatorLabel], kOperatorText);
        QCOMPARE(board.psDelay[kOperatorLabel], kOperatorDelay);
        for (int index : operatorLabels) {
            QCOMPARE(board.ps[std::size_t(index)], operatorList.PS[std::size_t(index)]);
            QVERIFY(board.psDelay[std::size_t(index)] != 0);
        }
    }

    // A whole day of the engine and the preview against the board model:
    // every song change reaches the board whole and once, idle seconds send
    // nothing, the date follows midnight, and the process holds no more
    // files or memory at the end than after its first hour.
    void aDayOnAir()
    {
        IsolatedConfig config;
        QTemporaryDir songDir;
        QVERIFY(songDir.isValid());
        const QString songPath = songDir.filePath(QStringLiteral("SongName.txt"));
        // The store syncs its file to the disk at every save; kept in memory
        // when the system has a RAM disk, the day's 964 saves wait for no
        // disk and still open, write and close a real file each time.
        const QString ramDisk = QStringLiteral("/dev/shm");
        QTemporaryDir settingsDir((QFileInfo(ramDisk).isDir() ? ramDisk : QDir::tempPath())
            + QStringLiteral("/zorvan-soak-XXXXXX"));
        QVERIFY(settingsDir.isValid());
        IniSettingsBackend store(settingsDir.filePath(QStringLiteral("KVL Systems.ini")));

        qint64 nowMs = 0;
        const auto today
            = [&nowMs] { return kFirstDay.addDays((kStartSecondOfDay + nowMs / 1000) / kDaySeconds); };

        StationSettings settings;
        settings.AutoPS = static_cast<qint16>(DynamicMode::Split);
        settings.RTSwitch = 1;
        settings.InsertDate = true;
        settings.AutoPSDelay = kDelay;
        settings.AutoPSPath = songPath;

        SoakLinkRunner runner([&nowMs] { return nowMs; });
        PlatformSongFileReader reader;
        int saves = 0;
        int failedSaves = 0;
        SoakEngine engine(
            settings, runner, reader,
            [&] {
                ++saves;
                if (SaveAllSettings(settings, store) != StoreStatus::Ok)
                    ++failedSaves;
            },
            today);

        const auto writeSong = [&songPath](const Song &song) {
            QFile file(songPath);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                return false;
            return file.write(song.file) == song.file.size();
        };

        PreviewState preview;
        PreviewSource previewSource = PreviewSource::Labels;
        qint64 nextPreviewMs = kPreviewIntervalMs;
        std::bitset<kLabelCount> shownByPreview;
        bool previewCoverageComplete = false; // a whole interval between changes in label preview
        int previewTicks = 0;
        int previewCoverageChecks = 0;

        Song current = songAt(0);
        QVERIFY(writeSong(current));
        int changes = 0;
        int fdsAfterWarmUp = -1;
        qint64 rssAfterWarmUp = -1;

        for (int t = 0; t < kDaySeconds; ++t) {
            nowMs = qint64(t) * 1000;
            if (t == kWarmUpSeconds) {
                fdsAfterWarmUp = openDescriptorCount();
                rssAfterWarmUp = residentKiB();
            }
            if (t == kScrollFrom || t == kSplitAgainFrom) {
                engine.chooseMode(t == kScrollFrom ? DynamicMode::Scroll : DynamicMode::Split);
            }

            const bool change = t >= kFirstChange && (t - kFirstChange) % kSongPeriod == 0;
            if (change) {
                const int k = (t - kFirstChange) / kSongPeriod + 1;
                const Song next = songAt(k);
                QVERIFY2(next.shown != current.shown && next.boardRt != current.boardRt, "songs must differ");
                current = next;
                QVERIFY(writeSong(current));
                ++changes;

                // The preview has had three minutes of the last labels.
                if (previewCoverageComplete) {
                    std::bitset<kLabelCount> expected;
                    expected.set(0);
                    for (int i = 1; i < kLabelCount - 1; ++i)
                        expected.set(static_cast<std::size_t>(i), settings.PSDelay[std::size_t(i)] != 0);
                    QVERIFY2(shownByPreview == expected,
                        qPrintable(QStringLiteral("preview before tick %1").arg(t)));
                    ++previewCoverageChecks;
                }
            }

            const int savesBefore = saves;
            engine.tick();
            std::vector<ArrivedTransmission> arrived = runner.takeArrived();

            if (!change && t != 0) {
                QVERIFY2(arrived.empty(), qPrintable(QStringLiteral("idle tick %1 sent").arg(t)));
                QCOMPARE(saves, savesBefore);
            } else {
                const QString context = QStringLiteral("song change at tick %1").arg(t);
                QCOMPARE(arrived.size(), std::size_t(2));
                const ArrivedTransmission &labels = arrived[0];
                QCOMPARE(labels.outcome, LinkOutcome::Sent);
                QCOMPARE(int(labels.frames.size()), 2 * kLabelCount);
                QCOMPARE(int(labels.strayBytes), 0);
                QCOMPARE(labels.rejectedFrames, 0);
                for (int i = 0; i < 2 * kLabelCount; ++i)
                    QCOMPARE(labels.frames[i].name, expectedFrameName(i));
                QCOMPARE(labels.reports, 2 * kLabelCount);
                const ArrivedTransmission &radioText = arrived[1];
                QCOMPARE(radioText.outcome, LinkOutcome::Sent);
                QCOMPARE(int(radioText.frames.size()), 1);
                QCOMPARE(radioText.frames[0].name, QByteArray("RT"));
                QCOMPARE(int(radioText.strayBytes), 0);
                QCOMPARE(radioText.rejectedFrames, 0);
                for (const ArrivedTransmission &each : arrived) {
                    QVERIFY(!each.portLeftOpen);
                    QVERIFY(each.drainedBeforeClose);
                    QVERIFY(each.endedReady);
                }

                QCOMPARE(engine.state.SongDisplay, current.shown);
                QCOMPARE(engine.state.onAir.LastSentText, current.shown);
                const BoardParameters &board = runner.board().working();
                QCOMPARE(board.rt, current.boardRt);
                QCOMPARE(settings.RT, engine.state.radioTextField);
                for (int i = 0; i < kLabelCount; ++i) {
                    const auto at = static_cast<std::size_t>(i);
                    QCOMPARE(board.ps[at], onAir(settings.PS[at]));
                    QCOMPARE(board.psDelay[at], int(settings.PSDelay[at]));
                }
                const QString dateText = dateTextOf(today());
                bool dateOnAir = false;
                for (int i = 0; i < kLabelCount; ++i)
                    dateOnAir = dateOnAir
                        || (board.ps[std::size_t(i)] == dateText && board.psDelay[std::size_t(i)] != 0);
                QVERIFY2(dateOnAir, qPrintable(context + ": today's date is not on air"));
                const QString leftover
                    = leftoverOnAir(board, onAir(current.shown), dateText, StationSettings());
                QVERIFY2(leftover.isEmpty(), qPrintable(context + ": " + leftover));

                if (const SampledSong *sample = sampleFor(changes)) {
                    for (int i = 0; i < sample->labels.size(); ++i)
                        QCOMPARE(board.ps[std::size_t(i)], sample->labels[i]);
                    for (int i = 0; i < sample->delays.size(); ++i)
                        QCOMPARE(board.psDelay[std::size_t(i)], sample->delays[i]);
                }
                shownByPreview.reset();
                previewCoverageComplete = t != 0 && previewSource == PreviewSource::Labels;
            }

            if (t == kRadioTextPreviewFrom || t == kLabelPreviewAgainFrom) {
                previewSource = t == kRadioTextPreviewFrom ? PreviewSource::RadioText : PreviewSource::Labels;
                previewCoverageComplete = false;
            }
            for (; nextPreviewMs < nowMs + 1000; nextPreviewMs += preview.intervalMs) {
                const LabelList labels = LabelList::fromSettings(settings);
                const PreviewFrame frame = PreviewTick(preview, previewSource, settings.RT, labels);
                ++previewTicks;
                QCOMPARE(frame.toolTip, "RODIREZ500+ >>" + settings.RT + "<<");
                if (previewSource == PreviewSource::Labels) {
                    const int shown = preview.DspCount - 1;
                    QVERIFY(shown >= 0 && shown < kLabelCount - 1);
                    QVERIFY(shown == 0 || labels.delays[std::size_t(shown)] != 0);
                    QCOMPARE(frame.label, labels.texts[std::size_t(shown)]);
                    shownByPreview.set(std::size_t(shown));
                } else {
                    QCOMPARE(int(frame.label.size()), 8);
                    QVERIFY(QString(settings.RT + kBlank).contains(frame.label));
                }
            }
        }

        QCOMPARE(changes, kSongChanges);
        QCOMPARE(runner.transmissions(), 2 * (kSongChanges + 1));
        QCOMPARE(runner.pausedFor(), std::chrono::milliseconds(0)); // paced by the line alone
        QCOMPARE(runner.board().saveCount(), 0); // working memory only
        QCOMPARE(preview.intervalMs, kRadioTextPreviewIntervalMs); // kept after going back to labels
        QVERIFY(previewTicks > kDaySeconds);
        QVERIFY(previewCoverageChecks > kSongChanges / 2);
        QCOMPARE(engine.messages, QStringList());
        QVERIFY(engine.failures.empty());
        QCOMPARE(failedSaves, 0);
        // One save for the new labels and one for the radio text of each song,
        // and the two choices of mode.
        QCOMPARE(saves, 2 * (kSongChanges + 1) + 2);

        StationSettings stored;
        QCOMPARE(LoadAllSettings(stored, store), StoreStatus::Ok);
        QCOMPARE(stored.RT, settings.RT);
        for (int i = 0; i < kLabelCount; ++i) {
            QCOMPARE(stored.PS[std::size_t(i)], settings.PS[std::size_t(i)]);
            QCOMPARE(stored.PSDelay[std::size_t(i)], settings.PSDelay[std::size_t(i)]);
        }

        const int fdsAtEnd = openDescriptorCount();
        const qint64 rssAtEnd = residentKiB();
        qInfo("open files %d -> %d, resident memory %lld -> %lld KiB", fdsAfterWarmUp, fdsAtEnd,
            static_cast<long long>(rssAfterWarmUp), static_cast<long long>(rssAtEnd));
        QVERIFY(fdsAfterWarmUp > 0 && rssAfterWarmUp > 0);
        QCOMPARE(fdsAtEnd, fdsAfterWarmUp);
        QVERIFY2(rssAtEnd - rssAfterWarmUp < kRssSlackKiB,
            qPrintable(QStringLiteral("resident memory grew by %1 KiB").arg(rssAtEnd - rssAfterWarmUp)));
    }
};

QTEST_GUILESS_MAIN(TestSoak)
#include "tst_soak.moc"
