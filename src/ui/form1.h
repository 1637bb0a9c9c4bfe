#pragma once

#include "station/station.h"

#include <QMainWindow>

#include <array>
#include <functional>

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
// bar and the tray icon. A view of the station: every editor hands its value
// to the station, which commits it to the record and saves it at once, and
// the window draws again what the station says has changed.
class Form1 : public QMainWindow {
    Q_OBJECT

public:
    explicit Form1(Station &station, QWidget *parent = nullptr);
    ~Form1() override;

    // The splash, then the station's start-up, then the window filled from
    // the record and shown (or put into the tray). Returns at once; the
    // window is ready when startedUp() is emitted.
    void startUp();

    QString statusText() const;

    void moveToTray();
    void returnFromTray();
    bool isInTray() const { return m_inTray; }
    // Whether the desktop has a notification area; tests stand in for it.
    void setTrayAvailability(std::function<bool()> available);
    QSystemTrayIcon *trayIcon() const { return m_tray; }

signals:
    void startedUp();
    // The window has been closed and the settings saved: the program ends.
    void shutDown();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
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
        QComboBox *clockSync = nullptr; // automatic clock setting
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
        QLabel *onAir = nullptr; // the song or the station's own texts
        QPushButton *nowPlaying = nullptr; // song source, fallback and text rules
        QPushButton *programmes = nullptr; // texts by the clock
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
        QAction *log = nullptr; // the transmission log
        QAction *exit = nullptr; // Exitmnu
        QAction *about = nullptr; // Aboutmnu
    };

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

    // Editors (form1_editors.cpp): widgets hand the operator's intents to
    // the station; redraw() shows what the station holds.
    void connectEditors();
    void connectShell();
    void redraw(unsigned changes);
    void redrawEditors();
    void redrawSongPage();
    void redrawStatus();
    void browse(SongFileField field);
    void finishStartUp();

    // Window shell (form1.cpp).
    void switchPage();
    void placePages();
    void applyFixedSize();

    Station &m_station;
    bool m_inTray = false;
    bool m_started = false;
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
    QLabel *m_statusText = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
};

} // namespace zorvan
