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

int Tri(int a, int b, int c) { return (a * kN + b) * kN + c; }

}  // namespace

void Guesser::Train(const std::vector<QString>& words) {
    tri_.assign(size_t(kN * kN * kN), 0);
    bi_.assign(size_t(kN * kN), 0);
    uni_.assign(size_t(kN), 0);
    triContext_.assign(size_t(kN * kN), 0);
    biContext_.assign(size_t(kN), 0);
    total_ = 0;
    for (const QString& word : words) {
        for (const QString& part : word.split(u' ', Qt::SkipEmptyParts)) {
            std::vector<int> ids = Letters(part.normalized(QString::NormalizationForm_C));
            if (ids.empty()) continue;
            ids.insert(ids.begin(), {0, 0});
            ids.push_back(0);
            for (size_t i = 2; i < ids.size(); ++i) {
                ++tri_[size_t(Tri(ids[i - 2], ids[i - 1], ids[i]))];
                ++bi_[size_t(ids[i - 1] * kN + ids[i])];
                ++uni_[size_t(ids[i])];
                ++triContext_[size_t(ids[i - 2] * kN + ids[i - 1])];
                ++biContext_[size_t(ids[i - 1])];
                ++total_;
            }
        }
    }
}

double Guesser::LogP(int a, int b, int c) const {
    // Interpolated trigram, bigram and add-one unigram estimates.
    const auto share = [](double n, double of) { return of > 0 ? n / of : 0.0; };
    const double p3 = share(tri_[size_t(Tri(a, b, c))], double(triContext_[size_t(a * kN + b)]));
    const double p2 = share(bi_[size_t(b * kN + c)], double(biContext_[size_t(b)]));
    const double p1 = (uni_[size_t(c)] + 1.0) / (double(total_) + kN);
    return std::log(0.6 * p3 + 0.3 * p2 + 0.1 * p1);
}

std::vector<QString> Guesser::Guess(QStringView typed, int limit) const {
    if (tri_.empty() || typed.isEmpty() || typed.size() > 40 || limit <= 0) return {};
    std::string text;
    for (const QChar c : typed) {
        const QChar lower = c.toLower();
        if (lower < u'a' || lower > u'z') return {};
        text += char(lower.unicode());
    }
    struct Hypothesis {
        double score = 0;
        int previous = 0, last = 0;
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
                    at[pos + reading.typed.size()].push_back(
                        {h.score + LogP(h.previous, h.last, id), h.last, id,
                         h.spelling + std::u16string(letter)});
                }
            }
        }
        here.clear();
        here.shrink_to_fit();
    }
    auto& ends = at.back();
    for (Hypothesis& h : ends) h.score += LogP(h.previous, h.last, 0);
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
