#include "ui/now_playing_dialog.h"

#include "ui/single_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace zorvan {

namespace {

QPointer<NowPlayingDialog> s_dialog;

// Minutes without a new song before the station's own texts go on air.
constexpr int kFallbackChoices[] = { 0, 5, 10, 15, 20, 30, 45, 60, 120 };

} // namespace

NowPlayingDialog::NowPlayingDialog(Station &station, QWidget *parent)
    : QDialog(parent)
    , m_station(station)
    , m_fromFile(new QRadioButton(tr("the song file of \"Auto update PS from txt file\""), this))
    , m_fromPlayer(new QRadioButton(tr("a media player:"), this))
    , m_player(new QComboBox(this))
    , m_fromNetwork(new QRadioButton(tr("the network (a play-out's HTTP, TCP or UDP output):"), this))
    , m_httpListen(new QLineEdit(this))
    , m_lineListen(new QLineEdit(this))
    , m_token(new QLineEdit(this))
    , m_lineSeparator(new QLineEdit(this))
    , m_lineFields(new QLineEdit(this))
    , m_fallbackMinutes(new QComboBox(this))
    , m_fallbackOnEmpty(
          new QCheckBox(tr("at once while the song is empty (empty file, player stopped)"), this))
    , m_rules(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("NowPlayingDialog"));
    setWindowTitle(tr("Song source"));

    auto *origin = new QGroupBox(tr("The song comes from"), this);
    m_fromFile->setObjectName(QStringLiteral("FromFile"));
    m_fromPlayer->setObjectName(QStringLiteral("FromPlayer"));
    m_player->setObjectName(QStringLiteral("PlayerName"));
    m_player->setEditable(true);
    m_player->setInsertPolicy(QComboBox::NoInsert);
    m_player->setCompleter(nullptr);
    m_player->lineEdit()->setPlaceholderText(tr("any player that plays"));
    m_player->setToolTip(tr("A media player on this desktop (MPRIS), by name; empty: whichever plays"));
    m_fromNetwork->setObjectName(QStringLiteral("FromNetwork"));
    const std::pair<QLineEdit *, const char *> networkEdits[] = {
        { m_httpListen, "HttpListen" },
        { m_lineListen, "LineListen" },
        { m_token, "Token" },
        { m_lineSeparator, "LineSeparator" },
        { m_lineFields, "LineFields" },
    };
    for (const auto &[edit, name] : networkEdits) {
        edit->setObjectName(QLatin1String(name));
        connect(edit, &QLineEdit::editingFinished, this, &NowPlayingDialog::networkEdited);
    }
    m_httpListen->setPlaceholderText(tr("off"));
    m_httpListen->setToolTip(tr("address:port of GET /nowplaying?artist=..&title=.. and of the web page"));
    m_lineListen->setPlaceholderText(tr("off"));
    m_lineListen->setToolTip(tr("address:port taking one song a line over TCP and one a datagram over UDP"));
    m_token->setPlaceholderText(tr("none: loopback addresses only"));
    m_token->setToolTip(tr("Needed to listen on any address but loopback; sent as \"Authorization: Bearer "
                           "TOKEN\" or as token= in the address"));
    m_token->setEchoMode(QLineEdit::PasswordEchoOnEdit);
    m_lineSeparator->setPlaceholderText(tr("none: read as the song file"));
    m_lineSeparator->setMaxLength(8);
    m_lineFields->setPlaceholderText(tr("artist,title, e.g. 3,4"));
    auto *network = new QFormLayout;
    network->addRow(tr("HTTP on"), m_httpListen);
    network->addRow(tr("Lines (TCP, UDP) on"), m_lineListen);
    network->addRow(tr("Token"), m_token);
    network->addRow(tr("Line separator"), m_lineSeparator);
    network->addRow(tr("Artist and title fields"), m_lineFields);
    auto *originLayout = new QGridLayout(origin);
    originLayout->addWidget(m_fromFile, 0, 0, 1, 2);
    originLayout->addWidget(m_fromPlayer, 1, 0);
    originLayout->addWidget(m_player, 1, 1);
    originLayout->addWidget(m_fromNetwork, 2, 0, 1, 2);
    originLayout->addLayout(network, 3, 0, 1, 2);

    auto *fallback = new QGroupBox(tr("The station's own labels and radio text go back on air"), this);
    m_fallbackMinutes->setObjectName(QStringLiteral("FallbackMinutes"));
    for (const int minutes : kFallbackChoices)
        m_fallbackMinutes->addItem(minutes == 0
                ? tr("never after a time")
                : tr("after %n minute(s) without a new song", nullptr, minutes));
    m_fallbackOnEmpty->setObjectName(QStringLiteral("FallbackOnEmpty"));
    auto *fallbackLayout = new QVBoxLayout(fallback);
    fallbackLayout->addWidget(m_fallbackMinutes);
    fallbackLayout->addWidget(m_fallbackOnEmpty);
    fallbackLayout->addWidget(
        new QLabel(tr("They are the labels and radio text last set on the PS and RT pages "
                      "or sent with \"Send RT and PS\"."),
            fallback));

    auto *rules = new QGroupBox(tr("Text rules"), this);
    m_rules->setObjectName(QStringLiteral("SongRules"));
    m_rules->setPlaceholderText(QStringLiteral("feat. => ft\n(Radio Edit) =>\n& => AND\n!JINGLE*"));
    m_rules->installEventFilter(this);
    auto *rulesHelp = new QLabel(tr("One rule a line. \"from => to\" replaces text in the song before it is "
                                    "split into labels (no matter the case); \"!pattern\" keeps a song that "
                                    "matches it off the air (* any text, ? one character)."),
        rules);
    rulesHelp->setWordWrap(true);
    auto *rulesLayout = new QVBoxLayout(rules);
    rulesLayout->addWidget(rulesHelp);
    rulesLayout->addWidget(m_rules);

    auto *close = new QPushButton(tr("Close"), this);
    close->setObjectName(QStringLiteral("CloseButton"));
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(origin);
    layout->addWidget(fallback);
    layout->addWidget(rules, 1);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(520, 460);

    showChoices(station);
    connect(m_fromFile, &QRadioButton::clicked, this, &NowPlayingDialog::originChosen);
    connect(m_fromPlayer, &QRadioButton::clicked, this, &NowPlayingDialog::originChosen);
    connect(m_fromNetwork, &QRadioButton::clicked, this, &NowPlayingDialog::originChosen);
    connect(m_player, &QComboBox::activated, this, &NowPlayingDialog::originChosen);
    connect(m_player->lineEdit(), &QLineEdit::editingFinished, this, &NowPlayingDialog::originChosen);
    connect(m_fallbackMinutes, &QComboBox::currentIndexChanged, this, &NowPlayingDialog::fallbackChosen);
    connect(m_fallbackOnEmpty, &QCheckBox::clicked, this, &NowPlayingDialog::fallbackChosen);
    connect(&station, &Station::playersChanged, this, &NowPlayingDialog::fillPlayers);
}

void NowPlayingDialog::showChoices(const Station &station)
{
    const QSignalBlocker playerBlocker(m_player);
    const QSignalBlocker minutesBlocker(m_fallbackMinutes);
    const SongOrigin origin = station.options().songOrigin;
    m_fromFile->setChecked(origin == SongOrigin::File);
    m_fromPlayer->setChecked(origin == SongOrigin::Player);
    m_fromNetwork->setChecked(origin == SongOrigin::Network);
    const NetworkOptions &network = station.networkOptions();
    m_httpListen->setText(network.httpListen);
    m_lineListen->setText(network.lineListen);
    m_token->setText(network.token);
    m_lineSeparator->setText(network.line.separator);
    m_lineFields->setText(lineFieldsText(network.line));
    fillPlayers();
    m_player->setEditText(station.options().playerName);
    const FallbackRule rule = station.fallbackRule();
    const auto *choice = std::find(std::begin(kFallbackChoices), std::end(kFallbackChoices), rule.minutes);
    m_fallbackMinutes->setCurrentIndex(
        choice == std::end(kFallbackChoices) ? 0 : static_cast<int>(choice - std::begin(kFallbackChoices)));
    m_fallbackOnEmpty->setChecked(rule.onEmptySong);
    m_rules->setPlainText(songRulesText(station.songRules()));
}

void NowPlayingDialog::fillPlayers()
{
    const QString typed = m_player->currentText();
    const QSignalBlocker blocker(m_player);
    m_player->clear();
    m_player->addItems(m_station.playersPresent());
    m_player->setCurrentIndex(-1);
    m_player->setEditText(typed);
}

void NowPlayingDialog::originChosen()
{
    const SongOrigin origin = m_fromPlayer->isChecked() ? SongOrigin::Player
        : m_fromNetwork->isChecked()                    ? SongOrigin::Network
                                                        : SongOrigin::File;
    m_station.setSongOrigin(origin, m_player->currentText());
}

void NowPlayingDialog::networkEdited()
{
    NetworkOptions options;
    options.httpListen = m_httpListen->text().trimmed();
    options.lineListen = m_lineListen->text().trimmed();
    options.token = m_token->text().trimmed();
    options.line = lineFormat(m_lineSeparator->text(), m_lineFields->text());
    if (options != m_station.networkOptions())
        m_station.setNetworkOptions(options);
    // Field numbers that made nothing disappear, so the operator sees what counts.
    m_lineFields->setText(lineFieldsText(m_station.networkOptions().line));
}

void NowPlayingDialog::fallbackChosen()
{
    FallbackRule rule;
    const int position = m_fallbackMinutes->currentIndex();
    if (position >= 0 && position < static_cast<int>(std::size(kFallbackChoices)))
        rule.minutes = kFallbackChoices[position];
    rule.onEmptySong = m_fallbackOnEmpty->isChecked();
    m_station.setFallbackRule(rule);
}

void NowPlayingDialog::commitRules()
{
    const SongRules rules = parseSongRules(m_rules->toPlainText());
    if (rules.replacements != m_station.songRules().replacements
        || rules.ignored != m_station.songRules().ignored)
        m_station.setSongRules(rules);
    // Lines that made no rule disappear, so the operator sees what counts.
    const QString shown = songRulesText(m_station.songRules());
    if (m_rules->toPlainText() != shown)
        m_rules->setPlainText(shown);
}

bool NowPlayingDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_rules && event->type() == QEvent::FocusOut)
        commitRules();
    return QDialog::eventFilter(watched, event);
}

void NowPlayingDialog::closeEvent(QCloseEvent *event)
{
    commitRules();
    QDialog::closeEvent(event);
}

NowPlayingDialog *NowPlayingDialog::open(Station &station, QWidget *parent)
{
    return openSingleWindow(s_dialog, station, parent);
}

} // namespace zorvan
