#pragma once

#include <QDialog>
#include <QtGlobal>

#include <functional>

class QProgressBar;
class QTimer;

namespace zorvan {

// The About window, also the splash screen: a picture and a progress bar
// that fills in twenty steps; the twenty-first step closes the window. It
// offers no way to close it earlier.
class FrmAbout : public QDialog {
    Q_OBJECT

public:
    static constexpr int kIntervalMs = 30;
    static constexpr qint16 kStep = 20;
    static constexpr qint16 kMaximum = 400;
    static constexpr QSize kPictureSize { 566, 404 };

    explicit FrmAbout(QWidget *parent = nullptr);

    qint16 counter() const { return m_counter; }
    // Timer2; tests stop it and call tick() themselves.
    QTimer *stepTimer() const { return m_timer; }

    // Start-up: shows the window modally and returns at once; `closed` runs
    // (in the life of `context`) once it has closed itself.
    static void showSplash(QWidget *parent, QObject *context, std::function<void()> closed);
    // Menu "&About": shows the window non-modally. While one is open, a second
    // request only brings it to the front; each new window starts at 0.
    static FrmAbout *showAbout(QWidget *parent);
    static FrmAbout *instance();

public slots:
    void tick();

protected:
    void reject() override;
    void closeEvent(QCloseEvent *event) override;

private:
    QTimer *m_timer;
    QProgressBar *m_progress;
    qint16 m_counter = 0;
    bool m_finished = false;
};

} // namespace zorvan
