#include "ui/form1.h"

#include "model/af_list.h"
#include "model/flag_pairs.h"
#include "model/label_list.h"
#include "model/list_choice.h"
#include "model/pi_code.h"
#include "model/pty_table.h"
#include "model/window_pages.h"
#include "station/driver_options.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QVBoxLayout>

namespace zorvan {

namespace {

constexpr int kFontPointSize = 8;
constexpr int kRowHeight = 20;
constexpr int kHelpButtonSize = 20;

const QString kOnlyEightSymbols = QStringLiteral("Only 8 symbols may be entered!");
const QString kBrowseToolTip = QStringLiteral("Browse for file name with song name");

template <class Widget> Widget *named(Widget *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

QString arrayName(const char *name, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

QString withoutMnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// A caption beside a field: the field takes the caption as its accessible
// name, and the label points at it so screen readers pair them.
QLabel *captionFor(QWidget *field, const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setBuddy(field);
    field->setAccessibleName(withoutMnemonic(caption));
    return label;
}

QComboBox *makeList(QWidget *parent, const QString &name, const QStringList &entries, bool editable)
{
    auto *list = named(new QComboBox(parent), name);
    list->setEditable(editable);
    if (editable) {
        // The entries are matched by exact text; completion would type
        // another entry than the one the operator meant.
        list->setInsertPolicy(QComboBox::NoInsert);
        list->setCompleter(nullptr);
    }
    list->addItems(entries);
    list->setMaxVisibleItems(12);
    return list;
}

QGroupBox *makeGroup(QWidget *parent, const QString &caption)
{
    return new QGroupBox(caption, parent);
}

QFrame *makePagePanel(QWidget *parent)
{
    auto *page = new QFrame(parent);
    page->setFrameShape(QFrame::StyledPanel);
    return page;
}

template <class Layout> Layout *compact(Layout *layout)
{
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    return layout;
}

QLabel *makePicture(
    QWidget *parent, const QString &name, const QString &resource, const QString &fallback, const QSize &size)
{
    auto *picture = named(new QLabel(parent), name);
    picture->setAlignment(Qt::AlignCenter);
    picture->setFixedSize(size);
    const QPixmap pixmap(resource);
    if (pixmap.isNull()) {
        picture->setFrameShape(QFrame::StyledPanel);
        picture->setWordWrap(true);
        picture->setText(fallback);
    } else {
        picture->setPixmap(pixmap.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    picture->setAccessibleName(fallback);
    return picture;
}

QRadioButton *makeOption(QWidget *parent, const QString &name, const QString &caption)
{
    auto *option = named(new QRadioButton(caption, parent), name);
    return option;
}

} // namespace

void Form1::buildWindow()
{
    QFont windowFont = font();
    windowFont.setPointSize(kFontPointSize);
    setFont(windowFont);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);

    m_tabStrip = named(new QTabBar(central), QStringLiteral("TabStrip1"));
    m_tabStrip->setExpanding(false);
    m_tabStrip->setDrawBase(false);
    m_tabStrip->setElideMode(Qt::ElideNone);
    // The seven captions have to fit beside the right-hand column.
    m_tabStrip->setStyleSheet(QStringLiteral(
        "QTabBar::tab { padding: 3px 5px; border: 1px solid palette(mid); border-bottom: none;"
        " border-top-left-radius: 3px; border-top-right-radius: 3px; background: palette(button); }"
        "QTabBar::tab:selected { background: palette(window); margin-bottom: -1px; }"
        "QTabBar::tab:!selected { margin-top: 2px; }"));
    for (const TabPage &tab : kTabPages) {
        const int index = m_tabStrip->addTab(QString::fromLatin1(tab.caption));
        if (*tab.toolTip)
            m_tabStrip->setTabToolTip(index, QString::fromLatin1(tab.toolTip));
    }
    m_tabStrip->setGeometry(twipsToPixels(135), twipsToPixels(60), twipsToPixels(6570), twipsToPixels(390));

    m_pagePanels = { buildPiPage(central), buildLabelPage(central, 0), buildLabelPage(central, 1),
        buildLabelPage(central, 2), buildMessagePage(central), buildAutoPage(central),
        buildAboutPage(central) };
    for (std::size_t page = 0; page < m_pagePanels.size(); ++page)
        m_pagePanels[page]->setObjectName(QString::fromLatin1(kTabPages[page].panelName));

    QWidget *right = buildRightColumn(central);
    right->setGeometry(twipsToPixels(6900), twipsToPixels(60), twipsToPixels(1785), twipsToPixels(5040));

    buildHiddenPanels(central);

    connect(m_tabStrip, &QTabBar::currentChanged, this, [this] { switchPage(); });
    switchPage();
}

void Form1::buildMenus()
{
    QMenu *fileMenu = named(menuBar()->addMenu(QStringLiteral("&File")), QStringLiteral("filemnu"));
    m_menus.setup = named(fileMenu->addAction(QStringLiteral("S&etup")), QStringLiteral("SetupMnu"));
    m_menus.log = named(fileMenu->addAction(QStringLiteral("Transmission log")), QStringLiteral("LogMnu"));
    m_menus.exit = named(fileMenu->addAction(QStringLiteral("E&xit")), QStringLiteral("Exitmnu"));
    connect(m_menus.exit, &QAction::triggered, this, &QWidget::close);

    QMenu *helpMenu = named(menuBar()->addMenu(QStringLiteral("&Help")), QStringLiteral("HelpMnu"));
    m_menus.about = named(helpMenu->addAction(QStringLiteral("&About")), QStringLiteral("Aboutmnu"));
}

QPushButton *Form1::makeHelpButton(QWidget *parent, int index, const QString &place)
{
    auto *button = new QPushButton(QStringLiteral("?"), parent);
    button->setFixedSize(kHelpButtonSize, kHelpButtonSize);
    button->setAccessibleName(tr("Help: %1").arg(place));
    if (index >= 0) {
        button->setObjectName(arrayName("Command1", index));
        m_helpButtons[static_cast<std::size_t>(index)] = button;
    }
    return button;
}

QWidget *Form1::buildPiPage(QWidget *parent)
{
    auto *page = makePagePanel(parent);
    m_pi.panel = page;
    auto *pageLayout = compact(new QGridLayout(page));

    auto *piGroup = makeGroup(page, QStringLiteral("PI code"));
    auto *piLayout = compact(new QGridLayout(piGroup));
    m_pi.country = makeList(piGroup, QStringLiteral("Combo2"), countryEntries(), true);
    m_pi.country->setToolTip(QStringLiteral("Country code"));
    m_pi.areaCoverage = makeList(piGroup, QStringLiteral("Combo1"), areaCoverageEntries(), true);
    m_pi.areaCoverage->setToolTip(QStringLiteral("Leave set to L (Local)"));
    m_pi.programReference = makeList(piGroup, QStringLiteral("Combo3"), programReferenceEntries(), false);
    m_pi.programReference->setToolTip(QStringLiteral("Usually assigned by the authorities, not critical"));
    m_pi.ecc = makeList(piGroup, QStringLiteral("Combo6"), eccEntries(), true);
    m_pi.ecc->setToolTip(QStringLiteral("Leave set to L (Local)"));
    const std::array<std::pair<QComboBox *, std::pair<const char *, int>>, 4> piRows { {
        { m_pi.country, { "Country", 0 } },
        { m_pi.areaCoverage, { "Area coverage", 1 } },
        { m_pi.programReference, { "Program reference", 2 } },
        { m_pi.ecc, { "Country - ECC", 14 } },
    } };
    int row = 0;
    for (const auto &[list, caption] : piRows) {
        const QString text = QString::fromLatin1(caption.first);
        piLayout->addWidget(captionFor(list, text, piGroup), row, 0);
        piLayout->addWidget(list, row, 1);
        piLayout->addWidget(makeHelpButton(piGroup, caption.second, text), row, 2);
        ++row;
    }
    pageLayout->addWidget(piGroup, 0, 0);

    auto *afGroup = makeGroup(page, QStringLiteral("AF - Alternative frequencies"));
    auto *afLayout = compact(new QGridLayout(afGroup));
    const QStringList frequencies = afEntries();
    const std::array<const char *, kAfCount> afNames { "Combo26", "Combo28", "Combo29", "Combo30", "Combo31",
        "Combo32", "Combo33" };
    for (int n = 0; n < kAfCount; ++n) {
        const auto slot = static_cast<std::size_t>(n);
        m_pi.af[slot] = makeList(afGroup, QLatin1String(afNames[slot]), frequencies, false);
        m_pi.afCaptions[slot] = captionFor(m_pi.af[slot], QStringLiteral("AF%1").arg(n + 1), afGroup);
        m_pi.afCaptions[slot]->setObjectName(arrayName("Label20", n));
        const int column = n < 4 ? 0 : 2;
        afLayout->addWidget(m_pi.afCaptions[slot], n % 4, column);
        afLayout->addWidget(m_pi.af[slot], n % 4, column + 1);
    }
    afLayout->addWidget(makeHelpButton(afGroup, 8, afGroup->title()), 3, 3, Qt::AlignRight);
    pageLayout->addWidget(afGroup, 0, 1);

    auto *a0Group = makeGroup(page, QStringLiteral("A0 setings"));
    auto *a0Layout = compact(new QGridLayout(a0Group));
    m_pi.pty = makeList(a0Group, QStringLiteral("Combo7"), ptyEntries(), true);
    auto *ptyRow = compact(new QHBoxLayout);
    ptyRow->addWidget(captionFor(m_pi.pty, QStringLiteral("Program type - PTY"), a0Group));
    ptyRow->addWidget(m_pi.pty, 1);
    ptyRow->addWidget(makeHelpButton(a0Group, 7, QStringLiteral("Program type - PTY")));
    ptyRow->addWidget(makeHelpButton(a0Group, 3, QStringLiteral("TP - Traffic program identification")));
    a0Layout->addLayout(ptyRow, 0, 0, 1, 4);

    // Help buttons of the flag frames, by pair (TP, TA, Music/Speech).
    const std::array<int, 3> flagHelp { 6, 4, 5 };
    for (std::size_t pair = 0; pair < kFlagPairs.size(); ++pair) {
        const FlagPair &flag = kFlagPairs[pair];
        auto *frame = makeGroup(a0Group, QString::fromLatin1(flag.frameCaption));
        auto *frameLayout = compact(new QHBoxLayout(frame));
        auto *one = makeOption(frame, QLatin1String(flag.oneName), QLatin1String(flag.oneCaption));
        auto *zero = makeOption(frame, QLatin1String(flag.zeroName), QLatin1String(flag.zeroCaption));
        const QString frameCaption = QString::fromLatin1(flag.frameCaption);
        one->setAccessibleName(QStringLiteral("%1: %2").arg(frameCaption, one->text()));
        zero->setAccessibleName(QStringLiteral("%1: %2").arg(frameCaption, zero->text()));
        frameLayout->addWidget(flag.oneShownFirst ? one : zero);
        frameLayout->addWidget(flag.oneShownFirst ? zero : one);
        if (pair < flagHelp.size())
            frameLayout->addWidget(makeHelpButton(frame, flagHelp[pair], frameCaption));
        m_pi.flags[pair] = { one, zero };
        const int flagRow = pair < 3 ? 1 : 2;
        const int flagColumn = pair < 3 ? static_cast<int>(pair) : static_cast<int>(pair) - 3;
        a0Layout->addWidget(frame, flagRow, flagColumn);
    }
    pageLayout->addWidget(a0Group, 1, 0, 1, 2);
    pageLayout->setRowStretch(2, 1);
    return page;
}

QWidget *Form1::buildLabelPage(QWidget *parent, int pageNumber)
{
    auto *page = makePagePanel(parent);
    m_labels.panels[static_cast<std::size_t>(pageNumber)] = page;
    auto *pageLayout = compact(new QGridLayout(page));

    const int editWidth = fontMetrics().averageCharWidth() * 9 + 8;
    auto addLabel = [&](QWidget *group, QGridLayout *layout, int index, int row, int column) {
        const auto slot = static_cast<std::size_t>(index);
        auto *label = named(new QLineEdit(group), arrayName("Text7", index));
        label->setFixedSize(editWidth, kRowHeight);
        label->setAccessibleName(tr("PS %1").arg(index));
        label->setToolTip(tr("PS %1").arg(index));
        auto *delay = makeList(group, arrayName("Combo5", index), delayEntries(), false);
        delay->setFixedHeight(kRowHeight);
        delay->setAccessibleName(tr("Delay of PS %1").arg(index));
        delay->setToolTip(tr("Delay of PS %1").arg(index));
        m_labels.labels[slot] = label;
        m_labels.delays[slot] = delay;
        layout->addWidget(label, row, column * 2);
        layout->addWidget(delay, row, column * 2 + 1);
    };
    auto fillGroup = [&](const LabelGroup &labelGroup, int rows) {
        auto *group = makeGroup(page, QString::fromLatin1(labelGroup.caption));
        auto *layout = compact(new QGridLayout(group));
        layout->setHorizontalSpacing(3);
        for (int k = 0; k < labelGroup.count; ++k)
            addLabel(group, layout, labelGroup.first + k, k % rows, k / rows);
        return std::pair { group, layout };
    };

    switch (pageNumber) {
    case 0: {
        const LabelGroup &staticGroup = kLabelGroups[0];
        auto *group = makeGroup(page, QString::fromLatin1(staticGroup.caption));
        auto *layout = compact(new QGridLayout(group));
        addLabel(group, layout, 0, 0, 1);
        auto *caption = captionFor(m_labels.labels[0], QStringLiteral("PS - Static:"), group);
        caption->setToolTip(kOnlyEightSymbols);
        layout->addWidget(caption, 0, 0);
        pageLayout->addWidget(group, 0, 0);

        auto *setAll = new QWidget(page);
        auto *setAllLayout = compact(new QHBoxLayout(setAll));
        m_labels.setAllDelay = makeList(setAll, QStringLiteral("Combo15"), delayEntries(), false);
        m_labels.setAllDelay->setAccessibleName(QStringLiteral("Set all to:"));
        m_labels.setAllButton
            = named(new QPushButton(QStringLiteral("Set all to:"), setAll), QStringLiteral("Command8"));
        setAllLayout->addWidget(m_labels.setAllButton);
        setAllLayout->addWidget(m_labels.setAllDelay);
        setAllLayout->addStretch(1);
        setAllLayout->addWidget(makeHelpButton(setAll, 10, QStringLiteral("PS - Program service name")));
        pageLayout->addWidget(setAll, 0, 1, Qt::AlignBottom);

        auto [dynamic, dynamicLayout] = fillGroup(kLabelGroups[1], 10);
        pageLayout->addWidget(dynamic, 1, 0, 1, 2);
        break;
    }
    case 1: {
        auto [dynamic, dynamicLayout] = fillGroup(kLabelGroups[2], 12);
        // The group holds 47 labels in four columns of twelve: the picture
        // takes the last place.
        m_labels.ps1Picture
            = makePicture(dynamic, QStringLiteral("PictureBoard"), QStringLiteral(":/product0.png"),
                QStringLiteral("ZORVAN Q500+"), QSize(editWidth + 36, kRowHeight));
        dynamicLayout->addWidget(m_labels.ps1Picture, 11, 6, 1, 2);
        pageLayout->addWidget(dynamic, 0, 0);
        break;
    }
    default: {
        auto [dynamic, dynamicLayout] = fillGroup(kLabelGroups[3], 6);
        pageLayout->addWidget(dynamic, 0, 0, Qt::AlignTop);
        auto *pictures = new QWidget(page);
        auto *picturesLayout = compact(new QGridLayout(pictures));
        for (int k = 0; k < 3; ++k) {
            m_labels.productPictures[static_cast<std::size_t>(k)] = makePicture(pictures,
                arrayName("PictureProduct", k), QStringLiteral(":/product%1.png").arg(k + 1),
                tr("ZORVAN Q500+ photograph %1").arg(k + 1), QSize(110, 95));
            picturesLayout->addWidget(
                m_labels.productPictures[static_cast<std::size_t>(k)], k < 2 ? 0 : 1, k < 2 ? k : 0);
        }
        pageLayout->addWidget(pictures, 0, 1, Qt::AlignTop);
        break;
    }
    }
    pageLayout->setRowStretch(pageLayout->rowCount(), 1);
    return page;
}

QWidget *Form1::buildMessagePage(QWidget *parent)
{
    auto *page = makePagePanel(parent);
    m_messages.panel = page;
    auto *pageLayout = compact(new QVBoxLayout(page));

    auto *messages = makeGroup(page, QStringLiteral("External Switchable Messages"));
    auto *messagesLayout = compact(new QGridLayout(messages));
    const std::array<const char *, kMessageCount> names { "Text4", "Text5", "Text6", "Text8", "Text9",
        "Text10", "Text11", "Text12" };
    for (int k = 0; k < kMessageCount; ++k) {
        const auto slot = static_cast<std::size_t>(k);
        auto *field = named(new QLineEdit(QStringLiteral("External Message No%1").arg(k + 1), messages),
            QLatin1String(names[slot]));
        field->setFixedHeight(kRowHeight);
        auto *caption = captionFor(field, messageCaption(k), messages);
        caption->setToolTip(kOnlyEightSymbols);
        messagesLayout->addWidget(caption, k, 0);
        messagesLayout->addWidget(field, k, 1);
        m_messages.messages[slot] = field;
    }
    m_messages.messagesHelp
        = named(makeHelpButton(messages, -1, messages->title()), QStringLiteral("Command3"));
    messagesLayout->addWidget(m_messages.messagesHelp, 0, 2);
    pageLayout->addWidget(messages);

    auto *clock = makeGroup(page, QStringLiteral("Computer time and date"));
    auto *clockLayout = compact(new QGridLayout(clock));
    auto *timeGroup = makeGroup(clock, QStringLiteral("PC Time"));
    m_messages.pcTime = named(new QLabel(QStringLiteral("12:22:59"), timeGroup), QStringLiteral("Label8"));
    m_messages.pcTime->setAccessibleName(QStringLiteral("PC Time"));
    compact(new QHBoxLayout(timeGroup))->addWidget(m_messages.pcTime);
    auto *dateGroup = makeGroup(clock, QStringLiteral("PC date"));
    m_messages.pcDate = named(new QLabel(QStringLiteral("12:22:59"), dateGroup), QStringLiteral("Label21"));
    m_messages.pcDate->setAccessibleName(QStringLiteral("PC date"));
    compact(new QHBoxLayout(dateGroup))->addWidget(m_messages.pcDate);
    m_messages.synchronizeTime
        = named(new QPushButton(QStringLiteral("Synchronize time"), clock), QStringLiteral("Command11"));
    m_messages.synchronizeTime->setToolTip(QStringLiteral("Click to send PC time to your RDS encoder"));
    m_messages.clockHelp = named(makeHelpButton(clock, -1, clock->title()), QStringLiteral("Command13"));
    // The board's clock drifts; the driver can set it again by itself.
    m_messages.clockSync = named(new QComboBox(clock), QStringLiteral("ClockSyncCombo"));
    for (const int minutes : kClockSyncChoices)
        m_messages.clockSync->addItem(
            minutes == 0 ? tr("never") : tr("every %n minute(s)", nullptr, minutes));
    m_messages.clockSync->setToolTip(tr("Sets the encoder's clock from the PC clock by itself"));
    auto *clockSyncCaption = captionFor(m_messages.clockSync, tr("Synchronize automatically:"), clock);
    clockLayout->addWidget(timeGroup, 0, 0);
    clockLayout->addWidget(dateGroup, 0, 1);
    clockLayout->addWidget(m_messages.synchronizeTime, 0, 2);
    clockLayout->addWidget(m_messages.clockHelp, 0, 3);
    clockLayout->addWidget(clockSyncCaption, 1, 0);
    clockLayout->addWidget(m_messages.clockSync, 1, 1, 1, 2);
    pageLayout->addWidget(clock);
    pageLayout->addStretch(1);
    return page;
}

QWidget *Form1::buildAutoPage(QWidget *parent)
{
    auto *page = makePagePanel(parent);
    m_auto.panel = page;
    auto *pageLayout = compact(new QVBoxLayout(page));
    auto *outer = makeGroup(page, QStringLiteral("Automatic PS and RT update"));
    outer->setToolTip(QStringLiteral("Reads radio text from a text file (use song name or any other text)"));
    pageLayout->addWidget(outer);
    auto *outerLayout = compact(new QGridLayout(outer));

    auto *rtGroup = makeGroup(outer, QStringLiteral("Auto update RT from txt file"));
    auto *rtLayout = compact(new QGridLayout(rtGroup));
    m_auto.rtSourcePath = named(new QLineEdit(rtGroup), QStringLiteral("Text2"));
    m_auto.rtSourcePath->setAccessibleName(tr("RT source file"));
    m_auto.browseRtSource
        = named(new QPushButton(QStringLiteral("..."), rtGroup), QStringLiteral("Command7"));
    m_auto.browseRtSource->setToolTip(kBrowseToolTip);
    m_auto.browseRtSource->setAccessibleName(kBrowseToolTip);
    m_auto.browseRtSource->setFixedWidth(28);
    m_auto.rtUpdateYes = makeOption(rtGroup, QStringLiteral("Option19"), QStringLiteral("Yes"));
    m_auto.rtUpdateNo = makeOption(rtGroup, QStringLiteral("Option20"), QStringLiteral("No"));
    for (QRadioButton *option : { m_auto.rtUpdateYes, m_auto.rtUpdateNo }) {
        option->setToolTip(QStringLiteral("Updates the RT whenever the file changes"));
        option->setAccessibleName(QStringLiteral("%1: %2").arg(rtGroup->title(), option->text()));
    }
    rtLayout->addWidget(m_auto.rtSourcePath, 0, 0, 1, 3);
    rtLayout->addWidget(m_auto.browseRtSource, 0, 3);
    rtLayout->addWidget(m_auto.rtUpdateYes, 1, 0);
    rtLayout->addWidget(m_auto.rtUpdateNo, 1, 1);
    rtLayout->addWidget(makeHelpButton(rtGroup, 11, rtGroup->title()), 1, 3, Qt::AlignRight);
    outerLayout->addWidget(rtGroup, 0, 0);

    auto *typeGroup = makeGroup(outer, QStringLiteral("Type of automatic PS and RT update"));
    auto *typeLayout = compact(new QGridLayout(typeGroup));
    const std::array<const char *, 3> typeCaptions { "Turn off", "Split into 9 separate PS", "Scroll PS" };
    for (int position = 2; position >= 0; --position) {
        auto *option = makeOption(typeGroup, arrayName("Option1", position),
            QLatin1String(typeCaptions[static_cast<std::size_t>(position)]));
        option->setAccessibleName(QStringLiteral("%1: %2").arg(typeGroup->title(), option->text()));
        m_auto.updateType[static_cast<std::size_t>(position)] = option;
        typeLayout->addWidget(option, 2 - position, 0, 1, 2);
    }
    m_auto.autoDelay = makeList(typeGroup, QStringLiteral("Combo13"), delayEntries(), false);
    typeLayout->addWidget(captionFor(m_auto.autoDelay, QStringLiteral("Delay:"), typeGroup), 3, 0);
    typeLayout->addWidget(m_auto.autoDelay, 3, 1, Qt::AlignLeft);
    outerLayout->addWidget(typeGroup, 0, 1);

    auto *rtTextGroup = makeGroup(outer, QStringLiteral("Radio text (RT)"));
    m_auto.radioText = named(new QLineEdit(rtTextGroup), QStringLiteral("Text1"));
    m_auto.radioText->setAccessibleName(rtTextGroup->title());
    compact(new QHBoxLayout(rtTextGroup))->addWidget(m_auto.radioText);
    // The radio text runs to 64 characters: give it the page's whole width.
    outerLayout->addWidget(rtTextGroup, 1, 0, 1, 2);

    auto *psGroup = makeGroup(outer, QStringLiteral("Auto update PS from txt file"));
    auto *psLayout = compact(new QGridLayout(psGroup));
    m_auto.insertDate
        = named(new QCheckBox(QStringLiteral("Insert DATE"), psGroup), QStringLiteral("Check4"));
    m_auto.insertDate->setToolTip(QStringLiteral("Inserts DATA into PS"));
    m_auto.psUpdateYes = makeOption(psGroup, QStringLiteral("Option24"), QStringLiteral("Yes"));
    m_auto.psUpdateNo = makeOption(psGroup, QStringLiteral("Option23"), QStringLiteral("No"));
    for (QRadioButton *option : { m_auto.psUpdateYes, m_auto.psUpdateNo }) {
        option->setToolTip(QStringLiteral("Updates the PS whenever the file changes"));
        option->setAccessibleName(QStringLiteral("%1: %2").arg(psGroup->title(), option->text()));
    }
    m_auto.psSourcePath = named(new QLineEdit(psGroup), QStringLiteral("Text3"));
    m_auto.psSourcePath->setAccessibleName(tr("PS source file"));
    m_auto.browsePsSource
        = named(new QPushButton(QStringLiteral("..."), psGroup), QStringLiteral("Command4"));
    m_auto.browsePsSource->setToolTip(kBrowseToolTip);
    m_auto.browsePsSource->setAccessibleName(kBrowseToolTip);
    m_auto.browsePsSource->setFixedWidth(28);
    m_auto.songDisplay = named(new QLabel(psGroup), QStringLiteral("Label5"));
    m_auto.songDisplay->setFrameShape(QFrame::StyledPanel);
    m_auto.songDisplay->setMinimumHeight(kRowHeight);
    m_auto.songDisplay->setAccessibleName(tr("Song text"));
    psLayout->addWidget(m_auto.psUpdateYes, 0, 0);
    psLayout->addWidget(m_auto.psUpdateNo, 0, 1);
    psLayout->addWidget(m_auto.insertDate, 0, 2);
    psLayout->addWidget(makeHelpButton(psGroup, 12, psGroup->title()), 0, 4, Qt::AlignRight);
    psLayout->addWidget(m_auto.psSourcePath, 1, 0, 1, 4);
    psLayout->addWidget(m_auto.browsePsSource, 1, 4);
    psLayout->addWidget(m_auto.songDisplay, 2, 0, 1, 5);
    // Where the song comes from, the text rules and the station's own texts
    // have a window of their own; the page shows which is on air.
    m_auto.onAir = named(new QLabel(psGroup), QStringLiteral("OnAirLabel"));
    m_auto.onAir->setAccessibleName(tr("On air"));
    m_auto.nowPlaying
        = named(new QPushButton(tr("Song source..."), psGroup), QStringLiteral("NowPlayingButton"));
    m_auto.nowPlaying->setToolTip(tr("Song file or media player, text rules, and the station's own texts"));
    m_auto.programmes
        = named(new QPushButton(tr("Programmes..."), psGroup), QStringLiteral("ProgrammesButton"));
    m_auto.programmes->setToolTip(tr("Shows with their own labels and radio text, by the clock"));
    psLayout->addWidget(m_auto.onAir, 3, 0, 1, 3);
    psLayout->addWidget(m_auto.nowPlaying, 3, 3, 1, 2);
    psLayout->addWidget(m_auto.programmes, 4, 3, 1, 2);
    outerLayout->addWidget(psGroup, 2, 0, 1, 2);
    outerLayout->setColumnStretch(0, 1);
    pageLayout->addStretch(1);
    return page;
}

QWidget *Form1::buildAboutPage(QWidget *parent)
{
    auto *page = makePagePanel(parent);
    m_about.panel = page;
    auto *layout = compact(new QGridLayout(page));
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setVerticalSpacing(6);

    m_about.logoPicture = makePicture(page, QStringLiteral("PictureAboutRds"),
        QStringLiteral(":/rds_board.png"), tr("RDS logo over a circuit board"), QSize(150, 120));
    m_about.boardPicture = makePicture(page, QStringLiteral("PictureAboutProduct"),
        QStringLiteral(":/product0.png"), tr("ZORVAN Q500+"), QSize(150, 120));
    layout->addWidget(m_about.logoPicture, 0, 0, 3, 1);
    layout->addWidget(m_about.boardPicture, 3, 0, 3, 1);

    auto *product = named(new QLabel(QStringLiteral("ZORVAN Q500+"), page), QStringLiteral("LabelProduct"));
    QFont productFont = product->font();
    productFont.setPointSize(16);
    productFont.setBold(true);
    product->setFont(productFont);
    layout->addWidget(product, 0, 1);
    layout->addWidget(
        named(new QLabel(QStringLiteral("Build 1.0, September 2012"), page), QStringLiteral("LabelBuild")), 1,
        1);

    const std::array<QString, 3> notices {
        tr("Copyright (c) 2012 KVL Systems inc. All rights reserved."),
        tr("ZORVAN and Q500+ are trademarks of KVL Systems inc."),
        tr("This program drives the ZORVAN Q500+ RDS encoder. It comes without warranty of any kind."),
    };
    for (std::size_t k = 0; k < notices.size(); ++k) {
        auto *notice = named(new QLabel(notices[k], page), arrayName("LabelNotice", static_cast<int>(k)));
        notice->setWordWrap(true);
        layout->addWidget(notice, 2 + static_cast<int>(k), 1);
    }
    m_about.webAddress = named(
        new QLabel(QStringLiteral("www.kvl-systems.com/zorvan-q500"), page), QStringLiteral("LabelWeb"));
    m_about.webAddress->setToolTip(QStringLiteral("Click to visit our website!"));
    layout->addWidget(m_about.webAddress, 5, 1);
    layout->setRowStretch(6, 1);
    layout->setColumnStretch(1, 1);
    return page;
}

QWidget *Form1::buildRightColumn(QWidget *parent)
{
    auto *column = named(new QFrame(parent), QStringLiteral("Frame2"));
    m_right.panel = column;
    auto *layout = compact(new QVBoxLayout(column));
    layout->setSpacing(4);

    m_right.rdsActive = named(new QCheckBox(QStringLiteral("RDS active"), column), QStringLiteral("Check1"));
    m_right.help = named(makeHelpButton(column, -1, tr("send buttons")), QStringLiteral("Command15"));
    m_right.help->setToolTip(QStringLiteral("Click for Help!"));
    auto *topRow = compact(new QHBoxLayout);
    topRow->setContentsMargins(0, 0, 0, 0);
    topRow->addWidget(m_right.rdsActive, 1);
    topRow->addWidget(m_right.help);
    layout->addLayout(topRow);

    m_right.sendRtAndPs
        = named(new QPushButton(QStringLiteral("Send RT and PS"), column), QStringLiteral("Command10"));
    m_right.sendSettings
        = named(new QPushButton(QStringLiteral("Send settings"), column), QStringLiteral("Command12"));
    m_right.trayAtStart
        = named(new QCheckBox(QStringLiteral("To tray at start"), column), QStringLiteral("Check5"));
    layout->addWidget(m_right.sendRtAndPs);
    layout->addWidget(m_right.sendSettings);
    layout->addWidget(m_right.trayAtStart);

    auto *preview = makeGroup(column, QStringLiteral("Preview"));
    auto *previewLayout = compact(new QGridLayout(preview));
    m_right.previewRt = makeOption(preview, QStringLiteral("Option21"), QStringLiteral("RT"));
    m_right.previewPs = makeOption(preview, QStringLiteral("Option22"), QStringLiteral("PS"));
    m_right.previewPs->setChecked(true);
    m_right.previewRt->setAccessibleName(QStringLiteral("Preview: RT"));
    m_right.previewPs->setAccessibleName(QStringLiteral("Preview: PS"));
    m_right.previewLabel
        = named(new QLabel(QString(8, QLatin1Char(' ')), preview), QStringLiteral("Label10"));
    QFont previewFont = QFont(QStringLiteral("Monospace"));
    previewFont.setStyleHint(QFont::TypeWriter);
    previewFont.setPointSize(11);
    previewFont.setBold(true);
    m_right.previewLabel->setFont(previewFont);
    m_right.previewLabel->setFrameShape(QFrame::Panel);
    m_right.previewLabel->setFrameShadow(QFrame::Sunken);
    m_right.previewLabel->setAlignment(Qt::AlignCenter);
    m_right.previewLabel->setAccessibleName(tr("Preview"));
    m_right.previewHelp = named(makeHelpButton(preview, -1, preview->title()), QStringLiteral("Command17"));
    previewLayout->addWidget(m_right.previewRt, 0, 0);
    previewLayout->addWidget(m_right.previewPs, 0, 1);
    previewLayout->addWidget(m_right.previewHelp, 0, 2);
    previewLayout->addWidget(m_right.previewLabel, 1, 0, 1, 3);
    layout->addWidget(preview);

    m_right.moveToTray
        = named(new QPushButton(QStringLiteral("Move To Tray"), column), QStringLiteral("Command2"));
    layout->addWidget(m_right.moveToTray);
    layout->addStretch(1);
    m_right.progress = named(new QProgressBar(column), QStringLiteral("ProgressBar1"));
    m_right.progress->setRange(0, 21);
    m_right.progress->setValue(0);
    m_right.progress->setTextVisible(false);
    m_right.progress->setAccessibleName(tr("Transmission progress"));
    layout->addWidget(m_right.progress);
    return column;
}

void Form1::buildHiddenPanels(QWidget *parent)
{
    auto *modePanel
        = named(makeGroup(parent, QStringLiteral("Switch delay")), QStringLiteral("FrameSwitchDelay"));
    m_hidden.modePanel = modePanel;
    auto *modeLayout = compact(new QVBoxLayout(modePanel));
    auto *switchDelayRow = compact(new QHBoxLayout);
    switchDelayRow->addWidget(named(new QComboBox(modePanel), QStringLiteral("ComboSwitchDelay")));
    switchDelayRow->addWidget(
        named(new QPushButton(tr("Set"), modePanel), QStringLiteral("CommandSwitchDelay")));
    modeLayout->addLayout(switchDelayRow);
    auto *modeFrame = named(makeGroup(modePanel, QStringLiteral("ZORVAN 30 mode selection")),
        QStringLiteral("FrameModeSelection"));
    auto *modeFrameLayout = compact(new QVBoxLayout(modeFrame));
    const std::array<const char *, kModeCount> modeCaptions {
        "Mode 0 (Normal)",
        "Mode 1 (Normal + CT)",
        "Mode 2 (Jazler)",
        "Mode 3 (Jazler + CT)",
        "Mode 4 (turbo PS, no RT)",
        "Mode 5 (turbo PS + RT)",
    };
    for (int position = 0; position < kModeCount; ++position) {
        auto *option = makeOption(modeFrame, arrayName("OptionMode", position),
            QLatin1String(modeCaptions[static_cast<std::size_t>(position)]));
        m_hidden.modeOptions[static_cast<std::size_t>(position)] = option;
        modeFrameLayout->addWidget(option);
    }
    m_hidden.setMode
        = named(new QPushButton(QStringLiteral("Set MODE"), modeFrame), QStringLiteral("CommandSetMode"));
    modeFrameLayout->addWidget(m_hidden.setMode);
    modeLayout->addWidget(modeFrame);
    modePanel->setGeometry(twipsToPixels(17160), 0, 200, 260);
    modePanel->hide();

    auto *transmitter = named(new QFrame(parent), QStringLiteral("TransmitterPanel"));
    m_hidden.transmitterPanel = transmitter;
    auto *txLayout = compact(new QGridLayout(transmitter));
    struct OptionFrame {
        const char *caption;
        std::vector<std::pair<int, const char *>> options;
    };
    const std::array<OptionFrame, 3> optionFrames { {
        { "Stereo/Mono", { { 7, "Mono" }, { 8, "Stereo" } } },
        { "Preemphasis", { { 9, "50uS" }, { 10, "75uS" } } },
        { "FM Transmitter Type", { { 11, "Card B" }, { 12, "Rack C" }, { 13, "Rack D" }, { 14, "Card A" } } },
    } };
    int column = 0;
    for (const OptionFrame &optionFrame : optionFrames) {
        auto *frame = makeGroup(transmitter, QString::fromLatin1(optionFrame.caption));
        auto *frameLayout = compact(new QVBoxLayout(frame));
        for (const auto &[position, caption] : optionFrame.options) {
            auto *option = makeOption(frame, arrayName("OptionMode", position), QLatin1String(caption));
            m_hidden.modeOptions[static_cast<std::size_t>(position)] = option;
            frameLayout->addWidget(option);
        }
        txLayout->addWidget(frame, 0, column++);
    }
    auto *audio = makeGroup(transmitter, QStringLiteral("FM transmitter frequency and audio settings"));
    auto *audioLayout = compact(new QGridLayout(audio));
    auto *compressor = makeGroup(audio, QStringLiteral("Audio Compressor Settings"));
    auto *compressorLayout = compact(new QGridLayout(compressor));
    const std::array<const char *, 4> compressorLists { "Compression:", "Interval:", "Decay:", "Attack:" };
    int row = 0;
    for (const char *caption : compressorLists) {
        auto *list = new QComboBox(compressor);
        compressorLayout->addWidget(captionFor(list, QLatin1String(caption), compressor), row, 0);
        compressorLayout->addWidget(list, row++, 1);
    }
    compressorLayout->addWidget(makeHelpButton(compressor, 9, compressor->title()), 0, 2);
    audioLayout->addWidget(compressor, 0, 0);
    auto *tone = makeGroup(audio, QStringLiteral("Bass and Treble"));
    auto *toneLayout = compact(new QGridLayout(tone));
    row = 0;
    for (const char *caption : { "Bass:", "Treble:" }) {
        auto *list = new QComboBox(tone);
        toneLayout->addWidget(captionFor(list, QLatin1String(caption), tone), row, 0);
        toneLayout->addWidget(list, row++, 1);
    }
    audioLayout->addWidget(tone, 0, 1);
    row = 1;
    for (const char *caption : { "Transmitter output power", "Transmitter freq." }) {
        auto *field = new QLineEdit(audio);
        audioLayout->addWidget(captionFor(field, QLatin1String(caption), audio), row, 0);
        audioLayout->addWidget(field, row++, 1);
    }
    m_hidden.updateTx
        = named(new QPushButton(QStringLiteral("Update TX"), audio), QStringLiteral("CommandUpdateTX"));
    audioLayout->addWidget(m_hidden.updateTx, row, 1);
    txLayout->addWidget(audio, 1, 0, 1, 3);
    transmitter->setGeometry(twipsToPixels(17160), 270, 420, 300);
    transmitter->hide();
}

} // namespace zorvan
