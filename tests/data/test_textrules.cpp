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
        // "pattern value" pairs that match, then ones that do not: a character is one code point
        // (past the BMP too); SQL's wildcards are plain; case folds beyond ASCII; accents count; a
        // range holds a value character when a character of its folding is in it (the fuzz_like
        // model checks ranges across case further).
        const QString matches =
            "ka* ka,ka* kaṃ,* ,k?a kra,a#b a7b,a*b*c aXXbYYc,*ṃ oṃ,? \U0001158E,50%* 50%x,"
            "[abc]x bx,[a-c] b,[!a-c] d,[*] *,a[]b ab,[a-] -,x] x],KA* kaṃ,ka* KA,Ā* ā,ṢA ṣa,"
            "[A-_] a,[a-c] B,[ā-ṃ] Ā,[ā-ṃ] ḍ,[K] k,[K] \u212A";  // Kelvin sign
        const QString misses =
            "ka* k,ka* aka,k?a ka,a#b axb,a*b*c aXXbYY,5_* 5x,[abc]x dx,[!a-c] b,a* ā,ā* a,[A-_] `,"
            "[!A-_] a,[a-c] d,[ā-ṃ] a,[K] x";
        for (const auto& [cases, match] : {std::pair{&matches, true}, {&misses, false}})
            for (const QString& c : cases->split(','))
                QVERIFY2(Like(c.section(' ', 0, 0), c.section(' ', 1)) == match, qPrintable(c));
        // An unclosed set and a descending range are errors.
        LikePattern p;
        std::string error;
        for (const char* bad : {"[abc", "[a-Z]", "[z-a]", "[_-A]", "x[b-a]*"})
            QVERIFY2(!LikePattern::Compile(bad, p, error) && !error.empty(), bad);
        // Malformed UTF-8 is matched as replacement characters, not rejected.
        QVERIFY(LikePattern::Compile("\xff\xfe*", p, error) && p.Matches("\xff\xfe!"));
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
