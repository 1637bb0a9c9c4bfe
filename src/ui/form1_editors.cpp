#include "ui/form1.h"

#include "model/af_list.h"
#include "model/field_repair.h"
#include "model/flag_pairs.h"
#include "model/label_list.h"
#include "model/pi_code.h"
#include "model/pty_table.h"
#include "model/text_rules.h"
#include "model/window_pages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

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
    const QSignalBlocker blocker(list);
    list->setCurrentIndex(position);
}

void showText(QLineEdit *field, const QString &text)
{
    if (field->text() == text)
        return;
    const QSignalBlocker blocker(field);
    const int cursor = field->cursorPosition();
    field->setText(text);
    field->setCursorPosition(std::min(cursor, static_cast<int>(text.size())));
}

void showChecked(QAbstractButton *button, bool checked)
{
    const QSignalBlocker blocker(button);
    button->setChecked(checked);
}

// Selects one option of an exclusive pair or group, or none.
void showOption(const std::vector<QRadioButton *> &options, int selected)
{
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

} // namespace

void Form1::connectEditors()
{
    for (QComboBox *selector : { m_pi.country, m_pi.areaCoverage, m_pi.ecc, m_pi.pty }) {
        connect(selector, &QComboBox::currentTextChanged, this, [this, selector] { runPiHandler(selector); });
        connect(selector->lineEdit(), &QLineEdit::editingFinished, this,
            [this, selector] { runPiHandler(selector); });
    }
    connect(m_pi.programReference, &QComboBox::currentIndexChanged, this,
        [this] { runPiHandler(m_pi.programReference); });
    m_pi.programReference->installEventFilter(this);

    for (std::size_t pair = 0; pair < m_pi.flags.size(); ++pair) {
        for (QRadioButton *button : { m_pi.flags[pair].one, m_pi.flags[pair].zero })
            connect(button, &QRadioButton::clicked, this, [this, pair] { runFlagHandler(pair); });
    }
    for (int n = 0; n < kAfCount; ++n)
        connect(m_pi.af[static_cast<std::size_t>(n)], &QComboBox::currentIndexChanged, this,
            [this, n] { runAfHandler(n); });

    for (QLineEdit *label : m_labels.labels) {
        label->installEventFilter(this);
        connect(label, &QLineEdit::editingFinished, this, [this] { commitLabels(); });
    }
    for (QComboBox *delay : m_labels.delays)
        connect(delay, &QComboBox::currentIndexChanged, this, [this] { commitDelays(); });
    connect(m_auto.autoDelay, &QComboBox::currentIndexChanged, this, [this] { commitDelays(); });
    connect(m_labels.setAllDelay, &QComboBox::currentIndexChanged, this, [this] { commitSetAllDelay(); });
    connect(m_labels.setAllButton, &QPushButton::clicked, this, [this] { setAllDelays(); });

    for (int k = 0; k < kMessageCount; ++k) {
        QLineEdit *field = m_messages.messages[static_cast<std::size_t>(k)];
        field->installEventFilter(this);
        if (messageFitsWhileTyping(k))
            connect(field, &QLineEdit::textChanged, this, [this, k] { commitMessage(k); });
    }

    connect(m_right.rdsActive, &QCheckBox::clicked, this, [this](bool checked) {
        m_settings.RDSActive = checked;
        saveAllSettings();
    });
    connect(m_right.trayAtStart, &QCheckBox::clicked, this, [this](bool checked) {
        m_settings.TrayAtStart = checked;
        saveAllSettings();
    });
    connect(m_auto.insertDate, &QCheckBox::clicked, this, [this](bool checked) {
        m_settings.InsertDate = checked;
        saveAllSettings();
    });
    connect(m_right.moveToTray, &QPushButton::clicked, this, [this] { moveToTray(); });

    for (QRadioButton *option : m_hidden.modeOptions) {
        if (option)
            connect(option, &QRadioButton::clicked, this, [this] { runModeHandler(); });
    }
}

void Form1::fillControls()
{
    m_filling = true;
    const QStringList repaired = repairUnshowableFields(m_settings);

    showPosition(m_pi.country, countryPosition(m_settings.CountryCode));
    showPosition(m_pi.areaCoverage, areaCoveragePosition(m_settings.AreaCoverage));
    showPosition(m_pi.programReference, programReferencePosition(m_settings.ProgramReference));
    showPosition(m_pi.ecc, eccPosition(m_settings.ECC));
    showPosition(m_pi.pty, ptyPosition(m_settings.PTY));
    for (std::size_t pair = 0; pair < kFlagPairs.size(); ++pair) {
        const bool one = flagShowsOne(m_settings.*kFlagPairs[pair].field);
        showChecked(one ? m_pi.flags[pair].one : m_pi.flags[pair].zero, true);
    }
    // Setting AF1 .. AF7 in order closes a stored gap before the later
    // stored values are shown.
    m_settings.AF = closeAfGaps(m_settings.AF);
    const AfEnabled afEnabled = afListsEnabled(m_settings.AF);
    for (std::size_t n = 0; n < m_pi.af.size(); ++n) {
        showPosition(m_pi.af[n], m_settings.AF[n]);
        m_pi.af[n]->setEnabled(afEnabled[n]);
    }

    for (std::size_t i = 0; i < m_labels.labels.size(); ++i) {
        showText(m_labels.labels[i], m_settings.PS[i]);
        showPosition(m_labels.delays[i], m_settings.PSDelay[i]);
    }
    showPosition(m_auto.autoDelay, m_settings.AutoPSDelay);
    showPosition(m_labels.setAllDelay, m_settings.SETTOSAMEDELAY);
    for (std::size_t k = 0; k < m_messages.messages.size(); ++k)
        showText(m_messages.messages[k], m_settings.MG[k]);

    showChecked(m_right.rdsActive, m_settings.RDSActive);
    showChecked(m_right.trayAtStart, m_settings.TrayAtStart);
    showChecked(m_auto.insertDate, m_settings.InsertDate);
    showText(m_auto.radioText, m_settings.RT);
    showText(m_auto.psSourcePath, m_settings.AutoPSPath);
    showText(m_auto.rtSourcePath, m_settings.GetMP3Tag);
    showOption({ m_auto.psUpdateYes, m_auto.psUpdateNo }, m_settings.AutoPS != 0 ? 0 : 1);
    showOption({ m_auto.rtUpdateYes, m_auto.rtUpdateNo }, m_settings.RTSwitch != 0 ? 0 : 1);
    showOption({ m_auto.updateType.begin(), m_auto.updateType.end() }, m_settings.AutoPS);
    // The mode panel always starts on "Mode 0 (Normal)"; the stored mode is
    // sent all the same. The transmitter options start on Stereo, 50uS, Rack D.
    for (int position : { 0, 8, 9, 13 })
        showChecked(m_hidden.modeOptions[static_cast<std::size_t>(position)], true);
    m_filling = false;

    // Messages 4 .. 8 follow every change of their text, so showing the
    // stored text fits them; messages 1 .. 3 keep their stored case.
    for (int k = 0; k < kMessageCount; ++k) {
        if (messageFitsWhileTyping(k)) {
            QLineEdit *field = m_messages.messages[static_cast<std::size_t>(k)];
            const QString fitted = FitLongText(field->text());
            showText(field, fitted);
            m_settings.MG[static_cast<std::size_t>(k)] = fitted;
        }
    }
    if (!repaired.isEmpty())
        setStatusText(tr("Stored values that no list can show were reset to their defaults: %1")
                          .arg(repaired.join(QStringLiteral(", "))));
    saveUnasked();
}

void Form1::runPiHandler(QComboBox *selector)
{
    if (m_filling)
        return;
    const QString text = selector->currentText();
    if (selector == m_pi.country) {
        if (const auto value = countryCodeFromText(text))
            m_settings.CountryCode = *value;
    } else if (selector == m_pi.areaCoverage) {
        if (const auto value = areaCoverageFromText(text))
            m_settings.AreaCoverage = *value;
    } else if (selector == m_pi.ecc) {
        if (const auto value = eccFromText(text))
            m_settings.ECC = *value;
    } else if (selector == m_pi.pty) {
        if (const auto value = ptyFromText(text))
            m_settings.PTY = *value;
    } else if (selector == m_pi.programReference) {
        const int position = selector->currentIndex();
        if (position >= 0 && programReferencePosition(static_cast<qint16>(position)) >= 0)
            m_settings.ProgramReference = static_cast<qint16>(position);
    }
    saveAllSettings();
}

void Form1::runFlagHandler(std::size_t pair)
{
    m_settings.*kFlagPairs[pair].field = flagValue(m_pi.flags[pair].one->isChecked());
    saveAllSettings();
}

void Form1::runAfHandler(int index)
{
    if (m_filling)
        return;
    AfCodes codes {};
    for (std::size_t n = 0; n < codes.size(); ++n)
        codes[n] = static_cast<qint16>(std::max(0, m_pi.af[n]->currentIndex()));
    codes = afterAfChange(codes, index);
    const AfEnabled enabled = afListsEnabled(codes);
    for (std::size_t n = 0; n < codes.size(); ++n) {
        if (m_pi.af[n]->currentIndex() != codes[n])
            showPosition(m_pi.af[n], codes[n]);
        m_pi.af[n]->setEnabled(enabled[n]);
    }
    m_settings.AF = codes;
    saveAllSettings();
}

void Form1::commitLabels()
{
    if (m_filling)
        return;
    LabelTexts shown;
    for (std::size_t i = 0; i < shown.size(); ++i)
        shown[i] = m_labels.labels[i]->text();
    const LabelTexts fitted = zorvan::commitLabels(shown, m_settings);
    for (std::size_t i = 0; i < fitted.size(); ++i)
        showText(m_labels.labels[i], fitted[i]);
    saveAllSettings();
}

void Form1::commitDelays()
{
    if (m_filling)
        return;
    DelayPositions positions {};
    for (std::size_t i = 0; i < positions.size(); ++i)
        positions[i] = m_labels.delays[i]->currentIndex();
    zorvan::commitDelays(
        positions, m_auto.autoDelay->currentIndex(), m_labels.setAllDelay->currentIndex(), m_settings);
    saveAllSettings();
}

void Form1::setAllDelays()
{
    const DelayPositions positions = zorvan::setAllDelays(m_labels.setAllDelay->currentIndex(), m_settings);
    for (std::size_t i = 0; i < positions.size(); ++i)
        showPosition(m_labels.delays[i], positions[i]);
    saveAllSettings();
}

void Form1::commitSetAllDelay()
{
    if (m_filling)
        return;
    const int position = m_labels.setAllDelay->currentIndex();
    if (position >= 0)
        m_settings.SETTOSAMEDELAY = static_cast<qint16>(position);
    saveAllSettings();
}

void Form1::commitMessage(int index)
{
    if (m_filling)
        return;
    QLineEdit *field = m_messages.messages[static_cast<std::size_t>(index)];
    const QString fitted = FitLongText(field->text());
    showText(field, fitted);
    m_settings.MG[static_cast<std::size_t>(index)] = fitted;
    saveAllSettings();
}

void Form1::runModeHandler()
{
    std::array<bool, kModeCount> selected {};
    for (std::size_t position = 0; position < selected.size(); ++position)
        selected[position] = m_hidden.modeOptions[position]->isChecked();
    if (const auto mode = modeFromOptions(selected))
        m_settings.MODE = *mode;
    saveAllSettings();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    const bool click = event->type() == QEvent::MouseButtonPress;
    const bool leave = event->type() == QEvent::FocusOut;
    if (!click && !leave)
        return QMainWindow::eventFilter(watched, event);

    if (indexOf(m_labels.labels, watched) >= 0) {
        commitLabels();
    } else if (const int message = indexOf(m_messages.messages, watched); message >= 0) {
        if (leave || !messageFitsWhileTyping(message))
            commitMessage(message);
    } else if (watched == m_pi.programReference && leave) {
        runPiHandler(m_pi.programReference);
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace zorvan
