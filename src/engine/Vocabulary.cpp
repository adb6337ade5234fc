#include "engine/Vocabulary.h"

#include "engine/Logging.h"
#include "engine/WordStore.h"

#include <algorithm>

#include <malloc.h>

namespace orv::engine {

namespace {

Script ScriptOf(data::ScriptTable table) {
    return table == data::ScriptTable::Lantsa ? Script::Lantsa : Script::Siddham;
}

bool PlainAscii(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    });
}

}  // namespace

Vocabulary::Vocabulary(data::Database& db, WordStore* store) : db_(db), store_(store) {
    if (auto rows = db.OpenRecordset(data::WordRows()); rows && rows->MoveFirst()) {
        const int word = rows->ColumnIndex(QStringLiteral("transliteration"));
        const int weight = rows->ColumnIndex(QStringLiteral("weight"));
        for (; !rows->Eof(); rows->MoveNext())
            index_.AddLexicon(rows->Text(word), rows->Text(weight).toUInt());
    }
    guesser_.Train(index_.Words());
    malloc_trim(0);
    qCInfo(lcEngine, "Word lexicon: %d entries", index_.LexiconSize());
    if (store_) {
        store_->Flush();  // the words read so far, now rather than on a key
        Sync();
    }
}

const SpellerTables* Vocabulary::Speller(data::ScriptTable table) const {
    // Each script's tables are read when a word is first typed in it: an
    // engine process that types only Siddham never holds Lantsa's.
    Loaded& loaded = spellers_[size_t(ScriptOf(table))];
    if (!loaded.tried) {
        loaded.tried = true;
        QString error;
        loaded.tables = SpellerTables::Load(db_, ScriptOf(table), &error);
        if (!loaded.tables) qCWarning(lcEngine, "No word candidates: %s", qUtf8Printable(error));
        malloc_trim(0);  // the table rows read to build them: back to the system
    }
    return loaded.tables ? &*loaded.tables : nullptr;
}

bool Vocabulary::Usable(data::ScriptTable table) const { return Speller(table) != nullptr; }

QString Vocabulary::Spell(const QString& text, data::ScriptTable table) const {
    const SpellerTables* speller = Speller(table);
    return speller ? speller->Spell(text, Scheme::Iast) : QString();
}

std::vector<WordCandidate> Vocabulary::Candidates(const QString& preedit,
                                                  data::ScriptTable table) const {
    std::vector<WordCandidate> list;
    if (!Usable(table) || preedit.trimmed().isEmpty()) return list;
    const std::int64_t now = Now();
    const auto add = [&](const QString& word, bool learned) {
        const QString glyphs = Spell(word, table);
        if (glyphs.isEmpty() || glyphs == word) return;  // nothing the script writes
        for (const WordCandidate& c : list)
            if (c.glyphs == glyphs) return;
        list.push_back({glyphs, word, learned});
    };
    const auto addAll = [&](const std::vector<WordIndex::Found>& found) {
        for (const WordIndex::Found& f : found) add(f.word, f.learned);
    };
    const QString typed = LearnedForm(preedit);
    add(typed, index_.IsLearned(typed));
    const std::string lax = LaxKey(typed);
    const auto whole = index_.LaxMatches(lax, true, kLaxWhole, now);
    addAll(whole);
    addAll(index_.Completions(ExactKey(typed), kCompletions, now));
    addAll(index_.LaxMatches(lax, false, kLaxCompletions + int(whole.size()), now));
    AddCompounds(ExactKey(typed), false, add);
    AddCompounds(lax, true, add);
    if (whole.empty() && PlainAscii(typed)) {
        // Nothing known reads as this word: the likeliest spellings of it.
        int left = kGuesses;
        for (const QString& guess : guesser_.Guess(typed, kGuesses + 1)) {
            const size_t before = list.size();
            if (guess != typed) add(guess, false);
            if (list.size() > before && --left == 0) break;
        }
    }
    return list;
}

void Vocabulary::AddCompounds(const std::string& key, bool lax,
                              const std::function<void(const QString&, bool)>& add) const {
    // The longest known word the text begins with (three letters at least),
    // then what the rest may become: a compound the lexicon lacks is typed
    // as far as its last member's first letters.
    const std::int64_t now = Now();
    for (size_t cut = key.size(); cut-- > 3;) {
        if ((key[cut] & 0xC0) == 0x80) continue;  // inside a UTF-8 letter
        const std::string rest = key.substr(cut);
        const auto head = lax ? index_.LaxMatches(key.substr(0, cut), true, 1, now)
                              : index_.Completions(key.substr(0, cut), 1, now, true);
        if (head.empty() || head.front().word.contains(u' ')) continue;
        const auto tails = lax ? index_.LaxMatches(rest, false, kCompounds, now)
                               : index_.Completions(rest, kCompounds, now);
        for (const WordIndex::Found& tail : tails) {
            const QString joined = head.front().word + tail.word;
            // A phrase the lexicon holds (namo ratnatrayāya) is offered as
            // such, not run together as a compound.
            if (tail.word.contains(u' ') ||
                !index_.Completions(ExactKey(joined), 1, now, true).empty())
                continue;
            add(joined, false);
        }
        if (!tails.empty()) return;
    }
}

void Vocabulary::Committed(const QString& word) {
    const QString form = LearnedForm(word);
    if (form.isEmpty()) return;
    index_.Learn(form, Now());
    if (store_) store_->Learn(form);
}

void Vocabulary::Forget(const QString& word) {
    const QString form = LearnedForm(word);
    index_.SetLearned({{form, 0, 0}});
    if (store_) store_->Forget(form);
}

void Vocabulary::ForgetAll() {
    index_.ForgetAllLearned();
    if (store_) store_->ForgetAll();
}

void Vocabulary::Sync() {
    if (!store_) return;
    store_->CheckNow();
    std::optional<WordStore::Changes> changes = store_->TakeChanges();  // all there is, at once
    if (!changes) return;
    if (changes->reset) index_.ForgetAllLearned();
    index_.SetLearned(changes->words);
    const bool whole = changes->words.size() > 10000;
    changes.reset();
    // A whole store read at once: its words' transient copies go back to
    // the system, not only to the allocator.
    if (whole) malloc_trim(0);
}

}  // namespace orv::engine
