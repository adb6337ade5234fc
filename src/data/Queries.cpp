#include "data/Queries.h"

namespace orv::data {

namespace {
// The value of a prefix match: the typed text followed by the wildcard.
QString Prefix(const QString& text) { return text + QLatin1Char('*'); }
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

Statement ScriptByImePrefix(ScriptTable table, const QString& text) {
    return {QStringLiteral("select * from %1 where ime like ? order by ime").arg(TableName(table)),
            {Prefix(text)}};
}

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
    return {QStringLiteral("select * from tbl_dictionary where scripts like ? order by scripts"),
            {Prefix(text)}};
}

Statement DictionaryByTransPrefix(const QString& text) {
    return {QStringLiteral("select * from tbl_dictionary where trans like ? order by trans"),
            {Prefix(text)}};
}

Statement DictionaryAbout() {
    return {QStringLiteral("select * from tbl_dictionary where about <> ''"), {}};
}

Statement GlyphsInOrder() { return {QStringLiteral("select * from tbl_glyph order by id"), {}}; }

}  // namespace orv::data
