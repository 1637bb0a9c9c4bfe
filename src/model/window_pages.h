#pragma once

#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

namespace zorvan {

// The main window's tab strip: caption, tool tip and the page panel each
// tab shows, in strip order.
struct TabPage {
    const char *caption;
    const char *toolTip;
    const char *panelName;
};
inline constexpr std::array<TabPage, 7> kTabPages { {
    { "PI, PT&Y...", "", "Frame10" },
    { "PS&0", "", "Frame12" },
    { "PS&1", "", "Frame5" },
    { "PS&2", "", "Frame37" },
    { "&TIME, MSG...", "", "Frame11" },
    { "AUTO &PS, RT", "Automatic PS update", "Frame13" },
    { "A&bout", "", "Frame15" },
} };

// Page switching goes by the selected tab's caption, compared exactly; a
// caption that is not on the strip shows no page and changes nothing.
std::optional<int> pageForTabCaption(const QString &caption);

// Geometry is planned in twips: 1/1440 inch, 15 to the pixel at 96 dpi.
inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kFormWidthTwips = 8860;
inline constexpr int kFormHeightTwips = 6315;
int twipsToPixels(int twips); // rounded to the nearest pixel
constexpr int pixelsToTwips(int pixels)
{
    return pixels * kTwipsPerPixel;
}

// The mode panel's options: position 0..5 are the encoder modes; the
// transmitter options that share the group (7..14) never decide the mode.
inline constexpr int kModeCount = 6;
std::optional<qint16> modeFromOptions(const std::array<bool, kModeCount> &selected);

} // namespace zorvan
