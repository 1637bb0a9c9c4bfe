#include "fake_player_transport.h"
#include "form1_harness.h"
#include "link/memory_serial_port.h"
#include "ui/driver.h"
#include "ui/frm_about.h"
#include "ui/frm_setup.h"
#include "ui/help_dialog.h"
#include "ui/help_support.h"
#include "ui/help_texts.h"
#include "ui/shell_wiring.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

using namespace zorvan;
using zorvan::test::FakePlayerTransport;
using zorvan::test::Form1Harness;

Q_DECLARE_METATYPE(zorvan::HelpKind)
Q_DECLARE_METATYPE(zorvan::HelpPicture)

namespace {

const QString kLf = QString(QChar(10));
const QString kHelpForCountries = QStringLiteral("Help for ECC and country code");
const QString kHelpForTraffic = QStringLiteral("Help for TA and TP");

void closeSecondaryWindows()
{
    if (FrmAbout *about = FrmAbout::instance()) {
        about->stepTimer()->stop();
        while (FrmAbout::instance() && FrmAbout::instance()->isVisible())
            FrmAbout::instance()->tick();
    }
    if (FrmSetup *setup = FrmSetup::instance())
        setup->close();
    if (HelpDialog *help = HelpDialog::instance())
        help->close();
    if (HelpDialog1 *help = HelpDialog1::instance())
        help->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

template <class Window> int visibleWindows()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<Window *>(widget) && widget->isVisible())
            ++count;
    }
    return count;
}

// The window the menu item opened, with its timer held so that an About
// window cannot close itself while a test looks at it.
QWidget *openedWindow(const QString &item)
{
    if (item == QLatin1String("SetupMnu"))
        return FrmSetup::instance();
    FrmAbout *about = FrmAbout::instance();
    if (about)
        about->stepTimer()->stop();
    return about;
}

std::shared_ptr<PlayerTransport> noPlayer()
{
    return std::make_shared<FakePlayerTransport>();
}

QAction *menuItem(Form1 &form, const QString &item)
{
    return item == QLatin1String("SetupMnu") ? form.menus().setup : form.menus().about;
}

// Notes the pointer shape each secondary window is shown with.
class ShowWatcher : public QObject {
public:
    ShowWatcher() { qApp->installEventFilter(this); }
    ~ShowWatcher() override { qApp->removeEventFilter(this); }

    QStringList shown;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (event->type() == QEvent::Show && widget && widget->isWindow()) {
            const QCursor *pointer = QApplication::overrideCursor();
            const bool busy = pointer && pointer->shape() == Qt::WaitCursor;
            shown << widget->objectName() + (busy ? QStringLiteral(" busy") : QStringLiteral(" plain"));
        }
        return false;
    }
};

} // namespace

class TestShellWiring : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { closeSecondaryWindows(); }

    void helpButtonsOpenTheirHelp_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<HelpKind>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<HelpPicture>("picture");

        const auto text = [](int index, const char *title, const char *heading) {
            QTest::addRow("%d %s", index, heading) << index << HelpKind::Text << QString::fromUtf8(title)
                                                   << QString::fromUtf8(heading) << HelpPicture::Countries;
        };
        const auto picture = [](int index, const QString &title, HelpPicture shown, const char *what) {
            QTest::addRow("%d %s", index, what) << index << HelpKind::Picture << title << QString() << shown;
        };
        picture(0, kHelpForCountries, HelpPicture::Countries, "country table");
        picture(1, kHelpForCountries, HelpPicture::CoverageAreas, "coverage-area table");
        text(2, "Help for PI - Program reference", "PI - Programme Reference");
        text(3, "TP - Traffic program identification", "TP - Traffic program identification");
        picture(4, kHelpForTraffic, HelpPicture::TrafficFlags, "traffic table from TA");
        text(5, "Music/speech switch", "Music/speech switch");
        picture(6, kHelpForTraffic, HelpPicture::TrafficFlags, "traffic table from TP");
        text(7, "PTY - Program type\"", "PTY - Program type");
        text(8, "AF - Alternative frequencies", "AF - Alternative frequencies");
        text(9, "DI - Decoder information", "DI - Decoder identification");
        text(10, "PS - Program service name", "PS - Program service name");
        text(11, "RT - Radio Text", "RT - Radio Text");
        text(12, "Automatic PS", "Automatic PS update");
        picture(14, kHelpForCountries, HelpPicture::Countries, "country table from ECC");
    }
    void helpButtonsOpenTheirHelp()
    {
        QFETCH(int, index);
        QFETCH(HelpKind, kind);
        QFETCH(QString, title);
        QFETCH(QString, heading);
        QFETCH(HelpPicture, picture);

        Form1Harness h;
        ShellWiring wiring(h.form(), h.settings, h.backend, noPlayer());
        auto *button = h.find<QPushButton>(QStringLiteral("Command1_%1").arg(index));
        QVERIFY(button);
        // The transmitter panel is never shown; its button still has its help.
        button->click();

        QDialog *window = nullptr;
        if (kind == HelpKind::Text) {
            QVERIFY(!HelpDialog1::instance());
            QVERIFY(HelpDialog::instance());
            QCOMPARE(HelpDialog::instance()->heading(), heading);
            window = HelpDialog::instance();
        } else {
            QVERIFY(!HelpDialog::instance());
            QVERIFY(HelpDialog1::instance());
            QCOMPARE(HelpDialog1::instance()->visiblePicture(), picture);
            window = HelpDialog1::instance();
        }
        QCOMPARE(window->windowTitle(), title);
        QVERIFY(window->isVisible());
        QVERIFY(!window->isModal());
        QCOMPARE(window->parentWidget(), &h.form());
        QVERIFY(!QApplication::overrideCursor());
    }

    // Guards the table above: a button added to the window without a row
    // would otherwise go untested.
    void everyHelpButtonHasARow()
    {
        Form1Harness h;
        QStringList names;
        for (QPushButton *button : h.form().findChildren<QPushButton *>()) {
            if (button->objectName().startsWith(QLatin1String("Command1_")))
                names << button->objectName();
        }
        names.sort();
        QStringList expected;
        for (int index : { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14 })
            expected << QStringLiteral("Command1_%1").arg(index);
        expected.sort();
        QCOMPARE(names, expected);
    }

    void helpWindowsAreShared()
    {
        Form1Harness h;
        ShellWiring wiring(h.form(), h.settings, h.backend, noPlayer());
        h.find<QPushButton>(QStringLiteral("Command1_0"))->click();
        HelpDialog1 *pictures = HelpDialog1::instance();
        h.find<QPushButton>(QStringLiteral("Command1_1"))->click();
        QCOMPARE(HelpDialog1::instance(), pictures);
        QCOMPARE(HelpDialog1::instance()->visiblePicture(), HelpPicture::CoverageAreas);
        QCOMPARE(HelpDialog1::instance()->windowTitle(), kHelpForCountries);
        QCOMPARE(visibleWindows<HelpDialog1>(), 1);

        h.find<QPushButton>(QStringLiteral("Command1_2"))->click();
        HelpDialog *texts = HelpDialog::instance();
        h.find<QPushButton>(QStringLiteral("Command1_10"))->click();
        QCOMPARE(HelpDialog::instance(), texts);
        QCOMPARE(HelpDialog::instance()->heading(), QStringLiteral("PS - Program service name"));
        QCOMPARE(visibleWindows<HelpDialog>(), 1);
        // Both kinds stay open side by side.
        QCOMPARE(visibleWindows<HelpDialog1>(), 1);
    }

    void messageHelps_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("message");
        QTest::newRow("external messages")
            << QStringLiteral("Command3")
            << QStringLiteral("To activate these messages attach 8 switches to header J10 (EXTMSG).") + kLf
                + QStringLiteral("These switches must be going to ground from each of the 8 pins and are "
                                 "activated when you ground the corresponding pin.")
                + kLf + kLf + QStringLiteral("Message is scrolled, if larger than 8 characters!");
        QTest::newRow("computer clock")
            << QStringLiteral("Command13")
            << QStringLiteral("Click to Synchronize RDS RTC (Real Time Clock) with current PC clock");
        QTest::newRow("send column") << QStringLiteral("Command15")
                                     << QStringLiteral("Click Systry to move this program into taskbar") + kLf
                + kLf
                + QStringLiteral("Use Send settings to send parameter values + PS00 and RT to RDS encoder")
                + kLf + kLf
                + QStringLiteral("Use Send RT and PS to send all PS and RT parameters to RDS encoder");
        QTest::newRow("preview") << QStringLiteral("Command17")
                                 << QStringLiteral("This window shows PS and RT preview") + kLf + kLf
                + QStringLiteral("Select desired preview type by clicking appropriate radio button.");
    }
    void messageHelps()
    {
        QFETCH(QString, button);
        QFETCH(QString, message);

        Form1Harness h;
        ShellWiring wiring(h.form(), h.settings, h.backend, noPlayer());
        QStringList shown;
        QList<QWidget *> parents;
        const MessageSink previous = setMessageSink([&](QWidget *over, const QString &text) {
            parents << over;
            shown << text;
        });
        h.find<QPushButton>(button)->click();
        setMessageSink(previous);

        QCOMPARE(shown, QStringList { message });
        QCOMPARE(parents.value(0), &h.form());
        QVERIFY(!HelpDialog::instance());
        QVERIFY(!HelpDialog1::instance());
    }

    void menusOpenOneWindowEach_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("window");
        QTest::newRow("File > Setup") << QStringLiteral("SetupMnu") << QStringLiteral("FrmSetup");
        QTest::newRow("Help > About") << QStringLiteral("Aboutmnu") << QStringLiteral("FrmAbout");
    }
    void menusOpenOneWindowEach()
    {
        QFETCH(QString, item);
        QFETCH(QString, window);

        Form1Harness h;
        ShellWiring wiring(h.form(), h.settings, h.backend, noPlayer());
        ShowWatcher watcher;
        menuItem(h.form(), item)->trigger();
        QWidget *first = openedWindow(item);
        QVERIFY(first);
        menuItem(h.form(), item)->trigger();
        QCOMPARE(openedWindow(item), first);

        QCOMPARE(first->objectName(), window);
        QVERIFY(first->isVisible());
        QVERIFY(!first->isModal());
        QCOMPARE(first->parentWidget(), &h.form());
        QCOMPARE(visibleWindows<FrmSetup>() + visibleWindows<FrmAbout>(), 1);
        // Loaded under the busy pointer once, and the pointer is back after.
        QCOMPARE(watcher.shown, QStringList { window + QStringLiteral(" busy") });
        QVERIFY(!QApplication::overrideCursor());
    }

    void setupSavesThroughTheMainWindow()
    {
        Form1Harness h;
        h.store(QStringLiteral("COMSpeed"), QStringLiteral("2"));
        ShellWiring wiring(h.form(), h.settings, h.backend, noPlayer());
        h.form().menus().setup->trigger();
        auto *speed = FrmSetup::instance()->findChild<QComboBox *>(QStringLiteral("Combo1"));
        QVERIFY(speed);
        speed->setCurrentText(QStringLiteral("38400"));
        QCOMPARE(h.settings.COMSpeed, qint16(4));
        QCOMPARE(h.stored(QStringLiteral("COMSpeed")), QStringLiteral("4"));
    }

    // The main window stops being the active window when the dialog comes
    // up, and that saves the whole record.
    void openingFromTheMenuSaves_data()
    {
        QTest::addColumn<QString>("item");
        QTest::newRow("File > Setup") << QStringLiteral("SetupMnu");
        QTest::newRow("Help > About") << QStringLiteral("Aboutmnu");
    }
    void openingFromTheMenuSaves()
    {
        QFETCH(QString, item);

        Form1Harness h;
        ShellWiring wiring(h.form(), h.settings, h.backend, noPlayer());
        h.start();
        h.form().activateWindow();
        if (!QTest::qWaitForWindowActive(&h.form()))
            QSKIP("this platform does not activate windows");
        h.backend.writeCount = 0;

        menuItem(h.form(), item)->trigger();
        QWidget *opened = openedWindow(item);
        QVERIFY(opened);
        QTRY_VERIFY(!h.form().isActiveWindow());
        QVERIFY(h.backend.writeCount > 0);
        QCOMPARE(h.stored(QStringLiteral("RT")), h.settings.RT);
        QCOMPARE(h.stored(QStringLiteral("COMSelected")), QString::number(h.settings.COMSelected));
    }

    void startUpOrder_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("playerRunning");
        QTest::addColumn<QStringList>("searched");
        QTest::addColumn<bool>("found");
        const QString v1 = QStringLiteral("Winamp v1.x");
        QTest::newRow("player running: one look-up at creation") << v1 << true << QStringList { v1 } << true;
        QTest::newRow("player absent: looked up once more") << v1 << false << QStringList { v1, v1 } << false;
        QTest::newRow("studio searches its own class")
            << QStringLiteral("studio") << true << QStringList { QStringLiteral("STUDIO") } << true;
        QTest::newRow("default version searches nothing") << QString() << true << QStringList() << false;
    }
    void startUpOrder()
    {
        QFETCH(QString, version);
        QFETCH(bool, playerRunning);
        QFETCH(QStringList, searched);
        QFETCH(bool, found);

        Form1Harness h;
        const QString storedText = QStringLiteral("RADIO TEXT FROM THE STORE");
        h.store(QStringLiteral("RT"), storedText);
        if (!version.isEmpty())
            h.store(QStringLiteral("WinAmpVersion"), version);
        auto player = std::make_shared<FakePlayerTransport>();
        if (playerRunning) {
            player->windows.insert(QStringLiteral("Winamp v1.x"), 0x1001);
            player->windows.insert(QStringLiteral("STUDIO"), 0x1002);
        }
        Form1 &form = h.form();
        ShellWiring wiring(form, h.settings, h.backend, player);

        QStringList steps;
        form.addStartUpHook(Form1::StartUpStep::PlayerLookUp, [&] {
            steps << QStringLiteral("look-up");
            QCOMPARE(player->searchedClasses, searched);
            QVERIFY(!FrmAbout::instance() && visibleWindows<FrmAbout>() == 0);
        });
        // Runs only once an event loop turns: inside the modal splash.
        QTimer probe;
        probe.setSingleShot(true);
        connect(&probe, &QTimer::timeout, this, [&] {
            auto *splash = qobject_cast<FrmAbout *>(QApplication::activeModalWidget());
            if (!splash)
                return;
            steps << QStringLiteral("splash");
            QVERIFY(!form.isVisible());
            QVERIFY(h.settings.RT != storedText);
            QVERIFY(!splash->parentWidget());
            const QPoint offCentre
                = splash->frameGeometry().center() - splash->screen()->availableGeometry().center();
            QVERIFY2(offCentre.manhattanLength() <= 2, "the splash is centred on the screen");
            auto *bar = splash->findChild<QProgressBar *>(QStringLiteral("ProgressBar1"));
            QVERIFY(bar);
            QCOMPARE(splash->childAt(bar->geometry().center()), bar);
        });
        probe.start(0);
        form.addStartUpHook(Form1::StartUpStep::Splash, [&] {
            steps << QStringLiteral("splash closed");
            QCOMPARE(visibleWindows<FrmAbout>(), 0);
            QVERIFY(h.settings.RT != storedText);
        });
        form.addStartUpHook(Form1::StartUpStep::FillControls, [&] {
            steps << QStringLiteral("filled");
            QCOMPARE(h.settings.RT, storedText);
        });

        h.start();

        QCOMPARE(steps,
            (QStringList { QStringLiteral("look-up"), QStringLiteral("splash"),
                QStringLiteral("splash closed"), QStringLiteral("filled") }));
        QVERIFY(form.isVisible());
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(wiring.player());
        QCOMPARE(wiring.player()->GotWnd(), found);
        QCOMPARE(player->searchedClasses, searched);
        // The link only looks the player up; it asks it nothing.
        QVERIFY(player->sent.isEmpty());
    }

    // The program's own composition carries the shell: its menus and help
    // buttons work without any test wiring.
    void driverWiresTheShell()
    {
        MemorySettingsBackend backend;
        Driver driver(backend, std::make_unique<MemorySerialPort>());
        driver.window().menus().about->trigger();
        QVERIFY(openedWindow(QStringLiteral("Aboutmnu")));
        driver.window().findChild<QPushButton *>(QStringLiteral("Command1_11"))->click();
        QVERIFY(HelpDialog::instance());
        QCOMPARE(HelpDialog::instance()->windowTitle(), QStringLiteral("RT - Radio Text"));
        closeSecondaryWindows();
        driver.window().menus().setup->trigger();
        QVERIFY(FrmSetup::instance());
        closeSecondaryWindows();
    }
};

QTEST_MAIN(TestShellWiring)
#include "tst_shell_wiring.moc"
