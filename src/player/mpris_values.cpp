#include "player/mpris_values.h"

#include <QDBusArgument>
#include <QDBusVariant>

namespace zorvan {

QVariant unwrapDBusValue(const QVariant &value)
{
    if (value.userType() == qMetaTypeId<QDBusVariant>())
        return value.value<QDBusVariant>().variant();
    return value;
}

QVariantMap dbusMap(const QVariant &value)
{
    const QVariant plain = unwrapDBusValue(value);
    QVariantMap map;
    if (plain.userType() == qMetaTypeId<QDBusArgument>())
        plain.value<QDBusArgument>() >> map;
    else
        map = plain.toMap();
    for (auto it = map.begin(); it != map.end(); ++it)
        it.value() = unwrapDBusValue(it.value());
    return map;
}

QStringList dbusTextList(const QVariant &value)
{
    if (value.userType() == qMetaTypeId<QDBusArgument>()) {
        QStringList list;
        value.value<QDBusArgument>() >> list;
        return list;
    }
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList();
    return { value.toString() };
}

} // namespace zorvan
