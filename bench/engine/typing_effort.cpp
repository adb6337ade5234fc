// The model typist: how many keys a text takes in the input methods' typing
// session, and how often a word typed without diacritics is on the first
// page. Not a timing benchmark; run by hand on text the lexicon was not
// made from:
//   build/bin/typing_effort tests/corpus/heldout.txt
//
// The typist types each word's keys one at a time (ā as "aa", ṃ as ".m", ...
// by the keyboard map) and, after each key, looks at the page shown: the
// moment what they want stands there, one key picks it (Space for the
// highlighted candidate, a function key for another), and a blank follows
// every word. With syllables only, they type and pick syllable by syllable.
#include "engine/TypingSession.h"
#include "engine/Vocabulary.h"
#include "engine/WordStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

#include <cstdio>

using namespace orv;
using namespace orv::engine;

namespace {

// The keys that type a transliteration through the keyboard map.
QString Keys(const QString& iast) {
    static const QList<std::pair<QString, QString>> keys{
        {"ā", "aa"}, {"ī", "ii"}, {"ū", "uu"}, {"ṝ", ".rr"}, {"ṛ", ".r"}, {"ḹ", ".ll"},
        {"ḷ", ".l"}, {"ṃ", ".m"}, {"ḥ", ".h"}, {"m̐", "~m"},  {"ṅ", ";n"}, {"ñ", "~n"},
        {"ṭ", ".t"}, {"ḍ", ".d"}, {"ṇ", ".n"}, {"ś", ";s"},  {"ṣ", ".s"}};
    QString out = iast;
    for (const auto& [letter, typed] : keys) out.replace(letter, typed);
    return out;
}

// The word without its diacritics, as a typist without them writes it.
QString Plain(const QString& iast) {
    QString out;
    for (const QChar c : iast.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing) out += c;
    return out;
}

// The written syllables of an IAST word: consonants, a vowel, finals; a
// cluster at the end stands alone (with virama).
QStringList Syllables(const QString& word) {
    static const QString vowels = QStringLiteral("aāiīuūṛṝḷḹeo");
    static const QString finals = QStringLiteral("ṃḥ");
    QStringList out;
    QString current;
    bool vowel = false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word[i];
        const bool isVowel = vowels.contains(c);
        const bool isFinal = finals.contains(c) || c == QChar(0x0310);
        if (isVowel && vowel && !(i > 0 && word[i - 1] == u'a' && (c == u'i' || c == u'u'))) {
            out << current;  // a vowel after a vowel: a new syllable
            current.clear();
        } else if (!isVowel && !isFinal && vowel) {
            out << current;
            current.clear();
            vowel = false;
        }
        current += c;
        if (isVowel) vowel = true;
    }
    if (!current.isEmpty()) out << current;  // a final cluster is a glyph of its own
    return out;
}

// Types `keys` and picks `target` the moment it is on the page; answers the
// keys spent (pick included), or -1 when it never showed.
int TypeAndPick(TypingSession& session, const QString& keys, const QString& target) {
    int spent = 0;
    for (const char32_t c : keys.toUcs4()) {
        session.ProcessKey({c, c, false});
        session.TakeCommit();
        ++spent;
        const Pager& pages = session.Pages();
        for (int i = 0; i < pages.OnPage(); ++i) {
            if (session.Candidates().Glyph(pages.First() + i) != target) continue;
            const std::uint32_t key = pages.First() + i == session.Highlight() ? 0x20 : 0xffbe + i;
            session.ProcessKey({key, key == 0x20 ? U' ' : 0, false});
            session.TakeCommit();
            return spent + 1;
        }
    }
    session.Reset();
    return -1;
}

struct Effort {
    long keys = 0, syllables = 0, words = 0, missing = 0, laxFirstPage = 0;
};

// How a typist writes a word: with the keyboard map's keys for diacritics,
// or in plain letters, falling back on the diacritics (Escape, then the
// whole word again) when the word never showed.
enum class Typist { Diacritics, Plain };

Effort Measure(const QStringList& words, data::Database& db, Vocabulary* vocabulary, bool wordMode,
               bool learning, Typist typist = Typist::Diacritics) {
    TypingSession session(&db, data::ScriptTable::Siddham);
    session.SetWords(vocabulary, wordMode, learning);
    Effort effort;
    for (const QString& word : words) {
        const QStringList syllables = Syllables(word);
        effort.syllables += syllables.size();
        ++effort.words;
        if (wordMode) {
            const QString target = vocabulary->Spell(word, data::ScriptTable::Siddham);
            int spent = -1;
            if (typist == Typist::Plain) {
                spent = TypeAndPick(session, Plain(word), target);
                if (spent < 0) {
                    const int again = TypeAndPick(session, Keys(word), target);
                    spent = again < 0 ? -1 : int(Plain(word).size()) + 1 + again;
                }
            } else {
                spent = TypeAndPick(session, Keys(word), target);
            }
            if (spent < 0) ++effort.missing;
            if (qEnvironmentVariableIsSet("ORV_TYPIST_WORDS"))
                printf("%d/%d %s %d\n", int(spent), int(Keys(word).size()), qPrintable(word),
                       int(syllables.size()));
            effort.keys += (spent < 0 ? Keys(word).size() + 1 : spent) + 1;  // the blank
        } else {
            for (const QString& syllable : syllables) {
                const int spent =
                    TypeAndPick(session, Keys(syllable),
                                vocabulary->Spell(syllable, data::ScriptTable::Siddham));
                if (spent < 0) ++effort.missing;
                effort.keys += spent < 0 ? Keys(syllable).size() + 2 : spent;
            }
            effort.keys += 1;  // the blank
        }
    }
    return effort;
}

// How many words typed without diacritics show on the first page.
int LaxFirstPage(const QStringList& words, data::Database& db, Vocabulary& vocabulary,
                 bool wordMode, bool learning) {
    TypingSession session(&db, data::ScriptTable::Siddham);
    session.SetWords(&vocabulary, wordMode, learning);
    int found = 0;
    for (const QString& word : words) {
        const QString target = vocabulary.Spell(word, data::ScriptTable::Siddham);
        for (const char32_t c : Plain(word).toUcs4()) session.ProcessKey({c, c, false});
        bool shown = false;
        for (int i = 0; i < session.Pages().OnPage() && !shown; ++i)
            shown = session.Candidates().Glyph(i) == target;
        found += shown;
        if (!shown && qEnvironmentVariableIsSet("ORV_TYPIST_LAX")) {
            QStringList page;
            for (int i = 0; i < session.Pages().OnPage(); ++i)
                page << session.Candidates().Reading(i);
            printf("%s | %s\n", qPrintable(word), qPrintable(page.join(u' ')));
        }
        // The typist picks it (or types it out in full) and goes on.
        session.Reset();
        if (learning) vocabulary.Committed(word);
    }
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        fprintf(stderr, "usage: typing_effort TEXT\n");
        return 2;
    }
    QString error;
    auto db = data::OpenReferenceDatabase(QCoreApplication::applicationDirPath(), &error);
    if (!db) {
        fprintf(stderr, "typing_effort: %s\n", qPrintable(error));
        return 1;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        fprintf(stderr, "typing_effort: cannot read %s\n", argv[1]);
        return 1;
    }
    QStringList words;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u'#')) continue;
        static const QRegularExpression nonLetters(QStringLiteral("[^\\p{L}\\p{M}]+"));
        for (const QString& word : line.split(nonLetters, Qt::SkipEmptyParts))
            words << LearnedForm(word);
    }
    const auto report = [](const char* what, const Effort& e) {
        printf(
            "%-34s %5.2f keys a syllable (%ld keys, %ld syllables, %ld words, %ld never shown)\n",
            what, double(e.keys) / double(e.syllables), e.keys, e.syllables, e.words, e.missing);
    };
    {
        Vocabulary vocabulary(*db, nullptr);
        report("syllables only", Measure(words, *db, &vocabulary, false, false));
    }
    {
        Vocabulary vocabulary(*db, nullptr);
        report("words, nothing learned", Measure(words, *db, &vocabulary, true, false));
    }
    {
        Vocabulary vocabulary(*db, nullptr);
        report("words, learning as it goes", Measure(words, *db, &vocabulary, true, true));
    }
    {
        Vocabulary vocabulary(*db, nullptr);
        report("plain letters, learning",
               Measure(words, *db, &vocabulary, true, true, Typist::Plain));
    }
    const std::pair<const char*, bool> modes[] = {
        {"syllables only:", false}, {"nothing learned:", false}, {"learning:", true}};
    for (const auto& [what, learning] : modes) {
        Vocabulary vocabulary(*db, nullptr);
        const bool wordMode = what != modes[0].first;
        const int found = LaxFirstPage(words, *db, vocabulary, wordMode, learning);
        printf("without diacritics, %-17s %5.1f %% of words on the first page (%d of %lld)\n", what,
               100.0 * found / double(words.size()), found, qlonglong(words.size()));
    }
    return 0;
}
