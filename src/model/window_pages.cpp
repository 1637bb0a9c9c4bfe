#include "model/window_pages.h"

#include <cmath>

namespace zorvan {

std::optional<int> pageForTabCaption(const QString &caption)
{
    for (std::size_t page = 0; page < kTabPages.size(); ++page) {
        if (caption == QLatin1String(kTabPages[page].caption))
            return static_cast<int>(page);
    }
    return std::nullopt;
}

int twipsToPixels(int twips)
{
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

std::optional<qint16> modeFromOptions(const std::array<bool, kModeCount> &selected)
{
    for (std::size_t position = 0; position < selected.size(); ++position) {
        if (selected[position])
            return static_cast<qint16>(position);
    }
    return std::nullopt;
}

} // namespace zorvan
