#include "data/Queries.h"

#include "data/TextRules.h"

#include <QChar>

namespace orv::data {

namespace {
// The value of a prefix match: the typed text followed by the wildcard.
QString Prefix(const QString& text) { return text + QLatin1Char('*'); }

// A prefix search: `column like '<text>*'`, led by a range of the column's
// collation that holds every value the pattern can match, so the index is
// walked over that range only instead of `like` running on every row.
//
// The range is taken for the literal start of the text (up to its first
// pattern character). A value that matches begins with those letters in
// some case. The lower bound spells them in their lowest-numbered case
// variants: the collation ranks case below accents and breaks ties by code
// point, so no such value sorts before it. The upper bound follows them with
// U+FFFF, to which the collation gives the greatest primary weight, so every
// continuation sorts before it. `like` still decides every row of the range.
Statement PrefixSearch(const QString& table, const QString& column, const QString& text,
                       int limit = -1) {
    QString literal = text;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('#') ||
            c == QLatin1Char('[')) {
            literal.truncate(i);
            break;
        }
    }
    QString order = QStringLiteral(" order by ") + column;
    if (limit >= 0) order += QStringLiteral(" limit %1").arg(limit);
    if (literal.isEmpty()) {
        return {QStringLiteral("select * from %1 where %2 like ?").arg(table, column) + order,
                {Prefix(text)}};
    }
    QString lowest;
    for (const char32_t c : literal.toUcs4()) {
        char32_t low = c;
        for (const char32_t v : {QChar::toUpper(c), QChar::toLower(c), QChar::toTitleCase(c),
                                 QChar::toCaseFolded(c)}) {
            if (v < low && FoldCase(v) == FoldCase(c)) low = v;
        }
        lowest += QString::fromUcs4(&low, 1);
    }
    return {QStringLiteral("select * from %1 where %2 >= ? and %2 < ? and %2 like ?")
                    .arg(table, column) +
                order,
            {lowest, literal + QChar(0xFFFF), Prefix(text)}};
}
}  // namespace

QString TableName(ScriptTable table) {
    return table == ScriptTable::Siddham ? QStringLiteral("tbl_siddham")
                                         : QStringLiteral("tbl_lantsa");
}

QString ValueColumn(ConversionTable table) {
    switch (table) {
        case ConversionTable::Trans:
            return QStringLiteral("trans");
        case ConversionTable::Deva:
            return QStringLiteral("deva");
        case ConversionTable::Lantsa:
            break;
    }
    return QStringLiteral("lantsa");
}

QString TableName(ConversionTable table) {
    return QStringLiteral("tbl_siddham_") + ValueColumn(table);
}

Statement ScriptByImePrefix(ScriptTable table, const QString& text, int limit) {
    return PrefixSearch(TableName(table), QStringLiteral("ime"), text, limit);
}

Statement KeyboardInputs() { return {QStringLiteral("select input from tbl_keyboard"), {}}; }

Statement KeyboardByInput(const QString& input) {
    return {QStringLiteral("select * from tbl_keyboard where input=?"), {input}};
}

Statement ConversionBySiddham(ConversionTable table, const QString& character) {
    return {QStringLiteral("select * from %1 where siddham=?").arg(TableName(table)), {character}};
}

Statement ConversionRows(ConversionTable table) {
    return {QStringLiteral("select siddham, %1 from %2 order by rowid")
                .arg(ValueColumn(table), TableName(table)),
            {}};
}

Statement DictionaryByTrans(const QString& word) {
    return {QStringLiteral("select * from tbl_dictionary where trans=?"), {word}};
}

Statement DictionaryByScripts(const QString& word) {
    return {QStringLiteral("select * from tbl_dictionary where scripts=?"), {word}};
}

Statement DictionaryByScriptsPrefix(const QString& text) {
    return PrefixSearch(QStringLiteral("tbl_dictionary"), QStringLiteral("scripts"), text);
}

Statement DictionaryByTransPrefix(const QString& text) {
    return PrefixSearch(QStringLiteral("tbl_dictionary"), QStringLiteral("trans"), text);
}

Statement DictionaryAbout() {
    return {QStringLiteral("select * from tbl_dictionary where about <> ''"), {}};
}

Statement GlyphsInOrder() { return {QStringLiteral("select * from tbl_glyph order by id"), {}}; }

Statement ScriptRows(ScriptTable table) {
    return {QStringLiteral("select ime, chars from %1 order by ime").arg(TableName(table)), {}};
}

Statement DictionaryTrans() { return {QStringLiteral("select trans from tbl_dictionary"), {}}; }

Statement SchemeRows() {
    return {QStringLiteral("select scheme, input, iast, kind from tbl_scheme order by rowid"), {}};
}

Statement WordRows() {
    return {QStringLiteral(
                "select transliteration, siddham, lantsa, weight from tbl_words order by rowid"),
            {}};
}

}  // namespace orv::data
