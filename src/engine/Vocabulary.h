// The words side of the input methods, one per engine process: the
// lexicon, the learned words (kept in step with the per-user store) and the
// spellers, shared by every input context of the process. It answers the
// word candidates for a preedit and takes what the user commits.
#pragma once

#include "data/Database.h"
#include "data/Queries.h"
#include "engine/Guesser.h"
#include "engine/Speller.h"
#include "engine/WordIndex.h"

#include <QString>

#include <array>
#include <ctime>
#include <functional>
#include <optional>
#include <vector>

namespace orv::engine {

class WordStore;

struct WordCandidate {
    QString glyphs;
    QString reading;  // the transliteration, learned when the candidate is picked
    bool learned = false;
};

class Vocabulary {
  public:
    // How many of each kind a list offers at most.
    static constexpr int kLaxWhole = 5;
    static constexpr int kCompletions = 12;
    static constexpr int kLaxCompletions = 6;
    static constexpr int kGuesses = 3;
    static constexpr int kCompounds = 4;

    // Reads the lexicon (tbl_words; none in a database without it) and the
    // spellers' tables. `store` may be null: words are then learned for the
    // process only. The store's words already read are taken at once.
    Vocabulary(data::Database& db, WordStore* store);
    // For tests: the clock that dates learned words (seconds since the epoch).
    void SetClock(std::function<std::int64_t()> clock) { clock_ = std::move(clock); }

    // Whether the speller's tables loaded (without them there are no words).
    bool Usable(data::ScriptTable table) const;

    // The word candidates of a preedit: its own spelling, then words read
    // leniently, completions, completions read leniently and, when no word
    // matches the whole of it, guesses; no glyphs twice.
    std::vector<WordCandidate> Candidates(const QString& preedit, data::ScriptTable table) const;
    QString Spell(const QString& text, data::ScriptTable table) const;

    // The user committed a word through a candidate: it counts once more,
    // here at once and in the store for every other process.
    void Committed(const QString& word);
    void Forget(const QString& word);
    void ForgetAll();
    bool IsLearned(const QString& word) const { return index_.IsLearned(word); }
    // Takes the store's news (other processes' words): cheap, for each word's first key.
    void Sync();

    const WordIndex& Index() const { return index_; }

  private:
    // Compounds of a known word and the completions of the rest of `key`
    // (an exact or a lax key).
    void AddCompounds(const std::string& key, bool lax,
                      const std::function<void(const QString&, bool)>& add) const;
    std::int64_t Now() const { return clock_ ? clock_() : std::int64_t(std::time(nullptr)); }

    struct Loaded {
        bool tried = false;
        std::optional<SpellerTables> tables;
    };
    const SpellerTables* Speller(data::ScriptTable table) const;

    data::Database& db_;
    WordStore* store_;
    WordIndex index_;
    Guesser guesser_;
    mutable std::array<Loaded, 2> spellers_;
    std::function<std::int64_t()> clock_;
};

}  // namespace orv::engine
