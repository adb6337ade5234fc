// The typing engine: key map, lookup and pages on a small database; typing on the built one.
#include "engine/Keysyms.h"
#include "engine/TypingSession.h"
#include "support/TestDatabase.h"

#include <QTest>

#include <map>

using namespace orv;
using namespace orv::engine;
using namespace orv::test;

namespace {
using namespace orv::engine::keysym;

// A key (keysym, code point): "C" consumed, "P" passed on or "F" forwarded after the commit,
// then any commit in brackets.
QString Press(TypingSession& s, std::uint32_t keysym, char32_t c = 0, bool shortcut = false) {
    const KeyResult result = s.ProcessKey({keysym, c, shortcut});
    QString seen = result == KeyResult::Consumed ? "C" : result == KeyResult::Forward ? "F" : "P";
    if (const QString commit = s.TakeCommit(); !commit.isEmpty()) seen += '[' + commit + ']';
    return seen;
}

// Latin text typed key by key (keysym = code point), then `keys` pressed. In the text, <X>
// stands for the key named by X: Left, Right, Home, End, Delete, BackSpace, Tab, Return.
QString Type(TypingSession& s, const QString& text, std::initializer_list<std::uint32_t> keys = {},
             bool shortcut = false) {
    static const std::map<char32_t, std::uint32_t> named{
        {'L', kLeft},   {'R', kRight},     {'H', kHome}, {'E', kEnd},
        {'D', kDelete}, {'B', kBackSpace}, {'T', kTab},  {'N', kReturn}};
    QString seen;
    const QList<uint> chars = text.toUcs4();
    for (qsizetype i = 0; i < chars.size(); ++i) {
        if (chars[i] == '<' && i + 2 < chars.size() && chars[i + 2] == '>') {
            seen += Press(s, named.at(chars[i + 1]));
            i += 2;
        } else {
            seen += Press(s, chars[i], chars[i], shortcut);
        }
    }
    for (const std::uint32_t key : keys) seen += Press(s, key);
    return seen;
}
}  // namespace

class EngineTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDatabase> small_;
    std::unique_ptr<data::Database> smallDb_, built_;

  private slots:
    void initTestCase() {
        Rows siddham{{"oṃ", "anusvara"}};
        for (int i = 1004; i >= 0; --i)  // "m0000" to "M1004", alternating case, reversed
            siddham.append({QString::asprintf("%c%04d", "mM"[i % 2], i), QString::number(i)});
        small_ = std::make_unique<TestDatabase>(std::map<QString, Rows>{
            {"tbl_siddham", siddham},
            {"tbl_keyboard", Pairs({"aa", "ā", ".r", "ṛ", "ṛr", "ṝ", "kk", "first", "kk", "last",
                                    "ab", "ba", "ba", "ab", "o", "ō"})}});
        QVERIFY2(small_->Ok(), qPrintable(small_->Error()));
        QString error;
        smallDb_ = small_->Open(&error), built_ = OpenBuilt(&error);
        QVERIFY2(smallDb_ && built_, qPrintable(error));
    }

    void keyMapChainsAndEnds() {
        // The end of the text, again and again; the last row of a key; a blank trimmed off the
        // key; a cycle ends within its bound; short text and no key stay.
        const char* cases[][2] = {{"kaa", "kā"},  {"ṛr", "ṝ"}, {"kk", "last"}, {"o ", "ō"},
                                  {"xab", "xab"}, {"o", "o"},  {"", ""},       {"aab", "aab"}};
        KeyMap map;
        for (const auto& [typed, mapped] : cases)
            QCOMPARE(map.Apply(smallDb_.get(), typed), mapped);
        QCOMPARE(map.Apply(nullptr, "aa"), "aa");
    }

    void lookupKeepsTheFirst1001InOrder() {
        CandidateList list;
        QVERIFY(list.Lookup(smallDb_.get(), data::ScriptTable::Siddham, "M"));
        QVERIFY(list.Count() == kCandidateSlots && list.Reading(0) == "m0000" &&
                list.Reading(1) == "M0001" && list.Reading(1000) == "m1000" &&
                list.Glyph(1001).isEmpty() && list.Glyph(-1).isEmpty());
        list.Clear();
        QVERIFY(list.Count() == 0 && list.Glyph(0).isEmpty());
        for (const QString typed : {"oṁ", "om\u0307"}) {  // ISO 15919's ṁ, pasted decomposed too
            QVERIFY(list.Lookup(smallDb_.get(), data::ScriptTable::Siddham, typed));
            QCOMPARE(list.Glyph(0), "anusvara");
        }
        list.Clear();
        QVERIFY(!list.Lookup(smallDb_.get(), data::ScriptTable::Siddham, "zz") && !list.Count());
    }

    void pagerFromTheCount() {
        // count: per page, how many it shows and where it can go ("<" back, ">" on).
        const std::pair<int, QStringList> cases[] = {{25, {"12 >", "12 <>", "1 <"}},
                                                     {24, {"12 >", "12 <"}},
                                                     {12, {"12 "}},
                                                     {0, {"0 "}},
                                                     {5000, {"12 >"}}};
        for (const auto& [count, pages] : cases) {
            Pager p;
            p.Reset(count);
            QStringList seen;
            do
                seen << QString::number(p.OnPage()) + ' ' + (p.HasPrevious() ? "<" : "") +
                            (p.HasNext() ? ">" : "");
            while (count < 100 && p.Next());
            QCOMPARE(seen, pages);
            QVERIFY(!p.Next() || count >= 100);
            while (p.Previous()) continue;
            QVERIFY(p.Page() == 0 && p.Count() == std::min(count, kCandidateSlots));
        }
    }

    void sessionPicksCommitsAndPassesThrough() {
        TypingSession s(built_.get(), data::ScriptTable::Siddham);
        // An empty preedit writes other characters as commits of their own (in order with the
        // commits around them); letters and map starters begin one.
        QCOMPARE(Type(s, " 1,|", {kReturn, kBackSpace}), "C[ ]C[1]C[,]C[|]PP");
        QCOMPARE(Type(s, "o.m"), "CCC");
        QVERIFY(s.Preedit() == "oṃ" && s.Candidates().Reading(0) == "oṃ" &&
                s.HighlightOnPage() == 0);
        QCOMPARE(Press(s, kF1), "C[𑖌𑖽]");
        QCOMPARE(Type(s, "hrii.h "), "CCCCCCC[𑖮𑖿𑖨𑖱𑖾]");
        QCOMPARE(Type(s, " "), "C[ ]");  // the blank between two syllables
        Type(s, "k.sa");
        const QString second = s.Candidates().Glyph(1);
        QCOMPARE(Type(s, "2"), "C[" + second + "]");
        QVERIFY(s.Preedit().isEmpty() && s.Candidates().Count() == 0);
        QCOMPARE(Type(s, "k.sa", {kReturn}), "CCCCC[kṣa]");
        QCOMPARE(Type(s, "ka", {kEscape, kReturn}), "CCCP");
        // Shortcuts pass, the preedit stays; Backspace takes one character, a whole ṭ.
        QCOMPARE(Type(s, "ka"), "CC");
        QCOMPARE(Type(s, "c", {}, true) + Press(s, kControlL), "PP");
        QCOMPARE(Type(s, ".t", {kBackSpace, kBackSpace}), "CCCC");
        QCOMPARE(s.Preedit(), "k");
        s.Reset();
    }

    void aKeyThatCommitsGoesOutWithTheCommit() {
        // Typed, then what the session answered key by key, the preedit and its cursor. No key
        // both commits and passes on: the application could handle it before the commit.
        const struct {
            QString typed, seen, preedit;
            int cursor;
        } cases[] = {
            {"gate x<N>", "CCCCC[gate ]CC[x]", "", 0},  // nothing to pick: text, then the blank
            {"3.5 . ", "C[3]CC[.5]C[ ]CC[. ]", "", 0},  // a lone dead key and what follows it
            {".<N>", "CF[.]", "", 0},
            {"(ka) x", "C[(]CCCC[ka) ]C", "x", 1},
            {"ka<T>", "CCF[ka]", "", 0},  // Tab: the text as typed, then Tab does its work
            {"<T>x<L>", "PCC", "x", 0},
            // The cursor: new characters go in at it, mapped with what stands before it.
            {"kaa<L><L>x<R>a", "CCCCCCCC", "xkaā", 3},
            {"k.sa<H><D><E><B>", "CCCCCCCC", "ṣ", 1},
            {"ka<H><L><B><E><R><D>", "CCCCCCCC", "ka", 2},  // at the ends: nothing to do
            {"ka<L><L>a<N>", "CCCCCC[aka]", "", 0},
        };
        for (const auto& c : cases) {
            TypingSession s(built_.get(), data::ScriptTable::Siddham);
            QCOMPARE(Type(s, c.typed), c.seen);
            QCOMPARE(s.Preedit(), c.preedit);
            QCOMPARE(s.Cursor(), c.cursor);
        }
    }

    void aLongPreeditIsNeverCutShort() {
        // At the limit the preedit goes out as typed and the next letter begins a new one.
        TypingSession s(built_.get(), data::ScriptTable::Siddham);
        const QString typed = QString("ka").repeated(TypingSession::kMaxPreedit / 2 + 22);
        QString seen = Type(s, typed);
        QCOMPARE(s.Preedit().size(), typed.size() - TypingSession::kMaxPreedit);
        seen += Press(s, kReturn);
        QCOMPARE(seen.count('['), 2);
        QString committed;
        for (const QString& part : seen.split('[').mid(1)) committed += part.section(']', 0, 0);
        QCOMPARE(committed, typed);
    }

    void sessionPagesAndHighlight() {
        TypingSession s(built_.get(), data::ScriptTable::Siddham);
        Type(s, "k");
        QVERIFY(s.Candidates().Count() > 2 * kPageSize);
        const auto at = [&s] {
            return QString("%1:%2").arg(s.Pages().Page()).arg(s.HighlightOnPage());
        };
        QStringList seen;
        for (const std::uint32_t key : {kUp, kDown, kPageDown, kDown, kPageUp, kDown})
            Press(s, key), seen << at();
        QCOMPARE(seen, QStringList({"0:0", "0:1", "1:0", "1:1", "0:0", "0:1"}));
        for (int i = 0; i < 11; ++i) Press(s, kDown);
        QCOMPARE(at(), "1:0");  // down past the page's end turns it
        const QString last = s.Candidates().Glyph(s.Pages().First() + kPageSize - 1);
        QCOMPARE(Press(s, kF12), "C[" + last + "]");
    }

    void lantsaAndNoDatabase() {
        TypingSession lantsa(built_.get(), data::ScriptTable::Lantsa);
        const QString out = Type(lantsa, "ka ");
        QVERIFY2(out.startsWith("CCC[") && out.size() > 5 && out[4].unicode() >= 0x900 &&
                     out[4].unicode() <= 0x97f,
                 qPrintable(out));
        // Without a database every key passes, and the notice comes once.
        TypingSession none(nullptr, data::ScriptTable::Siddham);
        QCOMPARE(Type(none, "ka", {kF1}), "PPP");
        QVERIFY(none.TakeNotice() == DatabaseMissingNotice() && none.TakeNotice().isEmpty());
        Type(none, "a");
        QVERIFY(none.TakeNotice().isEmpty() && !none.Usable());
    }
};

QTEST_MAIN(EngineTest)
#include "test_engine.moc"
