// Guesses at how a word typed without diacritics is spelled: each plain
// letter may stand for several IAST letters (a for a or ā, s for s, ś or ṣ,
// sh for ś or ṣ, n for n, ṅ, ñ or ṇ, ...); the readings are ranked by a
// letter trigram model of Sanskrit learned from the lexicon, so "prajnaparamita"
// reads first as prajñāpāramitā even when no word list holds it.
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <string>
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
    double LogP(int a, int b, int c) const;
    std::vector<std::uint32_t> tri_, bi_, uni_;
    // How often each two letters, and each letter, are followed by any.
    std::vector<std::uint32_t> triContext_, biContext_;
    std::uint64_t total_ = 0;
};

}  // namespace orv::engine
