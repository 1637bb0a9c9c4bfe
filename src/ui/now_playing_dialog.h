#pragma once

#include "station/station.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QComboBox;
class QPlainTextEdit;
class QRadioButton;

namespace zorvan {

// Where the song comes from (the song file, a media player or the
// network, with its listen addresses and token), the text
// rules applied to it, and when the station's own texts go back on air.
// Every choice goes to the station at once; the rules when they are left or
// the window is closed.
class NowPlayingDialog : public QDialog {
    Q_OBJECT

public:
    NowPlayingDialog(Station &station, QWidget *parent = nullptr);

    // The one window, non-modal; opening it again brings it forward.
    static NowPlayingDialog *open(Station &station, QWidget *parent);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showChoices(const Station &station);
    void fillPlayers();
    void originChosen();
    void networkEdited();
    void fallbackChosen();
    void commitRules();

    Station &m_station;
    QRadioButton *m_fromFile;
    QRadioButton *m_fromPlayer;
    QComboBox *m_player;
    QRadioButton *m_fromNetwork;
    QLineEdit *m_httpListen;
    QLineEdit *m_lineListen;
    QLineEdit *m_token;
    QLineEdit *m_lineSeparator;
    QLineEdit *m_lineFields;
    QComboBox *m_fallbackMinutes;
    QCheckBox *m_fallbackOnEmpty;
    QPlainTextEdit *m_rules;
};

} // namespace zorvan
