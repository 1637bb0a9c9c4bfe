#pragma once

#include "content/auto_update_engine.h"
#include "content/preview.h"
#include "content/song_file_reader.h"
#include "link/encoder_link.h"
#include "model/station_settings.h"
#include "settings/settings_backend.h"
#include "ui/form1.h"
#include "ui/frm_properties.h"

#include <QDateTime>
#include <QObject>

#include <functional>
#include <memory>

namespace zorvan {

// Connects the song-following part to the main window: the "AUTO PS, RT"
// page, the engine timer (Timer6), the preview (Timer2, Label10 and the
// tray tool tip) and the computer clock (Timer1, Label8 and Label21).
//
// No tick runs inside a transmission: a timer that fires while the link is
// busy (the engine's own upload or a button's) is remembered, and each
// remembered timer runs once when the link has finished, however often it
// fired meanwhile.
class SongWiring : public QObject, private AutoUpdateView {
    Q_OBJECT

public:
    using Now = std::function<QDateTime()>;

    // `ports` names the device of each COM number; the engine's
    // transmissions open the port that `COMSelected` and `COMSpeed` choose
    // at the moment they start.
    SongWiring(Form1 &form, EncoderLink &link, StationSettings &settings, const SettingsBackend &ports,
        std::unique_ptr<SongFileReader> reader = std::make_unique<PlatformSongFileReader>(),
        QObject *parent = nullptr);
    ~SongWiring() override;

    // What the three timers do when they fire.
    void engineTimerFired();
    void previewTimerFired();
    void clockTimerFired();

    AutoUpdateEngine &engine() { return *m_engine; }
    // Where the clock labels take the time from.
    void setClock(Now now) { m_now = std::move(now); }

private:
    enum HeldTick : unsigned { kEngineTick = 1, kPreviewTick = 2, kClockTick = 4 };

    class PortChoosingRunner;

    void connectPage();
    void connectTimers();
    void fired(HeldTick tick);
    void runHeldTicks();
    void runTick(HeldTick tick);
    void runPreview();
    void runClock();
    void showPsUpdatePair(bool yes);
    void showRtUpdatePair(bool yes);
    void browse(SongFileField field);
    bool eventFilter(QObject *watched, QEvent *event) override;
    void openBox(const QString &text, std::function<void()> closed);

    // The page as the engine sees it.
    DynamicMode dynamicMode() const override;
    bool insertDateChecked() const override;
    int autoDelayPosition() const override;
    QString songSourcePath() const override;
    QString labelText(int index) const override;
    int labelDelay(int index) const override;
    void setLabelText(int index, const QString &text) override;
    void setLabelDelay(int index, int position) override;
    QString songDisplay() const override;
    void setSongDisplay(const QString &text) override;
    QString radioTextField() const override;
    void setRadioTextField(const QString &text) override;
    void showAutoUpdateOff() override;
    void showMessage(const QString &text, std::function<void()> closed) override;
    void reportLinkFailure(LinkOutcome outcome, std::function<void()> closed) override;

    Form1 &m_form;
    EncoderLink &m_link;
    StationSettings &m_settings;
    std::unique_ptr<SongFileReader> m_reader;
    std::unique_ptr<PortChoosingRunner> m_runner;
    std::unique_ptr<AutoUpdateEngine> m_engine;
    PreviewState m_preview;
    Now m_now = &QDateTime::currentDateTime;
    unsigned m_heldTicks = 0;
    bool m_shutDown = false;
};

} // namespace zorvan
