// The `like` matcher and the collation on their own.
#include "data/TextRules.h"

#include <QElapsedTimer>
#include <QTest>

#include <tuple>

using namespace orv::data;

namespace {
bool Like(const QString& pattern, const QString& value) {
    LikePattern p;
    std::string error;
    return LikePattern::Compile(pattern.toStdString(), p, error) && p.Matches(value.toStdString());
}
}  // namespace

class TextRulesTest : public QObject {
    Q_OBJECT
  private slots:
    void like() {
        // "pattern value" pairs that match, then pairs that do not. A character
        // is one code point, also outside the BMP; SQL's wildcards are plain
        // characters; letters fold case beyond ASCII, on either side and with
        // or without the shortcut for prefixes; accents count.
        const QStringList matches = {
            "ka* ka", "ka* kaṃ",      "* ",        "k?a kra",   "a#b a7b", "a*b*c aXXbYYc",
            "*ṃ oṃ",  "? \U0001158E", "50%* 50%x", "[abc]x bx", "[a-c] b", "[!a-c] d",
            "[*] *",  "a[]b ab",      "[a-] -",    "x] x]",     "KA* kaṃ", "ka* KA",
            "Ā* ā",   "ṢA ṣa",        "[A-C] b"};
        const QStringList misses = {"ka* k",  "ka* aka",   "k?a ka",   "a#b axb", "a*b*c aXXbYY",
                                    "5_* 5x", "[abc]x dx", "[!a-c] b", "a* ā",    "ā* a"};
        for (const auto& [cases, match] : {std::pair{&matches, true}, {&misses, false}})
            for (const QString& c : *cases)
                QVERIFY2(Like(c.section(' ', 0, 0), c.section(' ', 1)) == match, qPrintable(c));
        // An unclosed set and a descending range are errors.
        LikePattern p;
        std::string error;
        QVERIFY(!LikePattern::Compile("[abc", p, error) && !error.empty());
        // Malformed UTF-8 is matched as replacement characters, not rejected.
        QVERIFY(LikePattern::Compile("\xff\xfe*", p, error) &&
                p.Matches(std::string("\xff\xfe") + "abc"));
    }

    void rangesAsWritten() {
        // Bounds are code points as written; a value character is in a range
        // when it or a character of the same folding is. [a-Z] descends.
        const std::tuple<const char*, QStringList, QStringList> cases[] = {
            // pattern, values that match, values that do not
            {"[A-_]", {"A", "a", "Z", "z", "[", "_"}, {"`", "@", "{"}},
            {"[Y-[]", {"y", "Z", "["}, {"x", "\\"}},
            {"[0-Z]", {"0", "@", "q", "Q"}, {"_", "[", "/"}},
            {"[A-z]", {"_", "`", "a", "Z", "["}, {"{", "@"}},
            {"[/-^]", {"q", "Q", "/", "^"}, {"_", "."}},
            {"[!A-_]", {"`", "{"}, {"a", "_"}},
            {"[a-c]", {"B", "b"}, {"d"}},
            {"[ā-ṃ]", {"Ā", "Ṃ", "ḍ"}, {"a"}},
            {"[K]", {"k", "\u212A"}, {"x"}},  // the Kelvin sign folds to k
        };
        for (const auto& [pattern, hits, misses] : cases) {
            for (const QString& v : hits)
                QVERIFY2(Like(pattern, v), qPrintable(pattern + (" " + v)));
            for (const QString& v : misses)
                QVERIFY2(!Like(pattern, v), qPrintable(pattern + (" !" + v)));
        }
        LikePattern p;
        std::string error;
        for (const char* descending : {"[a-Z]", "[z-a]", "[_-A]", "x[b-a]*"})
            QVERIFY2(!LikePattern::Compile(descending, p, error) && !error.empty(), descending);
    }

    void longInputsStayFast() {
        // Many stars against a value that almost matches: no exponential
        // backtracking.
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!Like(QStringLiteral("a*").repeated(5000) + 'b', QString(10000, 'a')));
        QVERIFY(Like(QString(10000, 'x') + '*', QString(10000, 'X')));
        QVERIFY2(timer.elapsed() < 5000, "pattern matching took too long");
    }

    void collationOrder() {
        // Case-insensitive order, case deciding only a tie; accents count;
        // distinct strings never compare equal, not even ones ICU equates.
        TextCollator c;
        for (auto [a, b] :
             {std::pair{"a", "B"}, {"Ka", "kb"}, {"a", "ā"}, {"ā", "b"}, {"Ka", "ka"}})
            QVERIFY2(c.Compare(a, b) < 0 && c.Compare(b, a) > 0, a);
        QVERIFY(c.Compare("a", "a\x01") < 0 && c.Compare("a\x01", "a") > 0);
        QCOMPARE(c.Compare("ṣa", "ṣa"), 0);
    }
};

QTEST_GUILESS_MAIN(TextRulesTest)
#include "test_textrules.moc"
