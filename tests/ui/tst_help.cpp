#include "model/window_pages.h"
#include "ui/help_dialog.h"
#include "ui/help_support.h"
#include "ui/help_texts.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace zorvan;

Q_DECLARE_METATYPE(zorvan::HelpKind)
Q_DECLARE_METATYPE(zorvan::HelpPicture)
Q_DECLARE_METATYPE(zorvan::MessageHelp)

namespace {

// The texts as the product's help shows them, typed out once more here so
// that a slip in the table shows up as a difference.
const QString kCr = QString(QChar(13));
const QString kLf = QString(QChar(10));

const QString kTextPi
    = QStringLiteral("This information consists of a code enabling the receiver to distinguish between "
                     "countries, areas in which the same programme is transmitted, and the identification of "
                     "the programme itself. The code is not intended for direct display and is assigned to "
                     "each individual radio programme, to enable it to be distinguished from all other "
                     "programmes. One important application of this information would be to enable the "
                     "receiver to search automatically for an alternative frequency in case of bad reception "
                     "of the programme to which the receiver is tuned; the criteria for the change-over to "
                     "the new frequency would be the presence of a better signal having the same Programme "
                     "Identification code.");
const QString kTextTp = QStringLiteral(
    "This is a flag to indicate that the tuned program carries traffic announcements. The TP "
    "flag must only be set on programs which dynamically switch on the TA identification "
    "during traffic announcements. The signal shall be taken into account during automatic "
    "search tuning, so I recommend to turn this flag on even though you don't transmit any "
    "traffic announcements.");
const QString kTextMs
    = QStringLiteral("This is a two-state signal to provide information on whether music or speech is being "
                     "broadcast. The signal would permit receivers to be equipped with two separate volume "
                     "controls, one for music and one for speech, so that the listener could adjust the "
                     "balance between them to suit his individual listening habits.");
const QString kTextPty = QStringLiteral(
    "This is an identification number to be transmitted with each program item and which is "
    "intended to specify the current Program type within 31 possibilities. This code could "
    "be used for search tuning. The code will, moreover, enable suitable receivers and "
    "recorders to be pre-set to respond only to program items of the desired type. The last "
    "number, i.e. 31, is reserved for an alarm identification which is intended to switch on "
    "the audio signal when a receiver is operated in a waiting reception mode.");
const QString kTextAf = QStringLiteral(
    "The list of alternative frequencies gives information on the various transmitters "
    "broadcasting the same program in the same or adjacent reception areas. This facility is "
    "particularly useful in the case of car and portable radios. When the PI code indicates "
    "local coverage-area, i.e. only one frequency is used, AF list may contain this "
    "frequency.");
const QString kTextPs = QStringLiteral(
    "This is the label of the program service consisting of not more than eight alphanumeric "
    "characters, which is displayed by RDS receivers in order to inform the listener what "
    "program service is being broadcast by the station to which the receiver is tuned.");
const QString kTextPs2
    = QStringLiteral("If you want to use just one PS setting please set delay for all others to 0!");
const QString kTextRt
    = QStringLiteral("Makes it possible to transfer 64-character text messages to RDS receivers. This "
                     "function requires RT function enabled on the receiver, which is usually done "
                     "accomplished by pushing the RT button.");
const QString kTextRt2 = QStringLiteral("The field at the top (RT) shows the currently active RT message");
const QString kTextRt3
    = QStringLiteral("The auto update RT field makes it possible to collect the RT from any text file. In "
                     "order to pick RT from a text file select the text file with the browse button and "
                     "enable auto update by selecting the Yes option. ZORVAN driver will check the file once "
                     "every second and update the encoder automatically, if it detects any changes of the "
                     "text file.");
const QString kTextAps
    = QStringLiteral("This mode makes makes it possible to have the PS updated automatically. A number of "
                     "very usefull features make this mode extremely usefull. It is possible to insert time, "
                     "date or song name from external file. This external file can be updated via Winamp or "
                     "any other program.");
const QString kTextWa = QStringLiteral(
    "If you want to collect data from Winamp (MP3 ID tag, song name) please use winamp "
    "plugin called RevudaZov. This little program was shipped with our driver, you will find "
    "it in the ZORVAN installation folder. Install it and configure it to output winamp song "
    "info into your text file and than set ZORVAN driver to read song name from that file. "
    "Also make sure you setup RevudaZov plugin to limit song name to 64 characters.");
const QStringList kTextPs3Lines {
    QStringLiteral("You can select delay for each of the PS labels. Note that setting a 0 disables "
                   "associated PI."),
    QStringLiteral("Labels will start at the start of the list once they reach the last defined PS label."),
    QStringLiteral("Do not exagerate, fast changing PI labels can compromise driver safety")
};
const QString kMessageCommand3
    = QStringLiteral("To activate these messages attach 8 switches to header J10 (EXTMSG).") + kLf
    + QStringLiteral("These switches must be going to ground from each of the 8 pins and are activated when "
                     "you ground the corresponding pin.")
    + kLf + kLf + QStringLiteral("Message is scrolled, if larger than 8 characters!");
const QString kMessageCommand13
    = QStringLiteral("Click to Synchronize RDS RTC (Real Time Clock) with current PC clock");
const QString kMessageCommand15 = QStringLiteral("Click Systry to move this program into taskbar") + kLf + kLf
    + QStringLiteral("Use Send settings to send parameter values + PS00 and RT to RDS encoder") + kLf + kLf
    + QStringLiteral("Use Send RT and PS to send all PS and RT parameters to RDS encoder");
const QString kMessageCommand17 = QStringLiteral("This window shows PS and RT preview") + kLf + kLf
    + QStringLiteral("Select desired preview type by clicking appropriate radio button.");
const QStringList kSetupParagraphs {
    QStringLiteral("COM port: Select correct COM port here. Usually this would be COM1!"),
    QStringLiteral("Baud rate: It needs to be identical to the baud rate set with jumpers on the encoder "
                   "board."),
    QStringLiteral("Default settings from factory are 14400 and should work out of the box! Use 14400 when "
                   "using Jazler or Zarasoft"),
    QStringLiteral("Use 2400 for large cable runs (and set jumpers accordingly). Use faster speeds for "
                   "faster data transfer and short cable runs")
};

const QString kTextPs3 = kTextPs3Lines.join(kCr);

int heightTwips(const QWidget *window)
{
    return pixelsToTwips(window->height());
}

void unloadClosedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int visibleTopLevels(const char *className)
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->inherits(className) && widget->isVisible())
            ++count;
    }
    return count;
}

} // namespace

class TestHelp : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        if (auto *text = HelpDialog::instance())
            text->close();
        if (auto *picture = HelpDialog1::instance())
            picture->close();
        unloadClosedWindows();
    }

    void command1Table_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<HelpKind>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("note");
        QTest::addColumn<HelpPicture>("picture");

        const QString countryTitle = QStringLiteral("Help for ECC and country code");
        const QString trafficTitle = QStringLiteral("Help for TA and TP");
        auto picture = [](const char *name, int index, const QString &title, HelpPicture shown) {
            QTest::newRow(name) << index << HelpKind::Picture << title << QString() << QString() << QString()
                                << shown;
        };
        auto text = [](const char *name, int index, const QString &title, const QString &heading,
                        const QString &body, const QString &note) {
            QTest::newRow(name) << index << HelpKind::Text << title << heading << body << note
                                << HelpPicture::Countries;
        };
        picture("0 countries", 0, countryTitle, HelpPicture::Countries);
        picture("1 coverage areas", 1, countryTitle, HelpPicture::CoverageAreas);
        text("2 programme reference", 2, "Help for PI - Program reference", "PI - Programme Reference",
            kTextPi, "");
        text("3 traffic programme", 3, "TP - Traffic program identification",
            "TP - Traffic program identification", kTextTp, "");
        picture("4 TA", 4, trafficTitle, HelpPicture::TrafficFlags);
        text("5 music/speech", 5, "Music/speech switch", "Music/speech switch", kTextMs, "");
        picture("6 TP", 6, trafficTitle, HelpPicture::TrafficFlags);
        text("7 PTY title ends in a double quote", 7, "PTY - Program type\"", "PTY - Program type", kTextPty,
            "");
        text("8 AF", 8, "AF - Alternative frequencies", "AF - Alternative frequencies", kTextAf, "");
        text("9 DI on the hidden panel", 9, "DI - Decoder information", "DI - Decoder identification",
            "Indicates which possible operating mode is appropriate for use with the broadcast audio.", "");
        text("10 PS with a note", 10, "PS - Program service name", "PS - Program service name",
            kTextPs + kCr + kCr + kTextPs2, kTextPs3);
        text("11 RT in three parts", 11, "RT - Radio Text", "RT - Radio Text",
            kTextRt + kCr + kCr + kTextRt2 + kCr + kCr + kTextRt3, kTextWa);
        text("12 automatic PS", 12, "Automatic PS", "Automatic PS update", kTextAps, kTextWa);
        picture("14 countries again", 14, countryTitle, HelpPicture::Countries);
    }
    void command1Table()
    {
        QFETCH(int, index);
        QFETCH(HelpKind, kind);
        QFETCH(QString, title);
        QFETCH(QString, heading);
        QFETCH(QString, body);
        QFETCH(QString, note);
        QFETCH(HelpPicture, picture);

        const auto help = command1Help(index);
        QVERIFY(help);
        QCOMPARE(help->kind, kind);
        QCOMPARE(help->title, title);
        if (kind == HelpKind::Picture) {
            QCOMPARE(help->picture, picture);
            return;
        }
        QCOMPARE(help->heading, heading);
        QCOMPARE(help->body, body);
        QCOMPARE(help->note, note);
    }

    void indicesWithoutHelp_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("13 has no button") << 13;
        QTest::newRow("past the array") << 15;
        QTest::newRow("negative") << -1;
    }
    void indicesWithoutHelp()
    {
        QFETCH(int, index);
        QVERIFY(!command1Help(index));
        QCOMPARE(showCommand1Help(index, nullptr), nullptr);
        QCOMPARE(HelpDialog::instance(), nullptr);
        QCOMPARE(HelpDialog1::instance(), nullptr);
    }

    void everyButtonHasHelp()
    {
        const QList<int> expected { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14 };
        QCOMPARE(command1HelpIndices(), expected);
    }

    void textWindowLayout_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("closeTop");
        QTest::addColumn<bool>("noteShown");
        QTest::newRow("2 without note shrinks") << 2 << 4335 << 3450 << false;
        QTest::newRow("3 without note shrinks") << 3 << 4335 << 3450 << false;
        QTest::newRow("7 without note shrinks") << 7 << 4335 << 3450 << false;
        QTest::newRow("10 with note keeps design") << 10 << 6345 << 5040 << true;
        QTest::newRow("11 with note keeps design") << 11 << 6345 << 5040 << true;
        QTest::newRow("12 with note keeps design") << 12 << 6345 << 5040 << true;
    }
    void textWindowLayout()
    {
        QFETCH(int, index);
        QFETCH(int, height);
        QFETCH(int, closeTop);
        QFETCH(bool, noteShown);

        auto *window = qobject_cast<HelpDialog *>(showCommand1Help(index, nullptr));
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QVERIFY(!window->isModal());
        QCOMPARE(heightTwips(window), height);
        auto *close = window->findChild<QPushButton *>("OKButton");
        QVERIFY(close);
        QCOMPARE(close->text(), QStringLiteral("CLOSE"));
        QCOMPARE(pixelsToTwips(close->y()), closeTop);
        QCOMPARE(window->findChild<QLabel *>("Label3")->isVisible(), noteShown);
    }

    void textsFitTheirBoxes_data()
    {
        QTest::addColumn<int>("index");
        for (int index : command1HelpIndices()) {
            if (command1Help(index)->kind == HelpKind::Text)
                QTest::addRow("help %d", index) << index;
        }
    }
    void textsFitTheirBoxes()
    {
        QFETCH(int, index);
        auto *window = showCommand1Help(index, nullptr);
        for (const char *name : { "Label1", "Label2", "Label3" }) {
            auto *label = window->findChild<QLabel *>(name);
            const QRect needed = QFontMetrics(label->font())
                                     .boundingRect(QRect(0, 0, label->width(), 100000),
                                         Qt::TextWordWrap | Qt::AlignLeft, label->text());
            QVERIFY2(needed.height() <= label->height(), name);
            QVERIFY2(label->text().isEmpty() || label->font().pixelSize() >= 8, name);
        }
    }

    void textWindowShowsTheTexts()
    {
        auto *window = qobject_cast<HelpDialog *>(showCommand1Help(11, nullptr));
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("RT - Radio Text"));
        QCOMPARE(window->findChild<QLabel *>("Label1")->text(), QStringLiteral("RT - Radio Text"));
        QCOMPARE(window->body(), kTextRt + kCr + kCr + kTextRt2 + kCr + kCr + kTextRt3);
        QCOMPARE(window->note(), kTextWa);
        // The carriage returns must break lines on screen, not vanish.
        const QString shown = window->findChild<QLabel *>("Label2")->text();
        QCOMPARE(shown.count(QChar(10)), 4);
        QVERIFY(shown.startsWith(kTextRt));
    }

    void contentReplacedInTheOpenWindow()
    {
        auto *first = showCommand1Help(2, nullptr);
        auto *second = showCommand1Help(5, nullptr);
        QCOMPARE(first, second);
        QCOMPARE(second->windowTitle(), QStringLiteral("Music/speech switch"));
        QCOMPARE(visibleTopLevels("zorvan::HelpDialog"), 1);
    }

    void noteComesBackAfterAShrunkHelp()
    {
        auto *window = showCommand1Help(2, nullptr);
        QCOMPARE(heightTwips(window), 4335);
        showCommand1Help(10, nullptr);
        QCOMPARE(heightTwips(window), 6345);
        QVERIFY(window->findChild<QLabel *>("Label3")->isVisible());
        showCommand1Help(3, nullptr);
        QCOMPARE(heightTwips(window), 4335);
    }

    void closingUnloads()
    {
        auto *window = showCommand1Help(10, nullptr);
        QTest::mouseClick(window->findChild<QPushButton *>("OKButton"), Qt::LeftButton);
        unloadClosedWindows();
        QCOMPARE(HelpDialog::instance(), nullptr);
        auto *fresh = showCommand1Help(2, nullptr);
        QVERIFY(fresh);
        QCOMPARE(heightTwips(fresh), 4335);
    }

    void pictureWindowShowsOnePicture_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("visible");
        QTest::newRow("0 countries") << 0 << 0;
        QTest::newRow("1 coverage areas") << 1 << 1;
        QTest::newRow("4 traffic") << 4 << 2;
        QTest::newRow("6 traffic") << 6 << 2;
        QTest::newRow("14 countries") << 14 << 0;
    }
    void pictureWindowShowsOnePicture()
    {
        QFETCH(int, index);
        QFETCH(int, visible);
        auto *window = qobject_cast<HelpDialog1 *>(showCommand1Help(index, nullptr));
        QVERIFY(window);
        QVERIFY(!window->isModal());
        for (int i = 0; i < 3; ++i) {
            auto *image = window->findChild<QLabel *>(QStringLiteral("Image1_%1").arg(i));
            QVERIFY(image);
            QCOMPARE(image->isVisible(), i == visible);
        }
        QCOMPARE(static_cast<int>(window->visiblePicture()), visible);
        QCOMPARE(window->findChild<QPushButton *>("OKButton")->text(), QStringLiteral("CLOSE"));
    }

    void secondPictureReplacesTheFirst()
    {
        auto *window = qobject_cast<HelpDialog1 *>(showCommand1Help(0, nullptr));
        QVERIFY(showCommand1Help(1, nullptr) == window);
        QVERIFY(!window->findChild<QLabel *>("Image1_0")->isVisible());
        QVERIFY(window->findChild<QLabel *>("Image1_1")->isVisible());
        QVERIFY(!window->findChild<QLabel *>("Image1_2")->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Help for ECC and country code"));
        QCOMPARE(visibleTopLevels("zorvan::HelpDialog1"), 1);
    }

    void trafficHelpsShowTheSamePicture()
    {
        auto *window = qobject_cast<HelpDialog1 *>(showCommand1Help(4, nullptr));
        const QString title = window->windowTitle();
        const HelpPicture picture = window->visiblePicture();
        window->close();
        unloadClosedWindows();
        auto *again = qobject_cast<HelpDialog1 *>(showCommand1Help(6, nullptr));
        QCOMPARE(again->windowTitle(), title);
        QCOMPARE(again->visiblePicture(), picture);
        QCOMPARE(picture, HelpPicture::TrafficFlags);
    }

    void busyPointerEndsWithTheLoading()
    {
        showCommand1Help(2, nullptr);
        showCommand1Help(0, nullptr);
        showCommand1Help(1, nullptr);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void textAndPictureWindowsAreSeparate()
    {
        auto *text = showCommand1Help(2, nullptr);
        auto *picture = showCommand1Help(0, nullptr);
        QVERIFY(text != picture);
        QVERIFY(text->isVisible());
        QVERIFY(picture->isVisible());
    }

    void messageHelps_data()
    {
        QTest::addColumn<MessageHelp>("which");
        QTest::addColumn<QString>("text");
        QTest::newRow("Command3 external messages") << MessageHelp::Command3 << kMessageCommand3;
        QTest::newRow("Command13 clock") << MessageHelp::Command13 << kMessageCommand13;
        QTest::newRow("Command15 send column") << MessageHelp::Command15 << kMessageCommand15;
        QTest::newRow("Command17 preview") << MessageHelp::Command17 << kMessageCommand17;
    }
    void messageHelps()
    {
        QFETCH(MessageHelp, which);
        QFETCH(QString, text);
        QStringList shown;
        QWidget parent;
        QWidget *shownOver = nullptr;
        const MessageSink previous = setMessageSink([&](QWidget *over, const QString &message) {
            shownOver = over;
            shown << message;
        });
        showMessageHelp(which, &parent);
        setMessageSink(previous);
        QCOMPARE(shown, QStringList { text });
        QCOMPARE(shownOver, &parent);
        QVERIFY(!text.contains(QChar(13)));
    }

    void setupHelpMessage()
    {
        QCOMPARE(setupHelpText(), kSetupParagraphs.join(kLf + kLf));
        QCOMPARE(setupHelpText().split(kLf + kLf).size(), 4);
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
