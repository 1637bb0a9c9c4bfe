#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>
#include <optional>

namespace zorvan {

inline constexpr int kPtyCount = 32;

// Programme-type names in code order; the code is the position
// (EN 50067, annex F, European table).
inline constexpr std::array<const char *, kPtyCount> kPtyNames {
    "Undefined",
    "News",
    "Affairs",
    "Info",
    "Sport",
    "Educate",
    "Drama",
    "Culture",
    "Science",
    "Varied",
    "Pop Music",
    "Rock Music",
    "Easy Music",
    "Light Music",
    "Classics",
    "Other Music",
    "Weather",
    "Finance",
    "Children's program",
    "Social Affairs",
    "Religion",
    "Phone In",
    "Travel",
    "Leisure",
    "Jazz Music",
    "Country Music",
    "National Music",
    "Oldies Music",
    "Folk Music",
    "Documentary",
    "Alarm test",
    "Alarm",
};

QStringList ptyEntries();
std::optional<qint16> ptyFromText(const QString &text);
// -1 when the code has no entry.
int ptyPosition(qint16 pty);

} // namespace zorvan
