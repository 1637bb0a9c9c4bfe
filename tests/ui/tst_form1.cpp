#include "form1_harness.h"

#include "ui/frm_about.h"
#include "ui/frm_setup.h"
#include "ui/help_dialog.h"
#include "ui/help_texts.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QtTest>

using namespace zorvan;
using zorvan::test::Form1Harness;

Q_DECLARE_METATYPE(zorvan::MessageHelp)

namespace {

const QStringList kPanels { "Frame10", "Frame12", "Frame5", "Frame37", "Frame11", "Frame13", "Frame15" };

QStringList visiblePanels(Form1 &form)
{
    QStringList visible;
    for (const QString &name : kPanels) {
        if (form.findChild<QWidget *>(name)->isVisibleTo(&form))
            visible << name;
    }
    return visible;
}

QString captionOf(QObject *control)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        return button->text();
    if (auto *label = qobject_cast<QLabel *>(control))
        return label->text();
    if (auto *field = qobject_cast<QLineEdit *>(control))
        return field->text();
    if (auto *list = qobject_cast<QComboBox *>(control))
        return list->currentText();
    if (auto *menu = qobject_cast<QMenu *>(control))
        return menu->title();
    if (auto *action = qobject_cast<QAction *>(control))
        return action->text();
    return QStringLiteral("<no caption>");
}

QString toolTipOf(QObject *control)
{
    if (auto *widget = qobject_cast<QWidget *>(control))
        return widget->toolTip();
    return QString();
}

QList<QMessageBox *> openBoxes(Form1 &form)
{
    QList<QMessageBox *> open;
    for (QMessageBox *box : form.findChildren<QMessageBox *>()) {
        if (box->isVisible())
            open << box;
    }
    return open;
}

void closeSecondaryWindows()
{
    if (FrmSetup *setup = FrmSetup::instance())
        setup->close();
    if (FrmAbout *about = FrmAbout::instance()) {
        about->stepTimer()->stop();
        while (about->isVisible())
            about->tick();
    }
    if (HelpDialog *help = HelpDialog::instance())
        help->close();
    if (HelpDialog1 *help = HelpDialog1::instance())
        help->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { closeSecondaryWindows(); }

    void captionAndTabs()
    {
        Form1Harness harness;
        Form1 &form = harness.start();
        QCOMPARE(form.windowTitle(), QStringLiteral("ZORVAN Q500+"));
        auto *tabs = harness.find<QTabBar>("TabStrip1");
        QVERIFY(tabs);
        const QStringList captions { "PI, PT&Y...", "PS&0", "PS&1", "PS&2", "&TIME, MSG...", "AUTO &PS, RT",
            "A&bout" };
        QCOMPARE(tabs->count(), captions.size());
        for (int i = 0; i < tabs->count(); ++i) {
            QCOMPARE(tabs->tabText(i), captions.at(i));
            QCOMPARE(tabs->tabToolTip(i), i == 5 ? QStringLiteral("Automatic PS update") : QString());
        }
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(visiblePanels(form), QStringList { "Frame10" });
    }

    void onePageAfterEachTabChange_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("panel");
        for (int tab : { 3, 0, 6, 2, 5, 1, 4, 3 })
            QTest::addRow("tab %d", tab) << tab << kPanels.at(tab);
    }
    void onePageAfterEachTabChange()
    {
        QFETCH(int, tab);
        QFETCH(QString, panel);
        Form1Harness harness;
        Form1 &form = harness.start();
        auto *tabs = harness.find<QTabBar>("TabStrip1");
        // Arrive from another tab so that the change really happens.
        tabs->setCurrentIndex((tab + 3) % 7);
        tabs->setCurrentIndex(tab);
        QCOMPARE(visiblePanels(form), QStringList { panel });
        for (const char *hidden : { "FrameSwitchDelay", "TransmitterPanel" })
            QVERIFY2(!harness.find<QWidget>(hidden)->isVisibleTo(&form), hidden);
    }

    void fixedSize()
    {
        Form1Harness harness;
        Form1 &form = harness.start();
        QCOMPARE(form.frameGeometry().size(), QSize(591, 421));
        form.resize(900, 700);
        QCOMPARE(form.frameGeometry().size(), QSize(591, 421));
        form.resize(200, 100);
        QCOMPARE(form.frameGeometry().size(), QSize(591, 421));
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        form.showMinimized();
        form.resize(300, 300);
        form.showNormal();
        QCOMPARE(form.frameGeometry().size(), QSize(591, 421));
        const QRect page = harness.find<QWidget>("Frame12")->geometry();
        QCOMPARE(page.topLeft(), QPoint(9, 30));
    }

    void controlsByName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("RDS active") << "Check1"
                                    << "RDS active"
                                    << "";
        QTest::newRow("column help") << "Command15"
                                     << "?"
                                     << "Click for Help!";
        QTest::newRow("Send RT and PS") << "Command10"
                                        << "Send RT and PS"
                                        << "";
        QTest::newRow("Send settings") << "Command12"
                                       << "Send settings"
                                       << "";
        QTest::newRow("To tray at start") << "Check5"
                                          << "To tray at start"
                                          << "";
        QTest::newRow("preview RT") << "Option21"
                                    << "RT"
                                    << "";
        QTest::newRow("preview PS") << "Option22"
                                    << "PS"
                                    << "";
        QTest::newRow("preview help") << "Command17"
                                      << "?"
                                      << "";
        QTest::newRow("Move To Tray") << "Command2"
                                      << "Move To Tray"
                                      << "";
        QTest::newRow("File menu") << "filemnu"
                                   << "&File"
                                   << "";
        QTest::newRow("Setup") << "SetupMnu"
                               << "S&etup"
                               << "";
        QTest::newRow("Exit") << "Exitmnu"
                              << "E&xit"
                              << "";
        QTest::newRow("Help menu") << "HelpMnu"
                                   << "&Help"
                                   << "";
        QTest::newRow("About") << "Aboutmnu"
                               << "&About"
                               << "";
        QTest::newRow("country") << "Combo2"
                                 << "C"
                                 << "Country code";
        QTest::newRow("area") << "Combo1"
                              << "L"
                              << "Leave set to L (Local)";
        QTest::newRow("reference") << "Combo3"
                                   << "128"
                                   << "Usually assigned by the authorities, not critical";
        QTest::newRow("ECC") << "Combo6"
                             << "E1"
                             << "Leave set to L (Local)";
        QTest::newRow("PTY") << "Combo7"
                             << "Pop Music"
                             << "";
        QTest::newRow("TP 0") << "Option3"
                              << "0"
                              << "";
        QTest::newRow("TP 1") << "Option4"
                              << "1"
                              << "";
        QTest::newRow("TA 1") << "Option5"
                              << "1"
                              << "";
        QTest::newRow("TA 0") << "Option6"
                              << "0"
                              << "";
        QTest::newRow("speech") << "Option7"
                                << "0"
                                << "";
        QTest::newRow("music") << "Option8"
                               << "1"
                               << "";
        QTest::newRow("compression Y") << "Option12"
                                       << "Y"
                                       << "";
        QTest::newRow("compression N") << "Option11"
                                       << "N"
                                       << "";
        QTest::newRow("dynamic PTY N") << "Option10"
                                       << "N"
                                       << "";
        QTest::newRow("dynamic PTY Y") << "Option9"
                                       << "Y"
                                       << "";
        QTest::newRow("stereo") << "Option16"
                                << "S"
                                << "";
        QTest::newRow("mono") << "Option15"
                              << "M"
                              << "";
        QTest::newRow("artificial head N") << "Option14"
                                           << "N"
                                           << "";
        QTest::newRow("artificial head Y") << "Option13"
                                           << "Y"
                                           << "";
        QTest::newRow("AF1") << "Combo26"
                             << "100"
                             << "";
        QTest::newRow("AF2") << "Combo28"
                             << "empty"
                             << "";
        QTest::newRow("AF7") << "Combo33"
                             << "empty"
                             << "";
        QTest::newRow("AF1 caption") << "Label20_0"
                                     << "AF1"
                                     << "";
        QTest::newRow("AF7 caption") << "Label20_6"
                                     << "AF7"
                                     << "";
        QTest::newRow("static label") << "Text7_0"
                                      << "*ZORVAN*"
                                      << "PS 0";
        QTest::newRow("label 99") << "Text7_99"
                                  << "        "
                                  << "PS 99";
        QTest::newRow("delay 0") << "Combo5_0"
                                 << "2"
                                 << "Delay of PS 0";
        QTest::newRow("delay 99") << "Combo5_99"
                                  << "0"
                                  << "Delay of PS 99";
        QTest::newRow("Set all to: list") << "Combo15"
                                          << "0"
                                          << "";
        QTest::newRow("Set all to:") << "Command8"
                                     << "Set all to:"
                                     << "";
        QTest::newRow("MSG1") << "Text4"
                              << "External message 1, switch 1"
                              << "";
        QTest::newRow("MSG8") << "Text12"
                              << "EXTERNAL MESSAGE 8, SWITCH 8"
                              << "";
        QTest::newRow("messages help") << "Command3"
                                       << "?"
                                       << "";
        QTest::newRow("Synchronize time") << "Command11"
                                          << "Synchronize time"
                                          << "Click to send PC time to your RDS encoder";
        QTest::newRow("clock help") << "Command13"
                                    << "?"
                                    << "";
        QTest::newRow("RT source") << "Text2"
                                   << "c:\\SongName.txt"
                                   << "";
        QTest::newRow("RT browse") << "Command7"
                                   << "..."
                                   << "Browse for file name with song name";
        QTest::newRow("RT update Yes") << "Option19"
                                       << "Yes"
                                       << "Updates the RT whenever the file changes";
        QTest::newRow("RT update No") << "Option20"
                                      << "No"
                                      << "Updates the RT whenever the file changes";
        QTest::newRow("radio text") << "Text1"
                                    << "ZORVAN Q500+ RDS encoder by KVL Systems"
                                    << "";
        QTest::newRow("Turn off") << "Option1_0"
                                  << "Turn off"
                                  << "";
        QTest::newRow("Split") << "Option1_1"
                               << "Split into 9 separate PS"
                               << "";
        QTest::newRow("Scroll") << "Option1_2"
                                << "Scroll PS"
                                << "";
        QTest::newRow("Delay:") << "Combo13"
                                << "1"
                                << "";
        QTest::newRow("Insert DATE") << "Check4"
                                     << "Insert DATE"
                                     << "Inserts DATA into PS";
        QTest::newRow("PS update Yes") << "Option24"
                                       << "Yes"
                                       << "Updates the PS whenever the file changes";
        QTest::newRow("PS update No") << "Option23"
                                      << "No"
                                      << "Updates the PS whenever the file changes";
        QTest::newRow("PS source") << "Text3"
                                   << "c:\\SongName.txt"
                                   << "";
        QTest::newRow("PS browse") << "Command4"
                                   << "..."
                                   << "Browse for file name with song name";
        QTest::newRow("song display") << "Label5"
                                      << ""
                                      << "";
        QTest::newRow("Set MODE") << "CommandSetMode"
                                  << "Set MODE"
                                  << "";
        QTest::newRow("mode 0") << "OptionMode_0"
                                << "Mode 0 (Normal)"
                                << "";
        QTest::newRow("mode 5") << "OptionMode_5"
                                << "Mode 5 (turbo PS + RT)"
                                << "";
        QTest::newRow("Stereo") << "OptionMode_8"
                                << "Stereo"
                                << "";
        QTest::newRow("Card A") << "OptionMode_14"
                                << "Card A"
                                << "";
        QTest::newRow("Update TX") << "CommandUpdateTX"
                                   << "Update TX"
                                   << "";
        QTest::newRow("web address") << "LabelWeb"
                                     << "www.kvl-systems.com/zorvan-q500"
                                     << "Click to visit our website!";
        QTest::newRow("product name") << "LabelProduct"
                                      << "ZORVAN Q500+"
                                      << "";
        QTest::newRow("build") << "LabelBuild"
                               << "Build 1.0, September 2012"
                               << "";
    }
    void controlsByName()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, toolTip);
        Form1Harness harness;
        harness.start();
        QObject *control = harness.form().findChild<QObject *>(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(captionOf(control), caption);
        QCOMPARE(toolTipOf(control), toolTip);
    }

    void controlArrays()
    {
        Form1Harness harness;
        Form1 &form = harness.start();
        for (int i = 0; i < kLabelCount; ++i) {
            QVERIFY(form.findChild<QLineEdit *>(QStringLiteral("Text7_%1").arg(i)));
            auto *delay = form.findChild<QComboBox *>(QStringLiteral("Combo5_%1").arg(i));
            QVERIFY(delay);
            QCOMPARE(delay->count(), 10);
            QVERIFY(!delay->accessibleName().isEmpty());
        }
        for (int index : command1HelpIndices()) {
            auto *help = form.findChild<QPushButton *>(QStringLiteral("Command1_%1").arg(index));
            QVERIFY2(help, qPrintable(QString::number(index)));
            QCOMPARE(help->text(), QStringLiteral("?"));
        }
        QVERIFY(!form.findChild<QPushButton *>(QStringLiteral("Command1_13")));
        QCOMPARE(form.findChild<QProgressBar *>("ProgressBar1")->maximum(), 21);
        QCOMPARE(form.findChild<QProgressBar *>("ProgressBar1")->minimum(), 0);
        QVERIFY(harness.find<QStatusBar>("StatusBar1")->isVisible());
        QCOMPARE(form.statusText(), QStringLiteral("Ready"));
        QCOMPARE(harness.find<QSystemTrayIcon>("Systray"), form.trayIcon());
    }

    void fieldsCarryTheirCaptions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("accessible");
        QTest::newRow("country") << "Combo2"
                                 << "Country";
        QTest::newRow("ECC") << "Combo6"
                             << "Country - ECC";
        QTest::newRow("PTY") << "Combo7"
                             << "Program type - PTY";
        QTest::newRow("AF4") << "Combo30"
                             << "AF4";
        QTest::newRow("static PS") << "Text7_0"
                                   << "PS - Static:";
        QTest::newRow("MSG5") << "Text9"
                              << "MSG5:";
        QTest::newRow("Delay:") << "Combo13"
                                << "Delay:";
        QTest::newRow("radio text") << "Text1"
                                    << "Radio text (RT)";
        QTest::newRow("TA 0") << "Option6"
                              << "TA: 0";
    }
    void fieldsCarryTheirCaptions()
    {
        QFETCH(QString, name);
        QFETCH(QString, accessible);
        Form1Harness harness;
        QCOMPARE(harness.find<QWidget>(name)->accessibleName(), accessible);
    }

    void firstStartShowsTheDefaults()
    {
        Form1Harness harness;
        harness.start();
        for (const char *selected :
            { "Option3", "Option6", "Option8", "Option16", "Option13", "Option12", "Option9", "Option22" })
            QVERIFY2(harness.find<QRadioButton>(selected)->isChecked(), selected);
        for (const char *cleared :
            { "Option4", "Option5", "Option7", "Option15", "Option14", "Option11", "Option10" })
            QVERIFY2(!harness.find<QRadioButton>(cleared)->isChecked(), cleared);
        QVERIFY(harness.find<QComboBox>("Combo28")->isEnabled());
        for (const char *closed : { "Combo29", "Combo30", "Combo31", "Combo32", "Combo33" })
            QVERIFY2(!harness.find<QComboBox>(closed)->isEnabled(), closed);
        QVERIFY(harness.find<QCheckBox>("Check1")->isChecked());
        QVERIFY(!harness.find<QCheckBox>("Check5")->isChecked());
    }

    // The splash does not block: start-up returns with it open, and the
    // record is loaded and shown only once it has closed itself.
    void startUpWaitsForTheSplash()
    {
        Form1Harness harness;
        harness.store("CountryCode", "3");
        Form1 &form = harness.form();
        QSignalSpy started(&form, &Form1::startedUp);
        form.setTrayAvailability([] { return false; });
        form.startUp();
        QList<FrmAbout *> splashes;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *splash = qobject_cast<FrmAbout *>(widget); splash && splash->isVisible())
                splashes << splash;
        }
        QCOMPARE(splashes.size(), 1);
        QVERIFY(splashes.first()->isModal());
        QVERIFY(!harness.station().isLoaded());
        QVERIFY(!form.isVisible());
        QCOMPARE(started.size(), 0);

        test::finishSplashes();
        QVERIFY(harness.station().isLoaded());
        QCOMPARE(started.size(), 1);
        QVERIFY(form.isVisible());
        QCOMPARE(harness.find<QComboBox>("Combo2")->currentText(), QStringLiteral("3"));
    }

    void trayAtStartAndBack()
    {
        Form1Harness harness;
        harness.store("TrayAtStart", "True");
        Form1 &form = harness.start(true);
        QVERIFY(!form.isVisible());
        QVERIFY(form.isInTray());
        QVERIFY(form.trayIcon()->isVisible());

        emit form.trayIcon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(form.isVisible());
        QVERIFY(!form.isInTray());
        QVERIFY(!form.trayIcon()->isVisible());
    }

    void moveToTrayWithoutNotificationArea()
    {
        Form1Harness harness;
        Form1 &form = harness.start();
        QVERIFY(form.isVisible());
        QTest::mouseClick(harness.find<QPushButton>("Command2"), Qt::LeftButton);
        QVERIFY(form.isMinimized());
        QVERIFY(!form.isInTray());
        QVERIFY(form.statusText().contains("minimised"));
    }

    void trayAtStartWithoutNotificationArea()
    {
        Form1Harness harness;
        harness.store("TrayAtStart", "True");
        Form1 &form = harness.start();
        QVERIFY(form.isVisible());
        QVERIFY(form.isMinimized());
    }

    void closingShutsTheStationDown_data()
    {
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("close box") << false;
        QTest::newRow("E&xit") << true;
    }
    void closingShutsTheStationDown()
    {
        QFETCH(bool, byMenu);
        Form1Harness harness;
        Form1 &form = harness.start();
        QSignalSpy ended(&form, &Form1::shutDown);
        if (byMenu)
            harness.find<QAction>("Exitmnu")->trigger();
        else
            form.close();
        QCOMPARE(ended.size(), 1);
        QVERIFY(!form.isVisible());
        QVERIFY(!harness.station().engineTimer().isActive());
    }

    void savesOnDeactivation()
    {
        Form1Harness harness;
        Form1 &form = harness.start();
        const int writesBefore = harness.backend.writeCount;
        QEvent deactivate(QEvent::WindowDeactivate);
        QApplication::sendEvent(&form, &deactivate);
        QVERIFY(harness.backend.writeCount > writesBefore);
    }

    void statusBarShowsTheStationsStatus()
    {
        Form1Harness harness;
        Form1 &form = harness.start();
        harness.backend.failWrites = true;
        QTest::mouseClick(harness.find<QCheckBox>("Check1"), Qt::LeftButton);
        QVERIFY(form.statusText().contains("could not be saved"));
        QCOMPARE(form.statusText(), harness.station().statusText());
    }

    void titlesOfTheWindows()
    {
        Form1Harness harness(false);
        Form1 &form = harness.start();
        QCOMPARE(form.windowTitle(), QStringLiteral("ZORVAN Q500+"));
        harness.find<QAction>("SetupMnu")->trigger();
        QVERIFY(FrmSetup::instance() && FrmSetup::instance()->isVisible());
        QCOMPARE(FrmSetup::instance()->windowTitle(), QStringLiteral("ZORVAN Q500+ Setup"));
        harness.find<QAction>("Aboutmnu")->trigger();
        QVERIFY(FrmAbout::instance() && FrmAbout::instance()->isVisible());
        QCOMPARE(FrmAbout::instance()->windowTitle(), QStringLiteral("About ZORVAN Q400+"));
        emit harness.station().notice(QStringLiteral("anything"));
        QCOMPARE(openBoxes(form).size(), 1);
        QCOMPARE(openBoxes(form).first()->windowTitle(), QStringLiteral("ZORVAN Q500+"));
    }

    // The operator can still mend the fault (File > Setup) with the box open.
    void noticeShowsOneBoxThatDoesNotBlock()
    {
        Form1Harness harness(false);
        Form1 &form = harness.start();
        const QString text = QStringLiteral("The port is missing.\r\nChoose another in Setup.");
        emit harness.station().notice(text);
        const QList<QMessageBox *> boxes = openBoxes(form);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first()->text(), text);
        QVERIFY(!boxes.first()->isModal());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);

        harness.find<QAction>("SetupMnu")->trigger();
        QVERIFY(FrmSetup::instance() && FrmSetup::instance()->isVisible());
        QVERIFY(boxes.first()->isVisible());
    }

    void helpButtonsOpenTheirHelps_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("index"); // of the Command1 help, or -1
        QTest::addColumn<MessageHelp>("message");
        QTest::newRow("country picture") << "Command1_0" << 0 << MessageHelp::Command3;
        QTest::newRow("programme reference text") << "Command1_2" << 2 << MessageHelp::Command3;
        QTest::newRow("traffic picture") << "Command1_4" << 4 << MessageHelp::Command3;
        QTest::newRow("PS text with note") << "Command1_10" << 10 << MessageHelp::Command3;
        QTest::newRow("ECC picture") << "Command1_14" << 14 << MessageHelp::Command3;
        QTest::newRow("external messages") << "Command3" << -1 << MessageHelp::Command3;
        QTest::newRow("clock") << "Command13" << -1 << MessageHelp::Command13;
        QTest::newRow("send column") << "Command15" << -1 << MessageHelp::Command15;
        QTest::newRow("preview") << "Command17" << -1 << MessageHelp::Command17;
    }
    void helpButtonsOpenTheirHelps()
    {
        QFETCH(QString, button);
        QFETCH(int, index);
        QFETCH(MessageHelp, message);
        Form1Harness harness;
        harness.start();
        harness.find<QPushButton>(button)->click();
        if (index < 0) {
            QCOMPARE(harness.messages, QStringList { messageHelpText(message) });
            return;
        }
        const Command1Help help = *command1Help(index);
        QDialog *shown = help.kind == HelpKind::Text ? static_cast<QDialog *>(HelpDialog::instance())
                                                     : static_cast<QDialog *>(HelpDialog1::instance());
        QVERIFY(shown && shown->isVisible());
        QCOMPARE(shown->windowTitle(), help.title);
        QVERIFY(harness.messages.isEmpty());
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
