#pragma once

#include <QString>

namespace zorvan {

inline constexpr int kPsLabelLength = 8;
inline constexpr int kLongTextLength = 64;

// A programme-service label is exactly 8 characters: the first 8 of the
// text, padded on the right with blanks. Case and characters are kept.
QString FitPsLabel(const QString &text);

// Radio text and external messages: upper case (Unicode rules), then the
// first 64 characters. No padding.
QString FitLongText(const QString &text);

} // namespace zorvan
