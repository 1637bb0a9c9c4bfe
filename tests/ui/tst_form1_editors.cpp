#include "form1_harness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <functional>

using namespace zorvan;
using zorvan::test::Form1Harness;

Q_DECLARE_METATYPE(zorvan::SongFileField)

namespace {

void typeInto(QLineEdit *field, const QString &text)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

QLineEdit *editOf(QWidget *control)
{
    if (auto *list = qobject_cast<QComboBox *>(control))
        return list->lineEdit();
    return qobject_cast<QLineEdit *>(control);
}

// What the control shows: its text, or whether it is checked.
QString shownBy(QWidget *control)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        return button->isChecked() ? QStringLiteral("checked") : QStringLiteral("clear");
    if (auto *list = qobject_cast<QComboBox *>(control))
        return list->currentText();
    if (auto *field = qobject_cast<QLineEdit *>(control))
        return field->text();
    return QStringLiteral("<not an editor>");
}

void leave(QWidget *field)
{
    QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(field, &event);
}

// Changes made by the station itself (the engine, the setup dialog) that
// the window has to draw.
struct StationChange {
    const char *name;
    std::function<void(Station &)> change;
    const char *control;
    const char *shown;
};

const StationChange kStationChanges[] = {
    { "label", [](Station &s) { s.commitLabel(5, QStringLiteral("xy")); }, "Text7_5", "xy      " },
    { "delay", [](Station &s) { s.chooseDelay(7, 4); }, "Combo5_7", "4" },
    { "country", [](Station &s) { s.chooseCountryText(QStringLiteral("A")); }, "Combo2", "A" },
    { "message", [](Station &s) { s.commitMessage(0, QStringLiteral("new")); }, "Text4", "NEW" },
    { "RDS active off", [](Station &s) { s.setRdsActive(false); }, "Check1", "clear" },
    { "PS update Yes", [](Station &s) { s.choosePsUpdate(true); }, "Option24", "checked" },
    { "PS update No cleared", [](Station &s) { s.choosePsUpdate(true); }, "Option23", "clear" },
    { "Scroll PS", [](Station &s) { s.chooseUpdateType(DynamicMode::Scroll); }, "Option1_2", "checked" },
    { "Split cleared by Scroll", [](Station &s) { s.chooseUpdateType(DynamicMode::Scroll); }, "Option1_1",
        "clear" },
    { "PS path", [](Station &s) { s.commitSongPath(SongFileField::ProgrammeService, "/srv/now.txt"); },
        "Text3", "/srv/now.txt" },
    { "RT path", [](Station &s) { s.commitSongPath(SongFileField::RadioText, "/srv/rt.txt"); }, "Text2",
        "/srv/rt.txt" },
    { "radio text", [](Station &s) { s.commitRadioText(QStringLiteral("on air")); }, "Text1", "ON AIR" },
};

} // namespace

class TestForm1Editors : public QObject {
    Q_OBJECT

private slots:
    // Each editor hands its value to the station, which saves it; the
    // window then shows what the record holds (fitted, where the record
    // fits it). How a value is fitted is the record's rule, proved there.
    void editorCommitsToTheStation_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("how"); // type, type+return, type+leave, pick, click
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("before"); // stored before start-up, so that the edit changes it
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        auto row = [](const char *name, const char *control, const char *how, const char *input,
                       const char *key, const char *before, const char *stored, const char *shown) {
            QTest::newRow(name) << control << how << input << key << before << stored << shown;
        };
        row("country typed", "Combo2", "type", "A", "CountryCode", "12", "10", "A");
        row("area typed", "Combo1", "type", "R12", "AreaCoverage", "0", "15", "R12");
        row("ECC typed", "Combo6", "type", "E4", "ECC", "2", "5", "E4");
        row("PTY typed", "Combo7", "type", "Alarm", "PTY", "10", "31", "Alarm");
        row("reference picked", "Combo3", "pick", "5", "ProgramReference", "128", "5", "5");
        row("AF1 picked", "Combo26", "pick", "87.6", "AF1", "125", "1", "87.6");
        row("label delay picked", "Combo5_7", "pick", "5", "PSDelay7", "2", "5", "5");
        row("Delay: picked", "Combo13", "pick", "4", "AutoPSDelay", "1", "4", "4");
        row("Set all to: picked", "Combo15", "pick", "3", "SETTOSAMEDELAY", "0", "3", "3");
        row("TP 1", "Option4", "click", "", "TP", "0", "1", "checked");
        row("mono", "Option15", "click", "", "DId0", "1", "0", "checked");
        row("RDS active", "Check1", "click", "", "RDSActive", "True", "False", "clear");
        row("To tray at start", "Check5", "click", "", "TrayAtStart", "False", "True", "checked");
        row("Insert DATE", "Check4", "click", "", "InsertDate", "True", "False", "clear");
        row("mode 3", "OptionMode_3", "click", "", "MODE", "0", "3", "checked");
        row("PS update Yes", "Option24", "click", "", "AutoPS", "0", "1", "checked");
        row("PS update No", "Option23", "click", "", "AutoPS", "1", "0", "checked");
        row("RT update No", "Option20", "click", "", "RTSwitch", "1", "0", "checked");
        row("Scroll PS", "Option1_2", "click", "", "AutoPS", "0", "2", "checked");
        row("label on Return", "Text7_5", "type+return", "abc", "PS5", "", "abc     ", "abc     ");
        row("label on leaving", "Text7_40", "type+leave", "ABC", "PS40", "", "ABC     ", "ABC     ");
        row("MSG1 on leaving", "Text4", "type+leave", "hello", "MG0", "", "HELLO", "HELLO");
        row("MSG4 while typing", "Text8", "type", "hello", "MG3", "", "HELLO", "HELLO");
        row("radio text on leaving", "Text1", "type+leave", "new rt", "RT", "", "NEW RT", "NEW RT");
        row("PS path on Return", "Text3", "type+return", "/srv/now.txt", "AutoPSPath", "", "/srv/now.txt",
            "/srv/now.txt");
        row("RT path on leaving", "Text2", "type+leave", "/srv/rt.txt", "GetMP3Tag", "", "/srv/rt.txt",
            "/srv/rt.txt");
    }
    void editorCommitsToTheStation()
    {
        QFETCH(QString, control);
        QFETCH(QString, how);
        QFETCH(QString, input);
        QFETCH(QString, key);
        QFETCH(QString, before);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        Form1Harness harness;
        if (!before.isEmpty())
            harness.store(key, before);
        harness.start();
        QCOMPARE(harness.stored(key) == stored, false);
        auto *widget = harness.find<QWidget>(control);
        QVERIFY2(widget, qPrintable(control));

        if (how == "click") {
            qobject_cast<QAbstractButton *>(widget)->click();
        } else if (how == "pick") {
            auto *list = qobject_cast<QComboBox *>(widget);
            QVERIFY(!list->isEditable());
            list->setCurrentIndex(list->findText(input));
        } else {
            QLineEdit *field = editOf(widget);
            QVERIFY(field);
            typeInto(field, input);
            if (how == "type+return")
                QTest::keyClick(field, Qt::Key_Return);
            else if (how == "type+leave")
                leave(field);
        }
        QCOMPARE(harness.stored(key), stored);
        QCOMPARE(shownBy(widget), shown);
    }

    void stationChangeIsShown_data()
    {
        QTest::addColumn<int>("change");
        for (int i = 0; i < int(std::size(kStationChanges)); ++i)
            QTest::newRow(kStationChanges[i].name) << i;
    }
    void stationChangeIsShown()
    {
        QFETCH(int, change);
        const StationChange &row = kStationChanges[change];
        Form1Harness harness;
        harness.start();
        row.change(harness.station());
        QCOMPARE(shownBy(harness.find<QWidget>(row.control)), QString::fromUtf8(row.shown));
    }

    void afListsCloseBehindAnEmptyOne()
    {
        Form1Harness harness;
        for (int n = 1; n <= 7; ++n)
            harness.store(QStringLiteral("AF%1").arg(n), QString::number(n * 10));
        harness.start();
        const QStringList lists { "Combo26", "Combo28", "Combo29", "Combo30", "Combo31", "Combo32",
            "Combo33" };
        for (const QString &list : lists)
            QVERIFY2(harness.find<QComboBox>(list)->isEnabled(), qPrintable(list));
        harness.find<QComboBox>("Combo29")->setCurrentIndex(0);
        for (int n = 0; n < lists.size(); ++n) {
            auto *list = harness.find<QComboBox>(lists[n]);
            QCOMPARE(list->isEnabled(), n <= 2);
            if (n >= 2)
                QCOMPARE(list->currentText(), QStringLiteral("empty"));
        }
    }

    void labelTakesEightCharactersWhileTyping()
    {
        Form1Harness harness;
        harness.start();
        auto *label = harness.find<QLineEdit>("Text7_5");
        typeInto(label, "ABCDEFGHIJ");
        QCOMPARE(label->text(), QStringLiteral("ABCDEFGH"));
    }

    void setAllToRedrawsEveryDelay()
    {
        Form1Harness harness;
        harness.start();
        harness.find<QComboBox>("Combo15")->setCurrentIndex(7);
        QTest::mouseClick(harness.find<QPushButton>("Command8"), Qt::LeftButton);
        for (int i = 0; i < kLabelCount; ++i)
            QCOMPARE(harness.find<QComboBox>(QStringLiteral("Combo5_%1").arg(i))->currentIndex(), 7);
    }

    // A half-typed path is never read: the record keeps the committed one,
    // and a redraw meanwhile leaves the typing alone.
    void pathIsTakenOnlyWhenCommitted_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<SongFileField>("which");
        QTest::newRow("PS source") << "Text3" << SongFileField::ProgrammeService;
        QTest::newRow("RT source") << "Text2" << SongFileField::RadioText;
    }
    void pathIsTakenOnlyWhenCommitted()
    {
        QFETCH(QString, field);
        QFETCH(SongFileField, which);
        Form1Harness harness;
        Form1 &form = harness.start();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        const auto path = [&] {
            return which == SongFileField::ProgrammeService ? harness.station().record().AutoPSPath
                                                            : harness.station().record().GetMP3Tag;
        };
        const QString committed = path();
        auto *edit = harness.find<QLineEdit>(field);
        edit->setFocus();
        QVERIFY(edit->hasFocus());
        typeInto(edit, "/srv/half");
        QCOMPARE(path(), committed);

        harness.station().setRdsActive(false);
        QCOMPARE(edit->text(), QStringLiteral("/srv/half"));
        QCOMPARE(path(), committed);

        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(path(), QStringLiteral("/srv/half"));
    }

    // A redraw (a song change, another editor) never wipes what the
    // operator is typing in a text field; leaving the field commits it.
    void typingSurvivesARedraw_data()
    {
        QTest::addColumn<QString>("field");
        QTest::newRow("MSG1") << "Text4";
        QTest::newRow("MSG3") << "Text6";
        QTest::newRow("radio text") << "Text1";
        QTest::newRow("label 0") << "Text7_0";
    }
    void typingSurvivesARedraw()
    {
        QFETCH(QString, field);
        Form1Harness harness;
        Form1 &form = harness.start();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto *edit = harness.find<QLineEdit>(field);
        edit->setFocus();
        QVERIFY(edit->hasFocus());
        typeInto(edit, "NEWS 9AM");

        harness.station().setRdsActive(false);
        QCOMPARE(edit->text(), QStringLiteral("NEWS 9AM"));

        leave(edit);
        harness.station().setRdsActive(true);
        QVERIFY(edit->text().startsWith(QStringLiteral("NEWS"), Qt::CaseInsensitive));
        const StationSettings &record = harness.station().record();
        const QString stored = field == "Text1" ? harness.station().autoUpdate().radioTextField
            : field == "Text7_0"                ? record.PS[0]
                                                : record.MG[field == "Text4" ? 0 : 2];
        QCOMPARE(stored, edit->text());
    }
};

QTEST_MAIN(TestForm1Editors)
#include "tst_form1_editors.moc"
