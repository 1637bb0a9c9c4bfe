#include "ui/help_dialog.h"

#include "model/window_pages.h"

#include "ui/help_pictures.h"
#include "ui/help_support.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>

namespace zorvan {

namespace {

QPointer<HelpDialog> s_textHelp;

constexpr int kLargestTextPixels = 12;
QPointer<HelpDialog1> s_pictureHelp;

QRect twipsRect(int left, int top, int width, int height)
{
    return { twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height) };
}

QFont pixelFont(const QFont &base, int pixels, bool bold = false)
{
    QFont font = base;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// Labels draw a carriage return as nothing, so a composed help text keeps
// its carriage returns in the data and gets real line breaks on screen.
QString shownText(const QString &text)
{
    QString shown = text;
    shown.replace(QChar(13), QChar(10));
    return shown;
}

// The design boxes are fixed while the texts differ in length: each text
// gets the largest font, down to a floor, at which it fits its box.
void fitFont(QLabel *label, int largestPixels)
{
    constexpr int kSmallestPixels = 8;
    QFont font = label->font();
    for (int pixels = largestPixels; pixels >= kSmallestPixels; --pixels) {
        font.setPixelSize(pixels);
        const QRect needed = QFontMetrics(font).boundingRect(
            QRect(0, 0, label->width(), 100000), Qt::TextWordWrap | Qt::AlignLeft, label->text());
        if (needed.height() <= label->height())
            break;
    }
    label->setFont(font);
}

void bringUp(QDialog *dialog)
{
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

} // namespace

HelpDialog::HelpDialog(QWidget *parent)
    : QDialog(parent)
    , m_heading(new QLabel(this))
    , m_body(new QLabel(this))
    , m_note(new QLabel(this))
    , m_close(new QPushButton(QStringLiteral("CLOSE"), this))
{
    setObjectName(QStringLiteral("HelpDialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    m_heading->setObjectName(QStringLiteral("Label1"));
    m_body->setObjectName(QStringLiteral("Label2"));
    m_note->setObjectName(QStringLiteral("Label3"));
    m_close->setObjectName(QStringLiteral("OKButton"));

    m_heading->setGeometry(twipsRect(30, 60, 5580, 330));
    m_body->setGeometry(twipsRect(30, 480, 5610, 2310));
    m_note->setGeometry(twipsRect(30, 2850, 5610, kNoteHeightTwips));
    m_heading->setFont(pixelFont(font(), 14, true));
    for (QLabel *label : { m_heading, m_body, m_note }) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    m_note->setStyleSheet(QStringLiteral("color: #7a1010;"));
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);

    applyLayout();
}

void HelpDialog::setContent(
    const QString &title, const QString &heading, const QString &body, const QString &note)
{
    setWindowTitle(title);
    m_heading->setText(heading);
    m_body->setText(shownText(body));
    m_note->setText(shownText(note));
    fitFont(m_body, kLargestTextPixels);
    fitFont(m_note, kLargestTextPixels);
    m_bodyText = body;
    m_noteText = note;
    applyLayout();
}

QString HelpDialog::heading() const
{
    return m_heading->text();
}

// Layout follows the content every time, so a help with a note shown after
// one without gets its full height back instead of losing the note.
void HelpDialog::applyLayout()
{
    const bool hasNote = !m_noteText.isEmpty();
    const int shrink = hasNote ? 0 : kNoteHeightTwips;
    const int closeTop = hasNote ? kCloseTopTwips : kShrunkCloseBaseTwips - shrink;
    m_note->setVisible(hasNote);
    m_close->setGeometry(twipsRect(2160, closeTop, 1215, 375));
    setFixedSize(twipsToPixels(kWidthTwips), twipsToPixels(kFullHeightTwips - shrink));
}

HelpDialog *HelpDialog::instance()
{
    return s_textHelp.data();
}

HelpDialog *HelpDialog::open(
    QWidget *parent, const QString &title, const QString &heading, const QString &body, const QString &note)
{
    BusyPointer busy;
    if (!s_textHelp)
        s_textHelp = new HelpDialog(parent);
    s_textHelp->setContent(title, heading, body, note);
    bringUp(s_textHelp);
    return s_textHelp;
}

HelpDialog1::HelpDialog1(QWidget *parent)
    : QDialog(parent)
    , m_close(new QPushButton(QStringLiteral("CLOSE"), this))
{
    setObjectName(QStringLiteral("HelpDialog1"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    constexpr int kPad = 8;
    for (int i = 0; i < static_cast<int>(m_images.size()); ++i) {
        auto *image = new QLabel(this);
        image->setObjectName(QStringLiteral("Image1_%1").arg(i));
        image->setPixmap(QPixmap::fromImage(drawHelpPicture(static_cast<HelpPicture>(i))));
        image->setGeometry(QRect(QPoint(kPad, kPad), kHelpPictureSize));
        image->setVisible(i == 0);
        m_images[static_cast<std::size_t>(i)] = image;
    }
    m_close->setObjectName(QStringLiteral("OKButton"));
    const QSize closeSize(twipsToPixels(1215), twipsToPixels(375));
    m_close->setGeometry(QRect(QPoint((kHelpPictureSize.width() + 2 * kPad - closeSize.width()) / 2,
                                   kPad + kHelpPictureSize.height() + kPad),
        closeSize));
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    setFixedSize(kHelpPictureSize.width() + 2 * kPad,
        kPad + kHelpPictureSize.height() + kPad + closeSize.height() + kPad);
}

void HelpDialog1::showPicture(const QString &title, HelpPicture picture)
{
    setWindowTitle(title);
    for (std::size_t i = 0; i < m_images.size(); ++i)
        m_images[i]->setVisible(static_cast<int>(i) == static_cast<int>(picture));
}

HelpPicture HelpDialog1::visiblePicture() const
{
    for (std::size_t i = 0; i < m_images.size(); ++i) {
        if (!m_images[i]->isHidden())
            return static_cast<HelpPicture>(i);
    }
    return HelpPicture::Countries;
}

HelpDialog1 *HelpDialog1::instance()
{
    return s_pictureHelp.data();
}

HelpDialog1 *HelpDialog1::open(QWidget *parent, const QString &title, HelpPicture picture)
{
    BusyPointer busy;
    if (!s_pictureHelp)
        s_pictureHelp = new HelpDialog1(parent);
    s_pictureHelp->showPicture(title, picture);
    bringUp(s_pictureHelp);
    return s_pictureHelp;
}

QDialog *showCommand1Help(int index, QWidget *parent)
{
    const auto help = command1Help(index);
    if (!help)
        return nullptr;
    if (help->kind == HelpKind::Picture)
        return HelpDialog1::open(parent, help->title, help->picture);
    return HelpDialog::open(parent, help->title, help->heading, help->body, help->note);
}

void showMessageHelp(MessageHelp which, QWidget *parent)
{
    showMessage(parent, messageHelpText(which));
}

} // namespace zorvan
