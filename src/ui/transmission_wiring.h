#pragma once

#include "link/encoder_link.h"
#include "link/upload_buttons.h"
#include "model/station_settings.h"
#include "settings/settings_backend.h"
#include "ui/form1.h"

#include <QDateTime>
#include <QObject>

#include <functional>
#include <optional>

class QPushButton;

namespace zorvan {

// Connects the window's transmissions to the link: the three upload
// buttons, "Set MODE", the status bar and progress bar, and a close of the
// window that waits for a transmission under way.
//
// Each press takes what it sends from the record and the window at that
// moment; the editors keep working during the run and their changes go out
// with the next upload.
class TransmissionWiring : public QObject {
    Q_OBJECT

public:
    TransmissionWiring(Form1 &form, EncoderLink &link, StationSettings &settings, SettingsBackend &backend);
    ~TransmissionWiring() override;

    TransmissionWiring(const TransmissionWiring &) = delete;
    TransmissionWiring &operator=(const TransmissionWiring &) = delete;

    // The computer clock that "Synchronize time" reads.
    void setClock(std::function<QDateTime()> now);

    // What the buttons do. Each returns false when the press was refused or
    // nothing could be sent; a refused press changes nothing.
    bool sendSettings();
    bool sendRtAndPs();
    bool synchronizeTime();
    bool setMode();

    // The window was asked to close during a transmission and closes when
    // it has ended.
    bool closePending() const { return m_closePending; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using AfterRun = std::function<void(LinkOutcome)>;

    bool mayStart() const;
    bool start(const Transmission &plan, std::optional<UploadButton> button, AfterRun after = {});
    void showUploadButtons(std::optional<UploadButton> running);
    QPushButton *button(UploadButton which) const;
    void showReport(const QString &text, std::optional<double> progress);
    void showReset();
    void closeAfterTransmission();

    Form1 &m_form;
    EncoderLink &m_link;
    StationSettings &m_settings;
    SettingsBackend &m_backend;
    std::function<QDateTime()> m_now;
    bool m_closePending = false;
};

} // namespace zorvan
