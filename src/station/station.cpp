#include "station/station.h"

#include "content/programme_in_force.h"
#include "content/programme_text_upload.h"
#include "content/song_source.h"
#include "link/clock_sync.h"
#include "link/com_port_map.h"
#include "link/line_settings.h"
#include "link/link_failure_message.h"
#include "link/mode_command.h"
#include "link/settings_upload.h"
#include "model/af_list.h"
#include "model/field_repair.h"
#include "model/flag_pairs.h"
#include "model/label_list.h"
#include "model/list_choice.h"
#include "model/pi_code.h"
#include "model/pty_table.h"
#include "model/setup_choices.h"
#include "model/text_rules.h"
#include "model/window_pages.h"
#include "settings/settings_store.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace zorvan {

namespace {

constexpr int kTimerIntervalMs = 1000;
constexpr int kFirstComPort = 1;
constexpr int kLastComPort = 8;
constexpr std::size_t kLogLinesKept = 500;
// However often the song file is rewritten, it runs the engine at most once
// in this time beside the regular tick.
constexpr int kWatchedTickGapMs = 100;
// How long after an empty read the file is read again before the empty
// song is believed.
constexpr int kEmptyConfirmMs = 200;
// How long the settings file must stay as it is after a change before it is
// read: an editor that empties the file and writes it again is done by then.
constexpr int kSettingsSettleMs = 300;

const QString kSaveFailedText
    = QStringLiteral("The settings could not be saved; changes last until the program ends.");

// Whether the port was open, so that the upload got as far as its frames.
bool portOpened(LinkOutcome outcome)
{
    switch (outcome) {
    case LinkOutcome::Sent:
    case LinkOutcome::WriteFailed:
    case LinkOutcome::WriteTimeout:
    case LinkOutcome::ConnectionLost:
        return true;
    default:
        return false;
    }
}

// The service has no window: its messages name the settings file instead
// of File > Setup.
PortChoice portChoice(bool unattended, const SettingsBackend &store, const StationSettings &record)
{
    const auto *file = dynamic_cast<const IniSettingsBackend *>(&store);
    if (!unattended || !file)
        return {};
    return { file->filePath(), record.COMSelected };
}

// A message box keeps its paragraphs; the status bar and the tool tip take
// them on one line.
QString oneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

bool isDelayPosition(int position)
{
    return position >= 0 && position < kDelayEntryCount;
}

// The station's texts before the operator set any: the record as it
// stands, less what the song engine put on air in this run.
StationTexts recordLessSong(const StationSettings &record, const AutoUpdateState &state)
{
    StationTexts texts = stationTextsFrom(record);
    for (std::size_t i = 0; i < state.songLabels.size(); ++i) {
        if (!state.songLabels[i].isNull()) {
            texts.labels[i] = QString(kPsLabelLength, QLatin1Char(' '));
            texts.delays[i] = 0;
        }
    }
    return texts;
}

} // namespace

Station::Station(SettingsBackend &store, std::unique_ptr<SerialPort> port, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_link(std::make_unique<EncoderLink>(std::move(port)))
    , m_reader(std::make_unique<PlatformSongFileReader>())
    , m_now(&QDateTime::currentDateTime)
{
    setObjectName(QStringLiteral("Station"));
    const std::pair<QTimer *, const char *> timers[] = {
        { &m_clockTimer, "Timer1" },
        { &m_previewTimer, "Timer2" },
        { &m_engineTimer, "Timer6" },
    };
    for (const auto &[timer, name] : timers) {
        timer->setObjectName(QLatin1String(name));
        timer->setInterval(kTimerIntervalMs);
    }
    m_preview.intervalMs = m_previewTimer.interval();
    connect(&m_engineTimer, &QTimer::timeout, this, &Station::engineTick);
    connect(&m_previewTimer, &QTimer::timeout, this, &Station::previewTick);
    connect(&m_clockTimer, &QTimer::timeout, this, &Station::clockTick);
    m_clockSyncTimer.setObjectName(QStringLiteral("ClockSyncTimer"));
    connect(&m_clockSyncTimer, &QTimer::timeout, this, [this] { submit(Job::ClockSync); });
    m_watchDelay.setSingleShot(true);
    connect(&m_watchDelay, &QTimer::timeout, this, &Station::runWatchedTick);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &Station::songFileTouched);
    // A change of anything else in the folder is no reason to read the song.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (songFileStamp() != m_songFileStamp)
            songFileTouched();
    });
    m_emptyConfirm.setSingleShot(true);
    m_emptyConfirm.setInterval(kEmptyConfirmMs);
    connect(&m_emptyConfirm, &QTimer::timeout, this, [this] {
        m_emptyConfirmed = true;
        submit(Job::EngineTick);
    });
    // A song from the network runs the engine at once, as a change of the
    // song file does; songs that come while an upload runs wait as one
    // engine tick, which takes the newest.
    connect(&m_networkSource, &NetworkSongSource::songArrived, this, [this] {
        if (m_options.songOrigin == SongOrigin::Network)
            songFileTouched();
    });
    connect(&m_networkSource, &NetworkSongSource::refused, this,
        [this](const QString &text) { log(text, LogPriority::Warning); });
    connect(m_link.get(), &EncoderLink::reportStep, this, &Station::showReport);
    connect(m_link.get(), &EncoderLink::progressReset, this, &Station::showReset);
    m_settingsSettle.setSingleShot(true);
    m_settingsSettle.setInterval(kSettingsSettleMs);
    connect(&m_settingsSettle, &QTimer::timeout, this, &Station::takeInOutsideChange);
    connect(&m_settingsWatcher, &QFileSystemWatcher::fileChanged, this, &Station::settingsFileTouched);
    connect(&m_settingsWatcher, &QFileSystemWatcher::directoryChanged, this, &Station::settingsFileTouched);
}

Station::~Station() = default;

void Station::setClock(Now now)
{
    m_now = std::move(now);
}

void Station::setSongFileReader(std::unique_ptr<SongFileReader> reader)
{
    m_reader = std::move(reader);
}

void Station::setPlayerTransport(std::shared_ptr<PlayerTransport> transport)
{
    m_playerTransport = std::move(transport);
}

void Station::beginStartUp()
{
    m_preview.DspCount = 0;
    // Before the record is loaded, so the player version comes straight from
    // the store.
    if (m_playerTransport)
        GetWAInfo(m_player, m_playerTransport, StoredWinAmpVersion(m_store));
    else
        GetWAInfo(m_player, m_store);
}

void Station::load()
{
    if (m_loaded || m_shutDown)
        return;
    QStringList unusable;
    const bool unreadable = LoadAllSettings(m_record, m_store, &unusable) == StoreStatus::Unreadable;
    m_loaded = true;
    afterLoad(unreadable, unusable);
    watchSettingsFile();
    m_auto = initialAutoUpdateState(m_record);
    if (unreadable) {
        setStatus(m_saveFailureShown ? tr("The settings file could not be read in full or written; "
                                          "settings missing from it are at their defaults.")
                                     : tr("The settings file could not be read in full; settings missing "
                                          "from it are at their defaults."));
        log(m_status, LogPriority::Fault);
    }
    // The clock and the engine start here too: a tick before the record is
    // loaded would work on defaults.
    m_previewTimer.start();
    m_clockTimer.start();
    m_engineTimer.start();
    emit changed(Editors | Preview | Clock | Status);
}

// What every load of the record is followed by: values no editor can show
// are repaired and named, the AF chain closed, messages 4 .. 8 fitted, the
// options applied, stored values that cannot be used named, and the record
// saved unless the file could not be read.
void Station::afterLoad(bool unreadable, QStringList unusable)
{
    const QStringList repaired = repairUnshowableFields(m_record);
    // Setting AF1 .. AF7 in order closes a stored gap before the later
    // stored values are shown.
    m_record.AF = closeAfGaps(m_record.AF);
    // Messages 4 .. 8 follow every change of their field, so showing the
    // stored text fits them; messages 1 .. 3 keep their stored case.
    for (int k = 0; k < kMessageCount; ++k) {
        if (messageFitsWhileTyping(k))
            m_record.MG[static_cast<std::size_t>(k)] = FitLongText(m_record.MG[static_cast<std::size_t>(k)]);
    }
    m_options = loadDriverOptions(m_store, &unusable);
    m_networkOptions = loadNetworkOptions(m_store);
    m_rules = loadSongRules(m_store, &unusable);
    m_fallbackRule = loadFallbackRule(m_store, &unusable);
    m_stationTexts = loadStationTexts(m_store, m_record);
    LoadedProgrammes programmes = loadProgrammes(m_store);
    m_programmes = std::move(programmes.programmes);
    m_programmeState.known = false;
    unusable << programmes.problems;
    applyOptions();
    m_keepUnreadStore = unreadable;
    // A speed outside the list is no error (the port keeps its own line
    // settings), but a hand-written baud rate would otherwise drive a
    // faster board at 9600 baud without a sign.
    if (!LineSettingsTable(m_record.COMSpeed))
        unusable << tr("[%1] COMSpeed=%2 is no speed of the list (1 to 4); the port's own line settings "
                       "are used instead (9600 baud at first)")
                        .arg(kSettingsSection)
                        .arg(m_record.COMSpeed);
    for (const QString &text : std::as_const(unusable))
        log(text, LogPriority::Warning);
    if (!unusable.isEmpty())
        setStatus(tr("Settings that cannot be used: %1").arg(unusable.join(QStringLiteral("; "))));

    if (!repaired.isEmpty()) {
        setStatus(tr("Stored values that no list can show were repaired (flags to 1, the rest to their defaults): %1")
                      .arg(repaired.join(QStringLiteral(", "))));
        log(m_status, LogPriority::Warning);
    }
    saveUnasked();
}

bool Station::reloadSettingsFile()
{
    if (!m_loaded || m_shutDown)
        return false;
    if (!m_store.filePath().isEmpty() && !QFileInfo::exists(m_store.filePath())) {
        settingsFileGone();
        return false;
    }
    StationSettings stored;
    QStringList unusable;
    if (LoadAllSettings(stored, m_store, &unusable) != StoreStatus::Ok) {
        log(tr("The settings file could not be read in full; the settings in use are kept."));
        m_keepUnreadStore = true;
        return false;
    }
    m_settingsFileGone = false;
    log(tr("Settings read again"));
    adoptStoredRecord(stored, unusable);
    return true;
}

void Station::adoptStoredRecord(const StationSettings &stored, const QStringList &unusable)
{
    m_record = stored;
    afterLoad(false, unusable);
    // The song page starts over from the new record; what is on air stays
    // known, so an unchanged song is not sent again and one whose sending
    // was cut short is.
    const AutoUpdateState before = m_auto;
    m_auto = initialAutoUpdateState(m_record);
    m_auto.SongDisplay = before.SongDisplay;
    m_auto.onAir = before.onAir;
    m_auto.songLabels = before.songLabels;
    emit changed(Editors | Status);
}

// The settings file is gone: nothing in it to take in, and writing the
// settings in use would stand in for a file the operator may be putting
// back. Kept until it is back or the operator changes a setting.
void Station::settingsFileGone()
{
    m_keepUnreadStore = true;
    if (m_settingsFileGone)
        return;
    m_settingsFileGone = true;
    log(tr("The settings file %1 is gone; the settings in use are kept, and written only once the file "
           "returns or a setting is changed")
            .arg(m_store.filePath()));
}

void Station::watchSettingsFile()
{
    const QString path = m_store.filePath();
    if (path.isEmpty() || !m_loaded || m_shutDown)
        return;
    const QFileInfo file(path);
    QStringList wanted;
    if (file.absoluteDir().exists())
        wanted << file.absolutePath();
    // A file replaced by a rename (the program's own saves, most editors)
    // is another file: watched anew each time.
    if (file.isFile())
        wanted << file.absoluteFilePath();
    const QStringList watched = m_settingsWatcher.files() + m_settingsWatcher.directories();
    for (const QString &entry : wanted) {
        if (!watched.contains(entry))
            m_settingsWatcher.addPath(entry);
    }
}

void Station::settingsFileTouched()
{
    if (!m_loaded || m_shutDown)
        return;
    watchSettingsFile();
    m_settingsSettle.start();
}

bool Station::takeInOutsideChange()
{
    if (!m_loaded || m_shutDown || m_store.filePath().isEmpty())
        return false;
    watchSettingsFile();
    if (!m_store.changedOutside() && !m_keepUnreadStore)
        return false;
    if (!QFileInfo::exists(m_store.filePath())) {
        settingsFileGone();
        return false;
    }
    // What the record holds that the file does not yet (a save refused)
    // stays; the rest is the file's.
    writeAllSettings(m_record, m_store);
    if (!m_store.mergeOutsideChange())
        return false; // half written or damaged: its next change is read
    StationSettings stored;
    QStringList unusable;
    LoadAllSettings(stored, m_store, &unusable);
    log(m_settingsFileGone
            ? tr("The settings file %1 is back; its settings are in use").arg(m_store.filePath())
            : tr("The settings file %1 was changed outside the program; its settings are in use")
                  .arg(m_store.filePath()));
    m_settingsFileGone = false;
    m_keepUnreadStore = false;
    adoptStoredRecord(stored, unusable);
    return true;
}

void Station::setUnattended(bool unattended)
{
    m_unattended = unattended;
}

void Station::applyOptions()
{
    watchSongFile();
    if (m_options.songOrigin == SongOrigin::Player) {
        playerSource().setPlayer(m_options.playerName);
    }
    listenForSongs();
    if (m_options.clockSyncMinutes > 0)
        m_clockSyncTimer.start(m_options.clockSyncMinutes * 60 * 1000);
    else
        m_clockSyncTimer.stop();
}

void Station::setClockSyncMinutes(int minutes)
{
    m_options.clockSyncMinutes = std::max(0, minutes);
    saveDriverOptions(m_options, m_store);
    applyOptions();
    edited();
}

QStringList Station::logLines() const
{
    return QStringList(m_log.begin(), m_log.end());
}

void Station::log(const QString &text, LogPriority priority)
{
    const QString line = m_now().toString(Qt::ISODate) + QLatin1Char(' ') + oneLine(text);
    m_log.push_back(line);
    if (m_log.size() > kLogLinesKept)
        m_log.pop_front();
    emit logged(line, priority);
}

bool Station::shutDown()
{
    if (m_shutDown)
        return true;
    if (m_active) {
        m_queue.clear();
        if (!m_closePending) {
            m_closePending = true;
            setStatus(tr("Finishing the transmission before closing..."));
        }
        return false;
    }
    saveUnasked();
    m_shutDown = true;
    m_settingsSettle.stop();
    m_engineTimer.stop();
    m_previewTimer.stop();
    m_clockTimer.stop();
    m_clockSyncTimer.stop();
    m_watchDelay.stop();
    m_emptyConfirm.stop();
    m_networkSource.stop();
    m_listening.reset();
    if (!m_watcher.files().isEmpty() || !m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.files() + m_watcher.directories());
    return true;
}

void Station::setTerminating()
{
    m_terminating = true;
}

bool Station::uploadButtonEnabled(UploadButton button) const
{
    return UploadButtons(button, m_runningButton);
}

QString Station::comDevice(int comNumber) const
{
    return comPortDevice(m_store, comNumber);
}

// Saving.

void Station::save()
{
    // Nothing is saved before the record was loaded: it would replace the
    // operator's settings with defaults.
    if (!m_loaded || m_shutDown)
        return;
    m_engineChangesUnsaved = false;
    // The file changed since it was read: taken in first (and saved with
    // this change), so that the save does not undo someone else's edit.
    if (m_store.changedOutside() && takeInOutsideChange())
        return;
    m_keepUnreadStore = false;
    if (SaveAllSettings(m_record, m_store) == StoreStatus::Ok) {
        m_settingsFileGone = false;
        if (m_saveFailureShown) {
            m_saveFailureShown = false;
            log(tr("The settings are saved again."));
            if (m_status == kSaveFailedText)
                setStatus(QStringLiteral("Ready"));
        }
        return;
    }
    if (m_saveFailureShown)
        return;
    m_saveFailureShown = true;
    setStatus(kSaveFailedText);
    log(kSaveFailedText, LogPriority::Fault);
}

// Saves that no edit asked for (start-up, deactivation, close) leave alone a
// settings file that could not be read, so a file that was only out of
// reach for a moment is not replaced by defaults.
void Station::saveUnasked()
{
    if (!m_keepUnreadStore)
        save();
}

void Station::edited(unsigned changes)
{
    save();
    watchSongFile();
    emit changed(changes);
}

void Station::engineEdited()
{
    // Saved when the engine's job ends: a save waits for the disk, and the
    // song's first frame should not wait for it.
    m_engineChangesUnsaved = true;
    watchSongFile();
    emit changed(Editors);
}

// Editors.

void Station::chooseCountryText(const QString &text)
{
    if (const auto value = countryCodeFromText(text))
        m_record.CountryCode = *value;
    edited();
}

void Station::chooseAreaCoverageText(const QString &text)
{
    if (const auto value = areaCoverageFromText(text))
        m_record.AreaCoverage = *value;
    edited();
}

void Station::chooseEccText(const QString &text)
{
    if (const auto value = eccFromText(text))
        m_record.ECC = *value;
    edited();
}

void Station::choosePtyText(const QString &text)
{
    if (const auto value = ptyFromText(text))
        m_record.PTY = *value;
    edited();
}

void Station::chooseProgramReference(int position)
{
    if (position >= 0 && programReferencePosition(static_cast<qint16>(position)) >= 0)
        m_record.ProgramReference = static_cast<qint16>(position);
    edited();
}

void Station::chooseFlag(std::size_t pair, bool one)
{
    if (pair < kFlagPairs.size())
        m_record.*kFlagPairs[pair].field = flagValue(one);
    edited();
}

void Station::chooseAf(int index, int position)
{
    if (index < 0 || index >= kAfCount || position < 0 || position >= kAfEntryCount)
        return;
    AfCodes codes = m_record.AF;
    codes[static_cast<std::size_t>(index)] = static_cast<qint16>(position);
    m_record.AF = afterAfChange(codes, index);
    edited();
}

void Station::commitLabel(int index, const QString &text)
{
    LabelTexts shown = m_record.PS;
    const bool known = index >= 0 && index < kLabelCount;
    if (known)
        shown[static_cast<std::size_t>(index)] = text;
    zorvan::commitLabels(shown, m_record);
    if (known
        && m_record.PS[static_cast<std::size_t>(index)] != m_auto.songLabels[static_cast<std::size_t>(index)])
        keepStationTexts([this, index](StationTexts &texts) {
            texts.labels[static_cast<std::size_t>(index)] = m_record.PS[static_cast<std::size_t>(index)];
        });
    edited();
}

void Station::chooseDelay(int index, int position)
{
    if (index >= 0 && index < kLabelCount && isDelayPosition(position)) {
        m_record.PSDelay[static_cast<std::size_t>(index)] = static_cast<qint16>(position);
        keepStationTexts([index, position](StationTexts &texts) {
            texts.delays[static_cast<std::size_t>(index)] = static_cast<qint16>(position);
        });
    }
    edited();
}

void Station::chooseAutoDelay(int position)
{
    if (isDelayPosition(position))
        m_record.AutoPSDelay = static_cast<qint16>(position);
    edited();
}

void Station::chooseSetAllDelay(int position)
{
    if (isDelayPosition(position))
        m_record.SETTOSAMEDELAY = static_cast<qint16>(position);
    edited();
}

void Station::setAllDelays()
{
    zorvan::setAllDelays(m_record.SETTOSAMEDELAY, m_record);
    keepStationTexts([this](StationTexts &texts) { texts.delays = m_record.PSDelay; });
    edited();
}

void Station::commitMessage(int index, const QString &text)
{
    if (index >= 0 && index < kMessageCount)
        m_record.MG[static_cast<std::size_t>(index)] = FitLongText(text);
    edited();
}

void Station::setRdsActive(bool on)
{
    m_record.RDSActive = on;
    edited();
}

void Station::setTrayAtStart(bool on)
{
    m_record.TrayAtStart = on;
    edited();
}

void Station::setInsertDate(bool on)
{
    m_record.InsertDate = on;
    edited();
}

void Station::chooseModeOption(int position)
{
    // The mode is the selected option of the mode panel; the transmitter's
    // options are in the same group and save without changing it.
    if (position >= 0 && position < kModeCount)
        m_shownModeOption = position;
    m_record.MODE = static_cast<qint16>(m_shownModeOption);
    edited();
}

void Station::choosePsUpdate(bool yes)
{
    zorvan::choosePsUpdate(m_record, yes);
    edited();
}

void Station::chooseRtUpdate(bool yes)
{
    zorvan::chooseRtUpdate(m_record, yes);
    edited();
}

void Station::chooseUpdateType(DynamicMode mode)
{
    zorvan::chooseUpdateType(m_record, m_auto, mode);
    edited();
}

void Station::commitRadioText(const QString &text)
{
    radioTextCommitted(m_record, m_auto, text);
    keepStationTexts([this](StationTexts &texts) { texts.radioText = m_record.RT; });
    edited();
}

void Station::clickSongDisplay()
{
    songDisplayClicked(m_record, m_auto);
    edited();
}

void Station::commitSongPath(SongFileField field, const QString &path)
{
    QString &stored = field == SongFileField::RadioText ? m_record.GetMP3Tag : m_record.AutoPSPath;
    if (stored == path)
        return;
    stored = path;
    edited();
}

void Station::choosePreviewSource(PreviewSource source)
{
    m_previewSource = source;
}

void Station::reloadFromStore()
{
    // The store may have changed behind the program's back. A store that
    // cannot be read would hand back nothing but defaults, and one that
    // refuses writes may hold older values than the record; in both cases
    // the record in memory is kept.
    if (!m_loaded || !m_store.flush())
        return;
    StationSettings stored;
    if (LoadAllSettings(stored, m_store) != StoreStatus::Ok)
        return;
    m_record = stored;
    emit changed(Editors);
}

void Station::chooseComPortText(const QString &text)
{
    if (const auto port = comSelectedFromText(text))
        m_record.COMSelected = *port;
    edited();
}

void Station::chooseComSpeedText(const QString &text)
{
    if (const auto speed = comSpeedFromText(text))
        m_record.COMSpeed = *speed;
    edited();
}

void Station::setComDevice(const QString &device)
{
    const int port = m_record.COMSelected;
    if (port < kFirstComPort || port > kLastComPort || device == comPortDevice(m_store, port))
        return;
    setComPortDevice(m_store, port, device);
    edited();
}

// Transmissions, one at a time.

void Station::press(UploadButton button)
{
    switch (button) {
    case UploadButton::SendSettings:
        submit(Job::SendSettings);
        break;
    case UploadButton::SendRtAndPs:
        submit(Job::SendRtAndPs);
        break;
    case UploadButton::SynchronizeTime:
        submit(Job::SynchronizeTime);
        break;
    }
}

void Station::pressSetMode()
{
    submit(Job::SetMode);
}

void Station::engineTick()
{
    submit(Job::EngineTick);
}

void Station::submit(Job job)
{
    if (!m_loaded || m_shutDown || m_closePending)
        return;
    // A press of the button whose upload runs, or a second press or tick
    // while the first still waits, is the same request.
    if (m_active == job || std::find(m_queue.begin(), m_queue.end(), job) != m_queue.end())
        return;
    if (m_active) {
        m_queue.push_back(job);
        return;
    }
    start(job);
}

void Station::start(Job job)
{
    m_active = job;
    switch (job) {
    case Job::EngineTick:
        runEngineTick();
        return;
    case Job::SendSettings: {
        const SettingsUpload upload = SendSettings(m_record);
        const qint16 afNum = upload.afNum;
        startUpload(UploadButton::SendSettings, upload.plan, QStringLiteral("Send settings"),
            [this, afNum](LinkOutcome outcome) {
                // The count is made once the port is open; an upload that never
                // reached its frames leaves the stored count alone.
                if (!portOpened(outcome))
                    return;
                m_record.AFNum = afNum;
                edited();
            });
        return;
    }
    case Job::SendRtAndPs: {
        ProgrammeTextSnapshot snapshot;
        snapshot.RT = m_record.RT;
        snapshot.MG = m_record.MG;
        snapshot.labels = m_record.PS;
        for (std::size_t i = 0; i < snapshot.delays.size(); ++i)
            snapshot.delays[i] = QString::number(m_record.PSDelay[i]);
        // A programme's texts in the record are not the station's.
        if (!m_programmeState.index)
            keepStationTexts([this](StationTexts &texts) { texts = stationTextsFrom(m_record); });
        m_labelsOnAir.reset();
        startUpload(UploadButton::SendRtAndPs, SendRtAndPs(snapshot), QStringLiteral("Send RT and PS"),
            [this, text = snapshot.RT](LinkOutcome outcome) {
                if (outcome == LinkOutcome::Sent)
                    m_auto.onAir.radioText = FitLongText(text);
            });
        return;
    }
    case Job::SynchronizeTime: {
        const PlanOrError clock = SynchronizeClock(m_now());
        if (!clock.plan) {
            log(clock.error, LogPriority::Fault);
            tellOperator(clock.error);
            finishJob();
            return;
        }
        startUpload(UploadButton::SynchronizeTime, *clock.plan, QStringLiteral("Synchronize time"));
        return;
    }
    case Job::ClockSync: {
        const PlanOrError clock = SynchronizeClock(m_now(), ClockStore::Without);
        if (!clock.plan) {
            log(clock.error, LogPriority::Fault);
            finishJob();
            return;
        }
        transmit(*clock.plan, QStringLiteral("clock"), true, [this](LinkOutcome outcome) {
            if (outcome == LinkOutcome::Sent)
                autoUpdateSucceeded();
            else
                autoUpdateFailed(outcome);
            finishJob();
        });
        return;
    }
    case Job::SetMode:
        transmit(SetMode(m_record.MODE), QStringLiteral("Set MODE"), false, [this](LinkOutcome outcome) {
            const QString failure
                = linkFailureMessage(outcome, m_device, portChoice(m_unattended, m_store, m_record));
            if (!failure.isEmpty())
                tellOperator(failure);
            finishJob();
        });
        return;
    }
}

void Station::startUpload(UploadButton button, const Transmission &plan, const QString &what,
    std::function<void(LinkOutcome)> after)
{
    m_runningButton = button;
    emit changed(Status);
    transmit(plan, what, false, [this, after = std::move(after)](LinkOutcome outcome) {
        m_runningButton.reset();
        emit changed(Status);
        if (after)
            after(outcome);
        // A button's failure is told at every press: the operator is there.
        const QString failure
            = linkFailureMessage(outcome, m_device, portChoice(m_unattended, m_store, m_record));
        if (!failure.isEmpty())
            tellOperator(failure);
        finishJob();
    });
}

void Station::transmit(
    const Transmission &plan, const QString &what, bool automatic, std::function<void(LinkOutcome)> done)
{
    // The port chosen now, not the one of the last upload: the operator may
    // have changed it in between.
    const PortConfig port = stationPortConfig(m_record, m_store);
    m_link->setPortConfig(port);
    m_device = port.device;
    const auto frames = plan.bytes().count('\x02');
    const QString head = QStringLiteral("%1, %2 frame%3 to %4: ")
                             .arg(what)
                             .arg(frames)
                             .arg(frames == 1 ? QString() : QStringLiteral("s"))
                             .arg(port.device);
    auto logged = [this, head, automatic, done = std::move(done)](LinkOutcome outcome) {
        if (outcome == LinkOutcome::Sent)
            log(head + (automatic && m_autoFault ? tr("sent; the link works again") : tr("sent")));
        else if (!automatic || m_autoFault != outcome)
            log(head + linkFailureMessage(outcome, m_device, portChoice(m_unattended, m_store, m_record)),
                LogPriority::Fault);
        done(outcome);
    };
    // A raw device server given as rfc2217:// passed the Telnet offer on to
    // the board: nothing more goes there until the port is changed.
    if (!m_notRfc2217Device.isEmpty() && m_notRfc2217Device == port.device) {
        QMetaObject::invokeMethod(
            this, [logged] { logged(LinkOutcome::NotRfc2217); }, Qt::QueuedConnection);
        return;
    }
    m_notRfc2217Device.clear();
    auto noted = [this, device = port.device, logged = std::move(logged)](LinkOutcome outcome) {
        if (outcome == LinkOutcome::NotRfc2217)
            m_notRfc2217Device = device;
        logged(outcome);
    };
    if (!m_link->run(plan, std::move(noted)))
        finishJob(); // cannot happen while transmissions go one at a time
}

void Station::finishJob()
{
    m_active.reset();
    if (m_shutDown)
        return;
    if (m_engineChangesUnsaved)
        saveUnasked();
    const unsigned held = m_heldTicks;
    m_heldTicks = 0;
    if (held & kClockTick)
        runClock();
    if (held & kPreviewTick)
        runPreview();
    if (m_closePending) {
        emit readyToClose();
        return;
    }
    if (!m_queue.empty()) {
        const Job next = m_queue.front();
        m_queue.pop_front();
        start(next);
    }
}

// The song engine.

void Station::runEngineTick()
{
    if (followProgrammes())
        return;
    if (m_record.AutoPS == 0 && m_record.RTSwitch == 0) {
        finishJob();
        return;
    }
    if (m_options.songOrigin == SongOrigin::Network) {
        // No song has come since the start: nothing is known about it.
        m_networkSong = m_networkSource.song();
        if (!m_networkSong) {
            finishJob();
            return;
        }
        followSong(m_networkSong->fields, false);
        return;
    }
    if (m_options.songOrigin == SongOrigin::Player) {
        // No player followed right now: nothing is known about the song.
        const std::optional<QStringList> fields = m_playerSource ? m_playerSource->fields() : std::nullopt;
        if (!fields) {
            finishJob();
            return;
        }
        followSong(*fields, false);
        return;
    }
    // The path as committed: a path being typed is never read.
    const SongSource source = ReadSongSource(*m_reader, m_record.AutoPSPath);
    // A folder that is gone says as much about the song as a file that is:
    // told once, and waited for. It never switches the updates off (a drive
    // or a share comes back by itself), and neither does a missing file in
    // the service, where nobody could switch them on again.
    if (source.status == SongSource::Status::FolderMissing
        || (source.status == SongSource::Status::Missing && m_unattended)) {
        if (!m_songFileMissing)
            log(tr("The song file %1 does not exist; waiting for it").arg(m_record.AutoPSPath),
                LogPriority::Warning);
        m_songFileMissing = true;
        finishJob();
        return;
    }
    if (source.status == SongSource::Status::Missing) {
        switchOffForMissingFile(m_record, m_auto);
        engineEdited();
        log(kMissingSongFileMessage, LogPriority::Warning);
        tellOperator(kMissingSongFileMessage);
        finishJob();
        return;
    }
    // A file that exists but cannot be read now (the writer holds it, a
    // share dropped, a pipe stands in its place) says nothing about the
    // song: the labels stay as they are until a later tick reads it. Nor is
    // the file back before a regular file is read.
    if (source.status != SongSource::Status::Fields) {
        runRadioTextStep();
        return;
    }
    if (m_songFileMissing) {
        m_songFileMissing = false;
        log(tr("The song file %1 is back").arg(m_record.AutoPSPath));
    }
    followSong(source.fields, true);
}

// The song as read: the operator's rules first, then the station's own
// texts or the song, then the labels and the radio text.
void Station::followSong(const QStringList &readFields, bool fromFile)
{
    const RuledSong song = applySongRules(m_rules, readFields, std::nullopt);
    const QString songText = FitLongText(ComposeSongText(song.fields));
    const bool empty = songText.trimmed().isEmpty();
    if (!song.ignored && fromFile
        && holdEmptyRead(empty,
            !m_auto.SongDisplay.isEmpty() || (m_record.RTSwitch == 1 && !m_auto.radioTextField.isEmpty()))) {
        finishJob();
        return;
    }
    if (haveTextsInForce() && !m_fallbackRule.isOff()) {
        // A text the rules keep off the air is no song: the timer goes on.
        const QString shown = song.ignored ? m_fallback.lastSong : songText;
        switch (decideFallback(m_fallback, m_fallbackRule, shown, song.ignored ? false : empty, m_now())) {
        case FallbackDecision::PutStationTexts:
            putStationTextsOnAir();
            return;
        case FallbackDecision::ResumeSong:
            // Whatever the song, it goes out again: the station's texts
            // are on the board.
            log(tr("Following the song again"));
            forgetTextsOnAir();
            m_auto.SongDisplay.clear();
            emit changed(Editors);
            break;
        case FallbackDecision::Nothing:
            break;
        }
        if (m_fallback.onAir == OnAir::Station) {
            finishJob();
            return;
        }
    }
    // A jingle or an advert leaves on air what is there.
    if (song.ignored) {
        finishJob();
        return;
    }
    if (m_record.AutoPS != 0) {
        const AutoUpdateStep labels = autoUpdateLabels(m_record, m_auto, song.fields, m_now().date());
        if (labels.recordChanged)
            engineEdited();
        if (labels.plan) {
            transmit(*labels.plan, QStringLiteral("labels \"%1\"").arg(m_auto.SongDisplay), true,
                [this](LinkOutcome outcome) {
                    if (outcome != LinkOutcome::Sent) {
                        // The rest of the tick waits for the next one, the
                        // radio text included.
                        autoUpdateFailed(outcome);
                        finishJob();
                        return;
                    }
                    labelsSent(m_auto);
                    autoUpdateSucceeded();
                    emit changed(Editors);
                    runRadioTextStep();
                });
            return;
        }
    }
    runRadioTextStep();
}

// The labels and the radio text the operator set (or the programme in
// force) go back on air, as the song engine sends them: the label list,
// then the radio text.
void Station::putStationTextsOnAir()
{
    log(tr("No new song: the station's own texts go on air"));
    putTextsOnAir(textsInForce(), tr("station"), true, true, [this] {
        // Not on the board: tried again at the next tick.
        m_fallback.onAir = OnAir::Song;
    });
}

void Station::putTextsOnAir(
    const StationTexts &texts, const QString &what, bool labels, bool radioText, std::function<void()> failed)
{
    putStationTexts(texts, m_record);
    m_auto.radioTextField = m_record.RT;
    m_auto.songLabels = {};
    engineEdited();
    // A difference only: the same texts again (a clock stepped back over a
    // change, a reload) would only make receivers flicker.
    labels = labels
        && (!m_labelsOnAir || m_labelsOnAir->labels != texts.labels || m_labelsOnAir->delays != texts.delays);
    radioText = radioText && m_auto.onAir.radioText != FitLongText(texts.radioText);
    auto sendRadioText = [this, texts, what, radioText, failed] {
        if (!radioText) {
            finishJob();
            return;
        }
        transmit(UpdateRadioTextPlan(texts.radioText), tr("%1 radio text").arg(what), true,
            [this, texts, failed](LinkOutcome sent) {
                if (sent == LinkOutcome::Sent) {
                    m_auto.onAir.radioText = FitLongText(texts.radioText);
                    autoUpdateSucceeded();
                } else {
                    autoUpdateFailed(sent);
                    failed();
                }
                finishJob();
            });
    };
    if (!labels) {
        sendRadioText();
        return;
    }
    transmit(UploadLabelList(LabelList::fromSettings(m_record)), tr("%1 labels").arg(what), true,
        [this, texts, failed, sendRadioText](LinkOutcome outcome) {
            if (outcome != LinkOutcome::Sent) {
                autoUpdateFailed(outcome);
                failed();
                finishJob();
                return;
            }
            m_labelsOnAir = texts;
            autoUpdateSucceeded();
            sendRadioText();
        });
}

void Station::forgetTextsOnAir()
{
    m_labelsOnAir.reset();
    m_auto.onAir = {};
}

bool Station::followProgrammes()
{
    const bool stationTextsOnAir = m_fallback.onAir == OnAir::Station && haveTextsInForce();
    const ProgrammeStep step = stepProgrammes(m_programmeState, m_programmes, m_now(), stationTextsOnAir);
    if (step.began || step.ended)
        emit changed(Editors | Status);
    auto say = [this, &step](const QString &what) {
        if (step.began)
            log(tr("Programme %1 begins: %2").arg(*step.began, what));
        else if (step.ended)
            log(tr("Programme %1 ends: %2").arg(*step.ended, what));
    };
    const QString label = m_programmeState.name.value_or(tr("station"));
    // Tried again at the next tick when they did not reach the board.
    auto retry = [this] { m_programmeState.known = false; };

    switch (step.action) {
    case ProgrammeAction::None:
        say(step.began ? tr("its texts go on air when no song is followed") : tr("the song stays on air"));
        return false;
    case ProgrammeAction::HoldSong:
        finishJob();
        return true;
    case ProgrammeAction::PutTexts:
        say(tr("its texts go on air"));
        putTextsOnAir(textsInForce(), label, true, true, retry);
        return true;
    case ProgrammeAction::ResumeSong:
        break;
    }
    say(tr("the song is followed again"));
    // The record gets back the labels the song does not write, and
    // whatever the song is, it goes out again.
    const StationTexts texts = textsInForce();
    forgetTextsOnAir();
    m_fallback.onAir = OnAir::Song;
    m_fallback.lastChange = QDateTime();
    m_auto.SongDisplay.clear();
    // What is not followed goes back to the station's own.
    const bool labels = m_record.AutoPS == 0;
    const bool radioText = m_record.RTSwitch != 1;
    if (labels || radioText) {
        putTextsOnAir(texts, label, labels, radioText, retry);
        return true;
    }
    putStationTexts(texts, m_record);
    m_auto.songLabels = {};
    engineEdited();
    return false;
}

StationTexts Station::textsInForce() const
{
    StationTexts texts = m_stationTexts ? *m_stationTexts : recordLessSong(m_record, m_auto);
    const std::optional<std::size_t> index = m_programmeState.index;
    if (index && *index < m_programmes.size())
        texts = programmeTexts(texts, m_programmes[*index]);
    return texts;
}

bool Station::haveTextsInForce() const
{
    return m_stationTexts || m_programmeState.index;
}

void Station::runRadioTextStep()
{
    if (m_record.RTSwitch != 1) {
        finishJob();
        return;
    }
    const bool fromPlayer = m_options.songOrigin != SongOrigin::File;
    std::optional<QString> line;
    if (m_options.songOrigin == SongOrigin::Network)
        line = m_networkSong ? std::optional(m_networkSong->firstLine) : std::nullopt;
    else if (fromPlayer)
        line = m_playerSource && m_playerSource->fields() ? std::optional(m_playerSource->firstLine())
                                                          : std::nullopt;
    else
        line = ReadFirstLine(*m_reader, m_record.AutoPSPath);
    line = applySongRules(m_rules, {}, line).firstLine;
    // Emptied between the two reads of this tick: believed only later.
    if (!fromPlayer && line && holdEmptyRead(line->trimmed().isEmpty(), !m_auto.radioTextField.isEmpty()))
        line.reset();
    const AutoUpdateStep rt = updateRadioText(m_record, m_auto, line);
    if (rt.recordChanged)
        engineEdited();
    if (!rt.plan) {
        finishJob();
        return;
    }
    transmit(*rt.plan, QStringLiteral("radio text \"%1\"").arg(m_record.RT), true,
        [this, text = m_record.RT](LinkOutcome outcome) {
            radioTextSent(m_auto, text, outcome == LinkOutcome::Sent);
            if (outcome == LinkOutcome::Sent)
                autoUpdateSucceeded();
            else
                autoUpdateFailed(outcome);
            finishJob();
        });
}

// A fault of the automatic updates would come back every second: it is told
// once in a message, then only in the status bar and the tray's tool tip
// while it lasts, and again in a message when another fault comes or after
// the link has worked in between. What did not go out is tried again by the
// following ticks.
void Station::autoUpdateFailed(LinkOutcome outcome)
{
    const QString text = linkFailureMessage(outcome, m_device, portChoice(m_unattended, m_store, m_record));
    const bool told = m_autoFault == outcome;
    m_autoFault = outcome;
    setStatus(oneLine(text));
    if (!told)
        tellOperator(text);
}

void Station::autoUpdateSucceeded()
{
    m_autoFault.reset();
}

void Station::tellOperator(const QString &text)
{
    if (!m_terminating)
        emit notice(text);
}

// Displays.

void Station::setStatus(const QString &text)
{
    if (m_status == text)
        return;
    m_status = text;
    emit changed(Status);
}

void Station::showReport(const QString &text, std::optional<double> progress)
{
    // While the window waits to close, the status bar keeps saying so; the
    // progress bar still shows how far the transmission has come.
    if (!m_closePending)
        m_status = text;
    if (progress) {
        // The bar counts whole steps; label steps come in 0.09ths.
        m_progress = static_cast<int>(std::clamp<long>(std::lround(*progress), 0, 21));
    }
    emit changed(Status);
}

void Station::showReset()
{
    if (!m_closePending)
        m_status = QStringLiteral("Ready");
    m_progress = 0;
    emit changed(Status);
}

void Station::previewTick()
{
    if (m_shutDown)
        return;
    if (m_active) {
        m_heldTicks |= kPreviewTick;
        return;
    }
    runPreview();
}

void Station::clockTick()
{
    if (m_shutDown)
        return;
    if (m_active) {
        m_heldTicks |= kClockTick;
        return;
    }
    runClock();
}

void Station::runPreview()
{
    const PreviewFrame frame
        = PreviewTick(m_preview, m_previewSource, m_record.RT, LabelList::fromSettings(m_record));
    m_previewLabel = frame.label;
    m_toolTip = frame.toolTip;
    if (m_autoFault)
        m_toolTip += QLatin1Char('\n')
            + oneLine(
                linkFailureMessage(*m_autoFault, m_device, portChoice(m_unattended, m_store, m_record)));
    if (m_previewTimer.interval() != m_preview.intervalMs)
        m_previewTimer.setInterval(m_preview.intervalMs);
    emit changed(Preview);
}

void Station::runClock()
{
    m_clockTexts = ClockTick(m_now());
    emit changed(Clock);
}

// The station's own texts and the rules of the song.

void Station::keepStationTexts(const std::function<void(StationTexts &)> &update)
{
    if (!m_stationTexts)
        m_stationTexts = recordLessSong(m_record, m_auto);
    update(*m_stationTexts);
    saveStationTexts(*m_stationTexts, m_store);
}

void Station::setSongRules(const SongRules &rules)
{
    m_rules = rules;
    saveSongRules(m_rules, m_store);
    edited();
}

void Station::setProgrammes(const std::vector<Programme> &programmes)
{
    m_programmes = programmes;
    saveProgrammes(m_programmes, m_store);
    m_programmeState.known = false;
    edited();
}

void Station::setFallbackRule(const FallbackRule &rule)
{
    m_fallbackRule = rule;
    saveFallbackRule(m_fallbackRule, m_store);
    edited();
}

// The song from a media player.

PlayerSongSource &Station::playerSource()
{
    if (!m_playerSource) {
        m_playerSource = std::make_unique<PlayerSongSource>();
        m_playerSource->setPlayer(m_options.playerName);
        // The player says when its song changes: followed at once, as a
        // change of the song file is.
        connect(m_playerSource.get(), &PlayerSongSource::changed, this, [this] {
            if (m_options.songOrigin == SongOrigin::Player)
                songFileTouched();
            emit playersChanged();
        });
        connect(m_playerSource.get(), &PlayerSongSource::vanished, this, [this](const QString &name) {
            if (m_options.songOrigin != SongOrigin::Player)
                return;
            const QString text
                = tr("The media player %1 has gone; its songs are followed again when it returns.").arg(name);
            log(text, LogPriority::Warning);
            tellOperator(text);
        });
        connect(m_playerSource.get(), &PlayerSongSource::returned, this, [this](const QString &name) {
            if (m_options.songOrigin == SongOrigin::Player)
                log(tr("Following the media player %1").arg(name));
        });
        connect(m_playerSource.get(), &PlayerSongSource::noBus, this, [this] {
            if (m_options.songOrigin != SongOrigin::Player)
                return;
            const QString text = tr("no session bus: the media player cannot be followed");
            log(text, LogPriority::Warning);
            tellOperator(text);
        });
    }
    return *m_playerSource;
}

QStringList Station::playersPresent()
{
    return playerSource().playersPresent();
}

void Station::setSongOrigin(SongOrigin origin, const QString &playerName)
{
    m_options.songOrigin = origin;
    m_options.playerName = playerName.trimmed();
    saveDriverOptions(m_options, m_store);
    applyOptions();
    edited();
    if (origin == SongOrigin::Player)
        songFileTouched();
}

// The song from the network.

void Station::setNetworkOptions(const NetworkOptions &options)
{
    m_networkOptions = options;
    saveNetworkOptions(m_networkOptions, m_store);
    applyOptions();
    edited();
}

// The listeners start with the network as the song source and stop
// without it; unchanged options leave them, and the connections of the
// play-outs, alone.
void Station::listenForSongs()
{
    const bool wanted = m_loaded && !m_shutDown && m_options.songOrigin == SongOrigin::Network;
    if (!wanted) {
        if (m_listening) {
            m_networkSource.stop();
            m_listening.reset();
        }
        return;
    }
    if (m_listening == m_networkOptions)
        return;
    m_listening = m_networkOptions;
    for (const QString &line : m_networkSource.listen(m_networkOptions))
        log(line);
}

std::optional<QString> Station::linkFault() const
{
    if (!m_autoFault)
        return std::nullopt;
    return oneLine(linkFailureMessage(*m_autoFault, m_device));
}

// Watching the song file.

void Station::watchSongFile()
{
    QStringList wanted;
    const bool following = m_record.AutoPS != 0 || m_record.RTSwitch != 0;
    if (m_loaded && !m_shutDown && m_options.watchSongFile && following
        && m_options.songOrigin == SongOrigin::File) {
        const QFileInfo file(m_record.AutoPSPath);
        // The folder too: writers often replace the file by renaming a new
        // one over it, which the file's own watch does not survive.
        if (file.absoluteDir().exists())
            wanted << file.absolutePath();
        if (file.isFile())
            wanted << file.absoluteFilePath();
    }
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    for (const QString &path : watched) {
        if (!wanted.contains(path))
            m_watcher.removePath(path);
    }
    for (const QString &path : wanted) {
        if (!watched.contains(path))
            m_watcher.addPath(path);
    }
}

QString Station::songFileStamp() const
{
    const QFileInfo file(m_record.AutoPSPath);
    if (!file.exists())
        return QString();
    return QStringLiteral("%1 %2 %3")
        .arg(file.size())
        .arg(file.lastModified().toMSecsSinceEpoch())
        .arg(file.metadataChangeTime().toMSecsSinceEpoch());
}

void Station::songFileTouched()
{
    if (!m_loaded || m_shutDown)
        return;
    m_songFileStamp = songFileStamp();
    watchSongFile(); // a file renamed into place is watched anew
    const qint64 since = m_lastWatchedTick.isValid() ? m_lastWatchedTick.elapsed() : kWatchedTickGapMs;
    if (since >= kWatchedTickGapMs)
        runWatchedTick();
    else if (!m_watchDelay.isActive())
        m_watchDelay.start(static_cast<int>(kWatchedTickGapMs - since));
}

void Station::runWatchedTick()
{
    m_lastWatchedTick.restart();
    submit(Job::EngineTick);
}

// Whether this empty read is held back for a second look.
bool Station::holdEmptyRead(bool empty, bool somethingShown)
{
    if (!empty) {
        m_emptyConfirmed = false;
        return false;
    }
    if (m_emptyConfirmed || !somethingShown)
        return false;
    if (!m_emptyConfirm.isActive())
        m_emptyConfirm.start();
    return true;
}

} // namespace zorvan
