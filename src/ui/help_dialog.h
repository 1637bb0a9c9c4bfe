#pragma once

#include "ui/help_texts.h"

#include <QDialog>

#include <array>

class QLabel;
class QPushButton;

namespace zorvan {

// The text help window: a heading, a body and an optional note. One shared
// instance; closing it unloads it.
class HelpDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kFullHeightTwips = 6345;
    static constexpr int kWidthTwips = 5760;
    static constexpr int kNoteHeightTwips = 2010;
    static constexpr int kCloseTopTwips = 5040;
    // The shrunk close button sits this far above the bottom of the note area.
    static constexpr int kShrunkCloseBaseTwips = 5460;

    explicit HelpDialog(QWidget *parent = nullptr);

    // Replaces title, heading, body and note, and lays the window out for
    // them: without a note it shrinks by the note's height.
    void setContent(const QString &title, const QString &heading, const QString &body, const QString &note);
    QString heading() const;
    // Body and note as composed, with their carriage returns.
    QString body() const { return m_bodyText; }
    QString note() const { return m_noteText; }

    // The open instance, or nullptr.
    static HelpDialog *instance();
    // Opens the shared instance (creating it when none is open) with the content.
    static HelpDialog *open(QWidget *parent, const QString &title, const QString &heading,
        const QString &body, const QString &note);

private:
    void applyLayout();

    QLabel *m_heading;
    QLabel *m_body;
    QLabel *m_note;
    QPushButton *m_close;
    QString m_bodyText;
    QString m_noteText;
};

// The picture help window: one of three reference tables.
class HelpDialog1 : public QDialog {
    Q_OBJECT

public:
    explicit HelpDialog1(QWidget *parent = nullptr);

    void showPicture(const QString &title, HelpPicture picture);
    // Which picture is visible; the window shows exactly one.
    HelpPicture visiblePicture() const;

    static HelpDialog1 *instance();
    static HelpDialog1 *open(QWidget *parent, const QString &title, HelpPicture picture);

private:
    std::array<QLabel *, 3> m_images {};
    QPushButton *m_close;
};

// The handler of the `Command1` help buttons. Returns the window that shows
// the help, or nullptr for an index that has no help.
QDialog *showCommand1Help(int index, QWidget *parent);

// The separate help buttons `Command3`, `Command13`, `Command15`, `Command17`.
void showMessageHelp(MessageHelp which, QWidget *parent);

} // namespace zorvan
