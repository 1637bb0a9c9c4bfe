#pragma once

#include "model/station_settings.h"
#include "settings/settings_store.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <map>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSystemTrayIcon;
class QTabBar;
class QTimer;
class QWidget;

namespace zorvan {

// The main window: seven pages of editors, the send column, the status
// bar, the tray icon and the start-up and shut-down order. Every editor
// writes its field into the record and saves the whole record at once.
class Form1 : public QMainWindow {
    Q_OBJECT

public:
    // Start-up steps that other parts of the program attach to.
    enum class StartUpStep {
        PlayerLookUp, // before the settings are loaded
        Splash, // modal; start-up goes on once it has closed
        FillControls, // after the editors have been filled from the record
        LastSentText, // last: the shown song text is taken as sent
    };

    Form1(StationSettings &settings, SettingsBackend &backend, QWidget *parent = nullptr);
    ~Form1() override;

    void addStartUpHook(StartUpStep step, std::function<void()> hook);
    // Loads the record, fills every control, starts the timers and shows the
    // window (or puts it into the tray).
    void startUp();

    StationSettings &settings() { return m_settings; }
    // Writes the whole record; a store that fails is reported once in the
    // status bar, and again only after it has worked in between.
    void saveAllSettings();

    void setStatusText(const QString &text);
    QString statusText() const;

    void moveToTray();
    void returnFromTray();
    bool isInTray() const { return m_inTray; }
    // Whether the desktop has a notification area; tests stand in for it.
    void setTrayAvailability(std::function<bool()> available);

    // The preview position, shared with the preview tick.
    qint16 DspCount = 0;

    struct PiPage {
        QWidget *panel = nullptr; // Frame10
        QComboBox *country = nullptr; // Combo2
        QComboBox *areaCoverage = nullptr; // Combo1
        QComboBox *programReference = nullptr; // Combo3
        QComboBox *ecc = nullptr; // Combo6
        QComboBox *pty = nullptr; // Combo7
        struct Flag {
            QRadioButton *one = nullptr;
            QRadioButton *zero = nullptr;
        };
        std::array<Flag, 7> flags {}; // in the order of kFlagPairs
        std::array<QComboBox *, kAfCount> af {};
        std::array<QLabel *, kAfCount> afCaptions {}; // Label20
    };

    struct LabelPages {
        std::array<QWidget *, 3> panels {}; // Frame12, Frame5, Frame37
        std::array<QLineEdit *, kLabelCount> labels {};
        std::array<QComboBox *, kLabelCount> delays {};
        QComboBox *setAllDelay = nullptr; // Combo15
        QPushButton *setAllButton = nullptr; // Command8
        QLabel *ps1Picture = nullptr;
        std::array<QLabel *, 3> productPictures {};
    };

    struct MessagePage {
        QWidget *panel = nullptr; // Frame11
        std::array<QLineEdit *, kMessageCount> messages {};
        QLabel *pcTime = nullptr; // Label8
        QLabel *pcDate = nullptr; // Label21
        QPushButton *synchronizeTime = nullptr; // Command11
        QPushButton *messagesHelp = nullptr; // Command3
        QPushButton *clockHelp = nullptr; // Command13
    };

    struct AutoPage {
        QWidget *panel = nullptr; // Frame13
        QLineEdit *rtSourcePath = nullptr; // Text2
        QPushButton *browseRtSource = nullptr; // Command7
        QRadioButton *rtUpdateYes = nullptr; // Option19
        QRadioButton *rtUpdateNo = nullptr; // Option20
        QLineEdit *radioText = nullptr; // Text1
        std::array<QRadioButton *, 3>
            updateType {}; // Option1: "Turn off", "Split into 9 separate PS", "Scroll PS"
        QComboBox *autoDelay = nullptr; // Combo13
        QCheckBox *insertDate = nullptr; // Check4
        QRadioButton *psUpdateYes = nullptr; // Option24
        QRadioButton *psUpdateNo = nullptr; // Option23
        QLineEdit *psSourcePath = nullptr; // Text3
        QPushButton *browsePsSource = nullptr; // Command4
        QLabel *songDisplay = nullptr; // Label5
    };

    struct AboutPage {
        QWidget *panel = nullptr; // Frame15
        QLabel *logoPicture = nullptr;
        QLabel *boardPicture = nullptr;
        QLabel *webAddress = nullptr;
    };

    struct RightColumn {
        QWidget *panel = nullptr; // Frame2
        QCheckBox *rdsActive = nullptr; // Check1
        QPushButton *help = nullptr; // Command15
        QPushButton *sendRtAndPs = nullptr; // Command10
        QPushButton *sendSettings = nullptr; // Command12
        QCheckBox *trayAtStart = nullptr; // Check5
        QRadioButton *previewRt = nullptr; // Option21
        QRadioButton *previewPs = nullptr; // Option22
        QLabel *previewLabel = nullptr; // Label10
        QPushButton *previewHelp = nullptr; // Command17
        QPushButton *moveToTray = nullptr; // Command2
        QProgressBar *progress = nullptr; // ProgressBar1
    };

    // Never shown: the encoder mode panel and the transmitter panel.
    struct HiddenPanels {
        QWidget *modePanel = nullptr; // "Switch delay" around "ZORVAN 30 mode selection"
        QWidget *transmitterPanel = nullptr;
        std::array<QRadioButton *, 15> modeOptions {}; // OptionMode_0 .. _14, position 6 unused
        QPushButton *setMode = nullptr;
        QPushButton *updateTx = nullptr;
    };

    struct Menus {
        QAction *setup = nullptr; // SetupMnu
        QAction *exit = nullptr; // Exitmnu
        QAction *about = nullptr; // Aboutmnu
    };

    struct Timers {
        QTimer *clock = nullptr; // Timer1
        QTimer *preview = nullptr; // Timer2
        QTimer *unused = nullptr; // Timer5
        QTimer *engine = nullptr; // Timer6
    };

    const PiPage &piPage() const { return m_pi; }
    const LabelPages &labelPages() const { return m_labels; }
    const MessagePage &messagePage() const { return m_messages; }
    const AutoPage &autoPage() const { return m_auto; }
    const AboutPage &aboutPage() const { return m_about; }
    const RightColumn &rightColumn() const { return m_right; }
    const HiddenPanels &hiddenPanels() const { return m_hidden; }
    const Menus &menus() const { return m_menus; }
    const Timers &timers() const { return m_timers; }
    QTabBar *tabStrip() const { return m_tabStrip; }
    QSystemTrayIcon *trayIcon() const { return m_tray; }
    // The help buttons "?" of the control array Command1, by index.
    QPushButton *helpButton(int index) const;

signals:
    // The window has been closed and the settings saved: the program ends.
    void shutDown();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Building (form1_pages.cpp).
    void buildWindow();
    void buildMenus();
    QWidget *buildPiPage(QWidget *parent);
    QWidget *buildLabelPage(QWidget *parent, int page);
    QWidget *buildMessagePage(QWidget *parent);
    QWidget *buildAutoPage(QWidget *parent);
    QWidget *buildAboutPage(QWidget *parent);
    QWidget *buildRightColumn(QWidget *parent);
    void buildHiddenPanels(QWidget *parent);
    QPushButton *makeHelpButton(QWidget *parent, int index, const QString &place);
    QWidget *makeLabelRow(QWidget *parent, int index);

    // Editors (form1_editors.cpp).
    void connectEditors();
    void fillControls();
    void runPiHandler(QComboBox *selector);
    void runFlagHandler(std::size_t pair);
    void runAfHandler(int index);
    void commitLabels();
    void commitDelays();
    void setAllDelays();
    void commitSetAllDelay();
    void commitMessage(int index);
    void runModeHandler();

    // Window shell (form1.cpp).
    void switchPage();
    void placePages();
    void applyFixedSize();
    void runHooks(StartUpStep step);
    // Saves that no edit asked for (start-up, deactivation, close). They
    // leave alone a settings file that could not be read, so a file that was
    // only out of reach for a moment is not replaced by defaults.
    void saveUnasked();

    StationSettings &m_settings;
    SettingsBackend &m_backend;
    std::map<StartUpStep, std::vector<std::function<void()>>> m_hooks;
    bool m_saveFailureShown = false;
    bool m_keepUnreadStore = false;
    bool m_inTray = false;
    bool m_filling = false;
    std::function<bool()> m_trayAvailable;

    QTabBar *m_tabStrip = nullptr;
    std::array<QWidget *, 7> m_pagePanels {};
    std::array<QPushButton *, 15> m_helpButtons {};
    PiPage m_pi;
    LabelPages m_labels;
    MessagePage m_messages;
    AutoPage m_auto;
    AboutPage m_about;
    RightColumn m_right;
    HiddenPanels m_hidden;
    Menus m_menus;
    Timers m_timers;
    QLabel *m_statusText = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
};

} // namespace zorvan
