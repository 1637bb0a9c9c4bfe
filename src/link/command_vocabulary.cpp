#include "link/command_vocabulary.h"

#include "link/encodings.h"
#include "link/wire_text.h"

namespace zorvan {

namespace {

// The index that `suffix` spells in exactly `digits` ASCII digits, or -1.
int familyIndex(QByteArrayView suffix, int digits)
{
    if (suffix.size() != digits)
        return -1;
    int index = 0;
    for (char c : suffix) {
        if (c < '0' || c > '9')
            return -1;
        index = index * 10 + (c - '0');
    }
    return index;
}

QByteArrayView stemOf(const Command &command)
{
    return QByteArrayView(command.name.data(), qsizetype(command.name.size()));
}

} // namespace

CommandMatch matchCommand(QByteArrayView name)
{
    for (const Command &command : kCommandVocabulary) {
        const QByteArrayView stem = stemOf(command);
        if (!command.isFamily()) {
            if (name == stem)
                return { &command, 0 };
            continue;
        }
        if (!name.startsWith(stem))
            continue;
        const int index = familyIndex(name.sliced(stem.size()), command.digits);
        if (index >= command.first && index <= command.last)
            return { &command, index };
    }
    return {};
}

const Command *findCommand(QByteArrayView name)
{
    return matchCommand(name).command;
}

QByteArray commandName(const Command &command, int index)
{
    QByteArray name = stemOf(command).toByteArray();
    if (!command.isFamily())
        return name;
    if (index < command.first || index > command.last)
        return {};
    return name + QByteArray::number(index).rightJustified(command.digits, '0');
}

QByteArray commandName(CommandId id, int index)
{
    return commandName(command(id), index);
}

QByteArray decimalValue(CommandId id, qint64 number)
{
    return DecimalText(number, command(id).size);
}

QByteArray offsetValue(CommandId, int quantity)
{
    return OffsetByte(quantity);
}

QByteArray textValue(CommandId id, const QString &text)
{
    const Command &entry = command(id);
    const QByteArray bytes = toWireText(text);
    return entry.encoding == ValueEncoding::Text ? bytes.left(entry.size) : bytes;
}

} // namespace zorvan
