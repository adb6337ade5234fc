#include "engine/Speller.h"

#include "data/Queries.h"

#include <QSet>

#include <algorithm>

namespace orv::engine {

namespace {

struct SchemeInfo {
    Scheme scheme;
    const char* key;
    const char* name;
};
constexpr SchemeInfo kSchemeInfo[] = {
    {Scheme::Iast, "iast", "IAST"},
    {Scheme::Iso, "iso", "ISO 15919"},
    {Scheme::Hk, "hk", "Harvard-Kyoto"},
    {Scheme::Itrans, "itrans", "ITRANS"},
    {Scheme::Velthuis, "velthuis", "Velthuis"},
    {Scheme::Slp1, "slp1", "SLP1"},
    {Scheme::Deva, "deva", "Devanagari"},
};

std::u16string U16(const QString& s) {
    return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size())};
}

bool StartsWith(const std::u16string& s, const std::u16string& prefix) {
    return s.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), s.begin());
}

bool Fail(QString* error, const QString& message) {
    if (error) *error = message;
    return false;
}

}  // namespace

QString SchemeKey(Scheme scheme) {
    return QString::fromLatin1(kSchemeInfo[static_cast<int>(scheme)].key);
}

QString SchemeName(Scheme scheme) {
    return QString::fromLatin1(kSchemeInfo[static_cast<int>(scheme)].name);
}

std::optional<Scheme> SchemeFromKey(QStringView key) {
    for (const SchemeInfo& info : kSchemeInfo)
        if (key == QLatin1String(info.key)) return info.scheme;
    return std::nullopt;
}

const std::vector<int>* SpellerTables::SchemeTable::StartingWith(char16_t c) const {
    if (c < 0x80) return ascii[c].empty() ? nullptr : &ascii[c];
    const auto it = other.find(c);
    return it == other.end() ? nullptr : &it->second;
}

std::optional<std::vector<unsigned char>> SpellerTables::Letters(QStringView iast) const {
    // Longest match over IAST's letters (kh before k, ai before a).
    std::vector<unsigned char> out;
    qsizetype i = 0;
    while (i < iast.size()) {
        int best = 0;
        size_t length = 0;
        for (size_t id = 1; id <= letters_.size(); ++id) {
            const std::u16string& l = letters_[id - 1].iast;
            if (l.size() > length && static_cast<qsizetype>(i + l.size()) <= iast.size() &&
                std::equal(l.begin(), l.end(), iast.utf16() + i)) {
                best = static_cast<int>(id);
                length = l.size();
            }
        }
        if (!best) return std::nullopt;
        out.push_back(static_cast<unsigned char>(best));
        i += static_cast<qsizetype>(length);
    }
    return out;
}

uint64_t SpellerTables::Key(const unsigned char* letters, int count) {
    // Six bits a letter (ids 1 to 63), so up to ten letters make a key; a
    // longer syllable has none and is put together from its letters.
    if (count > 10) return 0;
    uint64_t key = 0;
    for (int i = 0; i < count; ++i) key = (key << 6) | letters[i];
    return key;
}

std::optional<SpellerTables> SpellerTables::Load(data::Database& database, Script script,
                                                 QString* error) {
    SpellerTables t;
    t.script_ = script;
    struct Row {
        QString scheme, input, iast, kind;
    };
    std::vector<Row> rows;
    {
        auto rs = database.OpenRecordset(data::SchemeRows(), error);
        if (!rs) return std::nullopt;
        for (bool more = rs->MoveFirst(); more && !rs->Eof(); rs->MoveNext())
            rows.push_back({rs->Text(0), rs->Text(1), rs->Text(2), rs->Text(3)});
    }
    // IAST's letters: its rows that read as themselves.
    for (const Row& r : rows) {
        if (r.scheme != QLatin1String("iast") || r.input != r.iast || r.iast.isEmpty()) continue;
        Kind kind;
        if (r.kind == QLatin1String("consonant"))
            kind = Kind::Consonant;
        else if (r.kind == QLatin1String("vowel"))
            kind = Kind::Vowel;
        else if (r.kind == QLatin1String("final"))
            kind = Kind::Final;
        else
            continue;
        if (t.letters_.size() >= 63) {
            Fail(error, QStringLiteral("tbl_scheme: more than 63 IAST letters"));
            return std::nullopt;
        }
        t.letters_.push_back({U16(r.iast), kind, {}, {}, false});
    }
    if (t.letters_.empty() || t.letters_.front().kind == Kind::Final) {
        Fail(error, QStringLiteral("tbl_scheme has no IAST letters"));
        return std::nullopt;
    }
    for (const Row& r : rows) {
        const std::optional<Scheme> scheme = SchemeFromKey(r.scheme);
        if (!scheme || r.input.isEmpty()) continue;
        Token token{U16(r.input), Kind::Mark, {}, U16(r.iast)};
        if (r.kind == QLatin1String("mark") || r.kind == QLatin1String("avagraha")) {
            token.kind = r.kind == QLatin1String("mark") ? Kind::Mark : Kind::Avagraha;
        } else if (r.kind == QLatin1String("virama")) {
            token.kind = Kind::Virama;
        } else {
            const auto letters = t.Letters(r.iast);
            if (!letters || letters->empty()) {
                Fail(error, QStringLiteral("tbl_scheme: %1 %2 reads as \"%3\", which is no IAST")
                                .arg(r.scheme, r.input, r.iast));
                return std::nullopt;
            }
            token.letters = *letters;
            token.kind = r.kind == QLatin1String("sign") ? Kind::Sign : Kind::Consonant;
        }
        SchemeTable& table = t.schemes_[static_cast<size_t>(*scheme)];
        table.longest = std::max(table.longest, static_cast<int>(r.input.size()));
        const char16_t first = token.input.front();
        std::vector<int>& starting = first < 0x80 ? table.ascii[first] : table.other[first];
        starting.push_back(static_cast<int>(table.tokens.size()));
        table.tokens.push_back(std::move(token));
    }
    for (SchemeTable& table : t.schemes_) {
        const auto longestFirst = [&table](int a, int b) {
            return table.tokens[static_cast<size_t>(a)].input.size() >
                   table.tokens[static_cast<size_t>(b)].input.size();
        };
        for (auto& list : table.ascii) std::stable_sort(list.begin(), list.end(), longestFirst);
        for (auto& [c, list] : table.other)
            std::stable_sort(list.begin(), list.end(), longestFirst);
    }
    // Code points of ISO 15919's own letters, which IAST does not use.
    QSet<char16_t> iastUnits;
    for (const Row& r : rows)
        if (r.scheme == QLatin1String("iast"))
            for (const QChar c : r.input) iastUnits.insert(c.unicode());
    for (const Row& r : rows)
        if (r.scheme == QLatin1String("iso"))
            for (const QChar c : r.input)
                if (!iastUnits.contains(c.unicode()) &&
                    t.isoOnly_.find(c.unicode()) == std::u16string::npos)
                    t.isoOnly_ += c.unicode();

    {
        auto rs = database.OpenRecordset(data::DictionaryTrans(), error);
        if (!rs) return std::nullopt;
        for (bool more = rs->MoveFirst(); more && !rs->Eof(); rs->MoveNext())
            for (const QString& word : rs->Text(0).split(QLatin1Char(' '), Qt::SkipEmptyParts))
                t.words_.insert(U16(word));
    }
    // The first candidate of each transliteration.
    std::unordered_map<std::u16string, std::u16string> first;
    {
        const auto table =
            script == Script::Siddham ? data::ScriptTable::Siddham : data::ScriptTable::Lantsa;
        auto rs = database.OpenRecordset(data::ScriptRows(table), error);
        if (!rs) return std::nullopt;
        for (bool more = rs->MoveFirst(); more && !rs->Eof(); rs->MoveNext())
            first.emplace(U16(rs->Text(0)), U16(rs->Text(1)));
    }
    const QString tableName = data::TableName(
        script == Script::Siddham ? data::ScriptTable::Siddham : data::ScriptTable::Lantsa);
    const auto spelling = [&](const std::u16string& ime, std::u16string& out) {
        const auto it = first.find(ime);
        if (it == first.end())
            return Fail(error, QStringLiteral("%1 has no row for %2")
                                   .arg(tableName, QString::fromStdU16String(ime)));
        out = it->second;
        return true;
    };
    // The letters' spellings, read from syllables of the first consonant
    // (ka, k, kā, ...) and of a (a, aṃ, ...).
    const auto firstConsonant =
        std::find_if(t.letters_.begin(), t.letters_.end(),
                     [](const Letter& l) { return l.kind == Kind::Consonant; });
    if (firstConsonant == t.letters_.end()) {
        Fail(error, QStringLiteral("tbl_scheme has no IAST consonant"));
        return std::nullopt;
    }
    const auto letterA = std::find_if(t.letters_.begin(), t.letters_.end(),
                                      [](const Letter& l) { return l.iast == u"a"; });
    if (letterA == t.letters_.end() || letterA->kind != Kind::Vowel) {
        Fail(error, QStringLiteral("tbl_scheme has no IAST vowel a"));
        return std::nullopt;
    }
    t.a_ = static_cast<unsigned char>(letterA - t.letters_.begin() + 1);
    const std::u16string k = firstConsonant->iast, a = letterA->iast;
    std::u16string ka, kVirama, vowelA;
    if (!spelling(k + a, ka) || !spelling(k, kVirama) || !spelling(a, vowelA) ||
        !StartsWith(kVirama, ka) || kVirama.size() == ka.size()) {
        if (error && error->isEmpty()) *error = tableName + QStringLiteral(": no virama");
        return std::nullopt;
    }
    t.virama_ = kVirama.substr(ka.size());
    for (Letter& l : t.letters_) {
        switch (l.kind) {
            case Kind::Consonant:
                if (!spelling(l.iast + a, l.spelling)) return std::nullopt;
                break;
            case Kind::Vowel:
                if (!spelling(l.iast, l.spelling)) return std::nullopt;
                if (const auto it = first.find(k + l.iast);
                    it != first.end() && StartsWith(it->second, ka)) {
                    l.sign = it->second.substr(ka.size());
                    l.hasSign = true;
                }
                break;
            default: {
                std::u16string after;
                if (!spelling(a + l.iast, after) || !StartsWith(after, vowelA)) return std::nullopt;
                l.sign = after.substr(vowelA.size());
                if (const auto it = first.find(l.iast); it != first.end())
                    l.spelling = it->second;
                else
                    l.spelling = l.sign;
                break;
            }
        }
    }
    // Every transliteration that is one syllable, and the marks.
    for (const auto& [ime, chars] : first) {
        const auto letters = t.Letters(QStringView(ime.data(), static_cast<qsizetype>(ime.size())));
        if (!letters) {
            t.marks_.emplace(ime, chars);
            continue;
        }
        size_t i = 0;
        while (i < letters->size() && t.letters_[(*letters)[i] - 1].kind == Kind::Consonant) ++i;
        const size_t consonants = i;
        const bool vowel = i < letters->size() && t.letters_[(*letters)[i] - 1].kind == Kind::Vowel;
        if (vowel) ++i;
        while (vowel && i < letters->size() && t.letters_[(*letters)[i] - 1].kind == Kind::Final)
            ++i;
        if (i != letters->size() || (consonants == 0 && !vowel)) continue;
        if (const uint64_t key = Key(letters->data(), static_cast<int>(letters->size())))
            t.syllables_.emplace(key, chars);
    }
    return t;
}

void SpellerTables::SpellSyllable(const unsigned char* consonants, int count, int vowel,
                                  const unsigned char* finals, int finalCount,
                                  std::u16string& out) const {
    unsigned char all[32];
    int n = 0;
    for (int i = 0; i < count; ++i) all[n++] = consonants[i];
    if (vowel) all[n++] = static_cast<unsigned char>(vowel);
    for (int i = 0; i < finalCount; ++i) all[n++] = finals[i];
    if (const uint64_t key = Key(all, n)) {
        if (const auto it = syllables_.find(key); it != syllables_.end()) {
            out += it->second;
            return;
        }
    }
    // Not a keyboard syllable: its letters' spellings, the consonants joined
    // by virama. A vowel without a sign (Siddham has none for ḷ and ḹ)
    // follows the cluster as its letter, the cluster taking the virama.
    if (count == 0) {
        out += letters_[static_cast<size_t>(vowel - 1)].spelling;
    } else {
        for (int i = 0; i < count; ++i) {
            if (i) out += virama_;
            out += letters_[consonants[i] - 1].spelling;
        }
        const Letter* v = vowel ? &letters_[static_cast<size_t>(vowel - 1)] : nullptr;
        if (v && v->hasSign) {
            out += v->sign;
        } else {
            out += virama_;
            if (v) out += v->spelling;
        }
    }
    for (int i = 0; i < finalCount; ++i) out += letters_[finals[i] - 1].sign;
}

int SpellerTables::Match(const SchemeTable& table, QStringView text) const {
    const std::vector<int>* candidates = table.StartingWith(text[0].unicode());
    if (!candidates) return -1;
    for (const int index : *candidates) {
        const std::u16string& input = table.tokens[static_cast<size_t>(index)].input;
        if (static_cast<qsizetype>(input.size()) <= text.size() &&
            std::equal(input.begin() + 1, input.end(), text.utf16() + 1))
            return index;
    }
    return -1;
}

int SpellerTables::Score(const SchemeTable& table, QStringView sample) const {
    int score = 0;
    bool wordStart = true;
    // The IAST of the word under way, and whether a tell-tale letter is in
    // it (a word of letters that read the same in IAST tells nothing).
    std::u16string word;
    bool telling = false;
    const auto endWord = [&] {
        if (telling && words_.count(word)) score += 2;
        word.clear();
        telling = false;
    };
    for (qsizetype i = 0; i < sample.size();) {
        const int index = Match(table, sample.sliced(i));
        if (index < 0) {
            endWord();
            const QChar c = sample[i];
            if (c.unicode() < 0x80 && c.isLetter()) score -= 2;
            wordStart = !c.isLetter();
            ++i;
            continue;
        }
        const Token& token = table.tokens[static_cast<size_t>(index)];
        // A capital that begins a word may just begin a sentence or a name.
        const bool capital = wordStart && QChar(token.input.front()).isUpper();
        if (token.input != token.iast && !capital && !token.letters.empty()) {
            score += static_cast<int>(token.input.size());
            telling = true;
        }
        if (token.letters.empty())
            endWord();
        else
            word += token.iast;
        wordStart = false;
        i += static_cast<qsizetype>(token.input.size());
    }
    endWord();
    return score;
}

Scheme SpellerTables::Recognise(QStringView sample) const {
    // A long text tells its scheme in its first pages.
    const QString text = sample.first(std::min<qsizetype>(sample.size(), 16384))
                             .toString()
                             .normalized(QString::NormalizationForm_C);
    qsizetype devanagari = 0, latin = 0;
    bool iso = false, iast = false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x0900 && u <= 0x097F) ++devanagari;
        if (u < 0x80 && c.isLetter()) ++latin;
        if (u >= 0x80 && isoOnly_.find(u) != std::u16string::npos) iso = true;
        if (u >= 0x80 && !iast) {
            const SchemeTable& table = schemes_[static_cast<size_t>(Scheme::Iast)];
            const int index = Match(table, QStringView(&c, 1));
            iast = index >= 0 && !table.tokens[static_cast<size_t>(index)].letters.empty();
        }
    }
    if (devanagari > 0 && devanagari >= latin) return Scheme::Deva;
    if (iso) return Scheme::Iso;
    if (iast) return Scheme::Iast;
    Scheme best = Scheme::Iast;
    int bestScore = 0;
    for (const Scheme s : {Scheme::Hk, Scheme::Itrans, Scheme::Velthuis, Scheme::Slp1}) {
        const int score = Score(schemes_[static_cast<size_t>(s)], text);
        if (score > bestScore) best = s, bestScore = score;
    }
    return best;
}

QString SpellerTables::Spell(QStringView text, Scheme scheme) const {
    SpellStream stream(*this, scheme);
    QString out;
    out.reserve(text.size() * 2);
    stream.Feed(text, out);
    stream.Finish(out);
    return out;
}

}  // namespace orv::engine
