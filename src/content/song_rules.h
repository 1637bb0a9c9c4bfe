#pragma once

#include "settings/settings_backend.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace zorvan {

// A text of the play-out put in place of another before the song goes on
// air: "feat." by "ft", "(Radio Edit)" by nothing.
struct Replacement {
    QString from;
    QString to;

    bool operator==(const Replacement &) const = default;
};

// The operator's rules for the song text: replacements, applied in list
// order, and patterns of texts that never go on air (jingles, adverts,
// station IDs that the play-out writes to the same file).
struct SongRules {
    QList<Replacement> replacements;
    QStringList ignored;

    bool isEmpty() const { return replacements.isEmpty() && ignored.isEmpty(); }
    bool operator==(const SongRules &) const = default;
};

// The song after the rules. An ignored song leaves on air what is there:
// the caller neither rebuilds the labels nor sends the radio text for it.
struct RuledSong {
    QStringList fields;
    std::optional<QString> firstLine;
    bool ignored = false;
};

// Replacements go into each field and into the first line; the patterns
// are matched against ComposeSongText of the replaced fields.
RuledSong applySongRules(
    const SongRules &rules, const QStringList &fields, const std::optional<QString> &firstLine);

// A song text longer than this has no use on air (a radio text holds 64
// characters); the rules work on no more, so that no set of rules, however
// it grows the text, holds the engine up.
inline constexpr qsizetype kMostRuledTextLength = 512;

// Every replacement in turn, each at every place it matches, without regard
// to case; what a replacement puts in is not searched again by it. The text
// is cut to kMostRuledTextLength characters before the first rule and after
// each. A text a replacement changed has the double blanks a removal leaves
// collapsed and its ends trimmed; a text no replacement touched keeps them.
QString applyReplacements(const QList<Replacement> &replacements, const QString &text);

// Whether `text` as a whole matches `pattern`: "*" stands for any run of
// characters (none included), "?" for exactly one; everything else, without
// regard to case, for itself.
bool matchesSongPattern(const QString &pattern, const QString &text);

// Stored in the driver's own section "Driver", numbered from 1 without gaps:
//   Replace1=feat.=>ft
//   Replace2=(Radio Edit)=>
//   Ignore1=JINGLE*
// A replacement is split at its first "=>", so "from" cannot hold "=>" and
// "to" can. Nothing is escaped; the INI quoting of QSettings carries commas,
// semicolons and quotes.
// A stored replacement without "=>" or with nothing before it is left out,
// and named in `unusable`.
SongRules loadSongRules(const SettingsBackend &store, QStringList *unusable = nullptr);
// Also empties the keys beyond the new count, which loading skips, so a
// shorter list leaves no old rule alive.
void saveSongRules(const SongRules &rules, SettingsBackend &store);

// The rules as the window's editor shows them, one a line:
//   feat. => ft
//   (Radio Edit) =>
//   !JINGLE*
// A line that begins with "!" is a never-on-air pattern (so no replacement
// can begin with "!"); any other line is a replacement split at its first
// "=>", both sides trimmed. Blank lines, lines without "=>" and replacements
// of nothing are dropped: the editor, redrawn from what was kept, shows the
// operator which lines did not count.
QString songRulesText(const SongRules &rules);
SongRules parseSongRules(const QString &text);

} // namespace zorvan
