// The result of a transliteration lookup: up to 1001 glyphs with their
// readings, shown twelve to a page, and the pager that walks those pages.
#pragma once

#include "data/Database.h"
#include "data/Queries.h"
#include "engine/Vocabulary.h"

#include <QString>

#include <array>
#include <vector>

namespace orv::engine {

inline constexpr int kCandidateSlots = 1001;  // positions 0 to 1000
inline constexpr int kPageSize = 12;

class CandidateList {
  public:
    // The glyph and reading at a position; empty text where there is no
    // match, and for any position outside 0 to 1000.
    QString Glyph(int position) const;
    QString Reading(int position) const;
    // How many positions, from 0, the last lookup filled.
    int Count() const { return count_; }

    // Empties every position of both arrays, so nothing of an earlier
    // lookup can show up again while paging.
    void Clear();

    // Empties the arrays, then fills them from position 0 with the rows whose `ime` begins with
    // `text` (taken in NFC, ISO 15919's ṁ read as ṃ), in the database's
    // order. More than 1001 matches keep the first 1001. Answers false when
    // the query fails or finds nothing.
    // `first` goes before the rows, and rows with glyphs it holds are left
    // out.
    bool Lookup(data::Database* db, data::ScriptTable table, const QString& text,
                const std::vector<WordCandidate>& first = {});

  private:
    std::array<QString, kCandidateSlots> glyphs_;
    std::array<QString, kCandidateSlots> readings_;
    int count_ = 0;
};

// Pages of kPageSize over `count` candidates, from the count alone.
class Pager {
  public:
    // Back to the first page of `count` candidates.
    void Reset(int count);
    int Page() const { return page_; }
    int Count() const { return count_; }
    // The position of the page's first candidate.
    int First() const { return page_ * kPageSize; }
    // How many candidates the page shows (0 past the last).
    int OnPage() const;
    // Whether every slot of the page holds a candidate.
    bool Full() const { return OnPage() == kPageSize; }
    bool HasNext() const { return count_ > First() + kPageSize; }
    bool HasPrevious() const { return page_ > 0; }
    // Turns the page; answers false, and stays, when there is none that way.
    bool Next();
    bool Previous();
    // Moves to a page without checking that it holds anything (the window
    // may show a page past a full last one).
    void SetPage(int page) { page_ = page < 0 ? 0 : page; }

  private:
    int count_ = 0;
    int page_ = 0;
};

}  // namespace orv::engine
