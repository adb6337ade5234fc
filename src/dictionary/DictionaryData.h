// The dictionary's reading of the reference database, without widgets: the
// two word searches, the meaning text of one word, the about text and the
// glyph list.
#pragma once

#include "data/Database.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace orv::dictionary {

// The `scripts` of every entry whose native form begins with the text
// (blanks around it removed), in order.
QStringList SearchByScripts(data::Database* db, const QString& text);
// The `trans` of every entry whose transliteration begins with the text as
// given; nothing is searched when the text holds only blanks.
QStringList SearchByTrans(data::Database* db, const QString& text);

// The meaning text of a word: its other form, a line of 24 hyphens, its
// meanings and an empty line, each line ending in CR LF, from the first
// matching entry. `byScripts` looks the word up by its native form,
// otherwise by its transliteration; blanks around the word do not count.
// "No information" when nothing matches.
QString MeaningText(data::Database* db, bool byScripts, const QString& word);

// The dictionary's description: the `about` of the last entry that has
// one; nothing when no entry has one or the query fails.
std::optional<QString> AboutText(data::Database* db);

inline constexpr int kGlyphSlots = 5001;  // entries 0 to 5000
inline constexpr int kGridSize = 110;     // 11 rows of 10 buttons

// The glyph list of the grid, page by page.
class GlyphBuffer {
  public:
    // Empties every entry, then stores the glyphs in order from entry 0;
    // rows past the 5001st are dropped. A failed query leaves it empty.
    void Load(data::Database* db);
    // An entry; empty past the end of the list and outside 0 to 5000.
    QString Entry(int index) const;

  private:
    std::array<QString, kGlyphSlots> entries_;
};

}  // namespace orv::dictionary
