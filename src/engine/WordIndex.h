// The words the input methods offer while a word is typed: the lexicon's
// entries and the words the user has committed before, found by the
// beginning of their transliteration, typed exactly or read leniently.
//
// Two keys find a word. Its exact key is the transliteration without blanks
// (a phrase is found by its letters typed without blanks). Its lax key is
// what a typist without diacritics would type: vowel length ignored, s for ś
// and ṣ (sh for either), n for ṅ ñ ṇ, t d for ṭ ḍ, m for ṃ, h for ḥ, r or ri
// for ṛ, c or ch for c, "aa" for ā. Both keys of every word sit in sorted
// indexes, so a prefix is a binary search and a word learned is an insert.
// Learned words rank before lexicon entries: by how often and how recently
// they were used, the lexicon's by its weight.
#pragma once

#include "engine/WordStore.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orv::engine {

// The exact key: the word in its learned form (LearnedForm), without blanks.
std::string ExactKey(QStringView word);
// The lax key, plain ASCII letters; empty when the word has a letter no
// Latin transliteration writes (Siddham, Devanagari).
std::string LaxKey(QStringView word);

class WordIndex {
  public:
    struct Found {
        QString word;      // the transliteration (IAST)
        int lexicon = -1;  // its lexicon row, -1 when only learned
        bool learned = false;
    };

    // A lexicon entry, in table order (the row number is its position).
    void AddLexicon(const QString& word, std::uint32_t weight);
    int LexiconSize() const { return lexiconSize_; }

    // The user committed `word` now (seconds since the epoch): once more.
    void Learn(const QString& word, std::int64_t now);
    // Sets learned words' counts as the store has them (0 forgets one). A
    // batch of any size costs one merge of the indexes, not an insert each.
    void SetLearned(const std::vector<LearnedWord>& words);
    // Forgets every learned word; the lexicon stays.
    void ForgetAllLearned();
    bool IsLearned(const QString& word) const;
    int LearnedCount() const { return learned_; }

    // Words whose exact key equals (`whole`) or begins with `exactPrefix`,
    // best first, at most `limit`.
    std::vector<Found> Completions(const std::string& exactPrefix, int limit, std::int64_t now,
                                   bool whole = false) const {
        return Matches(false, exactPrefix, whole, limit, now);
    }
    // Words whose lax key equals (`whole`) or begins with `laxPrefix`.
    std::vector<Found> LaxMatches(const std::string& laxPrefix, bool whole, int limit,
                                  std::int64_t now) const {
        return Matches(true, laxPrefix, whole, limit, now);
    }

    // Every word's transliteration, learned and lexicon alike (the guesser
    // learns how Sanskrit is spelled from them).
    std::vector<QString> Words() const;

  private:
    // Every entry's texts live in one arena: a hundred thousand learned words
    // cost a few megabytes, not a string object each.
    struct Entry {
        std::uint32_t text = 0;      // offset of the word, then its lax key, then
                                     // its exact key where that differs (a phrase)
        std::uint16_t wordSize = 0;  // UTF-8 bytes
        std::uint16_t laxSize = 0;
        std::uint16_t exactSize = 0;  // 0: the word itself
        bool inLexicon = false;
        std::uint32_t weight = 0;    // lexicon weight, 0 when learned only
        std::uint32_t count = 0;     // times committed, 0 when not learned
        std::uint32_t lastUsed = 0;  // seconds since the epoch (until 2106)
    };
    std::string_view Word(const Entry& e) const { return {arena_.data() + e.text, e.wordSize}; }
    std::string_view Lax(const Entry& e) const {
        return {arena_.data() + e.text + e.wordSize, e.laxSize};
    }
    std::string_view Exact(const Entry& e) const {
        return e.exactSize == 0
                   ? Word(e)
                   : std::string_view(arena_.data() + e.text + e.wordSize + e.laxSize, e.exactSize);
    }

    // The entry of a word, or -1.
    int Find(const std::string& word) const;
    // A new entry; `sorted` false leaves it out of the indexes until
    // Merge.
    int Add(const QString& word, bool sorted = true);
    void Merge(std::vector<std::uint32_t>& added);
    // The entry of a word, made when there is none; null for no word.
    Entry* Entered(const QString& word);
    void Remove(int entry);
    double Rank(const Entry& entry, std::int64_t now) const;
    std::vector<Found> Matches(bool lax, const std::string& prefix, bool whole, int limit,
                               std::int64_t now) const;
    std::vector<Found> Best(std::vector<std::uint32_t>& hits, int limit, std::int64_t now) const;

    std::string arena_;
    std::vector<Entry> entries_;
    std::vector<std::uint32_t> free_;     // entries of forgotten learned words, for reuse
    std::vector<std::uint32_t> byExact_;  // entry indexes in exact-key order
    std::vector<std::uint32_t> byLax_;    // in lax-key order
    int lexiconSize_ = 0;
    int learned_ = 0;
};

}  // namespace orv::engine
