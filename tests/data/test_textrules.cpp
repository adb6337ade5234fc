// The `like` matcher, the collation and the character splitting on their own.
#include "data/Characters.h"
#include "data/TextRules.h"
#include "support/Glyphs.h"

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
        // "pattern value": cases that match, then cases that do not. A
        // character is one code point, also outside the BMP; SQL's own
        // wildcards are ordinary characters; letters fold case, also beyond
        // ASCII, and accents count.
        const QStringList matches = {
            "ka* ka",        "ka* kaṃ",      "* ",        "k?a kra",   "a#b a7b", "*ṃ oṃ",
            "a*b*c aXXbYYc", "? \U0001158E", "50%* 50%x", "[abc]x bx", "[a-c] b", "[!a-c] d",
            "[*] *",         "[?]* ?x",      "a[]b ab",   "[a-] -",    "x] x]",   "KA* kaṃ",
            "ka* KA",        "Ā* ā",         "ṢA ṣa",     "[A-C] b"};
        const QStringList misses = {"ka* k",        "ka* aka", "k?a ka",    "a#b axb",
                                    "a*b*c aXXbYY", "5_* 5x",  "[abc]x dx", "[!a-c] b",
                                    "[*] x",        "a* ā",    "ā* a"};
        for (const auto& [cases, match] : {std::pair{&matches, true}, {&misses, false}})
            for (const QString& c : *cases)
                QVERIFY2(Like(c.section(' ', 0, 0), c.section(' ', 1)) == match, qPrintable(c));
    }

    void invalidPatternsAreErrors() {
        LikePattern p;
        std::string error;
        QVERIFY(!LikePattern::Compile("[abc", p, error) && !error.empty());
        QVERIFY(!LikePattern::Compile("[z-a]", p, error));
        // Malformed UTF-8 is matched as replacement characters, not rejected.
        QVERIFY(LikePattern::Compile("\xff\xfe*", p, error) &&
                p.Matches(std::string("\xff\xfe") + "abc"));
    }

    void longInputsStayFast() {
        // Many stars against a long value that almost matches: the matcher
        // must not backtrack exponentially.
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!Like(QStringLiteral("a*").repeated(5000) + 'b', QString(10000, 'a')));
        QVERIFY(Like(QString(10000, 'x') + '*', QString(10000, 'X')));
        QVERIFY2(timer.elapsed() < 5000, "pattern matching took too long");
    }

    void collationOrder() {
        TextCollator c;
        // Case-insensitive order, with case deciding only a tie; accents count.
        for (auto [a, b] :
             {std::pair{"a", "B"}, {"ka", "kha"}, {"Ka", "kb"}, {"a", "ā"}, {"ā", "b"}})
            QVERIFY2(c.Compare(a, b) < 0 && c.Compare(b, a) > 0, a);
        QVERIFY(c.Compare("Ka", "ka") != 0);
        QCOMPARE(c.Compare("ṣa", "ṣa"), 0);
        // Distinct strings never compare equal, even ones the collator
        // ignores differences in.
        QVERIFY(c.Compare("a\x01", "a") != 0);
    }

    void charactersAreGraphemeClusters() {
        using namespace orv::test::glyphs;
        QCOMPARE(SplitCharacters(kKi + kKa), QStringList({kKi, kKa}));
        // A conjunct splits after the virama.
        QCOMPARE(SplitCharacters(kKssa), QStringList({kKa + kVirama, kSsa}));
        QCOMPARE(SplitCharacters("a\nb"), QStringList({"a", "\n", "b"}));
        QVERIFY(SplitCharacters(QString()).isEmpty());
        // A lone surrogate is a character of its own, not a crash.
        QCOMPARE(SplitCharacters(QChar(0xD800) + QString("x")).size(), 2);
    }
};

QTEST_GUILESS_MAIN(TextRulesTest)
#include "test_textrules.moc"
