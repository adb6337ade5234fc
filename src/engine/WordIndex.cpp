#include "engine/WordIndex.h"

#include <QChar>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace orv::engine {

namespace {

// A learned word's use fades by half every two weeks it is not used:
// a word typed often last year ranks below one typed twice today.
constexpr double kHalfLife = 14.0 * 24 * 3600;
// Any learned word ranks above every lexicon entry.
constexpr double kLearnedFirst = 1e12;

// A time as an entry keeps it.
std::uint32_t Seconds(std::int64_t time) {
    return std::uint32_t(std::clamp<std::int64_t>(time, 0, UINT32_MAX));
}

bool IsBlank(QChar c) { return c.isSpace() || c == u'-'; }

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// Replaces every `from` by `to` (no longer than `from`) in one pass.
void Replace(std::string& s, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        if (s.compare(i, from.size(), from) == 0) {
            out += to;
            i += from.size();
        } else {
            out += s[i++];
        }
    }
    s = std::move(out);
}

}  // namespace

std::string ExactKey(QStringView word) {
    QString text = LearnedForm(word);
    text.removeIf(IsBlank);
    return text.toStdString();
}

std::string LaxKey(QStringView word) {
    const QString decomposed = word.toString().normalized(QString::NormalizationForm_D).toLower();
    std::string key;
    key.reserve(size_t(decomposed.size()));
    for (const QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing) continue;  // macrons, dots, candrabindu
        if (c >= u'a' && c <= u'z') {
            key += char(c.unicode());
        } else if (c.isLetter() || c.isDigit()) {
            return {};  // a script's own letters: nothing to read leniently
        }
        // Blanks, hyphens, apostrophes: phrases are typed without them.
    }
    // Order matters: doubled vowels first, so "rii" (ṝ) ends as r as ṝ does.
    Replace(key, "aa", "a");
    Replace(key, "ii", "i");
    Replace(key, "uu", "u");
    Replace(key, "sh", "s");
    Replace(key, "ch", "c");
    Replace(key, "ri", "r");
    return key;
}

int WordIndex::Find(const std::string& word) const {
    const std::string exact = ExactKey(QString::fromStdString(word));
    auto it = std::lower_bound(
        byExact_.begin(), byExact_.end(), exact,
        [&](std::uint32_t e, const std::string& key) { return Exact(entries_[e]) < key; });
    for (; it != byExact_.end() && Exact(entries_[*it]) == exact; ++it)
        if (Word(entries_[*it]) == word) return int(*it);
    return -1;
}

int WordIndex::Add(const QString& word, bool sorted) {
    // Longer texts than these are no words (the preedit holds 256 letters).
    const std::string text = word.toStdString().substr(0, 4096);
    const std::string exact = ExactKey(word).substr(0, 4096);
    const std::string lax = LaxKey(word).substr(0, 4096);
    Entry entry;
    entry.text = std::uint32_t(arena_.size());
    entry.wordSize = std::uint16_t(text.size());
    entry.laxSize = std::uint16_t(lax.size());
    arena_ += text;
    arena_ += lax;
    if (exact != text) {
        entry.exactSize = std::uint16_t(exact.size());
        arena_ += exact;
    }
    std::uint32_t at;
    if (!free_.empty()) {
        at = free_.back();
        free_.pop_back();
        entries_[at] = entry;
    } else {
        at = std::uint32_t(entries_.size());
        entries_.push_back(entry);
    }
    if (!sorted) return int(at);
    const Entry& e = entries_[at];
    byExact_.insert(std::upper_bound(byExact_.begin(), byExact_.end(), Exact(e),
                                     [&](std::string_view key, std::uint32_t other) {
                                         return key < Exact(entries_[other]);
                                     }),
                    at);
    byLax_.insert(std::upper_bound(byLax_.begin(), byLax_.end(), Lax(e),
                                   [&](std::string_view key, std::uint32_t other) {
                                       return key < Lax(entries_[other]);
                                   }),
                  at);
    return int(at);
}

void WordIndex::Remove(int entry) {
    const auto at = std::uint32_t(entry);
    std::erase(byExact_, at);
    std::erase(byLax_, at);
    entries_[at] = Entry();
    free_.push_back(at);
}

WordIndex::Entry* WordIndex::Entered(const QString& word) {
    const QString form = LearnedForm(word);
    if (form.isEmpty()) return nullptr;
    int at = Find(form.toStdString());
    if (at < 0) at = Add(form);
    return &entries_[size_t(at)];
}

void WordIndex::AddLexicon(const QString& word, std::uint32_t weight) {
    Entry* entry = Entered(word);
    if (!entry) return;
    if (!entry->inLexicon) ++lexiconSize_;
    entry->inLexicon = true;
    entry->weight = std::max(entry->weight, std::max<std::uint32_t>(weight, 1));
}

void WordIndex::Learn(const QString& word, std::int64_t now) {
    Entry* entry = Entered(word);
    if (!entry) return;
    if (entry->count == 0) ++learned_;
    ++entry->count;
    entry->lastUsed = std::max(entry->lastUsed, Seconds(now));
}

void WordIndex::Merge(std::vector<std::uint32_t>& added) {
    const auto merge = [&](std::vector<std::uint32_t>& index, auto key) {
        const auto less = [&](std::uint32_t a, std::uint32_t b) {
            return key(entries_[a]) < key(entries_[b]);
        };
        std::sort(added.begin(), added.end(), less);
        const auto middle = index.insert(index.end(), added.begin(), added.end());
        std::inplace_merge(index.begin(), middle, index.end(), less);
    };
    merge(byExact_, [this](const Entry& e) { return Exact(e); });
    merge(byLax_, [this](const Entry& e) { return Lax(e); });
    added.clear();
}

void WordIndex::SetLearned(const std::vector<LearnedWord>& words) {
    // A word twice in one batch: the later row holds. The batch's order by
    // word finds them without a copy of every word.
    std::vector<std::uint32_t> order(words.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return words[a].word < words[b].word;
    });
    std::vector<bool> superseded(words.size());
    for (size_t i = 0; i + 1 < order.size(); ++i)
        if (words[order[i]].word == words[order[i + 1]].word) superseded[order[i]] = true;
    order = {};

    if (words.size() > 1000) {
        // A whole store: room for it at once, not grown by doubling (the
        // word in UTF-8 and its lax key take about twice its UTF-16 length).
        qsizetype units = 0;
        for (const LearnedWord& learned : words) units += learned.word.size();
        entries_.reserve(entries_.size() + words.size());
        arena_.reserve(arena_.size() + size_t(units) * 21 / 10);
    }

    std::vector<std::uint32_t> added;
    std::vector<int> forgotten;
    for (size_t i = 0; i < words.size(); ++i) {
        const LearnedWord& learned = words[i];
        if (superseded[i]) continue;
        const QString form = LearnedForm(learned.word);
        if (form.isEmpty()) continue;
        int at = Find(form.toStdString());
        if (at < 0) {
            if (learned.count == 0) continue;
            at = Add(form, false);
            added.push_back(std::uint32_t(at));
        }
        Entry& entry = entries_[size_t(at)];
        learned_ += (learned.count > 0) - (entry.count > 0);
        entry.count = learned.count;
        entry.lastUsed = learned.count > 0 ? Seconds(learned.lastUsed) : 0;
        if (learned.count == 0 && !entry.inLexicon) forgotten.push_back(at);
    }
    Merge(added);
    for (const int at : forgotten)
        if (entries_[size_t(at)].count == 0 && !entries_[size_t(at)].inLexicon) Remove(at);
}

void WordIndex::ForgetAllLearned() {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].count == 0) continue;
        entries_[i].count = 0;
        entries_[i].lastUsed = 0;
        if (!entries_[i].inLexicon) Remove(int(i));
    }
    learned_ = 0;
}

bool WordIndex::IsLearned(const QString& word) const {
    const int at = Find(LearnedForm(word).toStdString());
    return at >= 0 && entries_[size_t(at)].count > 0;
}

double WordIndex::Rank(const Entry& entry, std::int64_t now) const {
    if (entry.count == 0) return double(entry.weight);
    const double age = double(std::max<std::int64_t>(0, now - entry.lastUsed));
    // Among equal uses the more recent one wins; a tiny share of the weight
    // orders learned words of equal use as the lexicon does.
    return kLearnedFirst + entry.count * std::exp2(-age / kHalfLife) * 1e6 +
           double(entry.weight) * 1e-6;
}

std::vector<WordIndex::Found> WordIndex::Best(std::vector<std::uint32_t>& hits, int limit,
                                              std::int64_t now) const {
    const size_t n = std::min(hits.size(), size_t(std::max(limit, 0)));
    std::vector<std::pair<double, std::uint32_t>> ranked;
    ranked.reserve(hits.size());
    for (const std::uint32_t e : hits) ranked.emplace_back(Rank(entries_[e], now), e);
    // Highest rank first; the shorter word, then the key order, on a tie.
    const auto better = [&](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first > b.first;
        const Entry& x = entries_[a.second];
        const Entry& y = entries_[b.second];
        if (x.wordSize != y.wordSize) return x.wordSize < y.wordSize;
        return Word(x) < Word(y);
    };
    std::partial_sort(ranked.begin(), ranked.begin() + std::ptrdiff_t(n), ranked.end(), better);
    std::vector<Found> found;
    found.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        const Entry& e = entries_[ranked[i].second];
        const std::string_view word = Word(e);
        found.push_back(
            {QString::fromUtf8(word.data(), qsizetype(word.size())), e.inLexicon, e.count > 0});
    }
    return found;
}

std::vector<WordIndex::Found> WordIndex::Matches(bool lax, const std::string& prefix, bool whole,
                                                 int limit, std::int64_t now) const {
    if (prefix.empty()) return {};
    const std::vector<std::uint32_t>& index = lax ? byLax_ : byExact_;
    const auto key = [&](std::uint32_t e) { return lax ? Lax(entries_[e]) : Exact(entries_[e]); };
    std::vector<std::uint32_t> hits;
    auto it = std::lower_bound(index.begin(), index.end(), prefix,
                               [&](std::uint32_t e, const std::string& k) { return key(e) < k; });
    for (; it != index.end() && StartsWith(key(*it), prefix); ++it) {
        if (whole && key(*it).size() != prefix.size()) break;
        hits.push_back(*it);
    }
    return Best(hits, limit, now);
}

std::vector<QString> WordIndex::Words() const {
    std::vector<QString> words;
    words.reserve(byExact_.size());
    for (const std::uint32_t e : byExact_) {
        const std::string_view word = Word(entries_[e]);
        words.push_back(QString::fromUtf8(word.data(), qsizetype(word.size())));
    }
    return words;
}

}  // namespace orv::engine
