#include "ui/help_pictures.h"

#include "model/rds_tables.h"

#include <QFont>
#include <QPainter>

namespace zorvan {

namespace {

const QColor kInk(0x20, 0x20, 0x20);
const QColor kHeaderFill(0x1f, 0x4e, 0x8c);
const QColor kStripe(0xe8, 0xee, 0xf7);
const QColor kRule(0xb0, 0xb8, 0xc8);

constexpr int kMargin = 12;
constexpr int kTitleHeight = 30;

QFont pixelFont(int pixelSize, bool bold = false)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QImage blankPicture()
{
    QImage image(kHelpPictureSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

void drawTitle(QPainter &painter, const QString &title)
{
    painter.setFont(pixelFont(17, true));
    painter.setPen(kHeaderFill);
    painter.drawText(QRect(kMargin, 4, kHelpPictureSize.width() - 2 * kMargin, kTitleHeight),
        Qt::AlignLeft | Qt::AlignVCenter, title);
}

struct Column {
    QString heading;
    int width;
    Qt::Alignment align;
};

// Draws a header row of white text on the header colour; returns its bottom.
int drawHeader(QPainter &painter, int left, int top, int height, const QList<Column> &columns)
{
    int x = left;
    painter.setFont(pixelFont(12, true));
    for (const Column &column : columns) {
        const QRect cell(x, top, column.width, height);
        painter.fillRect(cell, kHeaderFill);
        painter.setPen(Qt::white);
        painter.drawText(cell.adjusted(4, 0, -4, 0), column.align | Qt::AlignVCenter, column.heading);
        x += column.width;
    }
    return top + height;
}

void drawRow(QPainter &painter, int left, int top, int height, bool striped, const QList<Column> &columns,
    const QStringList &cells, int fontPixels)
{
    int width = 0;
    for (const Column &column : columns)
        width += column.width;
    if (striped)
        painter.fillRect(QRect(left, top, width, height), kStripe);
    painter.setPen(kRule);
    painter.drawLine(left, top + height - 1, left + width - 1, top + height - 1);
    painter.setPen(kInk);
    painter.setFont(pixelFont(fontPixels));
    int x = left;
    for (int i = 0; i < columns.size(); ++i) {
        const QRect cell(x + 4, top, columns[i].width - 8, height);
        painter.drawText(cell, columns[i].align | Qt::AlignVCenter | Qt::TextWordWrap, cells.value(i));
        x += columns[i].width;
    }
}

QImage drawCountries()
{
    QImage image = blankPicture();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawTitle(painter,
        QStringLiteral("European countries: ISO code, extended country code (ECC) and country code"));

    const QList<Column> columns {
        { QStringLiteral("Country"), 150, Qt::AlignLeft },
        { QStringLiteral("ISO"), 36, Qt::AlignHCenter },
        { QStringLiteral("ECC"), 36, Qt::AlignHCenter },
        { QStringLiteral("CC"), 31, Qt::AlignHCenter },
    };
    constexpr int kColumnsAcross = 3;
    constexpr int kGap = 7;
    constexpr int kRowHeight = 18;
    const auto countries = rdsEuropeanCountries();
    const int rowsPerColumn = static_cast<int>((countries.size() + kColumnsAcross - 1) / kColumnsAcross);
    const int blockWidth = 150 + 36 + 36 + 31;
    const int headerTop = 4 + kTitleHeight + 4;

    for (int block = 0; block < kColumnsAcross; ++block) {
        const int left = kMargin + block * (blockWidth + kGap);
        const int top = drawHeader(painter, left, headerTop, 20, columns);
        for (int row = 0; row < rowsPerColumn; ++row) {
            const auto at = static_cast<std::size_t>(block * rowsPerColumn + row);
            if (at >= countries.size())
                break;
            const RdsCountry &country = countries[at];
            drawRow(painter, left, top + row * kRowHeight, kRowHeight, row % 2 == 1, columns,
                { QString::fromLatin1(country.name), QString::fromLatin1(country.iso), eccText(country.ecc),
                    countryCodeText(country.countryCode) },
                12);
        }
    }

    painter.setFont(pixelFont(11));
    painter.setPen(kInk);
    painter.drawText(
        QRect(kMargin, kHelpPictureSize.height() - 22, kHelpPictureSize.width() - 2 * kMargin, 18),
        Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("CC is the first hexadecimal digit of PI (\"Country\"); "
                       "ECC is chosen under \"Country - ECC\"."));
    return image;
}

QImage drawCoverageAreas()
{
    QImage image = blankPicture();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawTitle(painter, QStringLiteral("Coverage-area codes (second digit of PI)"));

    const QList<Column> columns {
        { QStringLiteral("Code"), 60, Qt::AlignHCenter },
        { QStringLiteral("Digit"), 60, Qt::AlignHCenter },
        { QStringLiteral("Meaning"), kHelpPictureSize.width() - 2 * kMargin - 120, Qt::AlignLeft },
    };
    constexpr int kRowHeight = 25;
    int top = drawHeader(painter, kMargin, 4 + kTitleHeight + 4, 22, columns);
    int row = 0;
    for (const RdsCoverageArea &area : rdsCoverageAreas()) {
        drawRow(painter, kMargin, top, kRowHeight, row % 2 == 1, columns,
            { QString::fromLatin1(area.code), QString::number(area.value, 16).toUpper(),
                QString::fromLatin1(area.meaning) },
            13);
        top += kRowHeight;
        ++row;
    }
    return image;
}

QImage drawTrafficFlags()
{
    QImage image = blankPicture();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawTitle(painter, QStringLiteral("Traffic programme (TP) and traffic announcement (TA) codes"));

    const QList<Column> columns {
        { QStringLiteral("TP"), 70, Qt::AlignHCenter },
        { QStringLiteral("TA"), 70, Qt::AlignHCenter },
        { QStringLiteral("Meaning"), kHelpPictureSize.width() - 2 * kMargin - 140, Qt::AlignLeft },
    };
    constexpr int kRowHeight = 88;
    int top = drawHeader(painter, kMargin, 4 + kTitleHeight + 14, 26, columns);
    int row = 0;
    for (const RdsTrafficFlags &flags : rdsTrafficFlags()) {
        drawRow(painter, kMargin, top, kRowHeight, row % 2 == 1, columns,
            { QString::number(flags.tp), QString::number(flags.ta), QString::fromLatin1(flags.meaning) }, 16);
        top += kRowHeight;
        ++row;
    }

    painter.setFont(pixelFont(14));
    painter.setPen(kInk);
    painter.drawText(QRect(kMargin, top + 16, kHelpPictureSize.width() - 2 * kMargin, 50),
        Qt::AlignLeft | Qt::TextWordWrap,
        QStringLiteral("Receivers searching for traffic information tune to a programme "
                       "with TP = 1; TA = 1 makes them switch to the announcement."));
    return image;
}

} // namespace

QImage drawHelpPicture(HelpPicture picture)
{
    switch (picture) {
    case HelpPicture::Countries:
        return drawCountries();
    case HelpPicture::CoverageAreas:
        return drawCoverageAreas();
    case HelpPicture::TrafficFlags:
        return drawTrafficFlags();
    }
    return {};
}

} // namespace zorvan
