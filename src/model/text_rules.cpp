#include "model/text_rules.h"

namespace zorvan {

namespace {

// Where the character at `i` ends: a surrogate pair is one character, a
// lone surrogate is left standing as one of its own.
qsizetype nextCharacter(const QString &text, qsizetype i)
{
    if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        return i + 2;
    return i + 1;
}

} // namespace

QString leftCharacters(const QString &text, qsizetype count)
{
    qsizetype end = 0;
    for (qsizetype n = 0; n < count && end < text.size(); ++n)
        end = nextCharacter(text, end);
    return text.first(end);
}

qsizetype characterCount(const QString &text)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); i = nextCharacter(text, i))
        ++count;
    return count;
}

QString FitPsLabel(const QString &text)
{
    QString label = leftCharacters(text, kPsLabelLength);
    label.append(QString(kPsLabelLength - characterCount(label), QLatin1Char(' ')));
    return label;
}

QString FitLongText(const QString &text)
{
    const QString kept = leftCharacters(text, kLongTextLength);
    QString upper;
    upper.reserve(kept.size());
    for (qsizetype i = 0; i < kept.size();) {
        const qsizetype end = nextCharacter(kept, i);
        if (end - i == 2) {
            const char32_t c = QChar::toUpper(QChar::surrogateToUcs4(kept.at(i), kept.at(i + 1)));
            upper.append(QString::fromUcs4(&c, 1));
        } else {
            upper.append(kept.at(i).toUpper());
        }
        i = end;
    }
    return upper;
}

} // namespace zorvan
