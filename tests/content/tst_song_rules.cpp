#include "content/song_rules.h"
#include "content/song_source.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace zorvan;

class TestSongRules : public QObject {
    Q_OBJECT

private slots:
    // Rules are written in the editor's text form; its parser is proven below.
    void applySongRules_data()
    {
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("ruled");
        QTest::addColumn<bool>("ignored");
        QTest::newRow("replacement ignores case")
            << "feat. => ft" << QStringList { "Artist FEAT. Other", "Song" }
            << QStringList { "Artist ft Other", "Song" } << false;
        QTest::newRow("removal inside leaves one blank")
            << "(radio edit) =>" << QStringList { "Song (Radio Edit) Mix" } << QStringList { "Song Mix" }
            << false;
        QTest::newRow("removal at the end trimmed")
            << "(radio edit) =>" << QStringList { "Song (Radio Edit)" } << QStringList { "Song" } << false;
        QTest::newRow("removal empties a field")
            << "various =>" << QStringList { "VARIOUS", "Song" } << QStringList { "", "Song" } << false;
        QTest::newRow("applied in list order")
            << "a => b\nb => c" << QStringList { "a" } << QStringList { "c" } << false;
        QTest::newRow("doubling rules double") << QString("a => aa\n").repeated(3) << QStringList { "a" }
                                               << QStringList { QString(8, 'a') } << false;
        // Forty doublings would be 2^40 characters: the text stops growing
        // at the cap instead of taking the program's memory and time.
        QTest::newRow("forty doubling rules end at the cap")
            << QString("a => aa\n").repeated(40) << QStringList { "a", "b" }
            << QStringList { QString(512, 'a'), "b" } << false;
        QTest::newRow("text cut between rules")
            << "a => aaaaaaaaaa\naaaa => b" << QStringList { QString(60, 'a') }
            << QStringList { QString(128, 'b') } << false;
        QTest::newRow("text without rules cut at the cap")
            << "" << QStringList { QString(600, 'x') } << QStringList { QString(512, 'x') } << false;
        QTest::newRow("what a rule puts in is not searched again")
            << "ab => aab" << QStringList { "abab" } << QStringList { "aabaab" } << false;
        QTest::newRow("untouched field keeps its blanks")
            << "x => y" << QStringList { "A  B " } << QStringList { "A  B " } << false;
        QTest::newRow("star matches the rest") << "!JINGLE*" << QStringList { "Jingle - Summer 2026" }
                                               << QStringList { "Jingle - Summer 2026" } << true;
        QTest::newRow("pattern covers the whole text")
            << "!jingle" << QStringList { "Jingle - Summer" } << QStringList { "Jingle - Summer" } << false;
        QTest::newRow("pattern spans the fields")
            << "!station id" << QStringList { "Station", "ID" } << QStringList { "Station", "ID" } << true;
        QTest::newRow("parenthesis is plain text")
            << "!*(live*" << QStringList { "Song (Live) 1999" } << QStringList { "Song (Live) 1999" } << true;
        QTest::newRow("star crosses a slash")
            << "!AC?DC*" << QStringList { "AC/DC Thunder" } << QStringList { "AC/DC Thunder" } << true;
        QTest::newRow("star backtracks") << "!*AB" << QStringList { "AAB" } << QStringList { "AAB" } << true;
        QTest::newRow("first and last run never share a character")
            << "!A*A" << QStringList { "A" } << QStringList { "A" } << false;
        QTest::newRow("runs between stars in order")
            << "!*b?d*b*" << QStringList { "abcdeb" } << QStringList { "abcdeb" } << true;
        QTest::newRow("runs out of order")
            << "!*b*a" << QStringList { "ab" } << QStringList { "ab" } << false;
        QTest::newRow("question mark is one character")
            << "!A?" << QStringList { "A" } << QStringList { "A" } << false;
        QTest::newRow("question mark takes an emoji whole") << "!?" << QStringList { QString::fromUtf8("😀") }
                                                            << QStringList { QString::fromUtf8("😀") } << true;
        QTest::newRow("pattern sees the replaced text")
            << "advert => ad\n!AD *" << QStringList { "Advert", "Shop" } << QStringList { "ad", "Shop" }
            << true;
    }
    void applySongRules()
    {
        QFETCH(QString, rules);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, ruled);
        QFETCH(bool, ignored);
        const RuledSong song = zorvan::applySongRules(parseSongRules(rules), fields, std::nullopt);
        QCOMPARE(song.fields, ruled);
        QCOMPARE(song.ignored, ignored);
        QVERIFY(!song.firstLine);
    }

    void replacedBeforeTheSplit()
    {
        const SongRules rules = parseSongRules("feat. => ft\n(Radio Edit) =>");
        const RuledSong song = zorvan::applySongRules(rules, { "Artist feat. Guest", "Song (Radio Edit)" },
            QString("Artist feat. Guest - Song (Radio Edit)"));
        QCOMPARE(ComposeSongText(song.fields), QString("Artist ft Guest Song"));
        QCOMPARE(song.firstLine, QString("Artist ft Guest - Song"));
    }

    void editorText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("blanks around the arrow trimmed") << "  feat.=>   ft "
                                                         << "feat. => ft";
        QTest::newRow("removal") << "(Radio Edit) =>"
                                 << "(Radio Edit) =>";
        QTest::newRow("split at the first arrow") << "a => b => c"
                                                  << "a => b => c";
        QTest::newRow("pattern") << "! JINGLE* "
                                 << "!JINGLE*";
        QTest::newRow("patterns after replacements") << "!ID*\na => b"
                                                     << "a => b\n!ID*";
        QTest::newRow("no arrow, empty from and empty pattern dropped") << "jingle\n=> x\n!\n\n"
                                                                        << "";
    }
    void editorText()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QCOMPARE(songRulesText(parseSongRules(typed)), kept);
    }

    // The real INI file, since its quoting is what the stored form relies on.
    void storedInTheSettingsFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("settings.ini");
        const SongRules rules { { { "a, b; \"c\"", "=x#" }, { "(Radio Edit)", "" } },
            { "*; ADVERT, *", "ID?" } };
        const SongRules shorter { { { "feat.", "ft" } }, {} };
        for (const SongRules &saved : { rules, shorter }) {
            IniSettingsBackend writer(path);
            saveSongRules(saved, writer);
            QVERIFY(writer.flush());
            QCOMPARE(loadSongRules(IniSettingsBackend(path)), saved);
        }
        QCOMPARE(IniSettingsBackend(path).read("Driver", "Replace1"), QString("feat.=>ft"));
    }
};

QTEST_GUILESS_MAIN(TestSongRules)
#include "tst_song_rules.moc"
