#include "engine/Guesser.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

namespace orv::engine {

namespace {

// The IAST letters the model knows; 0 stands for the edge of a word.
constexpr std::array<std::u16string_view, 49> kLetters{
    u"",   u"a",  u"ā",  u"i", u"ī",  u"u", u"ū",  u"ṛ",  u"ṝ", u"ḷ",  u"e", u"ai", u"o",
    u"au", u"k",  u"kh", u"g", u"gh", u"ṅ", u"c",  u"ch", u"j", u"jh", u"ñ", u"ṭ",  u"ṭh",
    u"ḍ",  u"ḍh", u"ṇ",  u"t", u"th", u"d", u"dh", u"n",  u"p", u"ph", u"b", u"bh", u"m",
    u"y",  u"r",  u"l",  u"v", u"ś",  u"ṣ", u"s",  u"h",  u"ṃ", u"ḥ"};
constexpr int kN = int(kLetters.size());

// What a plain typed letter group may stand for.
struct Reading {
    std::string_view typed;
    std::array<std::u16string_view, 4> letters;
};
constexpr Reading kReadings[] = {
    {"aa", {u"ā"}},
    {"ai", {u"ai"}},
    {"au", {u"au"}},
    {"a", {u"a", u"ā"}},
    {"ii", {u"ī"}},
    {"ee", {u"ī"}},
    {"i", {u"i", u"ī"}},
    {"uu", {u"ū"}},
    {"oo", {u"ū"}},
    {"u", {u"u", u"ū"}},
    {"e", {u"e"}},
    {"o", {u"o"}},
    {"ri", {u"ṛ"}},
    {"r", {u"r", u"ṛ"}},
    {"kh", {u"kh"}},
    {"k", {u"k"}},
    {"gh", {u"gh"}},
    {"g", {u"g"}},
    {"chh", {u"ch"}},
    {"ch", {u"c", u"ch"}},
    {"c", {u"c"}},
    {"jh", {u"jh"}},
    {"j", {u"j"}},
    {"th", {u"th", u"ṭh"}},
    {"t", {u"t", u"ṭ"}},
    {"dh", {u"dh", u"ḍh"}},
    {"d", {u"d", u"ḍ"}},
    {"n", {u"n", u"ṇ", u"ñ", u"ṅ"}},
    {"ph", {u"ph"}},
    {"p", {u"p"}},
    {"bh", {u"bh"}},
    {"b", {u"b"}},
    {"m", {u"m", u"ṃ"}},
    {"y", {u"y"}},
    {"l", {u"l"}},
    {"v", {u"v"}},
    {"w", {u"v"}},
    {"sh", {u"ś", u"ṣ"}},
    {"s", {u"s", u"ś", u"ṣ"}},
    {"h", {u"h", u"ḥ"}},
};

int LetterId(std::u16string_view letter) {
    const auto it = std::find(kLetters.begin(), kLetters.end(), letter);
    return it == kLetters.end() ? -1 : int(it - kLetters.begin());
}

// The letters of an IAST word (NFC), or nothing when it has another
// character.
std::vector<int> Letters(QStringView word) {
    std::vector<int> ids;
    const std::u16string_view text(reinterpret_cast<const char16_t*>(word.utf16()),
                                   size_t(word.size()));
    for (size_t i = 0; i < text.size();) {
        int id = -1;
        size_t length = 0;
        for (size_t n = 2; n >= 1 && id < 0; --n) {  // kh before k, ai before a
            if (i + n > text.size()) continue;
            id = LetterId(text.substr(i, n));
            length = n;
        }
        if (id <= 0) return {};
        ids.push_back(id);
        i += length;
    }
    return ids;
}

// The last letters before a position, packed six bits a letter, newest
// lowest: the context of the next letter.
std::uint64_t Push(std::uint64_t history, int letter) {
    return (history << 6) | std::uint64_t(letter);
}
std::uint64_t Last(std::uint64_t history, int n) {
    return n == 0 ? 0 : history & ((std::uint64_t(1) << (6 * n)) - 1);
}
// A context of n letters and its length, as one key.
std::uint64_t ContextKey(std::uint64_t history, int n) {
    return (Last(history, n) << 3) | std::uint64_t(n);
}

}  // namespace

void Guesser::Train(const std::vector<QString>& words) {
    counts_.clear();
    contexts_.clear();
    for (const QString& word : words) {
        for (const QString& part : word.split(u' ', Qt::SkipEmptyParts)) {
            std::vector<int> ids = Letters(part.normalized(QString::NormalizationForm_C));
            if (ids.empty()) continue;
            ids.push_back(0);           // the end of the word
            std::uint64_t history = 0;  // the start of the word reads as edges
            for (const int id : ids) {
                for (int n = 0; n < kOrder; ++n) {
                    const std::uint64_t context = ContextKey(history, n);
                    std::uint32_t& count = counts_[(context << 6) | std::uint64_t(id)];
                    Context& c = contexts_[context];
                    c.distinct += count == 0;
                    ++count;
                    ++c.total;
                }
                history = Push(history, id);
            }
        }
    }
}

double Guesser::LogP(std::uint64_t history, int letter) const {
    // Witten-Bell: each context's estimate, blended with the next shorter
    // context's as far as the context has seen few different letters.
    double p = 1.0 / kN;
    for (int n = 0; n < kOrder; ++n) {
        const std::uint64_t context = ContextKey(history, n);
        const auto c = contexts_.find(context);
        if (c == contexts_.end()) break;
        const auto count = counts_.find((context << 6) | std::uint64_t(letter));
        const double seen = count == counts_.end() ? 0.0 : double(count->second);
        p = (seen + double(c->second.distinct) * p) / double(c->second.total + c->second.distinct);
    }
    return std::log(p);
}

std::vector<QString> Guesser::Guess(QStringView typed, int limit) const {
    if (contexts_.empty() || typed.isEmpty() || typed.size() > 40 || limit <= 0) return {};
    std::string text;
    for (const QChar c : typed) {
        const QChar lower = c.toLower();
        if (lower < u'a' || lower > u'z') return {};
        text += char(lower.unicode());
    }
    struct Hypothesis {
        double score = 0;
        std::uint64_t history = 0;
        std::u16string spelling;
    };
    constexpr size_t kBeam = 48;
    std::vector<std::vector<Hypothesis>> at(text.size() + 1);
    at[0].push_back({});
    for (size_t pos = 0; pos < text.size(); ++pos) {
        auto& here = at[pos];
        const auto better = [](const Hypothesis& x, const Hypothesis& y) {
            return x.score > y.score;
        };
        if (here.size() > kBeam) {
            std::partial_sort(here.begin(), here.begin() + kBeam, here.end(), better);
            here.resize(kBeam);
        }
        for (const Reading& reading : kReadings) {
            if (text.compare(pos, reading.typed.size(), reading.typed) != 0) continue;
            for (const std::u16string_view letter : reading.letters) {
                if (letter.empty()) break;
                const int id = LetterId(letter);
                for (const Hypothesis& h : here) {
                    at[pos + reading.typed.size()].push_back({h.score + LogP(h.history, id),
                                                              Push(h.history, id),
                                                              h.spelling + std::u16string(letter)});
                }
            }
        }
        here.clear();
        here.shrink_to_fit();
    }
    auto& ends = at.back();
    for (Hypothesis& h : ends) h.score += LogP(h.history, 0);
    std::sort(ends.begin(), ends.end(),
              [](const Hypothesis& x, const Hypothesis& y) { return x.score > y.score; });
    std::vector<QString> guesses;
    for (const Hypothesis& h : ends) {
        const QString spelling = QString::fromStdU16String(h.spelling);
        if (std::find(guesses.begin(), guesses.end(), spelling) == guesses.end())
            guesses.push_back(spelling);
        if (int(guesses.size()) == limit) break;
    }
    return guesses;
}

}  // namespace orv::engine
