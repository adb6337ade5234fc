// Word candidates: the lenient key, the word index's ranking and merging,
// the guesser, and typing whole words on the built database with its lexicon.
#include "engine/Keysyms.h"
#include "engine/TypingSession.h"
#include "engine/Vocabulary.h"
#include "engine/WordIndex.h"
#include "support/TestDatabase.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace orv;
using namespace orv::engine;
using namespace orv::test;

namespace {

constexpr std::int64_t kDay = 24 * 3600;

QStringList Words(const std::vector<WordIndex::Found>& found) {
    QStringList words;
    for (const auto& f : found) words << f.word;
    return words;
}

// Types plain keys (keysym = code point) into the session.
void Type(TypingSession& s, const QString& text) {
    for (const char32_t c : text.toUcs4()) s.ProcessKey({c, c, false});
}

// The readings, or the glyphs, of the page shown.
QStringList Page(const TypingSession& s, bool glyphs = false) {
    QStringList page;
    for (int i = 0; i < s.Pages().OnPage(); ++i) {
        const int at = s.Pages().First() + i;
        page << (glyphs ? s.Candidates().Glyph(at) : s.Candidates().Reading(at));
    }
    return page;
}

}  // namespace

class WordsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<data::Database> db_;
    std::unique_ptr<Vocabulary> vocabulary_;
    std::int64_t now_ = 1'800'000'000;

  private slots:
    void initTestCase() {
        QString error;
        db_ = OpenBuilt(&error);
        QVERIFY2(db_, qPrintable(error));
        vocabulary_ = std::make_unique<Vocabulary>(*db_, nullptr);
        vocabulary_->SetClock([this] { return now_; });
        QVERIFY(vocabulary_->Index().LexiconSize() >= 3000);
    }

    void laxKeysMeetAcrossSpellings_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("word");
        QTest::addColumn<bool>("same");
        const std::tuple<const char*, const char*, bool> rows[] = {
            {"namah", "namaḥ", true},
            {"samantabuddhanam", "samantabuddhānāṃ", true},
            {"svaha", "svāhā", true},
            {"svaahaa", "svāhā", true},
            {"sariputra", "śāriputra", true},
            {"shariputra", "śāriputra", true},
            {"prajnaparamita", "prajñāpāramitā", true},
            {"krita", "kṛta", true},
            {"krta", "kṛta", true},
            {"chakra", "cakra", true},
            {"om", "oṁ", true},
            {"namoratnatrayaya", "namo ratnatrayāya", true},
            {"hum", "hūm̐", true},
            {"ka", "kha", false},
            {"tatha", "tathā", true},
            {"tata", "tathā", false},
            {"gate", "gati", false},
        };
        for (const auto& [typed, word, same] : rows) QTest::newRow(typed) << typed << word << same;
    }
    void laxKeysMeetAcrossSpellings() {
        QFETCH(QString, typed);
        QFETCH(QString, word);
        QFETCH(bool, same);
        QCOMPARE(LaxKey(typed) == LaxKey(word), same);
        QVERIFY(LaxKey(QString::fromUtf8("𑖭𑖿𑖪𑖯𑖮𑖯")).empty());
    }

    // Learned words first (the more used, then the more recent), then the
    // lexicon by weight; forgetting leaves the lexicon's entry.
    void indexRanksLearnedFirst() {
        WordIndex index;
        index.AddLexicon("buddha", 50);
        index.AddLexicon("buddhāya", 10);
        index.AddLexicon("bodhi", 5);
        index.AddLexicon("buddhakṣetra", 30);
        index.AddLexicon("namo buddhāya", 20);
        QCOMPARE(Words(index.Completions("budd", 10, now_)),
                 QStringList({"buddha", "buddhakṣetra", "buddhāya"}));
        index.Learn("buddhāya", now_ - 30 * kDay);
        index.Learn("buddhāya", now_ - 30 * kDay);
        index.Learn("buddhatva", now_);
        index.Learn("buddhatva", now_);
        index.Learn("buddhāyai", now_);
        QCOMPARE(Words(index.Completions("budd", 3, now_)),
                 QStringList({"buddhatva", "buddhāyai", "buddhāya"}));
        QCOMPARE(Words(index.Completions("namobu", 5, now_)), QStringList({"namo buddhāya"}));
        QCOMPARE(Words(index.LaxMatches("buddhaya", true, 5, now_)),
                 QStringList({"buddhāya"}));  // learned, and "buddhāyai" is longer
        index.SetLearned({{"buddhāya", 0, 0}, {"buddhatva", 0, 0}});
        QVERIFY(!index.IsLearned("buddhāya"));
        QCOMPARE(Words(index.Completions("buddh", 10, now_)),
                 QStringList({"buddhāyai", "buddha", "buddhakṣetra", "buddhāya"}));
        index.ForgetAllLearned();
        QCOMPARE(index.LearnedCount(), 0);
        QCOMPARE(Words(index.Completions("buddhat", 10, now_)), QStringList());
    }

    // A batch of learned words (a store read at start, another process's
    // news) gives the same index as the words learned one by one.
    void batchesMergeAsSingleInserts() {
        WordIndex one, batch;
        std::vector<LearnedWord> words;
        QRandomGenerator random(7);
        const QStringList syllables{"ka", "ṇa", "dhā", "ri", "śū", "ṃ", "pra", "jñā", "tva", "ya"};
        for (int i = 0; i < 3000; ++i) {
            QString word;
            for (int n = 1 + int(random.bounded(4)); n > 0; --n)
                word += syllables[int(random.bounded(qsizetype(syllables.size())))];
            const auto count = std::uint32_t(random.bounded(3));  // 0: forgotten
            words.push_back({word, count, now_ - i});
            one.SetLearned({words.back()});
        }
        batch.SetLearned(words);
        QCOMPARE(batch.LearnedCount(), one.LearnedCount());
        for (const char* prefix : {"k", "ka", "dhā", "prajñ", "ṇa", "y", "tvaya"}) {
            QCOMPARE(Words(batch.Completions(prefix, 20, now_)),
                     Words(one.Completions(prefix, 20, now_)));
            const std::string lax = LaxKey(QString::fromUtf8(prefix));
            QCOMPARE(Words(batch.LaxMatches(lax, false, 20, now_)),
                     Words(one.LaxMatches(lax, false, 20, now_)));
        }
    }

    // Typing whole words on the built database: what the first page holds.
    void firstPageOffersTheWord_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("wanted");  // a reading on the first page
        QTest::addColumn<int>("at");          // its position there, -1: anywhere
        const std::tuple<const char*, const char*, const char*, int> rows[] = {
            {"whole word first", "gate", "gate", 0},
            {"lax after the literal", "svaha", "svāhā", 1},
            {"lax phrase", "namah", "namaḥ", 1},
            {"completion", "prajnaapaa", "prajñāpāramitā", -1},
            {"completion of a phrase", "namorat", "namo ratnatrayāya", -1},
            {"lax completion", "avalokit", "avalokiteśvara", -1},
            {"compound", "bhik.susa.mghe", "bhikṣusaṃghena", -1},
            {"lax compound", "bhiksusamghe", "bhikṣusaṃghena", -1},
            {"sandhi form", "deva", "devā", -1},
            {"guess", "mahakarunikaya", "mahākāruṇikāya", -1},
            {"syllables still there", "ka", "ka", 0},
        };
        for (const auto& [what, typed, wanted, at] : rows)
            QTest::newRow(what) << QString(typed) << QString(wanted) << at;
    }
    void firstPageOffersTheWord() {
        QFETCH(QString, typed);
        QFETCH(QString, wanted);
        QFETCH(int, at);
        TypingSession s(db_.get(), data::ScriptTable::Siddham);
        s.SetWords(vocabulary_.get(), true, false);
        Type(s, typed);
        const QStringList page = Page(s);
        QVERIFY2(at < 0 ? page.contains(wanted) : page.value(at) == wanted,
                 qPrintable(page.join(u',')));
        const int i = int(page.indexOf(wanted));
        QCOMPARE(Page(s, true)[i], vocabulary_->Spell(wanted, data::ScriptTable::Siddham));
    }

    // Space takes the whole word; a word picked is learned (and ranks first
    // next time); Ctrl+Delete forgets it; learning off learns nothing; word
    // candidates off give exactly the syllable lists.
    void pickingLearnsAndForgets() {
        TypingSession s(db_.get(), data::ScriptTable::Siddham);
        s.SetWords(vocabulary_.get(), true, true);
        Type(s, "ratnaketutara");
        s.ProcessKey({keysym::kSpace, U' ', false});
        QCOMPARE(s.TakeCommit(), vocabulary_->Spell("ratnaketutara", data::ScriptTable::Siddham));
        QVERIFY(vocabulary_->IsLearned("ratnaketutara"));
        Type(s, "ratnak");
        QCOMPARE(Page(s).value(1), "ratnaketutara");
        s.ProcessKey({keysym::kDown, 0, false});
        s.ProcessKey({keysym::kDelete, 0, true});
        QVERIFY(!vocabulary_->IsLearned("ratnaketutara"));
        QVERIFY(!Page(s).contains("ratnaketutara"));
        s.Reset();

        s.SetWords(vocabulary_.get(), true, false);
        Type(s, "ratnaketutara ");
        QVERIFY(!vocabulary_->IsLearned("ratnaketutara"));

        TypingSession plain(db_.get(), data::ScriptTable::Siddham);
        for (const char* typed : {"ka", "svaha", "namorat", "o.m"}) {
            s.SetWords(vocabulary_.get(), false, true);
            Type(s, typed);
            Type(plain, typed);
            QCOMPARE(s.Candidates().Count(), plain.Candidates().Count());
            for (int i = 0; i < plain.Candidates().Count(); ++i)
                QCOMPARE(s.Candidates().Glyph(i), plain.Candidates().Glyph(i));
            s.Reset();
            plain.Reset();
        }
    }

    // Two engines (an IBus and a Fcitx5 process, say) on one store: what
    // either learns the other offers from its next word on, and what one
    // forgets is gone in both.
    void twoEnginesShareWhatTheyLearn() {
        QTemporaryDir dir;
        const QString path = dir.filePath("learned.sqlite");
        WordStore storeA(path), storeB(path);
        Vocabulary a(*db_, &storeA), b(*db_, &storeB);
        TypingSession sa(db_.get(), data::ScriptTable::Siddham);
        TypingSession sb(db_.get(), data::ScriptTable::Lantsa);
        sa.SetWords(&a, true, true);
        sb.SetWords(&b, true, true);
        for (int round = 0; round < 3; ++round) {
            Type(sa, "vajrakumaaratara ");
            Type(sb, "padmakumaaratara ");
        }
        storeA.Flush();
        storeB.Flush();
        const std::pair<TypingSession*, Vocabulary*> engines[] = {{&sb, &b}, {&sa, &a}};
        const char* learned[] = {"vajrakumāratara", "padmakumāratara"};  // by the other one
        for (int i = 0; i < 2; ++i) {
            auto [session, vocabulary] = engines[i];
            QTRY_VERIFY_WITH_TIMEOUT((vocabulary->Sync(), vocabulary->IsLearned(learned[i])), 5000);
            Type(*session, QString(learned[i]).left(7));
            QVERIFY2(Page(*session).contains(learned[i]), qPrintable(Page(*session).join(u',')));
            session->Reset();
        }
        a.Forget("padmakumāratara");
        storeA.Flush();
        QTRY_VERIFY_WITH_TIMEOUT((b.Sync(), !b.IsLearned("padmakumāratara")), 5000);
    }

    // Guesses read plain letters as Sanskrit is spelled, and nothing else.
    void guesserReadsPlainLetters() {
        Guesser guesser;
        guesser.Train({"prajñāpāramitā", "pāramitā", "prajñā", "śāriputra", "saṃjñā", "kāruṇika"});
        QCOMPARE(guesser.Guess(u"prajnaparamita", 1), std::vector<QString>{"prajñāpāramitā"});
        QCOMPARE(guesser.Guess(u"karunika", 1), std::vector<QString>{"kāruṇika"});
        QVERIFY(guesser.Guess(u"ka1", 3).empty());
        QVERIFY(guesser.Guess(QString(41, u'a'), 3).empty());
        QVERIFY(Guesser().Guess(u"ka", 3).empty());
    }
};

QTEST_GUILESS_MAIN(WordsTest)
#include "test_word_candidates.moc"
