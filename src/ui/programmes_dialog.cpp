#include "ui/programmes_dialog.h"

#include "ui/single_window.h"

#include "model/list_choice.h"
#include "model/text_rules.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace zorvan {

namespace {

QPointer<ProgrammesDialog> s_dialog;

// The board's radio text holds 64 characters.
constexpr int kRadioTextLength = 64;

QString timeText(const QTime &time)
{
    return time.toString(QStringLiteral("HH:mm"));
}

} // namespace

ProgrammesDialog::ProgrammesDialog(Station &station, QWidget *parent)
    : QDialog(parent)
    , m_station(station)
    , m_programmes(station.programmes())
    , m_table(new QTableWidget(0, ColumnCount, this))
    , m_labels(new QTableWidget(kLabelCount, 2, this))
    , m_radioText(new QLineEdit(this))
    , m_inForce(new QLabel(this))
{
    setObjectName(QStringLiteral("ProgrammesDialog"));
    setWindowTitle(tr("Programmes"));

    m_table->setObjectName(QStringLiteral("ProgrammeTable"));
    m_table->setHorizontalHeaderLabels(
        { tr("Name"), tr("Days"), tr("Start"), tr("End"), tr("Follow songs") });
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    m_table->verticalHeader()->hide();
    m_table->setToolTip(tr("Days like Mon-Fri or Sat,Sun; times HH:MM in the computer's time. An end at or "
                           "before the start runs past midnight. Where two overlap, the later start wins."));
    auto *add = new QPushButton(tr("Add"), this);
    add->setObjectName(QStringLiteral("AddProgramme"));
    auto *remove = new QPushButton(tr("Remove"), this);
    remove->setObjectName(QStringLiteral("RemoveProgramme"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);

    auto *texts = new QGroupBox(tr("Texts of the programme chosen (empty: the station's)"), this);
    m_labels->setObjectName(QStringLiteral("ProgrammeLabels"));
    m_labels->setHorizontalHeaderLabels({ tr("Label"), tr("Delay") });
    m_labels->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    QStringList delays { tr("station's") };
    delays << delayEntries();
    for (int i = 0; i < kLabelCount; ++i) {
        auto *label = new QLineEdit(m_labels);
        label->setObjectName(QStringLiteral("ProgrammeLabel_%1").arg(i));
        label->setMaxLength(kPsLabelLength);
        connect(label, &QLineEdit::editingFinished, this, [this, i] { labelEdited(i); });
        m_labels->setCellWidget(i, 0, label);
        auto *delay = new QComboBox(m_labels);
        delay->setObjectName(QStringLiteral("ProgrammeDelay_%1").arg(i));
        delay->addItems(delays);
        connect(delay, &QComboBox::activated, this, [this, i](int position) { delayChosen(i, position); });
        m_labels->setCellWidget(i, 1, delay);
    }
    m_radioText->setObjectName(QStringLiteral("ProgrammeRadioText"));
    m_radioText->setMaxLength(kRadioTextLength);
    connect(m_radioText, &QLineEdit::editingFinished, this, &ProgrammesDialog::radioTextEdited);
    auto *textsLayout = new QVBoxLayout(texts);
    textsLayout->addWidget(m_labels, 1);
    textsLayout->addWidget(new QLabel(tr("Radio text (RT)"), texts));
    textsLayout->addWidget(m_radioText);

    m_inForce->setObjectName(QStringLiteral("ProgrammeInForce"));
    auto *close = new QPushButton(tr("Close"), this);
    close->setObjectName(QStringLiteral("CloseButton"));
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_inForce, 1);
    bottom->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    layout->addWidget(texts, 2);
    layout->addLayout(bottom);
    resize(620, 640);

    showProgrammes();
    connect(m_table, &QTableWidget::cellChanged, this, &ProgrammesDialog::programmeEdited);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &ProgrammesDialog::showTexts);
    connect(add, &QPushButton::clicked, this, &ProgrammesDialog::add);
    connect(remove, &QPushButton::clicked, this, &ProgrammesDialog::remove);
    connect(&station, &Station::changed, this, [this](unsigned changes) {
        if (changes & (Station::Editors | Station::Status))
            showInForce();
    });
}

void ProgrammesDialog::showProgrammes()
{
    const QSignalBlocker blocker(m_table);
    const int keep = chosen();
    m_table->setRowCount(static_cast<int>(m_programmes.size()));
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const Programme &programme = m_programmes[static_cast<std::size_t>(row)];
        const QString cells[] = { programme.name, programmeDaysText(programme.days),
            timeText(programme.start), timeText(programme.end) };
        for (int column = NameColumn; column < FollowColumn; ++column)
            m_table->setItem(row, column, new QTableWidgetItem(cells[column]));
        auto *follow = new QTableWidgetItem;
        follow->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        follow->setCheckState(programme.followSongs ? Qt::Checked : Qt::Unchecked);
        m_table->setItem(row, FollowColumn, follow);
    }
    if (m_table->rowCount() > 0)
        m_table->selectRow(std::clamp(keep, 0, m_table->rowCount() - 1));
    showTexts();
    showInForce();
}

void ProgrammesDialog::showTexts()
{
    const int row = chosen();
    const bool any = row >= 0;
    m_labels->setEnabled(any);
    m_radioText->setEnabled(any);
    const StationSettings &record = m_station.record();
    for (int i = 0; i < kLabelCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        auto *label = static_cast<QLineEdit *>(m_labels->cellWidget(i, 0));
        auto *delay = static_cast<QComboBox *>(m_labels->cellWidget(i, 1));
        const QSignalBlocker labelBlocker(label);
        const QSignalBlocker delayBlocker(delay);
        const Programme *programme = any ? &m_programmes[static_cast<std::size_t>(row)] : nullptr;
        label->setText(programme && programme->labels[at] ? *programme->labels[at] : QString());
        label->setPlaceholderText(record.PS[at]);
        delay->setCurrentIndex(programme && programme->delays[at] ? *programme->delays[at] + 1 : 0);
    }
    const QSignalBlocker blocker(m_radioText);
    m_radioText->setText(any && m_programmes[static_cast<std::size_t>(row)].radioText
            ? *m_programmes[static_cast<std::size_t>(row)].radioText
            : QString());
    m_radioText->setPlaceholderText(record.RT);
}

void ProgrammesDialog::showInForce()
{
    const std::optional<QString> &name = m_station.programmeInForce();
    const QString text = name ? tr("In force: %1").arg(*name) : tr("In force: none");
    if (m_inForce->text() != text)
        m_inForce->setText(text);
}

int ProgrammesDialog::chosen() const
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (rows.isEmpty() || rows.first().row() >= static_cast<int>(m_programmes.size()))
        return -1;
    return rows.first().row();
}

void ProgrammesDialog::programmeEdited(int row, int column)
{
    if (row < 0 || row >= static_cast<int>(m_programmes.size()))
        return;
    Programme &programme = m_programmes[static_cast<std::size_t>(row)];
    const QTableWidgetItem *item = m_table->item(row, column);
    const QString text = item ? item->text() : QString();
    bool usable = true;
    switch (column) {
    case NameColumn:
        usable = !text.trimmed().isEmpty();
        if (usable)
            programme.name = text.trimmed();
        break;
    case DaysColumn:
        if (const auto days = parseProgrammeDays(text))
            programme.days = *days;
        else
            usable = false;
        break;
    case StartColumn:
    case EndColumn:
        if (const auto time = parseProgrammeTime(text))
            (column == StartColumn ? programme.start : programme.end) = *time;
        else
            usable = false;
        break;
    case FollowColumn:
        programme.followSongs = item && item->checkState() == Qt::Checked;
        break;
    }
    if (usable)
        commit();
    // What could not be used is put back; what could is shown in its
    // written form ("7:00" as "07:00").
    const QSignalBlocker blocker(m_table);
    const QString shown[] = { programme.name, programmeDaysText(programme.days), timeText(programme.start),
        timeText(programme.end) };
    if (column < FollowColumn && item && item->text() != shown[column])
        m_table->item(row, column)->setText(shown[column]);
}

void ProgrammesDialog::labelEdited(int index)
{
    const int row = chosen();
    if (row < 0)
        return;
    auto *field = static_cast<QLineEdit *>(m_labels->cellWidget(index, 0));
    std::optional<QString> &label
        = m_programmes[static_cast<std::size_t>(row)].labels[static_cast<std::size_t>(index)];
    // The PS pages' rule: 8 characters, padded with blanks, case kept.
    const std::optional<QString> fitted
        = field->text().isEmpty() ? std::nullopt : std::optional(FitPsLabel(field->text()));
    if (fitted != label) {
        label = fitted;
        commit();
    }
    if (fitted && field->text() != *fitted)
        field->setText(*fitted);
}

void ProgrammesDialog::delayChosen(int index, int position)
{
    const int row = chosen();
    if (row < 0)
        return;
    m_programmes[static_cast<std::size_t>(row)].delays[static_cast<std::size_t>(index)]
        = position <= 0 ? std::nullopt : std::optional<qint16>(static_cast<qint16>(position - 1));
    commit();
}

void ProgrammesDialog::radioTextEdited()
{
    const int row = chosen();
    if (row < 0)
        return;
    const QString typed = m_radioText->text();
    const std::optional<QString> text = typed.isEmpty() ? std::nullopt : std::optional(FitLongText(typed));
    std::optional<QString> &stored = m_programmes[static_cast<std::size_t>(row)].radioText;
    if (text != stored) {
        stored = text;
        commit();
    }
    if (text && typed != *text)
        m_radioText->setText(*text);
}

void ProgrammesDialog::add()
{
    Programme programme;
    programme.name = tr("Programme %1").arg(m_programmes.size() + 1);
    programme.days = { true, true, true, true, true, false, false };
    programme.start = QTime(7, 0);
    programme.end = QTime(9, 0);
    // Until it has texts of its own, one that follows songs changes nothing.
    programme.followSongs = true;
    m_programmes.push_back(programme);
    commit();
    showProgrammes();
    m_table->selectRow(m_table->rowCount() - 1);
}

void ProgrammesDialog::remove()
{
    const int row = chosen();
    if (row < 0)
        return;
    m_programmes.erase(m_programmes.begin() + row);
    commit();
    showProgrammes();
}

void ProgrammesDialog::commit()
{
    m_station.setProgrammes(m_programmes);
}

ProgrammesDialog *ProgrammesDialog::open(Station &station, QWidget *parent)
{
    return openSingleWindow(s_dialog, station, parent);
}

} // namespace zorvan
