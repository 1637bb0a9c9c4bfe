#include "ui/help_texts.h"

#include <QChar>

#include <algorithm>
#include <array>

namespace zorvan {

namespace {

const QString kCr = QString(QChar(13));
const QString kLf = QString(QChar(10));

const QString kTextPi = QStringLiteral(
    "This information consists of a code enabling the receiver to distinguish between countries, "
    "areas in which the same programme is transmitted, and the identification of the programme "
    "itself. The code is not intended for direct display and is assigned to each individual radio "
    "programme, to enable it to be distinguished from all other programmes. One important "
    "application of this information would be to enable the receiver to search automatically for "
    "an alternative frequency in case of bad reception of the programme to which the receiver is "
    "tuned; the criteria for the change-over to the new frequency would be the presence of a "
    "better signal having the same Programme Identification code.");

const QString kTextTp = QStringLiteral(
    "This is a flag to indicate that the tuned program carries traffic announcements. The TP flag "
    "must only be set on programs which dynamically switch on the TA identification during "
    "traffic announcements. The signal shall be taken into account during automatic search "
    "tuning, so I recommend to turn this flag on even though you don't transmit any traffic "
    "announcements.");

const QString kTextMs = QStringLiteral(
    "This is a two-state signal to provide information on whether music or speech is being "
    "broadcast. The signal would permit receivers to be equipped with two separate volume "
    "controls, one for music and one for speech, so that the listener could adjust the balance "
    "between them to suit his individual listening habits.");

const QString kTextPty = QStringLiteral(
    "This is an identification number to be transmitted with each program item and which is "
    "intended to specify the current Program type within 31 possibilities. This code could be "
    "used for search tuning. The code will, moreover, enable suitable receivers and recorders to "
    "be pre-set to respond only to program items of the desired type. The last number, i.e. 31, "
    "is reserved for an alarm identification which is intended to switch on the audio signal "
    "when a receiver is operated in a waiting reception mode.");

const QString kTextAf = QStringLiteral(
    "The list of alternative frequencies gives information on the various transmitters "
    "broadcasting the same program in the same or adjacent reception areas. This facility is "
    "particularly useful in the case of car and portable radios. When the PI code indicates local "
    "coverage-area, i.e. only one frequency is used, AF list may contain this frequency.");

const QString kTextPs = QStringLiteral(
    "This is the label of the program service consisting of not more than eight alphanumeric "
    "characters, which is displayed by RDS receivers in order to inform the listener what "
    "program service is being broadcast by the station to which the receiver is tuned.");

const QString kTextPs2
    = QStringLiteral("If you want to use just one PS setting please set delay for all others to 0!");

const QString kTextPs3
    = QStringLiteral("You can select delay for each of the PS labels. Note that setting a 0 disables "
                     "associated PI.")
    + kCr
    + QStringLiteral("Labels will start at the start of the list once they reach the last defined "
                     "PS label.")
    + kCr + QStringLiteral("Do not exagerate, fast changing PI labels can compromise driver safety");

const QString kTextRt = QStringLiteral(
    "Makes it possible to transfer 64-character text messages to RDS receivers. This function "
    "requires RT function enabled on the receiver, which is usually done accomplished by pushing "
    "the RT button.");

const QString kTextRt2 = QStringLiteral("The field at the top (RT) shows the currently active RT message");

const QString kTextRt3 = QStringLiteral(
    "The auto update RT field makes it possible to collect the RT from any text file. In order to "
    "pick RT from a text file select the text file with the browse button and enable auto update "
    "by selecting the Yes option. ZORVAN driver will check the file once every second and update "
    "the encoder automatically, if it detects any changes of the text file.");

const QString kTextAps = QStringLiteral(
    "This mode makes makes it possible to have the PS updated automatically. A number of very "
    "usefull features make this mode extremely usefull. It is possible to insert time, date or "
    "song name from external file. This external file can be updated via Winamp or any other "
    "program.");

const QString kTextWa = QStringLiteral(
    "If you want to collect data from Winamp (MP3 ID tag, song name) please use winamp plugin "
    "called RevudaZov. This little program was shipped with our driver, you will find it in the "
    "ZORVAN installation folder. Install it and configure it to output winamp song info into "
    "your text file and than set ZORVAN driver to read song name from that file. Also make sure "
    "you setup RevudaZov plugin to limit song name to 64 characters.");

const QString kTitleCountry = QStringLiteral("Help for ECC and country code");
const QString kTitleTraffic = QStringLiteral("Help for TA and TP");

struct IndexedHelp {
    int index;
    Command1Help help;
};

Command1Help textHelp(QString title, QString heading, QString body, QString note = {})
{
    return { HelpKind::Text, std::move(title), std::move(heading), std::move(body), std::move(note),
        HelpPicture::Countries };
}

Command1Help pictureHelp(QString title, HelpPicture picture)
{
    return { HelpKind::Picture, std::move(title), {}, {}, {}, picture };
}

const std::array<IndexedHelp, 14> &helpTable()
{
    static const std::array<IndexedHelp, 14> table { {
        { 0, pictureHelp(kTitleCountry, HelpPicture::Countries) },
        { 1, pictureHelp(kTitleCountry, HelpPicture::CoverageAreas) },
        { 2,
            textHelp(QStringLiteral("Help for PI - Program reference"),
                QStringLiteral("PI - Programme Reference"), kTextPi) },
        { 3,
            textHelp(QStringLiteral("TP - Traffic program identification"),
                QStringLiteral("TP - Traffic program identification"), kTextTp) },
        { 4, pictureHelp(kTitleTraffic, HelpPicture::TrafficFlags) },
        { 5,
            textHelp(QStringLiteral("Music/speech switch"), QStringLiteral("Music/speech switch"), kTextMs) },
        { 6, pictureHelp(kTitleTraffic, HelpPicture::TrafficFlags) },
        { 7,
            textHelp(
                QStringLiteral("PTY - Program type\""), QStringLiteral("PTY - Program type"), kTextPty) },
        { 8,
            textHelp(QStringLiteral("AF - Alternative frequencies"),
                QStringLiteral("AF - Alternative frequencies"), kTextAf) },
        // Index 9 sits on the transmitter panel that the window never shows.
        { 9,
            textHelp(QStringLiteral("DI - Decoder information"),
                QStringLiteral("DI - Decoder identification"),
                QStringLiteral("Indicates which possible operating mode is appropriate for "
                               "use with the broadcast audio.")) },
        { 10,
            textHelp(QStringLiteral("PS - Program service name"), QStringLiteral("PS - Program service name"),
                kTextPs + kCr + kCr + kTextPs2, kTextPs3) },
        { 11,
            textHelp(QStringLiteral("RT - Radio Text"), QStringLiteral("RT - Radio Text"),
                kTextRt + kCr + kCr + kTextRt2 + kCr + kCr + kTextRt3, kTextWa) },
        { 12,
            textHelp(
                QStringLiteral("Automatic PS"), QStringLiteral("Automatic PS update"), kTextAps, kTextWa) },
        { 14, pictureHelp(kTitleCountry, HelpPicture::Countries) },
    } };
    return table;
}

} // namespace

std::optional<Command1Help> command1Help(int index)
{
    const auto &table = helpTable();
    const auto it = std::find_if(
        table.begin(), table.end(), [index](const IndexedHelp &entry) { return entry.index == index; });
    if (it == table.end())
        return std::nullopt;
    return it->help;
}

QList<int> command1HelpIndices()
{
    QList<int> indices;
    for (const auto &entry : helpTable())
        indices.append(entry.index);
    return indices;
}

QString messageHelpText(MessageHelp which)
{
    switch (which) {
    case MessageHelp::Command3:
        return QStringLiteral("To activate these messages attach 8 switches to header J10 (EXTMSG).") + kLf
            + QStringLiteral("These switches must be going to ground from each of the 8 pins and "
                             "are activated when you ground the corresponding pin.")
            + kLf + kLf + QStringLiteral("Message is scrolled, if larger than 8 characters!");
    case MessageHelp::Command13:
        return QStringLiteral("Click to Synchronize RDS RTC (Real Time Clock) with current PC clock");
    case MessageHelp::Command15:
        return QStringLiteral("Click Systry to move this program into taskbar") + kLf + kLf
            + QStringLiteral("Use Send settings to send parameter values + PS00 and RT to RDS "
                             "encoder")
            + kLf + kLf
            + QStringLiteral("Use Send RT and PS to send all PS and RT parameters to RDS encoder");
    case MessageHelp::Command17:
        return QStringLiteral("This window shows PS and RT preview") + kLf + kLf
            + QStringLiteral("Select desired preview type by clicking appropriate radio button.");
    }
    return {};
}

QString setupHelpText()
{
    const QString paragraphBreak = kLf + kLf;
    return QStringLiteral("COM port: Select correct COM port here. Usually this would be COM1!")
        + paragraphBreak
        + QStringLiteral("Baud rate: It needs to be identical to the baud rate set with jumpers on "
                         "the encoder board.")
        + paragraphBreak
        + QStringLiteral("Default settings from factory are 14400 and should work out of the box! "
                         "Use 14400 when using Jazler or Zarasoft")
        + paragraphBreak
        + QStringLiteral("Use 2400 for large cable runs (and set jumpers accordingly). Use faster "
                         "speeds for faster data transfer and short cable runs");
}

} // namespace zorvan
