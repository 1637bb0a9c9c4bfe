#pragma once

#include "model/station_settings.h"
#include "settings/settings_backend.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace zorvan {

// The communications setup: the COM port, the device it opens and the
// baud rate. Every change goes into the record and is saved at once.
class FrmSetup : public QDialog {
    Q_OBJECT

public:
    FrmSetup(StationSettings &settings, SettingsBackend &backend, std::function<void()> save,
        QWidget *parent = nullptr);

    // Opens the one setup window, non-modally; while one is open it is only
    // brought to the front.
    static FrmSetup *open(
        StationSettings &settings, SettingsBackend &backend, std::function<void()> save, QWidget *parent);
    static FrmSetup *instance();

private:
    void reloadRecord();
    void fill();
    void showDevice();
    void saveRecord();
    void portTextChanged(const QString &text);
    void speedTextChanged(const QString &text);
    void deviceEdited();

    StationSettings &m_settings;
    SettingsBackend &m_backend;
    std::function<void()> m_save;
    QComboBox *m_port; // Combo2
    QComboBox *m_speed; // Combo1
    QLineEdit *m_device; // DevicePath
    QPushButton *m_help; // Command15
    QPushButton *m_ok; // Command1
};

} // namespace zorvan
