// The result of a transliteration lookup: up to 1001 glyphs with their
// readings, shown twelve to a page.
#pragma once

#include "data/Database.h"
#include "data/Queries.h"

#include <QString>

#include <array>

namespace orv::keyboard {

inline constexpr int kCandidateSlots = 1001;  // positions 0 to 1000
inline constexpr int kPageSize = 12;

class CandidateList {
  public:
    // The glyph and reading at a position; empty text where there is no
    // match, and for any position outside 0 to 1000.
    QString Glyph(int position) const;
    QString Reading(int position) const;

    // Empties every position of both arrays, so nothing of an earlier
    // lookup can show up again while paging.
    void Clear();

    // Fills the arrays from position 0 with the rows whose `ime` begins with
    // `text` (taken in NFC, ISO 15919's ṁ read as ṃ), in the database's
    // order. More than 1001 matches keep the first 1001. Answers false when
    // the query fails or finds nothing.
    bool Lookup(data::Database* db, data::ScriptTable table, const QString& text);

  private:
    std::array<QString, kCandidateSlots> glyphs_;
    std::array<QString, kCandidateSlots> readings_;
};

}  // namespace orv::keyboard
