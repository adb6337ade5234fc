// Every query the program runs, one named function each. The statements keep
// the classic shapes ("select * from <table> where <column> ..."), with the
// user's value bound as a parameter instead of spliced into the text: a quote
// in a value is an ordinary character, and no typed value can change what a
// statement means. Pattern characters in a `like` value keep their meaning.
#pragma once

#include "data/Database.h"

namespace orv::data {

// The two keyboard tables.
enum class ScriptTable { Siddham, Lantsa };
// The three converter tables, keyed by `siddham`.
enum class ConversionTable { Trans, Deva, Lantsa };

QString TableName(ScriptTable table);
QString TableName(ConversionTable table);
// The column a conversion table gives: "trans", "deva" or "lantsa".
QString ValueColumn(ConversionTable table);

// select * from tbl_siddham where ime like '<text>*' order by ime; with a
// `limit` of 0 or more, only that many first rows are read.
Statement ScriptByImePrefix(ScriptTable table, const QString& text, int limit = -1);
// select * from tbl_keyboard where input='<input>'
Statement KeyboardByInput(const QString& input);
// select input from tbl_keyboard: every key of the keyboard map
Statement KeyboardInputs();
// select * from tbl_siddham_trans where siddham='<character>' (and _deva, _lantsa)
Statement ConversionBySiddham(ConversionTable table, const QString& character);
// select siddham, trans from tbl_siddham_trans order by rowid (and _deva,
// _lantsa): the whole table, rows of one character in table order
Statement ConversionRows(ConversionTable table);
// select * from tbl_dictionary where trans='<word>'
Statement DictionaryByTrans(const QString& word);
// select * from tbl_dictionary where scripts='<word>'
Statement DictionaryByScripts(const QString& word);
// select * from tbl_dictionary where scripts like '<text>*' order by scripts
Statement DictionaryByScriptsPrefix(const QString& text);
// select * from tbl_dictionary where trans like '<text>*' order by trans
Statement DictionaryByTransPrefix(const QString& text);
// select * from tbl_dictionary where about <> ''
Statement DictionaryAbout();
// select * from tbl_glyph order by id
Statement GlyphsInOrder();
// select ime, chars from tbl_siddham order by ime (and tbl_lantsa): every
// syllable, in the keyboards' candidate order
Statement ScriptRows(ScriptTable table);
// select scheme, input, iast, kind from tbl_scheme order by rowid
Statement SchemeRows();
// select trans from tbl_dictionary: every word's IAST
Statement DictionaryTrans();
// select transliteration, siddham, lantsa, weight from tbl_words order by
// rowid: the whole word lexicon
Statement WordRows();

}  // namespace orv::data
