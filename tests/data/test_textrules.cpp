// The `like` matcher and the collation on their own.
#include "data/Characters.h"
#include "data/TextRules.h"

#include <QElapsedTimer>
#include <QTest>

using orv::data::LikePattern;
using orv::data::TextCollator;

namespace {
bool Like(const char* pattern, const QString& value) {
    LikePattern p;
    std::string error;
    if (!LikePattern::Compile(pattern, p, error)) return false;
    return p.Matches(value.toStdString());
}
bool Like(const QString& pattern, const QString& value) {
    return Like(pattern.toUtf8().constData(), value);
}
}  // namespace

class TextRulesTest : public QObject {
    Q_OBJECT
  private slots:
    void wildcards() {
        QVERIFY(Like("ka*", "ka"));
        QVERIFY(Like("ka*", "kaṃ"));
        QVERIFY(!Like("ka*", "k"));
        QVERIFY(!Like("ka*", "aka"));
        QVERIFY(Like("*", ""));
        QVERIFY(Like("k?a", "kra"));
        QVERIFY(!Like("k?a", "ka"));
        QVERIFY(Like("a#b", "a7b"));
        QVERIFY(!Like("a#b", "axb"));
        QVERIFY(Like("*ṃ", "oṃ"));
        QVERIFY(Like("a*b*c", "aXXbYYc"));
        QVERIFY(!Like("a*b*c", "aXXbYY"));
        // One character is one code point, even outside the BMP.
        QVERIFY(Like("?", QString::fromUtf8("\xF0\x91\x96\x8E")));
        // SQL's own wildcards are ordinary characters here.
        QVERIFY(Like("50%*", "50% off"));
        QVERIFY(!Like("5_*", "5x"));
    }

    void sets() {
        QVERIFY(Like("[abc]x", "bx"));
        QVERIFY(!Like("[abc]x", "dx"));
        QVERIFY(Like("[a-c]", "b"));
        QVERIFY(Like("[!a-c]", "d"));
        QVERIFY(!Like("[!a-c]", "b"));
        QVERIFY(Like("[*]", "*"));
        QVERIFY(!Like("[*]", "x"));
        QVERIFY(Like("[?]*", "?x"));
        QVERIFY(Like("a[]b", "ab"));
        QVERIFY(Like("[a-]", "-"));
        QVERIFY(Like("x]", "x]"));
    }

    void caseFoldingButAccentsCount() {
        QVERIFY(Like("KA*", "kaṃ"));
        QVERIFY(Like("ka*", "KA"));
        QVERIFY(Like(QStringLiteral("Ā*"), QStringLiteral("ā")));
        QVERIFY(Like(QStringLiteral("ṢA"), QStringLiteral("ṣa")));
        QVERIFY(!Like("a*", QStringLiteral("ā")));
        QVERIFY(!Like(QStringLiteral("ā*"), QStringLiteral("a")));
        QVERIFY(Like("[A-C]", "b"));
    }

    void invalidPatternsAreErrors() {
        LikePattern p;
        std::string error;
        QVERIFY(!LikePattern::Compile("[abc", p, error));
        QVERIFY(!error.empty());
        QVERIFY(!LikePattern::Compile("[z-a]", p, error));
        // Malformed UTF-8 is matched as replacement characters, not rejected.
        QVERIFY(LikePattern::Compile(std::string("\xff\xfe*"), p, error));
        QVERIFY(
            p.Matches(std::string("\xff\xfe"
                                  "abc")));
    }

    void longInputsStayFast() {
        // Many stars against a long value that almost matches: the matcher
        // must not backtrack exponentially.
        QString pattern;
        for (int i = 0; i < 5000; ++i) pattern += QStringLiteral("a*");
        pattern += QLatin1Char('b');
        const QString value(10000, QLatin1Char('a'));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!Like(pattern, value));
        QVERIFY(Like(QString(10000, QLatin1Char('x')) + QLatin1Char('*'),
                     QString(10000, QLatin1Char('X'))));
        QVERIFY2(timer.elapsed() < 5000, "pattern matching took too long");
    }

    void collationOrder() {
        TextCollator c;
        auto less = [&c](const char* a, const char* b) { return c.Compare(a, b) < 0; };
        QVERIFY(less("a", "B"));
        QVERIFY(less("ka", "kha"));
        // Case-insensitive order, with case deciding only a tie.
        QVERIFY(less("Ka", "kb"));
        QVERIFY(c.Compare("Ka", "ka") != 0);
        // Accents count: a < ā < b.
        QVERIFY(less("a", "ā"));
        QVERIFY(less("ā", "b"));
        QCOMPARE(c.Compare("ṣa", "ṣa"), 0);
        // Distinct strings never compare equal, even ones the collator
        // ignores differences in.
        QVERIFY(c.Compare("a\x01", "a") != 0);
        QVERIFY(c.Compare("x", "y") == -c.Compare("y", "x"));
    }

    void charactersAreGraphemeClusters() {
        const QString ka = QString::fromUcs4(U"\U0001158E");
        const QString kiSign = QString::fromUcs4(U"\U0001158E\U000115B0");
        const QString kVirama = QString::fromUcs4(U"\U0001158E\U000115BF");
        const QString ssa = QString::fromUcs4(U"\U000115AC");
        QCOMPARE(orv::data::SplitCharacters(kiSign + ka), QStringList({kiSign, ka}));
        // A conjunct splits after the virama.
        QCOMPARE(orv::data::SplitCharacters(kVirama + ssa), QStringList({kVirama, ssa}));
        QCOMPARE(orv::data::SplitCharacters(QStringLiteral("a\nb")),
                 QStringList({QStringLiteral("a"), QStringLiteral("\n"), QStringLiteral("b")}));
        QVERIFY(orv::data::SplitCharacters(QString()).isEmpty());
        // A lone surrogate is a character of its own, not a crash.
        const QString lone(QChar(0xD800));
        QCOMPARE(orv::data::SplitCharacters(lone + QLatin1Char('x')).size(), 2);
    }
};

QTEST_GUILESS_MAIN(TextRulesTest)
#include "test_textrules.moc"
