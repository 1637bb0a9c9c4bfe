#pragma once

#include "content/dynamic_ps.h"
#include "content/song_file_reader.h"
#include "link/transmission_runner.h"
#include "model/station_settings.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace zorvan {

// The message shown when the song file does not exist; paragraphs are
// separated by CR LF as message boxes have always shown them.
extern const QString kMissingSongFileMessage;

// What the engine needs of the window's "AUTO PS, RT" page and label list.
// The window implements it with its controls; setting a control from here
// must not run the control's own commit handler (the engine stores and
// saves what it writes itself).
class AutoUpdateView {
public:
    virtual ~AutoUpdateView() = default;

    virtual DynamicMode dynamicMode() const = 0; // position of the mode group
    virtual bool insertDateChecked() const = 0; // "Insert DATE"
    virtual int autoDelayPosition() const = 0; // position of the "Delay:" list
    virtual QString songSourcePath() const = 0; // the PS source path field

    virtual QString labelText(int index) const = 0; // label field 0..99
    virtual int labelDelay(int index) const = 0; // position of delay list 0..99
    virtual void setLabelText(int index, const QString &text) = 0;
    virtual void setLabelDelay(int index, int position) = 0;

    virtual QString songDisplay() const = 0;
    virtual void setSongDisplay(const QString &text) = 0;
    virtual QString radioTextField() const = 0;
    virtual void setRadioTextField(const QString &text) = 0;

    // Select "No" of "Auto update PS from txt file" and of "Auto update RT
    // from txt file"; the engine has already stored and saved both.
    virtual void showAutoUpdateOff() = 0;

    // A message box with one OK button. `closed` must be called once, when
    // the box has been closed (after exec() returns, or from its finished
    // signal); no tick runs before that.
    virtual void showMessage(const QString &text, std::function<void()> closed) = 0;

    // A transmission of the engine failed. PortMissing comes at every
    // attempt and takes the port's message box; any other failure comes
    // once until a transmission succeeds again. `closed` as above.
    virtual void reportLinkFailure(LinkOutcome outcome, std::function<void()> closed) = 0;
};

// Keeps the labels and the radio text following the song file, one
// AutoUpdateTick per second. Transmissions run without blocking the window,
// so a tick goes on in the runner's callbacks; a tick that arrives while one
// is still going on (sending, or its message box open) is held inside the
// engine and run once when that one has ended, however many arrived. While
// another transmission (a button's upload) holds the runner, a tick still
// reads the file and rebuilds the labels, and leaves its sending to the
// next tick.
class AutoUpdateEngine : public QObject {
    Q_OBJECT

public:
    using SaveAll = std::function<void()>;
    using Today = std::function<QDate()>;

    AutoUpdateEngine(AutoUpdateView &view, TransmissionRunner &runner, SongFileReader &reader,
        StationSettings &settings, SaveAll saveAll, Today today = &QDate::currentDate,
        QObject *parent = nullptr);

    // The event of the engine timer.
    void AutoUpdateTick();

    // A tick is in progress: sending, or waiting for its message box.
    bool isBusy() const { return m_busy; }
    bool hasHeldTick() const { return m_tickHeld; }

    // The shown song text at the last completed upload; the window sets it
    // from the song display at the end of start-up.
    QString lastSentText() const { return m_lastSentText; }
    void setLastSentText(const QString &text) { m_lastSentText = text; }

    // Puts a text into the song display; with the radio-text update on it
    // becomes the radio text too.
    void ShowSongText(const QString &text);

    // The page's own rules, for the window to call from its handlers.
    void choosePsUpdate(bool yes);
    void chooseRtUpdate(bool yes);
    void chooseMode(DynamicMode mode);
    void songDisplayClicked();
    void radioTextFieldCommitted();

private:
    void handleMissingFile();
    bool runPsHalf(const QStringList &fields); // true: an upload is under way
    void rebuildLabels(const QString &songText);
    LabelWrites switchOffLeftovers(LabelList &labels, const LabelWrites &written);
    void onLabelsSent(LinkOutcome outcome);
    void runRadioTextStep();
    void onRadioTextSent(LinkOutcome outcome);
    void send(const Transmission &plan, void (AutoUpdateEngine::*done)(LinkOutcome));
    void succeeded();
    void failed(LinkOutcome outcome);
    void finishTick();
    LabelList labelsOfView() const;

    AutoUpdateView &m_view;
    TransmissionRunner &m_runner;
    SongFileReader &m_reader;
    StationSettings &m_settings;
    SaveAll m_saveAll;
    Today m_today;

    QString m_lastSentText;
    bool m_busy = false;
    bool m_tickHeld = false;
    bool m_radioTextPending = false;
    std::optional<LinkOutcome> m_reportedFailure;
    std::bitset<kLabelCount> m_songLabelsOnAir; // delays the last rebuild of split or scroll switched on
};

} // namespace zorvan
