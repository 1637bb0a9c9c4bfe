#include "form1_harness.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTimer>
#include <QtTest>

using namespace zorvan;
using zorvan::test::Form1Harness;

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

// Fails the store on demand, as a full disk or a read-only folder would.
class UnreadableBackend : public MemorySettingsBackend {
public:
    bool readable() const override { return false; }
};

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
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
        QVERIFY(!form.hiddenPanels().modePanel->isVisibleTo(&form));
        QVERIFY(!form.hiddenPanels().transmitterPanel->isVisibleTo(&form));
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
        QTest::newRow("PC Time") << "Label8"
                                 << "12:22:59"
                                 << "";
        QTest::newRow("PC date") << "Label21"
                                 << "12:22:59"
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
        QTest::newRow("preview label") << "Label10"
                                       << "        "
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
        for (int index : { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14 }) {
            auto *help = form.findChild<QPushButton *>(QStringLiteral("Command1_%1").arg(index));
            QVERIFY2(help, qPrintable(QString::number(index)));
            QCOMPARE(help->text(), QStringLiteral("?"));
            QCOMPARE(form.helpButton(index), help);
        }
        QVERIFY(!form.findChild<QPushButton *>(QStringLiteral("Command1_13")));
        QCOMPARE(form.findChild<QProgressBar *>("ProgressBar1")->maximum(), 21);
        QCOMPARE(form.findChild<QProgressBar *>("ProgressBar1")->minimum(), 0);
        QCOMPARE(harness.find<QStatusBar>("StatusBar1")->isVisible(), true);
        QCOMPARE(form.statusText(), QStringLiteral("Ready"));
        for (const char *timer : { "Timer1", "Timer2", "Timer6" })
            QVERIFY2(form.findChild<QTimer *>(timer)->isActive(), timer);
        QVERIFY(!form.findChild<QTimer *>("Timer5")->isActive());
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

    void defaultsAtFirstStart()
    {
        Form1Harness harness;
        harness.start();
        QCOMPARE(harness.find<QComboBox>("Combo2")->currentText(), QStringLiteral("C"));
        QCOMPARE(harness.find<QComboBox>("Combo1")->currentText(), QStringLiteral("L"));
        QCOMPARE(harness.find<QComboBox>("Combo3")->currentText(), QStringLiteral("128"));
        QCOMPARE(harness.find<QComboBox>("Combo6")->currentText(), QStringLiteral("E1"));
        QCOMPARE(harness.find<QComboBox>("Combo7")->currentText(), QStringLiteral("Pop Music"));
        for (const char *selected :
            { "Option3", "Option6", "Option8", "Option16", "Option13", "Option12", "Option9" })
            QVERIFY2(harness.find<QRadioButton>(selected)->isChecked(), selected);
        for (const char *cleared :
            { "Option4", "Option5", "Option7", "Option15", "Option14", "Option11", "Option10" })
            QVERIFY2(!harness.find<QRadioButton>(cleared)->isChecked(), cleared);
        QCOMPARE(harness.find<QComboBox>("Combo26")->currentText(), QStringLiteral("100"));
        QVERIFY(harness.find<QComboBox>("Combo26")->isEnabled());
        QVERIFY(harness.find<QComboBox>("Combo28")->isEnabled());
        for (const char *closed : { "Combo29", "Combo30", "Combo31", "Combo32", "Combo33" })
            QVERIFY2(!harness.find<QComboBox>(closed)->isEnabled(), closed);
        QVERIFY(harness.find<QRadioButton>("Option22")->isChecked());
        QVERIFY(harness.find<QCheckBox>("Check1")->isChecked());
        QVERIFY(!harness.find<QCheckBox>("Check5")->isChecked());
        // The first start writes the whole record.
        QCOMPARE(harness.stored("CountryCode"), QStringLiteral("12"));
        QCOMPARE(harness.stored("PSDelay100"), QStringLiteral("0"));
        QCOMPARE(harness.stored("GetMP3Tag"), QStringLiteral("c:\\SongName.txt"));
    }

    void startUpOrder()
    {
        Form1Harness harness;
        harness.store("CountryCode", "3");
        harness.store("TrayAtStart", "True");
        Form1 &form = harness.form();
        QStringList steps;
        using Step = Form1::StartUpStep;
        form.addStartUpHook(Step::LastSentText,
            [&] { steps << QStringLiteral("last sent, in tray %1").arg(form.isInTray()); });
        form.addStartUpHook(Step::Splash,
            [&] { steps << QStringLiteral("splash, country %1").arg(harness.settings.CountryCode); });
        form.addStartUpHook(
            Step::PlayerLookUp, [&] { steps << QStringLiteral("player, preview %1").arg(form.DspCount); });
        form.addStartUpHook(Step::FillControls, [&] {
            steps << QStringLiteral("fill, shown %1, preview timer %2")
                         .arg(harness.find<QComboBox>("Combo2")->currentText())
                         .arg(form.timers().preview->isActive());
        });
        form.DspCount = 7;
        form.setTrayAvailability([] { return true; });
        form.startUp();
        QCOMPARE(steps,
            QStringList({ "player, preview 0", "splash, country 12", "fill, shown 3, preview timer 0",
                "last sent, in tray 1" }));
    }

    void trayAtStartAndBack()
    {
        Form1Harness harness;
        harness.store("TrayAtStart", "True");
        Form1 &form = harness.form();
        form.setTrayAvailability([] { return true; });
        form.startUp();
        QVERIFY(!form.isVisible());
        QVERIFY(form.isInTray());
        QVERIFY(form.trayIcon()->isVisible());
        QVERIFY(form.timers().engine->isActive());

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

    void savesOnClose_data()
    {
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("close box") << false;
        QTest::newRow("E&xit") << true;
    }
    void savesOnClose()
    {
        QFETCH(bool, byMenu);
        Form1Harness harness;
        Form1 &form = harness.start();
        QSignalSpy ended(&form, &Form1::shutDown);
        harness.settings.RT = QStringLiteral("CHANGED BY THE ENGINE");
        if (byMenu)
            form.menus().exit->trigger();
        else
            form.close();
        QCOMPARE(harness.stored("RT"), QStringLiteral("CHANGED BY THE ENGINE"));
        QCOMPARE(ended.count(), 1);
        QVERIFY(!form.isVisible());
    }

    void savesOnDeactivation()
    {
        Form1Harness harness;
        Form1 &form = harness.start();
        harness.settings.RT = QStringLiteral("SAVED WHEN LEFT");
        QEvent deactivate(QEvent::WindowDeactivate);
        QApplication::sendEvent(&form, &deactivate);
        QCOMPARE(harness.stored("RT"), QStringLiteral("SAVED WHEN LEFT"));
    }

    void storeFailureToldOnce()
    {
        Form1Harness harness;
        Form1 &form = harness.start();
        harness.backend.failWrites = true;
        QTest::mouseClick(harness.find<QCheckBox>("Check1"), Qt::LeftButton);
        QVERIFY(form.statusText().contains("could not be saved"));
        form.setStatusText(QStringLiteral("Ready"));
        QTest::mouseClick(harness.find<QCheckBox>("Check1"), Qt::LeftButton);
        QCOMPARE(form.statusText(), QStringLiteral("Ready"));

        harness.backend.failWrites = false;
        QTest::mouseClick(harness.find<QCheckBox>("Check1"), Qt::LeftButton);
        QCOMPARE(form.statusText(), QStringLiteral("Ready"));
        harness.backend.failWrites = true;
        QTest::mouseClick(harness.find<QCheckBox>("Check1"), Qt::LeftButton);
        QVERIFY(form.statusText().contains("could not be saved"));
    }

    void unreadableStoreTold()
    {
        UnreadableBackend backend;
        StationSettings settings;
        Form1 form(settings, backend);
        form.setTrayAvailability([] { return false; });
        form.startUp();
        QVERIFY(form.statusText().contains("could not be read"));
        // The file is left as it is until the operator changes a setting.
        QCOMPARE(backend.writeCount, 0);
        QEvent deactivate(QEvent::WindowDeactivate);
        QApplication::sendEvent(&form, &deactivate);
        QCOMPARE(backend.writeCount, 0);
        QTest::mouseClick(form.findChild<QCheckBox *>("Check5"), Qt::LeftButton);
        QCOMPARE(backend.read(kSettingsSection, "TrayAtStart"), std::optional<QString>("True"));
        QCOMPARE(backend.read(kSettingsSection, "CountryCode"), std::optional<QString>("12"));
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
