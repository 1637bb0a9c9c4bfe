#include "model/text_rules.h"

namespace zorvan {

QString FitPsLabel(const QString &text)
{
    return text.left(kPsLabelLength).leftJustified(kPsLabelLength, QLatin1Char(' '));
}

QString FitLongText(const QString &text)
{
    return text.toUpper().left(kLongTextLength);
}

} // namespace zorvan
