#include "content/programme_text_upload.h"
#include "memory_settings_backend.h"
#include "link/clock_sync.h"
#include "link/com_port_map.h"
#include "link/link_failure_message.h"
#include "link/mode_command.h"
#include "link/settings_upload.h"
#include "plan_over_pty.h"
#include "settings/settings_store.h"
#include "testsupport.h"
#include "ui/driver.h"
#include "ui/help_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace zorvan;
using namespace std::chrono_literals;
using zorvan::test::PtyReader;

namespace {

// The plan a button sends, built from what the window shows: the fields
// of the record's editors as they stand.
Transmission settingsPlan(Form1 &form, const StationSettings &record)
{
    SettingsUploadInput input;
    input.settings = record;
    input.rdsActive = form.findChild<QCheckBox *>(QStringLiteral("Check1"))->isChecked();
    const char *afLists[] = { "Combo26", "Combo28", "Combo29", "Combo30", "Combo31", "Combo32", "Combo33" };
    for (std::size_t i = 0; i < input.afTexts.size(); ++i)
        input.afTexts[i] = form.findChild<QComboBox *>(QLatin1String(afLists[i]))->currentText();
    input.firstLabel = form.findChild<QLineEdit *>(QStringLiteral("Text7_0"))->text();
    return SendSettings(input).plan;
}

Transmission programmeTextPlan(Form1 &form, const StationSettings &record)
{
    ProgrammeTextSnapshot snapshot;
    snapshot.RT = record.RT;
    snapshot.MG = record.MG;
    for (std::size_t i = 0; i < snapshot.labels.size(); ++i) {
        snapshot.labels[i] = form.findChild<QLineEdit *>(QStringLiteral("Text7_%1").arg(i))->text();
        snapshot.delays[i] = form.findChild<QComboBox *>(QStringLiteral("Combo5_%1").arg(i))->currentText();
    }
    return SendRtAndPs(snapshot);
}

QStringList enabledUploadButtons(Form1 &form)
{
    QStringList names;
    for (const char *name : { "Command12", "Command10", "Command11" }) {
        if (form.findChild<QPushButton *>(QLatin1String(name))->isEnabled())
            names << QLatin1String(name);
    }
    return names;
}

// The splash has closed and the window shows the record.
bool startUp(Driver &driver)
{
    QSignalSpy started(&driver.window(), &Form1::startedUp);
    driver.startUp();
    return started.wait(30000);
}

} // namespace

class TestButtonsEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_messages.clear();
        m_previousSink = setMessageSink([this](QWidget *, const QString &text) { m_messages << text; });
    }
    void cleanup() { setMessageSink(m_previousSink); }

    // The whole program around a pseudo-terminal on COM1: a press of the
    // real button puts its plan on the line with every pause kept, and the
    // window is back at rest afterwards.
    void buttonOverAPseudoTerminal_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("Send settings") << "Command12";
        QTest::newRow("Synchronize time") << "Command11";
        QTest::newRow("Set MODE") << "CommandSetMode";
        QTest::newRow("Send RT and PS") << "Command10";
    }
    void buttonOverAPseudoTerminal()
    {
        QFETCH(QString, button);
        test::IsolatedConfig config;
        PtyReader board;
        if (!board.isValid())
            QSKIP("no pseudo-terminal available on this machine");

        MemorySettingsBackend backend;
        backend.write(kSettingsSection, QStringLiteral("RTSwitch"), QStringLiteral("0"));
        backend.write(kSettingsSection, QStringLiteral("MODE"), QStringLiteral("4"));
        backend.write(kSettingsSection, QStringLiteral("RT"), QString::fromUtf8("CAFÉ RADIO"));
        backend.write(kSettingsSection, QStringLiteral("PS5"), QString::fromUtf8("ÉTÉ 26  "));
        setComPortDevice(backend, 1, board.slavePath());
        Driver driver(backend);
        QVERIFY(startUp(driver));
        Form1 &form = driver.window();
        QSignalSpy finished(&driver.link(), &EncoderLink::finished);

        std::vector<Transmission> candidates;
        const QDateTime before = QDateTime::currentDateTime();
        if (button == "Command12")
            candidates.push_back(settingsPlan(form, driver.station().record()));
        else if (button == "Command10")
            candidates.push_back(programmeTextPlan(form, driver.station().record()));
        else if (button == "CommandSetMode")
            candidates.push_back(SetMode(4));

        form.findChild<QPushButton *>(button)->click();
        QVERIFY(driver.link().busy());
        if (button == "Command11") {
            // The clock was read at the press, somewhere in this second or
            // the next.
            const QDateTime after = QDateTime::currentDateTime();
            for (QDateTime t = before.addMSecs(-before.time().msec()); t <= after; t = t.addSecs(1))
                candidates.push_back(*SynchronizeClock(t).plan);
        }
        if (button != "CommandSetMode")
            QCOMPARE(enabledUploadButtons(form), QStringList { button });

        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.first().first().value<LinkOutcome>(), LinkOutcome::Sent);

        const auto sent = std::find_if(candidates.begin(), candidates.end(), [&](const Transmission &plan) {
            return board.waitForBytes(plan.bytes().size(), 5s) && board.bytes() == plan.bytes();
        });
        QVERIFY2(sent != candidates.end(), board.bytes().toHex(' ').constData());
        const QStringList tooShort = test::shortSilences(*sent, board);
        QVERIFY2(tooShort.isEmpty(), qPrintable(tooShort.join('\n')));

        QCOMPARE(enabledUploadButtons(form).size(), 3);
        QCOMPARE(form.statusText(), QStringLiteral("Ready"));
        QCOMPARE(form.findChild<QProgressBar *>(QStringLiteral("ProgressBar1"))->value(), 0);
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
    }

    // COM1 naming a device that is not there: the one message, through the
    // system's own serial port.
    void missingDevice()
    {
        test::IsolatedConfig config;
        MemorySettingsBackend backend;
        backend.write(kSettingsSection, QStringLiteral("RTSwitch"), QStringLiteral("0"));
        setComPortDevice(backend, 1, config.path() + QStringLiteral("/no-such-board"));
        Driver driver(backend);
        QVERIFY(startUp(driver));
        QSignalSpy finished(&driver.link(), &EncoderLink::finished);

        driver.window().findChild<QPushButton *>(QStringLiteral("Command12"))->click();
        QVERIFY(finished.wait(10000));
        QCOMPARE(m_messages,
            QStringList {
                "The selected COM port does not exist, please select another port under File > Setup" });
        QCOMPARE(enabledUploadButtons(driver.window()).size(), 3);
    }

private:
    QStringList m_messages;
    MessageSink m_previousSink;
};

QTEST_MAIN(TestButtonsEndToEnd)
#include "tst_buttons_e2e.moc"
