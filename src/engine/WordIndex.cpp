#include "engine/WordIndex.h"

#include <QChar>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace orv::engine {

namespace {

// A learned word's use fades by half every two weeks it is not used:
// a word typed often last year ranks below one typed twice today.
constexpr double kHalfLife = 14.0 * 24 * 3600;
// Any learned word ranks above every lexicon entry.
constexpr double kLearnedFirst = 1e12;

QString Folded(QStringView word) {
    QString text = word.toString().normalized(QString::NormalizationForm_C).toLower();
    text.replace(QChar(0x1E41), QChar(0x1E43));  // ṁ -> ṃ
    return text;
}

bool IsBlank(QChar c) { return c.isSpace() || c == u'-'; }

bool StartsWith(const std::string& s, const std::string& prefix) {
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
    QString text = Folded(word);
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
        [&](std::uint32_t e, const std::string& key) { return entries_[e].Exact() < key; });
    for (; it != byExact_.end() && entries_[*it].Exact() == exact; ++it)
        if (entries_[*it].word == word) return int(*it);
    return -1;
}

int WordIndex::Add(const QString& word, bool sorted) {
    Entry entry;
    entry.word = word.toStdString();
    const std::string exact = ExactKey(word);
    if (exact != entry.word) entry.exact = exact;
    entry.lax = LaxKey(word);
    std::uint32_t at;
    if (!free_.empty()) {
        at = free_.back();
        free_.pop_back();
        entries_[at] = std::move(entry);
    } else {
        at = std::uint32_t(entries_.size());
        entries_.push_back(std::move(entry));
    }
    if (!sorted) return int(at);
    const Entry& e = entries_[at];
    byExact_.insert(std::upper_bound(byExact_.begin(), byExact_.end(), e.Exact(),
                                     [&](const std::string& key, std::uint32_t other) {
                                         return key < entries_[other].Exact();
                                     }),
                    at);
    byLax_.insert(std::upper_bound(byLax_.begin(), byLax_.end(), e.lax,
                                   [&](const std::string& key, std::uint32_t other) {
                                       return key < entries_[other].lax;
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

void WordIndex::AddLexicon(const QString& word, std::uint32_t weight) {
    const QString form = Folded(word).simplified();
    if (form.isEmpty()) return;
    int at = Find(form.toStdString());
    if (at < 0) at = Add(form);
    Entry& entry = entries_[size_t(at)];
    if (entry.lexicon < 0) entry.lexicon = lexiconSize_++;
    entry.weight = std::max(entry.weight, std::max<std::uint32_t>(weight, 1));
}

void WordIndex::Learn(const QString& word, std::int64_t now) {
    const QString form = Folded(word).simplified();
    if (form.isEmpty()) return;
    int at = Find(form.toStdString());
    if (at < 0) at = Add(form);
    Entry& entry = entries_[size_t(at)];
    if (entry.count == 0) ++learned_;
    ++entry.count;
    entry.lastUsed = std::max(entry.lastUsed, now);
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
    merge(byExact_, [](const Entry& e) -> const std::string& { return e.Exact(); });
    merge(byLax_, [](const Entry& e) -> const std::string& { return e.lax; });
    added.clear();
}

void WordIndex::SetLearned(const std::vector<LearnedWord>& words) {
    std::vector<std::uint32_t> added;
    std::unordered_map<std::string, std::uint32_t> pending;  // added, not yet in the indexes
    std::vector<int> forgotten;
    for (const LearnedWord& learned : words) {
        const QString form = Folded(learned.word).simplified();
        if (form.isEmpty()) continue;
        const std::string word = form.toStdString();
        int at = Find(word);
        if (at < 0) {
            // A word twice in one batch: the later row holds.
            if (const auto same = pending.find(word); same != pending.end()) at = int(same->second);
        }
        if (at < 0) {
            if (learned.count == 0) continue;
            at = Add(form, false);
            added.push_back(std::uint32_t(at));
            pending.emplace(word, std::uint32_t(at));
        }
        Entry& entry = entries_[size_t(at)];
        learned_ += (learned.count > 0) - (entry.count > 0);
        entry.count = learned.count;
        entry.lastUsed = learned.count > 0 ? learned.lastUsed : 0;
        if (learned.count == 0 && entry.lexicon < 0) forgotten.push_back(at);
    }
    Merge(added);
    for (const int at : forgotten)
        if (entries_[size_t(at)].count == 0 && entries_[size_t(at)].lexicon < 0) Remove(at);
}

void WordIndex::ForgetAllLearned() {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].count == 0) continue;
        entries_[i].count = 0;
        entries_[i].lastUsed = 0;
        if (entries_[i].lexicon < 0) Remove(int(i));
    }
    learned_ = 0;
}

bool WordIndex::IsLearned(const QString& word) const {
    const int at = Find(Folded(word).simplified().toStdString());
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
        if (x.word.size() != y.word.size()) return x.word.size() < y.word.size();
        return x.word < y.word;
    };
    std::partial_sort(ranked.begin(), ranked.begin() + std::ptrdiff_t(n), ranked.end(), better);
    std::vector<Found> found;
    found.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        const Entry& e = entries_[ranked[i].second];
        found.push_back({QString::fromStdString(e.word), e.lexicon, e.count > 0});
    }
    return found;
}

std::vector<WordIndex::Found> WordIndex::Completions(const std::string& exactPrefix, int limit,
                                                     std::int64_t now, bool whole) const {
    if (exactPrefix.empty()) return {};
    std::vector<std::uint32_t> hits;
    auto it = std::lower_bound(
        byExact_.begin(), byExact_.end(), exactPrefix,
        [&](std::uint32_t e, const std::string& key) { return entries_[e].Exact() < key; });
    for (; it != byExact_.end() && StartsWith(entries_[*it].Exact(), exactPrefix); ++it) {
        if (whole && entries_[*it].Exact().size() != exactPrefix.size()) break;
        hits.push_back(*it);
    }
    return Best(hits, limit, now);
}

std::vector<WordIndex::Found> WordIndex::LaxMatches(const std::string& laxPrefix, bool whole,
                                                    int limit, std::int64_t now) const {
    if (laxPrefix.empty()) return {};
    std::vector<std::uint32_t> hits;
    auto it = std::lower_bound(
        byLax_.begin(), byLax_.end(), laxPrefix,
        [&](std::uint32_t e, const std::string& key) { return entries_[e].lax < key; });
    for (; it != byLax_.end() && StartsWith(entries_[*it].lax, laxPrefix); ++it) {
        if (whole && entries_[*it].lax.size() != laxPrefix.size()) break;
        hits.push_back(*it);
    }
    return Best(hits, limit, now);
}

std::vector<QString> WordIndex::Words() const {
    std::vector<QString> words;
    words.reserve(byExact_.size());
    for (const std::uint32_t e : byExact_)
        words.push_back(QString::fromStdString(entries_[e].word));
    return words;
}

}  // namespace orv::engine
