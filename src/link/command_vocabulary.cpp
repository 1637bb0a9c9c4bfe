#include "link/command_vocabulary.h"

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

} // namespace

const Command *findCommand(QByteArrayView name)
{
    for (const Command &command : kCommandVocabulary) {
        const QByteArrayView stem(command.name.data(), qsizetype(command.name.size()));
        if (!command.isFamily()) {
            if (name == stem)
                return &command;
            continue;
        }
        if (!name.startsWith(stem))
            continue;
        const int index = familyIndex(name.sliced(stem.size()), command.digits);
        if (index >= command.first && index <= command.last)
            return &command;
    }
    return nullptr;
}

QByteArray commandName(const Command &command, int index)
{
    QByteArray name(command.name.data(), qsizetype(command.name.size()));
    if (!command.isFamily())
        return name;
    if (index < command.first || index > command.last)
        return {};
    return name + QByteArray::number(index).rightJustified(command.digits, '0');
}

} // namespace zorvan
