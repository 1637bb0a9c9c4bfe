#pragma once

#include "station/station.h"

#include <QDialog>

class QPlainTextEdit;

namespace zorvan {

// File > "Transmission log": the station's log lines, one per transmission
// and per fault, as the headless service writes them to standard error.
class TransmissionLog : public QDialog {
    Q_OBJECT

public:
    TransmissionLog(Station &station, QWidget *parent = nullptr);

    // The one log window, non-modal; opening it again brings it forward.
    static TransmissionLog *open(Station &station, QWidget *parent);

private:
    QPlainTextEdit *m_text;
};

} // namespace zorvan
