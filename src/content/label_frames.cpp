#include "content/label_frames.h"

#include "link/command_vocabulary.h"

namespace zorvan {

namespace {

// i / 2 written without trailing zeros: 0, 0.5, 1, 1.5 ...
QString halfPercent(int twice)
{
    return twice % 2 == 0 ? QString::number(twice / 2) : QStringLiteral("%1.5").arg(twice / 2);
}

} // namespace

QString labelStatusText(int index)
{
    return QStringLiteral("Sending PS%1 to RDS encoder...%2%").arg(index).arg(halfPercent(index));
}

QString delayStatusText(int index)
{
    return QStringLiteral("Sending DELAY%1 to RDS encoder...%2%").arg(index).arg(halfPercent(100 + index));
}

double labelProgress(int index)
{
    return index * 0.09;
}

double delayProgress(int index)
{
    return 9 + index * 0.09;
}

QByteArray labelCommand(int index)
{
    return commandName(CommandId::Label, index);
}

QByteArray delayCommand(int index)
{
    return commandName(CommandId::LabelDelay, index);
}

QString withoutLeadingBlanks(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    return text.mid(i);
}

QByteArray radioTextUploadValue(const QString &rt)
{
    const QByteArray text = textValue(CommandId::RadioText, withoutLeadingBlanks(rt));
    return (text + QByteArrayLiteral("\r\r\r")).left(command(CommandId::RadioText).size);
}

} // namespace zorvan
