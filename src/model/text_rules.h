#pragma once

#include <QString>

namespace zorvan {

inline constexpr int kPsLabelLength = 8;
inline constexpr int kLongTextLength = 64;

// A programme-service label is exactly 8 characters: the first 8 of the
// text, padded on the right with blanks. Case and characters are kept.
// Characters are code points, so a character outside the BMP counts once
// and is never cut in half.
QString FitPsLabel(const QString &text);

// Radio text and external messages: upper case, one character for one (a
// receiver's 64 places must not fill up because "ß" became "SS"), then the
// first 64 characters. No padding.
QString FitLongText(const QString &text);

// The first `count` characters (code points) of `text`.
QString leftCharacters(const QString &text, qsizetype count);

// How many characters (code points) `text` holds.
qsizetype characterCount(const QString &text);

} // namespace zorvan
