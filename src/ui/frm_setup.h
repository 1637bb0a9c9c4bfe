#pragma once

#include "station/station.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace zorvan {

// The communications setup: the COM port, the device it opens and the
// baud rate. Every change goes to the station, which saves it at once.
class FrmSetup : public QDialog {
    Q_OBJECT

public:
    explicit FrmSetup(Station &station, QWidget *parent = nullptr);

    // Opens the one setup window, non-modally; while one is open it is only
    // brought to the front.
    static FrmSetup *open(Station &station, QWidget *parent);
    static FrmSetup *instance();

private:
    void fill();
    void showDevice();
    void portTextChanged(const QString &text);
    void deviceEdited();

    Station &m_station;
    QComboBox *m_port; // Combo2
    QComboBox *m_speed; // Combo1
    QComboBox *m_deviceList; // DeviceList
    QLineEdit *m_device = nullptr; // its text: DevicePath
    QPushButton *m_help; // Command15
    QPushButton *m_ok; // Command1
};

} // namespace zorvan
