#include "content/song_rules.h"

#include "content/song_source.h"
#include "settings/settings_store.h"

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

} // namespace

QString applyReplacements(const QList<Replacement> &replacements, const QString &text)
{
    // Play-outs write "feat.", "Feat." and "FEAT." alike, and the text goes
    // on air upper-cased anyway, so a rule that cared for case would only
    // make the operator write it three times.
    QString result = text;
    for (const Replacement &replacement : replacements)
        result.replace(replacement.from, replacement.to, Qt::CaseInsensitive);
    if (result == text)
        return text;
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
    const uint star = '*';
    const uint one = '?';
    qsizetype pi = 0;
    qsizetype ti = 0;
    qsizetype starAt = -1;
    qsizetype starMatched = 0;
    while (ti < t.size()) {
        if (pi < p.size() && p[pi] != star && (p[pi] == one || p[pi] == t[ti])) {
            ++pi;
            ++ti;
        } else if (pi < p.size() && p[pi] == star) {
            starAt = pi++;
            starMatched = ti;
        } else if (starAt >= 0) {
            // Let the last "*" take one more character and try again.
            pi = starAt + 1;
            ti = ++starMatched;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == star)
        ++pi;
    return pi == p.size();
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
