#pragma once

#include "ui/help_texts.h"

#include <QImage>
#include <QSize>

namespace zorvan {

// Every picture of the picture help window has this size, so the window
// keeps one layout whichever picture it shows.
inline constexpr QSize kHelpPictureSize { 800, 500 };

// Draws one of the reference tables from the tables of model/rds_tables.
QImage drawHelpPicture(HelpPicture picture);

} // namespace zorvan
