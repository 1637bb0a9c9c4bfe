#include "form1_harness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace zorvan;
using zorvan::test::Form1Harness;

namespace {

void typeInto(QComboBox *list, const QString &text)
{
    list->lineEdit()->selectAll();
    QTest::keyClick(list->lineEdit(), Qt::Key_Backspace);
    // Control characters cannot be typed as key events: they arrive pasted.
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20; }))
        list->lineEdit()->insert(text);
    else
        QTest::keyClicks(list->lineEdit(), text);
}

void typeInto(QLineEdit *field, const QString &text)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

QString afName(int n)
{
    static const char *names[]
        = { "Combo26", "Combo28", "Combo29", "Combo30", "Combo31", "Combo32", "Combo33" };
    return QLatin1String(names[n - 1]);
}

} // namespace

class TestForm1Editors : public QObject {
    Q_OBJECT

private slots:
    void piSelectorsByTyping_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::newRow("country A is 10") << "Combo2"
                                         << "A"
                                         << "CountryCode"
                                         << "10";
        QTest::newRow("country lower a is no entry") << "Combo2"
                                                     << "a"
                                                     << "CountryCode"
                                                     << "12";
        QTest::newRow("area R1 stores 4") << "Combo1"
                                          << "R1"
                                          << "AreaCoverage"
                                          << "4";
        QTest::newRow("area R12 stores 15") << "Combo1"
                                            << "R12"
                                            << "AreaCoverage"
                                            << "15";
        QTest::newRow("area nonsense keeps L") << "Combo1"
                                               << "X9"
                                               << "AreaCoverage"
                                               << "0";
        QTest::newRow("ECC E0 stores 1") << "Combo6"
                                         << "E0"
                                         << "ECC"
                                         << "1";
        QTest::newRow("ECC E4 stores 5") << "Combo6"
                                         << "E4"
                                         << "ECC"
                                         << "5";
        QTest::newRow("PTY Alarm stores 31") << "Combo7"
                                             << "Alarm"
                                             << "PTY"
                                             << "31";
        QTest::newRow("PTY Undefined stores 0") << "Combo7"
                                                << "Undefined"
                                                << "PTY"
                                                << "0";
        QTest::newRow("PTY frame bytes match nothing") << "Combo7" << QString("\x01\x02") << "PTY"
                                                       << "10";
    }
    void piSelectorsByTyping()
    {
        QFETCH(QString, list);
        QFETCH(QString, typed);
        QFETCH(QString, key);
        QFETCH(QString, stored);
        Form1Harness harness;
        harness.start();
        auto *selector = harness.find<QComboBox>(list);
        QVERIFY(selector && selector->isEditable());
        const int writesBefore = harness.backend.writeCount;
        typeInto(selector, typed);
        QTest::keyClick(selector->lineEdit(), Qt::Key_Tab);
        QCOMPARE(harness.stored(key), stored);
        // Saved even when the text matched nothing.
        QVERIFY(harness.backend.writeCount > writesBefore);
    }

    void programReferenceByPosition_data()
    {
        QTest::addColumn<int>("position");
        QTest::newRow("first") << 0;
        QTest::newRow("five") << 5;
        QTest::newRow("last") << 255;
    }
    void programReferenceByPosition()
    {
        QFETCH(int, position);
        Form1Harness harness;
        harness.start();
        auto *reference = harness.find<QComboBox>("Combo3");
        QVERIFY(!reference->isEditable());
        reference->setCurrentIndex(position);
        QCOMPARE(harness.stored("ProgramReference"), QString::number(position));
        QCOMPARE(reference->currentText(), QString::number(position));
    }

    void flagPairs_data()
    {
        QTest::addColumn<QString>("clicked");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::newRow("TP 1") << "Option4"
                              << "TP"
                              << "1";
        QTest::newRow("TP 0") << "Option3"
                              << "TP"
                              << "0";
        QTest::newRow("TA 1") << "Option5"
                              << "TA"
                              << "1";
        QTest::newRow("TA 0") << "Option6"
                              << "TA"
                              << "0";
        QTest::newRow("speech") << "Option7"
                                << "MS"
                                << "0";
        QTest::newRow("music") << "Option8"
                               << "MS"
                               << "1";
        QTest::newRow("mono") << "Option15"
                              << "DId0"
                              << "0";
        QTest::newRow("stereo") << "Option16"
                                << "DId0"
                                << "1";
        QTest::newRow("no artificial head") << "Option14"
                                            << "DId1"
                                            << "0";
        QTest::newRow("artificial head") << "Option13"
                                         << "DId1"
                                         << "1";
        QTest::newRow("not compressed") << "Option11"
                                        << "DId2"
                                        << "0";
        QTest::newRow("compressed") << "Option12"
                                    << "DId2"
                                    << "1";
        QTest::newRow("static PTY") << "Option10"
                                    << "DId3"
                                    << "0";
        QTest::newRow("dynamic PTY") << "Option9"
                                     << "DId3"
                                     << "1";
    }
    void flagPairs()
    {
        QFETCH(QString, clicked);
        QFETCH(QString, key);
        QFETCH(QString, stored);
        Form1Harness harness;
        // Start from the other value so that the click has to change it.
        harness.store(key, stored == "1" ? "0" : "1");
        harness.start();
        auto *button = harness.find<QRadioButton>(clicked);
        QVERIFY(button && !button->isChecked());
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(button->isChecked());
        QCOMPARE(harness.stored(key), stored);
    }

    void afPickStoresTheCode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        QTest::newRow("87.6 is 1") << "87.6"
                                   << "1";
        QTest::newRow("100 is 125") << "100"
                                    << "125";
        QTest::newRow("107.9 is 204") << "107.9"
                                      << "204";
    }
    void afPickStoresTheCode()
    {
        QFETCH(QString, text);
        QFETCH(QString, stored);
        Form1Harness harness;
        harness.store("AF1", "1");
        harness.start();
        auto *af1 = harness.find<QComboBox>(afName(1));
        QVERIFY(!af1->isEditable());
        QCOMPARE(af1->count(), 205);
        af1->setCurrentIndex(af1->findText(text));
        QCOMPARE(harness.stored("AF1"), stored);
    }

    void afClearingAf3ClearsTheRest()
    {
        Form1Harness harness;
        for (int n = 1; n <= 7; ++n)
            harness.store(QStringLiteral("AF%1").arg(n), QString::number(n * 10));
        harness.start();
        for (int n = 1; n <= 7; ++n)
            QVERIFY(harness.find<QComboBox>(afName(n))->isEnabled());

        harness.find<QComboBox>(afName(3))->setCurrentIndex(0);

        QCOMPARE(harness.stored("AF1"), QStringLiteral("10"));
        QCOMPARE(harness.stored("AF2"), QStringLiteral("20"));
        for (int n = 3; n <= 7; ++n) {
            auto *list = harness.find<QComboBox>(afName(n));
            QCOMPARE(harness.stored(QStringLiteral("AF%1").arg(n)), QStringLiteral("0"));
            QCOMPARE(list->currentText(), QStringLiteral("empty"));
            if (n > 3)
                QVERIFY2(!list->isEnabled(), qPrintable(afName(n)));
        }
        QVERIFY(harness.find<QComboBox>(afName(3))->isEnabled());

        // A frequency in AF3 opens AF4 again, and only AF4.
        harness.find<QComboBox>(afName(3))->setCurrentIndex(5);
        QVERIFY(harness.find<QComboBox>(afName(4))->isEnabled());
        QVERIFY(!harness.find<QComboBox>(afName(5))->isEnabled());
    }

    void afStoredGapClosesAtStartUp()
    {
        Form1Harness harness;
        harness.store("AF1", "125");
        harness.store("AF2", "0");
        harness.store("AF3", "5");
        harness.store("AF7", "9");
        harness.start();
        QCOMPARE(harness.stored("AF1"), QStringLiteral("125"));
        for (int n = 2; n <= 7; ++n)
            QCOMPARE(harness.stored(QStringLiteral("AF%1").arg(n)), QStringLiteral("0"));
        QVERIFY(harness.find<QComboBox>(afName(2))->isEnabled());
        for (int n = 3; n <= 7; ++n) {
            QVERIFY(!harness.find<QComboBox>(afName(n))->isEnabled());
            QCOMPARE(harness.find<QComboBox>(afName(n))->currentText(), QStringLiteral("empty"));
        }
    }

    void labelCommit_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Return") << "return";
        QTest::newRow("click into a label") << "click";
        QTest::newRow("focus leaves") << "focus";
    }
    void labelCommit()
    {
        QFETCH(QString, how);
        Form1Harness harness;
        harness.store("PS20", "ab"); // stored short: fitted at the first commit
        harness.start();
        auto *label5 = harness.find<QLineEdit>("Text7_5");
        auto *label40 = harness.find<QLineEdit>("Text7_40");
        QCOMPARE(harness.find<QLineEdit>("Text7_20")->text(), QStringLiteral("ab"));
        typeInto(label5, "abc");
        label40->setText("ABCDEFGHIJKL");
        if (how == "return") {
            QTest::keyClick(label5, Qt::Key_Return);
        } else if (how == "click") {
            QTest::mouseClick(harness.find<QLineEdit>("Text7_99"), Qt::LeftButton);
        } else {
            QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(label5, &leave);
        }
        QCOMPARE(label5->text(), QStringLiteral("abc     "));
        QCOMPARE(harness.stored("PS5"), QStringLiteral("abc     "));
        QCOMPARE(label40->text(), QStringLiteral("ABCDEFGH"));
        QCOMPARE(harness.stored("PS40"), QStringLiteral("ABCDEFGH"));
        QCOMPARE(harness.stored("PS20"), QStringLiteral("ab      "));
    }

    void labelWithFrameBytes()
    {
        Form1Harness harness;
        harness.start();
        auto *label = harness.find<QLineEdit>("Text7_1");
        label->setText(QString::fromLatin1("\x00\x01\x02xyz\x02\x01\x00zz", 12));
        QTest::keyClick(label, Qt::Key_Return);
        QCOMPARE(label->text().size(), 8);
        QCOMPARE(harness.settings.PS[1].size(), 8);
        QCOMPARE(harness.stored("PS1").size(), 8);
        QVERIFY(harness.settings.PS[1].contains("xyz"));
    }

    void delayPickCommitsEveryDelay()
    {
        Form1Harness harness;
        harness.start();
        harness.find<QComboBox>("Combo5_7")->setCurrentIndex(5);
        QCOMPARE(harness.stored("PSDelay7"), QStringLiteral("5"));
        harness.find<QComboBox>("Combo13")->setCurrentIndex(4);
        QCOMPARE(harness.stored("AutoPSDelay"), QStringLiteral("4"));
        harness.find<QComboBox>("Combo15")->setCurrentIndex(3);
        QCOMPARE(harness.stored("SETTOSAMEDELAY"), QStringLiteral("3"));
        for (const char *name : { "Combo5_0", "Combo5_99", "Combo13", "Combo15" })
            QVERIFY2(!harness.find<QComboBox>(name)->isEditable(), name);
    }

    void setAllTo_data()
    {
        QTest::addColumn<int>("position");
        QTest::newRow("0 switches every label off") << 0;
        QTest::newRow("7") << 7;
    }
    void setAllTo()
    {
        QFETCH(int, position);
        Form1Harness harness;
        harness.store("PSDelay100", "6");
        harness.start();
        harness.find<QComboBox>("Combo15")->setCurrentIndex(position);
        QTest::mouseClick(harness.find<QPushButton>("Command8"), Qt::LeftButton);
        for (int i = 0; i < kLabelCount; ++i) {
            const QString key = i == 0 ? QStringLiteral("PSDelay") : QStringLiteral("PSDelay%1").arg(i);
            QCOMPARE(harness.stored(key), QString::number(position));
            QCOMPARE(harness.find<QComboBox>(QStringLiteral("Combo5_%1").arg(i))->currentIndex(), position);
        }
        QCOMPARE(harness.stored("PSDelay100"), QStringLiteral("6"));
    }

    void messageFitting_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("whileTyping");
        QTest::newRow("MSG1 on leaving") << "Text4"
                                         << "MG0" << false;
        QTest::newRow("MSG3 on leaving") << "Text6"
                                         << "MG2" << false;
        QTest::newRow("MSG4 while typing") << "Text8"
                                           << "MG3" << true;
        QTest::newRow("MSG8 while typing") << "Text12"
                                           << "MG7" << true;
    }
    void messageFitting()
    {
        QFETCH(QString, field);
        QFETCH(QString, key);
        QFETCH(bool, whileTyping);
        Form1Harness harness;
        harness.start();
        auto *message = harness.find<QLineEdit>(field);
        const QString typed(70, QLatin1Char('q'));
        const QString held(64, QLatin1Char('Q'));
        typeInto(message, typed);
        if (whileTyping) {
            QCOMPARE(message->text(), held);
            QCOMPARE(harness.stored(key), held);
        } else {
            QCOMPARE(message->text(), typed);
            QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(message, &leave);
            QCOMPARE(message->text(), held);
            QCOMPARE(harness.stored(key), held);
            typeInto(message, "again");
            QTest::mouseClick(message, Qt::LeftButton);
            QCOMPARE(harness.stored(key), QStringLiteral("AGAIN"));
        }
    }

    void messagesAtStartUp()
    {
        Form1Harness harness;
        harness.start();
        for (int k = 0; k < 3; ++k)
            QCOMPARE(harness.stored(QStringLiteral("MG%1").arg(k)),
                QStringLiteral("External message %1, switch %1").arg(k + 1));
        for (int k = 3; k < 8; ++k)
            QCOMPARE(harness.stored(QStringLiteral("MG%1").arg(k)),
                QStringLiteral("EXTERNAL MESSAGE %1, SWITCH %1").arg(k + 1));
        QCOMPARE(harness.find<QLineEdit>("Text4")->text(), QStringLiteral("External message 1, switch 1"));
        QCOMPARE(harness.find<QLineEdit>("Text12")->text(), QStringLiteral("EXTERNAL MESSAGE 8, SWITCH 8"));
    }

    void unshowableStoredValuesFallBack_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("repaired");
        QTest::newRow("country 99") << "CountryCode"
                                    << "99"
                                    << "Combo2"
                                    << "C"
                                    << "12";
        QTest::newRow("area 16") << "AreaCoverage"
                                 << "16"
                                 << "Combo1"
                                 << "L"
                                 << "0";
        QTest::newRow("reference 300") << "ProgramReference"
                                       << "300"
                                       << "Combo3"
                                       << "128"
                                       << "128";
        QTest::newRow("ECC 0") << "ECC"
                               << "0"
                               << "Combo6"
                               << "E1"
                               << "2";
        QTest::newRow("PTY 40") << "PTY"
                                << "40"
                                << "Combo7"
                                << "Pop Music"
                                << "10";
        QTest::newRow("AF1 250") << "AF1"
                                 << "250"
                                 << "Combo26"
                                 << "100"
                                 << "125";
        QTest::newRow("delay 12") << "PSDelay3"
                                  << "12"
                                  << "Combo5_3"
                                  << "2"
                                  << "2";
        QTest::newRow("Delay: 10") << "AutoPSDelay"
                                   << "10"
                                   << "Combo13"
                                   << "1"
                                   << "1";
        QTest::newRow("Set all to: -3") << "SETTOSAMEDELAY"
                                        << "-3"
                                        << "Combo15"
                                        << "0"
                                        << "0";
    }
    void unshowableStoredValuesFallBack()
    {
        QFETCH(QString, key);
        QFETCH(QString, bad);
        QFETCH(QString, list);
        QFETCH(QString, shown);
        QFETCH(QString, repaired);
        Form1Harness harness;
        harness.store(key, bad);
        harness.start();
        QCOMPARE(harness.find<QComboBox>(list)->currentText(), shown);
        QCOMPARE(harness.stored(key), repaired);
        QVERIFY2(harness.form().statusText().contains(key), qPrintable(harness.form().statusText()));
    }

    void checkBoxesSaveAtOnce_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("key");
        QTest::newRow("RDS active") << "Check1"
                                    << "RDSActive";
        QTest::newRow("To tray at start") << "Check5"
                                          << "TrayAtStart";
        QTest::newRow("Insert DATE") << "Check4"
                                     << "InsertDate";
    }
    void checkBoxesSaveAtOnce()
    {
        QFETCH(QString, box);
        QFETCH(QString, key);
        Form1Harness harness;
        harness.start();
        auto *check = harness.find<QCheckBox>(box);
        const bool before = check->isChecked();
        QTest::mouseClick(check, Qt::LeftButton);
        QCOMPARE(harness.stored(key), before ? QStringLiteral("False") : QStringLiteral("True"));
        QTest::mouseClick(check, Qt::LeftButton);
        QCOMPARE(harness.stored(key), before ? QStringLiteral("True") : QStringLiteral("False"));
    }

    void modePanelOptions_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("mode");
        QTest::newRow("mode 3") << "OptionMode_3"
                                << "3";
        QTest::newRow("mode 5") << "OptionMode_5"
                                << "5";
        QTest::newRow("Stereo: the shown mode option decides") << "OptionMode_8"
                                                               << "0";
        QTest::newRow("Card A: the shown mode option decides") << "OptionMode_14"
                                                               << "0";
    }
    void modePanelOptions()
    {
        QFETCH(QString, option);
        QFETCH(QString, mode);
        Form1Harness harness;
        harness.store("MODE", "4");
        harness.start();
        // The panel starts on mode 0 whatever is stored; the stored mode stays
        // until an option of the group is clicked.
        QVERIFY(harness.find<QRadioButton>("OptionMode_0")->isChecked());
        QCOMPARE(harness.stored("MODE"), QStringLiteral("4"));
        const int writesBefore = harness.backend.writeCount;
        harness.find<QRadioButton>(option)->click();
        QCOMPARE(harness.stored("MODE"), mode);
        QVERIFY(harness.backend.writeCount > writesBefore);
    }
};

QTEST_MAIN(TestForm1Editors)
#include "tst_form1_editors.moc"
