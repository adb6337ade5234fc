// Guesses at how a word typed without diacritics is spelled: each plain
// letter may stand for several IAST letters (a for a or ā, s for s, ś or ṣ,
// sh for ś or ṣ, n for n, ṅ, ñ or ṇ, ...); the readings are ranked by a
// letter n-gram model of Sanskrit learned from the lexicon, so "prajnaparamita"
// reads first as prajñāpāramitā even when no word list holds it.
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace orv::engine {

class Guesser {
  public:
    // Counts the letter sequences of IAST words.
    void Train(const std::vector<QString>& words);
    // The likeliest IAST readings of plain ASCII letters, best first, at
    // most `limit`; nothing for other text or text longer than 40 letters.
    std::vector<QString> Guess(QStringView typed, int limit) const;

  private:
    // Letters of context the model looks back on, at most.
    static constexpr int kOrder = 6;
    struct Context {
        std::uint32_t total = 0;     // letters seen after it
        std::uint32_t distinct = 0;  // different ones
    };
    // The likelihood of a letter after the letters of `history`.
    double LogP(std::uint64_t history, int letter) const;
    std::unordered_map<std::uint64_t, std::uint32_t> counts_;  // (context, letter)
    std::unordered_map<std::uint64_t, Context> contexts_;
};

}  // namespace orv::engine
