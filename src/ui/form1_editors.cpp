#include "ui/form1.h"

#include "model/af_list.h"
#include "model/flag_pairs.h"
#include "model/label_list.h"
#include "model/pi_code.h"
#include "model/pty_table.h"
#include "model/text_rules.h"
#include "ui/frm_about.h"
#include "ui/frm_properties.h"
#include "ui/frm_setup.h"
#include "ui/help_dialog.h"
#include "ui/help_support.h"
#include "ui/help_texts.h"
#include "ui/now_playing_dialog.h"
#include "ui/programmes_dialog.h"
#include "ui/transmission_log.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QValidator>

#include <algorithm>

namespace zorvan {

namespace {

template <class Widgets> int indexOf(const Widgets &widgets, const QObject *widget)
{
    const auto found = std::find(widgets.begin(), widgets.end(), widget);
    return found == widgets.end() ? -1 : static_cast<int>(found - widgets.begin());
}

void showPosition(QComboBox *list, int position)
{
    if (list->currentIndex() == position)
        return;
    const QSignalBlocker blocker(list);
    list->setCurrentIndex(position);
}

// A field the operator is typing in keeps what is typed until it is
// committed; the record is shown again from then on.
void showText(QLineEdit *field, const QString &text, bool keepTyping = false)
{
    if (field->text() == text || (keepTyping && field->hasFocus() && field->isModified()))
        return;
    const QSignalBlocker blocker(field);
    const int cursor = field->cursorPosition();
    field->setText(text);
    field->setCursorPosition(std::min(cursor, static_cast<int>(text.size())));
}

void showChecked(QAbstractButton *button, bool checked)
{
    if (button->isChecked() == checked)
        return;
    const QSignalBlocker blocker(button);
    button->setChecked(checked);
}

// Selects one option of an exclusive pair or group, or none.
void showOption(const std::vector<QRadioButton *> &options, int selected)
{
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (options[i]->isChecked() != (static_cast<int>(i) == selected))
            break;
        if (i + 1 == options.size())
            return;
    }
    for (QRadioButton *option : options) {
        const QSignalBlocker blocker(option);
        option->setAutoExclusive(false);
        option->setChecked(false);
    }
    for (std::size_t i = 0; i < options.size(); ++i) {
        const QSignalBlocker blocker(options[i]);
        if (static_cast<int>(i) == selected)
            options[i]->setChecked(true);
        options[i]->setAutoExclusive(true);
    }
}

// A label takes at most 8 characters, counted as characters rather than
// UTF-16 units.
class LabelValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        return characterCount(input) <= kPsLabelLength ? Acceptable : Invalid;
    }
};

} // namespace

void Form1::connectEditors()
{
    Station *station = &m_station;
    const std::pair<QComboBox *, void (Station::*)(const QString &)> textSelectors[] = {
        { m_pi.country, &Station::chooseCountryText },
        { m_pi.areaCoverage, &Station::chooseAreaCoverageText },
        { m_pi.ecc, &Station::chooseEccText },
        { m_pi.pty, &Station::choosePtyText },
    };
    for (const auto &[selector, choose] : textSelectors) {
        connect(selector, &QComboBox::currentTextChanged, station, choose);
        connect(selector->lineEdit(), &QLineEdit::editingFinished, this,
            [station, selector, choose = choose] { (station->*choose)(selector->currentText()); });
    }
    connect(
        m_pi.programReference, &QComboBox::currentIndexChanged, station, &Station::chooseProgramReference);
    m_pi.programReference->installEventFilter(this);

    for (std::size_t pair = 0; pair < m_pi.flags.size(); ++pair) {
        for (QRadioButton *button : { m_pi.flags[pair].one, m_pi.flags[pair].zero })
            connect(button, &QRadioButton::clicked, this,
                [this, pair] { m_station.chooseFlag(pair, m_pi.flags[pair].one->isChecked()); });
    }
    for (int n = 0; n < kAfCount; ++n)
        connect(m_pi.af[static_cast<std::size_t>(n)], &QComboBox::currentIndexChanged, this,
            [station, n](int position) { station->chooseAf(n, position); });

    for (int i = 0; i < kLabelCount; ++i) {
        QLineEdit *label = m_labels.labels[static_cast<std::size_t>(i)];
        label->setValidator(new LabelValidator(label));
        label->installEventFilter(this);
        connect(label, &QLineEdit::editingFinished, this, [this, label, i] {
            label->setModified(false);
            m_station.commitLabel(i, label->text());
        });
        connect(m_labels.delays[static_cast<std::size_t>(i)], &QComboBox::currentIndexChanged, this,
            [station, i](int position) { station->chooseDelay(i, position); });
    }
    connect(m_auto.autoDelay, &QComboBox::currentIndexChanged, station, &Station::chooseAutoDelay);
    connect(m_labels.setAllDelay, &QComboBox::currentIndexChanged, station, &Station::chooseSetAllDelay);
    connect(m_labels.setAllButton, &QPushButton::clicked, station, &Station::setAllDelays);

    for (int k = 0; k < kMessageCount; ++k) {
        QLineEdit *field = m_messages.messages[static_cast<std::size_t>(k)];
        field->installEventFilter(this);
        if (messageFitsWhileTyping(k))
            connect(field, &QLineEdit::textChanged, this,
                [station, k](const QString &text) { station->commitMessage(k, text); });
    }

    connect(m_right.rdsActive, &QCheckBox::clicked, station, &Station::setRdsActive);
    connect(m_right.trayAtStart, &QCheckBox::clicked, station, &Station::setTrayAtStart);
    connect(m_auto.insertDate, &QCheckBox::clicked, station, &Station::setInsertDate);

    for (std::size_t position = 0; position < m_hidden.modeOptions.size(); ++position) {
        if (QRadioButton *option = m_hidden.modeOptions[position])
            connect(option, &QRadioButton::clicked, this,
                [station, position] { station->chooseModeOption(static_cast<int>(position)); });
    }

    connect(m_auto.psUpdateYes, &QRadioButton::clicked, this, [station] { station->choosePsUpdate(true); });
    connect(m_auto.psUpdateNo, &QRadioButton::clicked, this, [station] { station->choosePsUpdate(false); });
    connect(m_auto.rtUpdateYes, &QRadioButton::clicked, this, [station] { station->chooseRtUpdate(true); });
    connect(m_auto.rtUpdateNo, &QRadioButton::clicked, this, [station] { station->chooseRtUpdate(false); });
    for (std::size_t position = 0; position < m_auto.updateType.size(); ++position) {
        connect(m_auto.updateType[position], &QRadioButton::clicked, this,
            [station, position] { station->chooseUpdateType(static_cast<DynamicMode>(position)); });
    }
    // A path is taken when it is committed (Enter or leaving the field), so
    // that a path half typed is never read.
    const std::pair<QLineEdit *, SongFileField> paths[] = {
        { m_auto.rtSourcePath, SongFileField::RadioText },
        { m_auto.psSourcePath, SongFileField::ProgrammeService },
    };
    for (const auto &[field, which] : paths) {
        connect(field, &QLineEdit::editingFinished, this, [this, field = field, which = which] {
            field->setModified(false);
            m_station.commitSongPath(which, field->text());
        });
    }
    connect(m_auto.browseRtSource, &QPushButton::clicked, this, [this] { browse(SongFileField::RadioText); });
    connect(m_auto.browsePsSource, &QPushButton::clicked, this,
        [this] { browse(SongFileField::ProgrammeService); });
    m_auto.radioText->installEventFilter(this);
    m_auto.songDisplay->installEventFilter(this);
    // Song titles and radio texts are shown as they are, never as markup.
    m_auto.songDisplay->setTextFormat(Qt::PlainText);
    m_right.previewLabel->setTextFormat(Qt::PlainText);

    connect(m_right.previewRt, &QRadioButton::toggled, this, [station](bool rt) {
        station->choosePreviewSource(rt ? PreviewSource::RadioText : PreviewSource::Labels);
    });
    connect(m_right.sendSettings, &QPushButton::clicked, this,
        [station] { station->press(UploadButton::SendSettings); });
    connect(m_right.sendRtAndPs, &QPushButton::clicked, this,
        [station] { station->press(UploadButton::SendRtAndPs); });
    connect(m_messages.synchronizeTime, &QPushButton::clicked, this,
        [station] { station->press(UploadButton::SynchronizeTime); });
    connect(m_hidden.setMode, &QPushButton::clicked, station, &Station::pressSetMode);
    connect(m_messages.clockSync, &QComboBox::currentIndexChanged, this, [station](int position) {
        if (position >= 0 && position < static_cast<int>(std::size(kClockSyncChoices)))
            station->setClockSyncMinutes(kClockSyncChoices[position]);
    });
    connect(m_right.moveToTray, &QPushButton::clicked, this, [this] { moveToTray(); });
}

// The "?" buttons open their helps, the menus Setup and About.
void Form1::connectShell()
{
    for (int index = 0; index < static_cast<int>(m_helpButtons.size()); ++index) {
        if (QPushButton *button = m_helpButtons[static_cast<std::size_t>(index)])
            connect(button, &QPushButton::clicked, this, [this, index] { showCommand1Help(index, this); });
    }
    const std::pair<QPushButton *, MessageHelp> messageButtons[] = {
        { m_messages.messagesHelp, MessageHelp::Command3 },
        { m_messages.clockHelp, MessageHelp::Command13 },
        { m_right.help, MessageHelp::Command15 },
        { m_right.previewHelp, MessageHelp::Command17 },
    };
    for (const auto &[button, which] : messageButtons) {
        if (button)
            connect(
                button, &QPushButton::clicked, this, [this, which = which] { showMessageHelp(which, this); });
    }
    // The dialogs show the busy pointer themselves while they load; the
    // record reaches the store before they take the focus, as the main
    // window saves when it stops being the active window.
    connect(m_menus.setup, &QAction::triggered, this, [this] { FrmSetup::open(m_station, this); });
    connect(m_menus.about, &QAction::triggered, this, [this] { FrmAbout::showAbout(this); });
    connect(m_menus.log, &QAction::triggered, this, [this] { TransmissionLog::open(m_station, this); });
    connect(
        m_auto.nowPlaying, &QPushButton::clicked, this, [this] { NowPlayingDialog::open(m_station, this); });
    connect(
        m_auto.programmes, &QPushButton::clicked, this, [this] { ProgrammesDialog::open(m_station, this); });
}

void Form1::browse(SongFileField field)
{
    const QString stored
        = field == SongFileField::RadioText ? m_station.record().GetMP3Tag : m_station.record().AutoPSPath;
    if (const std::optional<QString> path = browseForSongFile(this, field, stored))
        m_station.commitSongPath(field, *path);
}

void Form1::redraw(unsigned changes)
{
    if (changes & Station::Editors)
        redrawEditors();
    // Until the first tick the labels keep their design texts.
    if ((changes & Station::Preview) && !m_station.trayToolTip().isEmpty()) {
        m_right.previewLabel->setText(m_station.previewLabel());
        // The icon holds its tool tip while hidden, ready for when the
        // window goes to the tray.
        if (m_tray->toolTip() != m_station.trayToolTip())
            m_tray->setToolTip(m_station.trayToolTip());
    }
    if ((changes & Station::Clock) && !m_station.clockTexts().time.isEmpty()) {
        m_messages.pcTime->setText(m_station.clockTexts().time);
        m_messages.pcDate->setText(m_station.clockTexts().date);
    }
    if (changes & Station::Status)
        redrawStatus();
}

void Form1::redrawEditors()
{
    const StationSettings &record = m_station.record();
    showPosition(m_pi.country, countryPosition(record.CountryCode));
    showPosition(m_pi.areaCoverage, areaCoveragePosition(record.AreaCoverage));
    showPosition(m_pi.programReference, programReferencePosition(record.ProgramReference));
    showPosition(m_pi.ecc, eccPosition(record.ECC));
    showPosition(m_pi.pty, ptyPosition(record.PTY));
    for (std::size_t pair = 0; pair < kFlagPairs.size(); ++pair) {
        const bool one = flagShowsOne(record.*kFlagPairs[pair].field);
        showChecked(one ? m_pi.flags[pair].one : m_pi.flags[pair].zero, true);
    }
    const AfEnabled afEnabled = afListsEnabled(record.AF);
    for (std::size_t n = 0; n < m_pi.af.size(); ++n) {
        showPosition(m_pi.af[n], record.AF[n]);
        m_pi.af[n]->setEnabled(afEnabled[n]);
    }
    for (std::size_t i = 0; i < m_labels.labels.size(); ++i) {
        showText(m_labels.labels[i], record.PS[i], true);
        showPosition(m_labels.delays[i], record.PSDelay[i]);
    }
    showPosition(m_auto.autoDelay, record.AutoPSDelay);
    showPosition(m_labels.setAllDelay, record.SETTOSAMEDELAY);
    // Messages 4 .. 8 are committed at every keystroke and show their
    // fitted text at once; 1 .. 3 wait for their commit like the labels.
    for (std::size_t k = 0; k < m_messages.messages.size(); ++k)
        showText(m_messages.messages[k], record.MG[k], !messageFitsWhileTyping(static_cast<int>(k)));
    showChecked(m_right.rdsActive, record.RDSActive);
    showChecked(m_right.trayAtStart, record.TrayAtStart);
    showChecked(m_auto.insertDate, record.InsertDate);
    const auto *choice = std::find(
        std::begin(kClockSyncChoices), std::end(kClockSyncChoices), m_station.options().clockSyncMinutes);
    showPosition(m_messages.clockSync, static_cast<int>(choice - std::begin(kClockSyncChoices)));
    redrawSongPage();
}

void Form1::redrawSongPage()
{
    const StationSettings &record = m_station.record();
    const AutoUpdateState &song = m_station.autoUpdate();
    showText(m_auto.psSourcePath, record.AutoPSPath, true);
    showText(m_auto.rtSourcePath, record.GetMP3Tag, true);
    showText(m_auto.radioText, song.radioTextField, true);
    if (m_auto.songDisplay->text() != song.SongDisplay)
        m_auto.songDisplay->setText(song.SongDisplay);
    showOption({ m_auto.psUpdateYes, m_auto.psUpdateNo }, record.AutoPS != 0 ? 0 : 1);
    showOption({ m_auto.rtUpdateYes, m_auto.rtUpdateNo }, record.RTSwitch != 0 ? 0 : 1);
    showOption({ m_auto.updateType.begin(), m_auto.updateType.end() },
        song.mode ? static_cast<int>(*song.mode) : -1);
    const SongOrigin origin = m_station.options().songOrigin;
    const std::optional<QString> &programme = m_station.programmeInForce();
    QString onAir = m_station.onAir() == OnAir::Station ? tr("On air: the station's own texts")
        : origin == SongOrigin::Player                  ? tr("On air: the song of the media player")
        : origin == SongOrigin::Network                 ? tr("On air: the song from the network")
                                                        : tr("On air: the song of the file");
    if (programme && (m_station.songHeldByProgramme() || m_station.onAir() == OnAir::Station))
        onAir = tr("On air: the texts of programme %1").arg(*programme);
    else if (programme)
        onAir += tr(", in programme %1").arg(*programme);
    if (m_auto.onAir->text() != onAir)
        m_auto.onAir->setText(onAir);
}

void Form1::redrawStatus()
{
    m_statusText->setText(m_station.statusText());
    m_right.progress->setValue(
        std::clamp(m_station.progress(), m_right.progress->minimum(), m_right.progress->maximum()));
    m_right.sendSettings->setEnabled(m_station.uploadButtonEnabled(UploadButton::SendSettings));
    m_right.sendRtAndPs->setEnabled(m_station.uploadButtonEnabled(UploadButton::SendRtAndPs));
    m_messages.synchronizeTime->setEnabled(m_station.uploadButtonEnabled(UploadButton::SynchronizeTime));
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    const bool press = event->type() == QEvent::MouseButtonPress;
    const bool release = event->type() == QEvent::MouseButtonRelease;
    const bool leave = event->type() == QEvent::FocusOut;
    if (!press && !release && !leave)
        return QMainWindow::eventFilter(watched, event);

    if (const int label = indexOf(m_labels.labels, watched); label >= 0 && (press || leave)) {
        auto *field = m_labels.labels[static_cast<std::size_t>(label)];
        field->setModified(false);
        m_station.commitLabel(label, field->text());
    } else if (const int message = indexOf(m_messages.messages, watched); message >= 0 && (press || leave)) {
        if (leave || !messageFitsWhileTyping(message)) {
            auto *field = m_messages.messages[static_cast<std::size_t>(message)];
            field->setModified(false);
            m_station.commitMessage(message, field->text());
        }
    } else if (watched == m_pi.programReference && leave) {
        m_station.chooseProgramReference(m_pi.programReference->currentIndex());
    } else if (watched == m_auto.radioText && (release || leave)) {
        m_auto.radioText->setModified(false);
        m_station.commitRadioText(m_auto.radioText->text());
    } else if (watched == m_auto.songDisplay && release) {
        m_station.clickSongDisplay();
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace zorvan
