// The built-in reference database as the build makes it from db/data: whole
// tables checked against each other, against the Unicode character names and
// against the fonts the program shows them in.
#include "data/Characters.h"
#include "data/Database.h"
#include "data/Queries.h"

#include <QFontInfo>
#include <QGlyphRun>
#include <QHash>
#include <QRawFont>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTextLayout>

#include <unicode/uchar.h>

#include <functional>
#include <memory>
#include <optional>

using orv::data::ConversionTable;
using orv::data::Database;
using orv::data::ScriptTable;

namespace {

using Row = QHash<QString, QString>;

QList<uint> CodePoints(const QString& s) { return s.toUcs4(); }

QString RawName(uint cp) {
    char buf[128];
    UErrorCode status = U_ZERO_ERROR;
    u_charName(static_cast<UChar32>(cp), U_UNICODE_CHAR_NAME, buf, sizeof buf, &status);
    return U_SUCCESS(status) ? QString::fromLatin1(buf) : QString();
}

// A character's Unicode name without the script's name ("SIDDHAM LETTER KA"
// and "DEVANAGARI LETTER KA" both give "LETTER KA"), with Siddham's variant
// letter forms read as the plain letter.
QString Name(uint cp) {
    static const QRegularExpression script(QStringLiteral("^(SIDDHAM|DEVANAGARI) "));
    static const QRegularExpression variant(
        QStringLiteral("(THREE-CIRCLE |TWO-CIRCLE )?ALTERNATE "));
    return RawName(cp).remove(script).remove(variant);
}

// IAST by name: independent vowels and vowel signs by table, consonants by
// the regular spelling of their names (KHA -> kh, TTHA -> ṭh, SSA -> ṣ).
std::optional<QString> VowelSound(const QString& name) {
    static const QHash<QString, QString> vowels = {
        {"A", "a"},         {"AA", "ā"},         {"I", "i"},         {"II", "ī"},
        {"U", "u"},         {"UU", "ū"},         {"VOCALIC R", "ṛ"}, {"VOCALIC RR", "ṝ"},
        {"VOCALIC L", "ḷ"}, {"VOCALIC LL", "ḹ"}, {"E", "e"},         {"AI", "ai"},
        {"O", "o"},         {"AU", "au"}};
    const auto it = vowels.find(name);
    return it == vowels.end() ? std::nullopt : std::optional<QString>(*it);
}

QString ConsonantSound(QString name) {
    static const std::pair<const char*, const char*> kSpellings[] = {
        {"ng", "ṅ"}, {"ny", "ñ"}, {"tth", "ṭh"}, {"tt", "ṭ"}, {"ddh", "ḍh"},
        {"dd", "ḍ"}, {"nn", "ṇ"}, {"sh", "ś"},   {"ss", "ṣ"}};
    name.chop(1);  // the inherent A
    name = name.toLower();
    for (const auto& [from, to] : kSpellings)
        name.replace(QString::fromUtf8(from), QString::fromUtf8(to));
    return name;
}

const QHash<QString, QString>& FinalMarks() {
    static const QHash<QString, QString> marks = {
        {"SIGN ANUSVARA", "ṃ"}, {"SIGN VISARGA", "ḥ"}, {"SIGN CANDRABINDU", "m̐"}};
    return marks;
}

// What a Siddham character must read as, from the names of its code points;
// nothing for punctuation and the virama alone, which have no sound.
std::optional<QString> ExpectedReading(const QString& cluster) {
    QString out;
    bool consonant = false;
    for (uint cp : CodePoints(cluster)) {
        const QString name = Name(cp);
        if (name.startsWith("LETTER ") && out.isEmpty()) {
            const QString letter = name.mid(7);
            consonant = !VowelSound(letter);
            out = consonant ? ConsonantSound(letter) + "a" : *VowelSound(letter);
        } else if (name.startsWith("VOWEL SIGN ") && (out.isEmpty() || consonant)) {
            if (consonant) out.chop(1);
            out += VowelSound(name.mid(11)).value_or("?");
            consonant = false;
        } else if (name == "SIGN VIRAMA" && consonant) {
            out.chop(1);
            consonant = false;
        } else if (FinalMarks().contains(name)) {
            out += FinalMarks()[name];
            consonant = false;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

QString Char(uint cp) {
    const char32_t c = cp;
    return QString::fromUcs4(&c, 1);
}

// The Siddham block by role, from the character names.
struct Block {
    QStringList vowels, consonants, signs, standardSigns, finals, lone;  // lone: written alone
    QString virama = Char(0x115BF);
    Block() {
        for (uint cp = 0x11580; cp <= 0x115DD; ++cp) {
            const QString name = Name(cp), c = Char(cp);
            if (name.startsWith("LETTER ")) (VowelSound(name.mid(7)) ? vowels : consonants) << c;
            if (name.startsWith("VOWEL SIGN ")) {
                signs << c, lone << c;
                if (!RawName(cp).contains("ALTERNATE")) standardSigns << c;
            }
            if (FinalMarks().contains(name)) finals << c, lone << c;
            if (name == "SIGN VIRAMA" || QChar::category(cp) == QChar::Punctuation_Other) lone << c;
        }
    }
};

const Block& Siddham() {
    static const Block block;
    return block;
}

QString NoSpaces(QString s) { return s.remove(' '); }

// The IAST that transliteration keys may use: the letters, digits, and the
// marks | . , that the punctuation of Siddham is written with.
const QRegularExpression& ImeCharset() {
    static const QRegularExpression re(
        QString::fromUtf8("^(?:[aāiīuūṛṝḷḹeoṃḥkgṅcjñṭḍṇtdnpbmyrlvśṣsh0-9|.,]|m\u0310)+$"));
    return re;
}

}  // namespace

class ReferenceDataTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Database> db_;
    QHash<QString, QList<Row>> tables_;
    QHash<int, QHash<QString, QStringList>> conversions_;
    QHash<QString, QString> keys_;

    QList<Row> Rows(const QString& sql) {
        QList<Row> out;
        auto rs = db_->OpenRecordset({sql, {}});
        if (!rs) return out;
        const QStringList columns = {"ime",   "chars", "input",  "display", "siddham",
                                     "trans", "deva",  "lantsa", "scripts", "meanings",
                                     "about", "id",    "glyph"};
        for (bool ok = rs->MoveFirst(); ok && !rs->Eof(); rs->MoveNext()) {
            Row row;
            for (const QString& c : columns)
                if (auto v = rs->Field(c)) row.insert(c, *v);
            out << row;
        }
        return out;
    }

    // Every row the converter's query gives for one character, in order.
    const QStringList& Readings(ConversionTable table, const QString& character) {
        auto& cache = conversions_[static_cast<int>(table)];
        auto it = cache.find(character);
        if (it != cache.end()) return *it;
        QStringList values;
        if (auto rs = db_->OpenRecordset(orv::data::ConversionBySiddham(table, character)))
            for (bool ok = rs->MoveFirst(); ok && !rs->Eof(); rs->MoveNext())
                values << rs->Text(orv::data::ValueColumn(table));
        return *cache.insert(character, values);
    }

    // Text converted one character at a time through the first row of each;
    // a character without a row stays as it is, as in the converter.
    QString Convert(ConversionTable table, const QString& text) {
        QString out;
        for (const QString& c : orv::data::SplitCharacters(text)) {
            const QStringList& values = Readings(table, c);
            out += values.isEmpty() ? c : values.first();
        }
        return out;
    }

    // The keyboard map's display for a key (last row wins), or empty.
    QString KeyDisplay(const QString& key) {
        auto it = keys_.find(key);
        if (it != keys_.end()) return *it;
        QString display;
        if (auto rs = db_->OpenRecordset(orv::data::KeyboardByInput(key)))
            for (bool ok = rs->MoveFirst(); ok && !rs->Eof(); rs->MoveNext())
                display = rs->Text("display");
        return *keys_.insert(key, display);
    }

    // Replaces the last two characters (blanks trimmed) while they are a key;
    // returns the number of replacements, or -1 past `limit`.
    int ApplyKeyMap(QString& text, int limit) {
        for (int steps = 0; steps <= limit; ++steps) {
            if (text.size() < 2) return steps;
            const QString display = KeyDisplay(text.right(2).trimmed());
            if (display.isEmpty()) return steps;
            text = text.left(text.size() - 2) + display;
        }
        return -1;
    }

    // Types `target` on an ASCII keyboard through the map and returns what
    // the box then holds. Characters outside ASCII are typed as the input of
    // a key that displays them.
    QString TypeThroughMap(const QString& target) {
        QString text;
        std::function<void(const QString&)> type = [&](const QString& s) {
            for (qsizetype i = 0; i < s.size();) {
                QString key;
                for (const Row& r : tables_["tbl_keyboard"])
                    if (s.mid(i).startsWith(r["display"]) && r["display"].size() > key.size())
                        key = r["display"];
                if (s[i].unicode() < 0x80 || key.isEmpty()) {
                    text += s[i++];
                    ApplyKeyMap(text, 8);
                    continue;
                }
                for (const Row& r : tables_["tbl_keyboard"])
                    if (r["display"] == key) {
                        type(r["input"]);
                        break;
                    }
                i += key.size();
            }
        };
        type(target);
        return text;
    }

  private slots:
    void initTestCase() {
        const QString path = qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin/orvbase.mdb";
        QString error;
        db_ = Database::Open(path, QLatin1String(orv::data::kDatabasePassphrase),
                             Database::Mode::ReadOnly, &error);
        QVERIFY2(db_, qPrintable(path + ": " + error));
        for (const char* t : {"tbl_siddham", "tbl_lantsa", "tbl_keyboard", "tbl_siddham_trans",
                              "tbl_siddham_deva", "tbl_siddham_lantsa", "tbl_dictionary"})
            tables_[t] = Rows(QStringLiteral("select * from %1 order by rowid").arg(t));
        tables_["tbl_glyph"] = Rows("select * from tbl_glyph order by id");
    }

    void textIsNfcTrimmedAndWithoutDuplicates() {
        for (auto t = tables_.cbegin(); t != tables_.cend(); ++t) {
            for (const Row& row : *t)
                for (auto f = row.cbegin(); f != row.cend(); ++f) {
                    const QString where = t.key() + "." + f.key() + " " + f.value();
                    QVERIFY2(f.value().normalized(QString::NormalizationForm_C) == f.value(),
                             qPrintable(where));
                    QVERIFY2(f.value().trimmed() == f.value(), qPrintable(where));
                }
        }
        for (const char* t : {"tbl_siddham", "tbl_lantsa"}) {
            QSet<QString> pairs;
            for (const Row& row : tables_[t]) {
                QVERIFY2(ImeCharset().match(row["ime"]).hasMatch(), qPrintable(row["ime"]));
                QVERIFY2(!row["chars"].isEmpty(), qPrintable(row["ime"]));
                const QString pair = row["ime"] + '\t' + row["chars"];
                QVERIFY2(!pairs.contains(pair), qPrintable(t + (": twice " + pair)));
                pairs << pair;
            }
        }
    }

    void scriptTablesAreComplete() {
        const QList<Row>& rows = tables_["tbl_siddham"];
        QVERIFY(rows.size() >= 3000);
        QSet<QString> chars, imes;
        for (const Row& r : rows) chars << r["chars"], imes << r["ime"];

        const Block& b = Siddham();
        QCOMPARE(b.consonants.size(), 33);
        QCOMPARE(b.standardSigns.size(), 11);
        for (const QString& v : b.vowels) QVERIFY2(chars.contains(v), qPrintable(v));
        for (const QString& m : b.lone)  // every mark alone, vowel signs aside
            QVERIFY2(chars.contains(m) || b.signs.contains(m), qPrintable(m));
        for (const QString& c : b.consonants) {
            QVERIFY(chars.contains(c) && chars.contains(c + b.virama));
            for (const QString& s : b.standardSigns)
                QVERIFY2(chars.contains(c + s), qPrintable(c + s));
        }
        // Conjunct clusters that appear with the inherent a and every sign.
        QSet<QString> clusters;
        for (const QString& c : chars) {
            if (!c.contains(b.virama) || !b.consonants.contains(c.right(2))) continue;
            bool all = true;
            for (const QString& s : b.standardSigns) all = all && chars.contains(c + s);
            if (all) clusters << c;
        }
        QVERIFY2(clusters.size() >= 250, qPrintable(QString::number(clusters.size())));
        for (const char* seed : {"oṃ", "hūṃ", "hrīḥ", "trāṃ", "āḥ", "vaṃ", "hāṃ"})
            QVERIFY2(imes.contains(QString::fromUtf8(seed)), seed);
    }

    void prefixesStayWithinTheCandidateLimit() {
        // A longer prefix matches a subset of what a shorter one matches, so
        // the one-letter prefixes are the largest lists a user can get.
        for (ScriptTable table : {ScriptTable::Siddham, ScriptTable::Lantsa}) {
            QSet<QString> firsts;
            for (char c = 'a'; c <= 'z'; ++c) firsts << QString(QChar(c));
            for (const Row& r : tables_[orv::data::TableName(table)]) firsts << r["ime"].left(1);
            for (const QString& f : std::as_const(firsts)) {
                for (const QString& prefix : {f, f.toUpper()}) {
                    auto rs = db_->OpenRecordset(orv::data::ScriptByImePrefix(table, prefix));
                    QVERIFY(rs);
                    QVERIFY2(rs->RecordCount() <= 1000,
                             qPrintable(prefix + ": " + QString::number(rs->RecordCount())));
                }
            }
        }
    }

    void converterKeysAreWholeCharactersAndCoverEverySyllable() {
        QSet<QString> keys[3];
        const ConversionTable tables[] = {ConversionTable::Trans, ConversionTable::Deva,
                                          ConversionTable::Lantsa};
        for (int t = 0; t < 3; ++t)
            for (const Row& r : tables_[orv::data::TableName(tables[t])]) {
                const QString key = r["siddham"];
                QVERIFY2(orv::data::SplitCharacters(key) == QStringList{key}, qPrintable(key));
                QVERIFY2(!r[orv::data::ValueColumn(tables[t])].isEmpty(), qPrintable(key));
                keys[t] << key;
            }
        QCOMPARE(keys[1], keys[0]);
        QCOMPARE(keys[2], keys[0]);
        for (const QString& k : std::as_const(keys[0])) {
            const QStringList& readings = Readings(ConversionTable::Trans, k);
            QVERIFY2(QSet<QString>(readings.begin(), readings.end()).size() == readings.size(),
                     qPrintable(k));
        }

        // Every shape of a syllable, built from the Unicode block itself.
        const Block& b = Siddham();
        QStringList expected = b.lone;
        for (const QString& f : QStringList{""} + b.finals) {
            for (const QString& v : b.vowels) expected << v + f;
            for (const QString& c : b.consonants) {
                expected << c + f;
                for (const QString& s : b.signs) expected << c + s + f;
            }
        }
        for (const QString& c : b.consonants) expected << c + b.virama;
        for (const QString& e : expected) QVERIFY2(keys[0].contains(e), qPrintable(e));
    }

    void converterReadingsAgreeWithUnicodeNames() {
        for (const Row& r : tables_["tbl_siddham_trans"]) {
            const QString key = r["siddham"];
            const QStringList& readings = Readings(ConversionTable::Trans, key);
            QVERIFY2(ImeCharset().match(readings.first()).hasMatch(), qPrintable(key));
            if (const auto expected = ExpectedReading(key))
                QVERIFY2(readings.first() == *expected,
                         qPrintable(key + ": " + readings.first() + " != " + *expected));
            if (QChar::category(CodePoints(key).value(0)) == QChar::Punctuation_Other) continue;
            for (ConversionTable t : {ConversionTable::Deva, ConversionTable::Lantsa}) {
                const QString devanagari = Readings(t, key).value(0);
                QStringList want, got;
                for (uint cp : CodePoints(key)) want << Name(cp);
                for (uint cp : CodePoints(devanagari)) {
                    QVERIFY2(cp >= 0x0900 && cp <= 0x097F, qPrintable(key));
                    got << Name(cp);
                }
                QVERIFY2(got == want, qPrintable(key + ": " + got.join(", ")));
            }
        }
    }

    void syllablesConvertToTheirTransliterationAndLantsa() {
        // The Lantsa table holds exactly the Siddham table's syllables in
        // Devanagari (fewer rows: Siddham's variant letter forms coincide).
        QSet<QString> lantsa, converted;
        for (const Row& r : tables_["tbl_lantsa"]) lantsa << r["ime"] + '\t' + r["chars"];
        for (const Row& r : tables_["tbl_siddham"]) {
            const QString chars = r["chars"], ime = r["ime"];
            QCOMPARE(Convert(ConversionTable::Trans, chars), ime);
            const QString deva = Convert(ConversionTable::Deva, chars);
            QVERIFY2(lantsa.contains(ime + '\t' + deva), qPrintable(ime + " " + deva));
            QCOMPARE(Convert(ConversionTable::Lantsa, chars), deva);
            converted << ime + '\t' + deva;
        }
        QCOMPARE(lantsa, converted);
    }

    void dictionaryEntriesConvertAndAreFoundOnce() {
        const QList<Row>& rows = tables_["tbl_dictionary"];
        QVERIFY(rows.size() >= 400);
        int about = 0;
        QSet<QString> trans, scripts;
        for (const Row& r : rows) {
            about += r["about"].isEmpty() ? 0 : 1;
            QVERIFY2(!r["scripts"].isEmpty() && !r["meanings"].isEmpty(), qPrintable(r["trans"]));
            QCOMPARE(Convert(ConversionTable::Trans, r["scripts"]), r["trans"]);
            QVERIFY2(ImeCharset().match(NoSpaces(r["trans"])).hasMatch(), qPrintable(r["trans"]));
            // The meaning window shows the first row for a word: a second row
            // with the same word could never be seen.
            QVERIFY2(!trans.contains(r["trans"]), qPrintable(r["trans"]));
            QVERIFY2(!scripts.contains(r["scripts"]), qPrintable(r["trans"]));
            trans << r["trans"], scripts << r["scripts"];
        }
        QCOMPARE(about, 1);
        auto rs = db_->OpenRecordset(orv::data::DictionaryAbout());
        QVERIFY(rs && rs->RecordCount() == 1);
    }

    void keyboardMapChainsEndAndReachesEveryTransliteration() {
        QSet<QString> inputs;
        QSet<QChar> before{QChar(' ')};
        for (char c = 0x21; c < 0x7F; ++c) before << QChar(c);
        for (const Row& r : tables_["tbl_keyboard"]) {
            const QString input = r["input"];
            QVERIFY2(!input.isEmpty() && input.size() <= 2 && input.trimmed() == input,
                     qPrintable(input));
            QVERIFY2(!r["display"].isEmpty(), qPrintable(input));
            QVERIFY2(!inputs.contains(input), qPrintable(input));  // a later row would hide it
            inputs << input;
            for (QChar c : input + r["display"]) before << c;
        }
        for (const QString& input : std::as_const(inputs))
            for (QChar c : std::as_const(before)) {
                QString text = QString(c) + input;
                QVERIFY2(ApplyKeyMap(text, 4) >= 0, qPrintable(QString(c) + input));
            }
        for (const Row& r : tables_["tbl_siddham"]) QCOMPARE(TypeThroughMap(r["ime"]), r["ime"]);
        for (const Row& r : tables_["tbl_dictionary"])
            QCOMPARE(TypeThroughMap(r["trans"]), r["trans"]);
    }

    void glyphGridListsTheBlockThenSyllables() {
        const QList<Row>& rows = tables_["tbl_glyph"];
        QVERIFY(rows.size() > 110);
        QStringList glyphs;
        for (const Row& r : rows) glyphs << r["glyph"];
        QCOMPARE(QSet<QString>(glyphs.begin(), glyphs.end()).size(), glyphs.size());
        int at = 0;
        for (uint cp = 0x11580; cp <= 0x115DD; ++cp)
            if (QChar::category(cp) != QChar::Other_NotAssigned)
                QCOMPARE(glyphs.value(at++), Char(cp));
        for (; at < glyphs.size(); ++at)
            QVERIFY2(Convert(ConversionTable::Trans, glyphs[at]) != glyphs[at],
                     qPrintable(glyphs[at]));
    }

    void everyStringShapesWithoutMissingGlyphs() {
        // Siddham in Noto Sans Siddham, Devanagari (the Lantsa and Devanagari
        // columns) in Noto Sans Devanagari, with no fallback to other fonts.
        // A missing glyph is glyph 0; a dotted circle means the shaper found
        // a broken syllable, which only a mark written alone may show.
        QHash<QString, bool> siddham, devanagari;  // text -> may show a dotted circle
        auto add = [](QHash<QString, bool>& to, const QString& s) {
            to.insert(s, !QChar::isLetter(CodePoints(s).value(0)));
        };
        for (const Row& r : tables_["tbl_siddham"]) add(siddham, r["chars"]);
        for (const Row& r : tables_["tbl_siddham_trans"]) add(siddham, r["siddham"]);
        for (const Row& r : tables_["tbl_dictionary"]) add(siddham, r["scripts"]);
        for (const Row& r : tables_["tbl_glyph"]) add(siddham, r["glyph"]);
        for (const Row& r : tables_["tbl_lantsa"]) add(devanagari, r["chars"]);
        for (const Row& r : tables_["tbl_siddham_deva"]) add(devanagari, r["deva"]);
        for (const Row& r : tables_["tbl_siddham_lantsa"]) add(devanagari, r["lantsa"]);
        for (auto it = devanagari.begin(); it != devanagari.end();) {  // kept Siddham marks
            if (CodePoints(it.key()).value(0) >= 0x11580) {
                siddham.insert(it.key(), true);
                it = devanagari.erase(it);
            } else {
                ++it;
            }
        }
        for (const auto& [family, texts] : {std::pair{"Noto Sans Siddham", &siddham},
                                            std::pair{"Noto Sans Devanagari", &devanagari}}) {
            QFont font(family, 20);
            font.setStyleStrategy(QFont::NoFontMerging);
            QVERIFY2(QFontInfo(font).family() == family, family);
            QRawFont raw = QRawFont::fromFont(font);
            const quint32 dottedCircle = raw.glyphIndexesForString(QString(QChar(0x25CC))).value(0);
            QVERIFY(dottedCircle != 0);
            for (auto it = texts->cbegin(); it != texts->cend(); ++it) {
                QTextLayout layout(it.key(), font);
                layout.beginLayout();
                layout.createLine();
                layout.endLayout();
                for (const QGlyphRun& run : layout.glyphRuns()) {
                    QVERIFY2(!run.rawFont().fontTable("cmap").isEmpty(), qPrintable(it.key()));
                    QCOMPARE(run.rawFont().familyName(), QString::fromLatin1(family));
                    for (quint32 g : run.glyphIndexes()) {
                        QVERIFY2(g != 0, qPrintable(it.key()));
                        QVERIFY2(g != dottedCircle || it.value(), qPrintable(it.key()));
                    }
                }
            }
        }
    }
};

QTEST_MAIN(ReferenceDataTest)
#include "test_reference_data.moc"
