#include "content/song_rules.h"

#include "content/song_source.h"
#include "settings/settings_store.h"

#include <vector>

namespace zorvan {

namespace {

const QString kReplaceKey = QStringLiteral("Replace");
const QString kIgnoreKey = QStringLiteral("Ignore");
const QString kStoredArrow = QStringLiteral("=>");
const QString kShownArrow = QStringLiteral(" => ");
const QChar kPatternMark = QLatin1Char('!');

QString numbered(const QString &base, int number)
{
    return base + QString::number(number);
}

std::optional<Replacement> splitReplacement(const QString &text, bool trim)
{
    const qsizetype arrow = text.indexOf(kStoredArrow);
    if (arrow < 0)
        return std::nullopt;
    Replacement replacement { text.left(arrow), text.mid(arrow + kStoredArrow.size()) };
    if (trim)
        replacement = { replacement.from.trimmed(), replacement.to.trimmed() };
    // An empty "from" would match between every two characters.
    if (replacement.from.isEmpty())
        return std::nullopt;
    return replacement;
}

// Every stored value of "<base>1", "<base>2", ... up to the first absent
// key, by key; emptied keys are skipped, so a hand-made gap hides nothing
// behind it.
QList<std::pair<QString, QString>> storedEntries(const SettingsBackend &store, const QString &base)
{
    QList<std::pair<QString, QString>> entries;
    for (int number = 1;; ++number) {
        const QString key = numbered(base, number);
        const std::optional<QString> value = store.read(kDriverSection, key);
        if (!value)
            return entries;
        if (!value->isEmpty())
            entries.append({ key, *value });
    }
}

QStringList storedList(const SettingsBackend &store, const QString &base)
{
    QStringList values;
    for (const auto &[key, value] : storedEntries(store, base))
        values.append(value);
    return values;
}

void storeList(SettingsBackend &store, const QString &base, const QStringList &values)
{
    int number = 1;
    for (const QString &value : values)
        store.write(kDriverSection, numbered(base, number++), value);
    // The backend cannot remove a key; an empty one no longer counts.
    for (; store.read(kDriverSection, numbered(base, number)).has_value(); ++number)
        store.write(kDriverSection, numbered(base, number), QString());
}

// The text cut to kMostRuledTextLength characters, never inside one.
QString leftOfRuledText(const QString &text)
{
    if (text.size() <= kMostRuledTextLength)
        return text;
    qsizetype end = kMostRuledTextLength;
    if (text.at(end - 1).isHighSurrogate())
        --end;
    return text.left(end);
}

// One rule at every place it matches, in one pass over the text: what a rule
// puts in is never searched again by the same rule, and the result stops
// growing at kMostRuledTextLength, so forty rules "A=>AA" end as soon as
// forty short ones do.
// Where `needle` first occurs in `text` at or after `from`, by
// Knuth-Morris-Pratt: linear in both lengths, so that a rule that nearly
// matches everywhere costs no more than one that matches nowhere.
qsizetype findLinear(QStringView text, QStringView needle, qsizetype from)
{
    std::vector<qsizetype> border(std::size_t(needle.size()), 0);
    for (qsizetype i = 1, k = 0; i < needle.size(); ++i) {
        while (k > 0 && needle[i] != needle[k])
            k = border[std::size_t(k - 1)];
        if (needle[i] == needle[k])
            ++k;
        border[std::size_t(i)] = k;
    }
    for (qsizetype i = from, k = 0; i < text.size(); ++i) {
        while (k > 0 && text[i] != needle[k])
            k = border[std::size_t(k - 1)];
        if (text[i] == needle[k])
            ++k;
        if (k == needle.size())
            return i - k + 1;
    }
    return -1;
}

QString replacedOnce(const QString &text, const QString &foldedText, const Replacement &replacement)
{
    // Play-outs write "feat.", "Feat." and "FEAT." alike, and the text goes
    // on air upper-cased anyway, so a rule that cared for case would only
    // make the operator write it three times. Both sides are compared case
    // folded (`foldedText` is `text` folded, kept by the caller while no
    // rule changes the text); folding keeps every character's length, so a
    // place found in the folded text is the same place in the text. A rule
    // that finds nothing returns `text` itself.
    const QString &from = replacement.from;
    if (from.isEmpty() || from.size() > text.size())
        return text;
    const QString foldedFrom = from.toCaseFolded();
    const bool aligned = foldedText.size() == text.size() && foldedFrom.size() == from.size();
    const auto find = [&](qsizetype at) {
        return aligned ? findLinear(foldedText, foldedFrom, at) : text.indexOf(from, at, Qt::CaseInsensitive);
    };
    qsizetype found = find(0);
    if (found < 0)
        return text;
    QString result;
    qsizetype at = 0;
    for (bool first = true; result.size() < kMostRuledTextLength; first = false) {
        if (!first)
            found = find(at);
        if (found < 0) {
            result.append(QStringView(text).mid(at));
            break;
        }
        result.append(QStringView(text).mid(at, found - at));
        result.append(QStringView(replacement.to).left(kMostRuledTextLength));
        at = found + from.size();
    }
    return leftOfRuledText(result);
}

// Whether `part` ("?" any one character) matches `text` at `at`.
bool segmentAt(const QList<uint> &text, qsizetype at, const QList<uint> &part)
{
    if (at < 0 || at + part.size() > text.size())
        return false;
    for (qsizetype i = 0; i < part.size(); ++i) {
        if (part[i] != '?' && part[i] != text[at + i])
            return false;
    }
    return true;
}

} // namespace

QString applyReplacements(const QList<Replacement> &replacements, const QString &text)
{
    const QString start = leftOfRuledText(text);
    QString result = start;
    QString folded = result.toCaseFolded();
    for (const Replacement &replacement : replacements) {
        QString next = replacedOnce(result, folded, replacement);
        if (next.isSharedWith(result))
            continue;
        result = std::move(next);
        folded = result.toCaseFolded();
    }
    if (result == start)
        return start;
    return result.simplified();
}

bool matchesSongPattern(const QString &pattern, const QString &text)
{
    // Operators type these patterns: a regular expression would make a
    // stray "(" or "[" an invalid rule, or a rule that matches something
    // else than it reads. QRegularExpression's wildcards are file names, in
    // which "*" stops at a "/", and "AC/DC" is a song text.
    const QList<uint> p = pattern.toCaseFolded().toUcs4();
    const QList<uint> t = text.toCaseFolded().toUcs4();
    // The pattern is runs of characters between stars. The first run must
    // begin the text and the last must end it; each run between is taken at
    // the first place it fits after the one before, since any later place
    // leaves less room for the rest. Each run is looked for once, left to
    // right, with no going back over the runs before it: a pattern of many
    // stars costs what its characters do, not a power of them.
    QList<QList<uint>> parts { {} };
    for (const uint c : p) {
        if (c == '*')
            parts.append(QList<uint>());
        else
            parts.last().append(c);
    }
    if (parts.size() == 1)
        return p.size() == t.size() && segmentAt(t, 0, p);
    const QList<uint> &first = parts.first();
    const QList<uint> &last = parts.last();
    if (!segmentAt(t, 0, first))
        return false;
    const qsizetype end = t.size() - last.size();
    if (end < first.size() || !segmentAt(t, end, last))
        return false;
    qsizetype at = first.size();
    for (qsizetype i = 1; i + 1 < parts.size(); ++i) {
        const QList<uint> &part = parts[i];
        while (at + part.size() <= end && !segmentAt(t, at, part))
            ++at;
        if (at + part.size() > end)
            return false;
        at += part.size();
    }
    return true;
}

RuledSong applySongRules(
    const SongRules &rules, const QStringList &fields, const std::optional<QString> &firstLine)
{
    RuledSong song;
    for (const QString &field : fields)
        song.fields.append(applyReplacements(rules.replacements, field));
    if (firstLine)
        song.firstLine = applyReplacements(rules.replacements, *firstLine);
    const QString composed = ComposeSongText(song.fields);
    for (const QString &pattern : rules.ignored) {
        if (matchesSongPattern(pattern, composed)) {
            song.ignored = true;
            break;
        }
    }
    return song;
}

SongRules loadSongRules(const SettingsBackend &store, QStringList *unusable)
{
    SongRules rules;
    for (const auto &[key, stored] : storedEntries(store, kReplaceKey)) {
        if (const auto replacement = splitReplacement(stored, false))
            rules.replacements.append(*replacement);
        else if (unusable)
            unusable->append(unusableSettingText(kDriverSection, key, stored, QStringLiteral("no rule")));
    }
    rules.ignored = storedList(store, kIgnoreKey);
    return rules;
}

void saveSongRules(const SongRules &rules, SettingsBackend &store)
{
    QStringList replacements;
    for (const Replacement &replacement : rules.replacements) {
        if (!replacement.from.isEmpty())
            replacements.append(replacement.from + kStoredArrow + replacement.to);
    }
    QStringList ignored;
    for (const QString &pattern : rules.ignored) {
        if (!pattern.isEmpty())
            ignored.append(pattern);
    }
    storeList(store, kReplaceKey, replacements);
    storeList(store, kIgnoreKey, ignored);
}

QString songRulesText(const SongRules &rules)
{
    QStringList lines;
    for (const Replacement &replacement : rules.replacements)
        lines.append((replacement.from + kShownArrow + replacement.to).trimmed());
    for (const QString &pattern : rules.ignored)
        lines.append(kPatternMark + pattern);
    return lines.join(QLatin1Char('\n'));
}

SongRules parseSongRules(const QString &text)
{
    SongRules rules;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QString rule = line.trimmed();
        if (rule.startsWith(kPatternMark)) {
            const QString pattern = rule.mid(1).trimmed();
            if (!pattern.isEmpty())
                rules.ignored.append(pattern);
        } else if (const auto replacement = splitReplacement(rule, true)) {
            rules.replacements.append(*replacement);
        }
    }
    return rules;
}

} // namespace zorvan
