// The `like` matcher and the collation on their own.
#include "data/TextRules.h"

#include <QElapsedTimer>
#include <QTest>

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
        // A character is one code point (also past the BMP); SQL's wildcards are plain; case folds
        // beyond ASCII on either side, prefix or not; accents count. Range bounds are code points
        // as written, a value character in one when a character of its folding is.
        // "pattern value" pairs that match, then pairs that do not.
        const QStringList matches = {
            "ka* ka",  "ka* kaṃ",      "* ",        "k?a kra",   "a#b a7b", "a*b*c aXXbYYc",
            "*ṃ oṃ",   "? \U0001158E", "50%* 50%x", "[abc]x bx", "[a-c] b", "[!a-c] d",
            "[*] *",   "a[]b ab",      "[a-] -",    "x] x]",     "KA* kaṃ", "ka* KA",
            "Ā* ā",    "ṢA ṣa",        "[A-C] b",   "[A-_] A",   "[A-_] a", "[A-_] Z",
            "[A-_] z", "[A-_] [",      "[A-_] _",   "[Y-[] y",   "[Y-[] Z", "[Y-[] [",
            "[0-Z] 0", "[0-Z] @",      "[0-Z] q",   "[0-Z] Q",   "[A-z] _", "[A-z] `",
            "[A-z] a", "[A-z] Z",      "[A-z] [",   "[/-^] q",   "[/-^] Q", "[/-^] /",
            "[/-^] ^", "[!A-_] `",     "[!A-_] {",  "[a-c] B",   "[ā-ṃ] Ā", "[ā-ṃ] Ṃ",
            "[ā-ṃ] ḍ", "[K] k",        "[K] \u212A"};  // Kelvin sign
        const QStringList misses = {
            "ka* k",    "ka* aka",  "k?a ka",   "a#b axb", "a*b*c aXXbYY", "5_* 5x",  "[abc]x dx",
            "[!a-c] b", "a* ā",     "ā* a",     "[A-_] `", "[A-_] @",      "[A-_] {", "[Y-[] x",
            "[Y-[] \\", "[0-Z] _",  "[0-Z] [",  "[0-Z] /", "[A-z] {",      "[A-z] @", "[/-^] _",
            "[/-^] .",  "[!A-_] a", "[!A-_] _", "[a-c] d", "[ā-ṃ] a",      "[K] x"};
        for (const auto& [cases, match] : {std::pair{&matches, true}, {&misses, false}})
            for (const QString& c : *cases)
                QVERIFY2(Like(c.section(' ', 0, 0), c.section(' ', 1)) == match, qPrintable(c));
        // An unclosed set and a descending range are errors.
        LikePattern p;
        std::string error;
        for (const char* bad : {"[abc", "[a-Z]", "[z-a]", "[_-A]", "x[b-a]*"})
            QVERIFY2(!LikePattern::Compile(bad, p, error) && !error.empty(), bad);
        // Malformed UTF-8 is matched as replacement characters, not rejected.
        QVERIFY(LikePattern::Compile("\xff\xfe*", p, error) && p.Matches("\xff\xfe"
                                                                         "abc"));
    }

    void longInputsStayFast() {  // no exponential backtracking
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!Like(QStringLiteral("a*").repeated(5000) + 'b', QString(10000, 'a')));
        QVERIFY(Like(QString(10000, 'x') + '*', QString(10000, 'X')));
        QVERIFY2(timer.elapsed() < 5000, "pattern matching took too long");
    }

    void collationOrder() {
        // Case-insensitive, case deciding only a tie; accents count; distinct strings never
        // compare equal, not even ones ICU equates.
        TextCollator c;
        for (auto [a, b] : {std::pair{"a", "B"},
                            {"Ka", "kb"},
                            {"a", "ā"},
                            {"ā", "b"},
                            {"Ka", "ka"},
                            {"a", "a\x01"}})
            QVERIFY2(c.Compare(a, b) < 0 && c.Compare(b, a) > 0, a);
        QCOMPARE(c.Compare("ṣa", "ṣa"), 0);
    }
};

QTEST_GUILESS_MAIN(TextRulesTest)
#include "test_textrules.moc"
