#pragma once

#include "content/auto_update.h"
#include "content/network_song_source.h"
#include "content/player_song_source.h"
#include "content/preview.h"
#include "content/programme_in_force.h"
#include "content/song_file_reader.h"
#include "content/song_rules.h"
#include "content/station_texts.h"
#include "link/encoder_link.h"
#include "link/upload_buttons.h"
#include "model/station_settings.h"
#include "player/cls_winamp.h"
#include "settings/settings_backend.h"
#include "station/driver_options.h"
#include "station/log_priority.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace zorvan {

// Which source-file path an editor commits.
enum class SongFileField {
    RadioText, // `GetMP3Tag`, the "Auto update RT from txt file" field
    ProgrammeService, // `AutoPSPath`, the file both updates read
};

// The station: the record and the run-time state beside it, the link to
// the board, the song engine and the timers that drive it. It runs start-up
// and shut-down in plain order and knows no widget: the window draws what it
// holds and hands it the operator's intents; the headless service runs it
// alone.
//
// One transmission at a time. A button press or an engine tick that comes
// while one runs waits for its end and then runs (the same press twice is
// one press); the preview and clock ticks that fall inside a transmission
// are held back and run once after it.
class Station : public QObject {
    Q_OBJECT

public:
    // What changed, so that a view redraws only that.
    enum Change : unsigned {
        Editors = 1u << 0, // the record and the song page
        Preview = 1u << 1, // preview label and tray tool tip
        Clock = 1u << 2, // computer time and date
        Status = 1u << 3, // status text, progress, upload buttons
    };

    using Now = std::function<QDateTime()>;

    Station(SettingsBackend &store, std::unique_ptr<SerialPort> port = makeSystemSerialPort(),
        QObject *parent = nullptr);
    ~Station() override;

    Station(const Station &) = delete;
    Station &operator=(const Station &) = delete;

    // Stand-ins, set before start-up.
    void setClock(Now now);
    void setSongFileReader(std::unique_ptr<SongFileReader> reader);
    void setPlayerTransport(std::shared_ptr<PlayerTransport> transport);

    // Start-up: the preview position and the player look-up come before the
    // splash; load() takes the record from the store, repairs what no editor
    // can show, and starts the timers.
    void beginStartUp();
    void load();
    bool isLoaded() const { return m_loaded; }

    // Shut-down. False while a transmission runs: it is let finish (a frame
    // cut in half would leave the board with a mix of old and new values),
    // then readyToClose() is emitted and the caller asks again. True: the
    // record has been saved and nothing runs any more.
    bool shutDown();
    // A termination signal: no more messages for an operator who is gone.
    void setTerminating();
    // Nobody is there to press OK: a missing song file is waited out (logged
    // once, and again when it is back) instead of switching the updates off.
    void setUnattended(bool unattended);
    // Takes the record again from the store, which the caller has read
    // again from its file (SIGHUP of the service). False when it could not
    // be read in full; the record in memory is kept then.
    bool reloadSettingsFile();

    const StationSettings &record() const { return m_record; }
    const AutoUpdateState &autoUpdate() const { return m_auto; }
    const QString &statusText() const { return m_status; }
    int progress() const { return m_progress; }
    bool uploadButtonEnabled(UploadButton button) const;
    const QString &previewLabel() const { return m_previewLabel; }
    const QString &trayToolTip() const { return m_toolTip; }
    PreviewSource previewSource() const { return m_previewSource; }
    int previewPosition() const { return m_preview.DspCount; }
    const ClockTexts &clockTexts() const { return m_clockTexts; }
    const DriverOptions &options() const { return m_options; }
    const SongRules &songRules() const { return m_rules; }
    const FallbackRule &fallbackRule() const { return m_fallbackRule; }
    // Whether the song or the station's own texts are on air.
    OnAir onAir() const { return m_fallback.onAir; }
    const std::vector<Programme> &programmes() const { return m_programmes; }
    // The name of the programme in force at the last tick; std::nullopt
    // outside every programme.
    const std::optional<QString> &programmeInForce() const { return m_programmeState.name; }
    // Its texts are on air whatever the song.
    bool songHeldByProgramme() const { return m_programmeState.songHeld; }
    // The most recent log lines, oldest first.
    QStringList logLines() const;
    // The device the COM number opens (section "Ports").
    QString comDevice(int comNumber) const;

    EncoderLink &link() { return *m_link; }
    clsWinAMP *player() const { return m_player.get(); }
    QTimer &engineTimer() { return m_engineTimer; }
    QTimer &previewTimer() { return m_previewTimer; }
    QTimer &clockTimer() { return m_clockTimer; }
    QTimer &clockSyncTimer() { return m_clockSyncTimer; }

    // The operator's intents. Each editor commits to the record and saves it
    // at once.
    void chooseCountryText(const QString &text);
    void chooseAreaCoverageText(const QString &text);
    void chooseEccText(const QString &text);
    void choosePtyText(const QString &text);
    void chooseProgramReference(int position);
    void chooseFlag(std::size_t pair, bool one);
    void chooseAf(int index, int position);
    void commitLabel(int index, const QString &text);
    void chooseDelay(int index, int position);
    void chooseAutoDelay(int position);
    void chooseSetAllDelay(int position);
    void setAllDelays();
    void commitMessage(int index, const QString &text);
    void setRdsActive(bool on);
    void setTrayAtStart(bool on);
    void setInsertDate(bool on);
    void chooseModeOption(int position);
    void choosePsUpdate(bool yes);
    void chooseRtUpdate(bool yes);
    void chooseUpdateType(DynamicMode mode);
    void commitRadioText(const QString &text);
    void clickSongDisplay();
    void commitSongPath(SongFileField field, const QString &path);
    void choosePreviewSource(PreviewSource source);
    void press(UploadButton button);
    void pressSetMode();
    // The setup dialog: the record is read again from the store when it opens.
    void reloadFromStore();
    void chooseComPortText(const QString &text);
    void chooseComSpeedText(const QString &text);
    void setComDevice(const QString &device);
    void setClockSyncMinutes(int minutes);
    void setSongRules(const SongRules &rules);
    // The song file, or a media player (empty name: whichever plays).
    void setSongOrigin(SongOrigin origin, const QString &playerName);
    // The media players on the session bus, for the operator to choose.
    QStringList playersPresent();
    // Where the network song inputs listen; they run while the song comes
    // from the network.
    const NetworkOptions &networkOptions() const { return m_networkOptions; }
    void setNetworkOptions(const NetworkOptions &options);
    NetworkSongSource &networkSource() { return m_networkSource; }
    const NetworkSongSource &networkSource() const { return m_networkSource; }
    // The fault of the automatic updates while it lasts, as the operator
    // was told it.
    std::optional<QString> linkFault() const;
    void setFallbackRule(const FallbackRule &rule);
    // Saved, and followed from the next tick on.
    void setProgrammes(const std::vector<Programme> &programmes);
    // The window stopped being the active one.
    void saveUnasked();
    // Asked for by the operator (the setup dialog's OK): saved even over a
    // settings file that could not be read in full.
    void save();

    // What the timers do.
    void engineTick();
    void previewTick();
    void clockTick();

signals:
    void changed(unsigned changes);
    // A message for the operator, with one OK button.
    void notice(const QString &text);
    // The transmission that held up shut-down has ended.
    void readyToClose();
    // One line for each transmission and each fault, with the time.
    void logged(const QString &line, zorvan::LogPriority priority = zorvan::LogPriority::Info);
    // A media player came, went or changed its song.
    void playersChanged();

private:
    enum class Job { EngineTick, SendSettings, SendRtAndPs, SynchronizeTime, SetMode, ClockSync };
    enum HeldTick : unsigned { kPreviewTick = 1, kClockTick = 2 };

    void edited(unsigned changes = Editors);
    void submit(Job job);
    void start(Job job);
    void finishJob();
    // `automatic`: sent by the station itself, whose faults are told and
    // logged once while they last.
    void transmit(
        const Transmission &plan, const QString &what, bool automatic, std::function<void(LinkOutcome)> done);
    void log(const QString &text, LogPriority priority = LogPriority::Info);
    void applyOptions();
    // `unusable`: the record's stored values that could not be used.
    void afterLoad(bool unreadable, QStringList unusable);
    // A record read again from the store takes the place of the one in
    // use; what is on air stays known.
    void adoptStoredRecord(const StationSettings &stored, const QStringList &unusable);
    // The song engine changed the record: saved as an unasked save is, once
    // the engine's job has ended.
    void engineEdited();
    // The settings file, watched: a change made outside the program is
    // taken in before anything is saved over it. True when it was.
    void watchSettingsFile();
    void settingsFileTouched();
    bool takeInOutsideChange();
    void settingsFileGone();
    void runEngineTick();
    // `fromFile`: an empty read may be a writer caught emptying the file.
    void followSong(const QStringList &readFields, bool fromFile);
    PlayerSongSource &playerSource();
    void listenForSongs();
    void putStationTextsOnAir();
    // The programme in force, found at each tick: true when it took the
    // tick over (its texts are being sent, or it holds the song off).
    bool followProgrammes();
    // The station's own texts with those of the programme in force.
    StationTexts textsInForce() const;
    bool haveTextsInForce() const;
    // What differs from the texts last put on air goes out: the label
    // list, then the radio text. `failed` runs when it did not reach the
    // board, for the caller to try again.
    void putTextsOnAir(const StationTexts &texts, const QString &what, bool labels, bool radioText,
        std::function<void()> failed);
    void forgetTextsOnAir();
    // The operator set or sent labels or the radio text: they are the
    // station's own texts from now on.
    void keepStationTexts(const std::function<void(StationTexts &)> &update);
    void runRadioTextStep();
    void autoUpdateFailed(LinkOutcome outcome);
    void autoUpdateSucceeded();
    void startUpload(UploadButton button, const Transmission &plan, const QString &what,
        std::function<void(LinkOutcome)> after = {});
    void tellOperator(const QString &text);
    void setStatus(const QString &text);
    void showReport(const QString &text, std::optional<double> progress);
    void showReset();
    void runPreview();
    void runClock();
    void watchSongFile();
    void songFileTouched();
    // Size and times of the song file, to tell its own changes from the
    // folder's.
    QString songFileStamp() const;
    void runWatchedTick();
    bool holdEmptyRead(bool empty, bool somethingShown);

    SettingsBackend &m_store;
    std::unique_ptr<EncoderLink> m_link;
    std::unique_ptr<SongFileReader> m_reader;
    std::shared_ptr<PlayerTransport> m_playerTransport;
    std::unique_ptr<clsWinAMP> m_player;
    Now m_now;

    StationSettings m_record;
    AutoUpdateState m_auto;
    PreviewState m_preview;
    PreviewSource m_previewSource = PreviewSource::Labels;
    QString m_previewLabel;
    QString m_toolTip;
    ClockTexts m_clockTexts;
    int m_shownModeOption = 0;

    QString m_status = QStringLiteral("Ready");
    int m_progress = 0;
    std::optional<UploadButton> m_runningButton;

    bool m_loaded = false;
    bool m_keepUnreadStore = false;
    bool m_engineChangesUnsaved = false;
    bool m_saveFailureShown = false;
    bool m_closePending = false;
    bool m_shutDown = false;
    bool m_terminating = false;
    bool m_unattended = false;
    bool m_songFileMissing = false;
    DriverOptions m_options;
    SongRules m_rules;
    FallbackRule m_fallbackRule;
    std::optional<StationTexts> m_stationTexts;
    FallbackState m_fallback;
    std::vector<Programme> m_programmes;
    ProgrammeState m_programmeState;
    // The labels and delays that the last put of station or programme
    // texts left on the board (their radio text is in m_auto.onAir);
    // forgotten once anything else goes out in their place.
    std::optional<StationTexts> m_labelsOnAir;
    std::unique_ptr<PlayerSongSource> m_playerSource;
    NetworkOptions m_networkOptions;
    NetworkSongSource m_networkSource;
    // The options the listeners run with; nothing while they do not.
    std::optional<NetworkOptions> m_listening;
    // The network song of the running tick: its radio text goes with its
    // labels even when a newer song comes during their upload.
    std::optional<NetworkSong> m_networkSong;
    std::deque<QString> m_log;

    // A fault of the automatic updates is told once while it lasts.
    std::optional<LinkOutcome> m_autoFault;
    QString m_device; // of the last transmission, named in its messages
    QString m_notRfc2217Device; // rfc2217:// found to be a raw server: not tried again

    std::optional<Job> m_active;
    std::deque<Job> m_queue;
    unsigned m_heldTicks = 0;

    QTimer m_clockTimer; // Timer1
    QTimer m_previewTimer; // Timer2
    QTimer m_engineTimer; // Timer6
    QTimer m_clockSyncTimer;

    // The song file's changes, watched so that a new song goes out at once.
    QFileSystemWatcher m_watcher;
    QTimer m_watchDelay;
    QElapsedTimer m_lastWatchedTick;
    QString m_songFileStamp;
    // A writer that rewrites the file in place empties it first: an empty
    // read after a song is only believed when a read a moment later agrees.
    QTimer m_emptyConfirm;
    bool m_emptyConfirmed = false;

    // The settings file and its folder (editors often write a new file and
    // rename it over the old one). An editor may write in steps: the file is
    // read once it has been quiet a moment.
    QFileSystemWatcher m_settingsWatcher;
    QTimer m_settingsSettle;
    bool m_settingsFileGone = false;
};

} // namespace zorvan
