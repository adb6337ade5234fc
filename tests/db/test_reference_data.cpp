// The built-in reference database as the build makes it from db/data: whole
// tables checked against each other, against the Unicode character names and
// against the fonts the program shows them in.
#include "data/Characters.h"
#include "data/Database.h"
#include "data/Queries.h"
#include "support/TestDatabase.h"

#include <QFontInfo>
#include <QGlyphRun>
#include <QRawFont>
#include <QRegularExpression>
#include <QTest>
#include <QTextLayout>

#include <unicode/uchar.h>

#include <functional>

using namespace orv::data;

namespace {

using Row = QHash<QString, QString>;

QString Char(char32_t c) { return QString::fromUcs4(&c, 1); }

// A character's Unicode name; `plain`, without the script's name ("SIDDHAM
// LETTER KA" and "DEVANAGARI LETTER KA" both give "LETTER KA") and with
// Siddham's variant letter forms read as the plain letter.
QString Name(uint cp, bool plain = true) {
    static const QRegularExpression noise(
        "^(SIDDHAM|DEVANAGARI) |(THREE-CIRCLE |TWO-CIRCLE )?ALTERNATE ");
    char buf[128];
    UErrorCode status = U_ZERO_ERROR;
    u_charName(static_cast<UChar32>(cp), U_UNICODE_CHAR_NAME, buf, sizeof buf, &status);
    const QString name = U_SUCCESS(status) ? QString::fromLatin1(buf) : QString();
    return plain ? QString(name).remove(noise) : name;
}

// IAST by name: vowels and vowel signs by table, consonants by the regular
// spelling of their names (KHA -> kha, TTHA -> ṭha, SSA -> ṣa).
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
    static const QStringList spellings = {"ng", "ṅ",  "ny", "ñ",  "tth", "ṭh", "tt", "ṭ",  "ddh",
                                          "ḍh", "dd", "ḍ",  "nn", "ṇ",   "sh", "ś",  "ss", "ṣ"};
    name = name.toLower();
    for (qsizetype i = 0; i < spellings.size(); i += 2)
        name.replace(spellings[i], spellings[i + 1]);
    return name;
}
const QHash<QString, QString> kFinals = {
    {"SIGN ANUSVARA", "ṃ"}, {"SIGN VISARGA", "ḥ"}, {"SIGN CANDRABINDU", "m̐"}};

// What a Siddham character must read as, from the names of its code points;
// nothing for punctuation and the virama alone, which have no sound.
std::optional<QString> ExpectedReading(const QString& cluster) {
    QString out;
    bool consonant = false;  // `out` ends in a consonant's inherent a
    for (uint cp : cluster.toUcs4()) {
        const QString name = Name(cp);
        if (name.startsWith("LETTER ") && out.isEmpty()) {
            const auto vowel = VowelSound(name.mid(7));
            consonant = !vowel;
            out = vowel.value_or(ConsonantSound(name.mid(7)));
            continue;
        }
        if (name.startsWith("VOWEL SIGN ") && (out.isEmpty() || consonant))
            out = out.chopped(consonant ? 1 : 0) + VowelSound(name.mid(11)).value_or("?");
        else if (name == "SIGN VIRAMA" && consonant)
            out.chop(1);
        else if (kFinals.contains(name))
            out += kFinals[name];
        else
            return std::nullopt;
        consonant = false;
    }
    return out;
}

// The Siddham block by role, from the character names.
struct Block {
    QStringList vowels, consonants, signs, standardSigns, finals, lone;  // lone: written alone
    const QString virama = Char(0x115BF);
    Block() {
        for (uint cp = 0x11580; cp <= 0x115DD; ++cp) {
            const QString name = Name(cp), c = Char(cp);
            if (name.startsWith("LETTER ")) (VowelSound(name.mid(7)) ? vowels : consonants) << c;
            if (name.startsWith("VOWEL SIGN ")) {
                signs << c, lone << c;
                if (!Name(cp, false).contains("ALTERNATE")) standardSigns << c;
            }
            if (kFinals.contains(name)) finals << c, lone << c;
            if (name == "SIGN VIRAMA" || QChar::category(cp) == QChar::Punctuation_Other) lone << c;
        }
    }
};

// The IAST that transliteration keys may use: the letters, digits, and the
// marks | . , that the punctuation of Siddham is written with.
bool InImeCharset(const QString& text) {
    static const QRegularExpression re(
        "^(?:[aāiīuūṛṝḷḹeoṃḥkgṅcjñṭḍṇtdnpbmyrlvśṣsh0-9|.,]|m\u0310)+$");
    return re.match(text).hasMatch();
}

}  // namespace

class ReferenceDataTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Database> db_;
    QHash<QString, QList<Row>> tables_;  // by name, every row in source order
    // The keyboard map both ways: input -> display (the last row wins), display
    // -> input (the first).
    QHash<QString, QString> keys_, inputs_;
    const Block b_;

    // Every row the converter's query gives for one character, in order.
    QStringList Readings(ConversionTable table, const QString& character) {
        QStringList values;
        if (auto rs = db_->OpenRecordset(ConversionBySiddham(table, character)))
            for (bool ok = rs->MoveFirst(); ok && !rs->Eof(); rs->MoveNext())
                values << rs->Text(ValueColumn(table));
        return values;
    }

    // Text converted one character at a time through the first row of each;
    // a character without a row stays as it is, as in the converter.
    QString Convert(ConversionTable table, const QString& text) {
        QString out;
        for (const QString& c : SplitCharacters(text)) out += Readings(table, c).value(0, c);
        return out;
    }

    // Replaces the last two characters (blanks trimmed) while they are an
    // input of the keyboard map; returns the number of replacements, or -1
    // past `limit`.
    int ApplyKeyMap(QString& text, int limit) {
        for (int steps = 0; steps <= limit; ++steps) {
            const QString display = keys_.value(text.right(2).trimmed());
            if (text.size() < 2 || display.isEmpty()) return steps;
            text = text.chopped(2) + display;
        }
        return -1;
    }

    // Types `target` on an ASCII keyboard through the map and returns what
    // the box then holds. A character outside ASCII is typed as the input of
    // a key that displays it.
    QString TypeThroughMap(const QString& target) {
        QString text;
        std::function<void(const QString&)> type = [&](const QString& s) {
            for (const QString& c : SplitCharacters(s)) {
                if (c[0].unicode() >= 0x80 && inputs_.contains(c)) {
                    type(inputs_[c]);
                    continue;
                }
                for (QChar unit : c) {
                    text += unit;
                    ApplyKeyMap(text, 8);
                }
            }
        };
        type(target);
        return text;
    }

  private slots:
    void initTestCase() {
        const QString path = qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin/orvbase.mdb";
        QString error;
        db_ = Database::Open(path, kDatabasePassphrase, Database::Mode::ReadOnly, &error);
        QVERIFY2(db_, qPrintable(path + ": " + error));
        for (const QString& table : db_->TableNames()) {
            auto rs = db_->OpenRecordset({"select * from " + table + " order by rowid", {}});
            for (bool ok = rs && rs->MoveFirst(); ok && !rs->Eof(); rs->MoveNext()) {
                Row row;
                for (const QString& c : orv::test::TestDatabase::DefaultColumns(table))
                    row.insert(c, rs->Text(c));
                tables_[table] << row;
            }
        }
        for (const Row& r : tables_["tbl_keyboard"]) {
            keys_[r["input"]] = r["display"];
            if (!inputs_.contains(r["display"])) inputs_[r["display"]] = r["input"];
        }
    }

    void textIsNfcTrimmedAndWithoutDuplicates() {
        for (auto t = tables_.cbegin(); t != tables_.cend(); ++t)
            for (const Row& row : *t)
                for (const QString& v : row)
                    QVERIFY2(v.normalized(QString::NormalizationForm_C) == v && v.trimmed() == v,
                             qPrintable(t.key() + ": " + v));
        for (const char* t : {"tbl_siddham", "tbl_lantsa"}) {
            QSet<QString> pairs;
            for (const Row& row : tables_[t]) {
                QVERIFY2(InImeCharset(row["ime"]) && !row["chars"].isEmpty(),
                         qPrintable(row["ime"]));
                const QString pair = row["ime"] + '\t' + row["chars"];
                QVERIFY2(!pairs.contains(pair), qPrintable(t + (": twice " + pair)));
                pairs << pair;
            }
        }
    }

    void scriptTablesAreComplete() {
        QVERIFY(tables_["tbl_siddham"].size() >= 3000);
        QSet<QString> chars, imes;
        for (const Row& r : tables_["tbl_siddham"]) chars << r["chars"], imes << r["ime"];
        QCOMPARE(b_.consonants.size(), 33);
        QCOMPARE(b_.standardSigns.size(), 11);
        for (const QString& v : b_.vowels) QVERIFY2(chars.contains(v), qPrintable(v));
        for (const QString& m : b_.lone)  // every mark alone, vowel signs aside
            QVERIFY2(chars.contains(m) || b_.signs.contains(m), qPrintable(m));
        for (const QString& c : b_.consonants) {
            QVERIFY(chars.contains(c) && chars.contains(c + b_.virama));
            for (const QString& s : b_.standardSigns)
                QVERIFY2(chars.contains(c + s), qPrintable(c + s));
        }
        // Conjunct clusters that appear with the inherent a and every sign.
        int clusters = 0;
        for (const QString& c : chars) {
            bool all = c.contains(b_.virama) && b_.consonants.contains(c.right(2));
            for (const QString& s : b_.standardSigns) all = all && chars.contains(c + s);
            clusters += all;
        }
        QVERIFY2(clusters >= 250, qPrintable(QString::number(clusters)));
        for (const char* seed : {"oṃ", "hūṃ", "hrīḥ", "trāṃ", "āḥ", "vaṃ", "hāṃ"})
            QVERIFY2(imes.contains(seed), seed);
    }

    void prefixesStayWithinTheCandidateLimit() {
        // A longer prefix matches a subset of what a shorter one matches, so
        // the one-letter prefixes are the largest lists a user can get.
        for (ScriptTable table : {ScriptTable::Siddham, ScriptTable::Lantsa}) {
            QSet<QString> firsts;
            for (const Row& r : tables_[TableName(table)])
                firsts << r["ime"].left(1) << r["ime"].left(1).toUpper();
            for (const QString& prefix : std::as_const(firsts)) {
                auto rs = db_->OpenRecordset(ScriptByImePrefix(table, prefix));
                QVERIFY2(rs && rs->RecordCount() <= 1000, qPrintable(prefix));
            }
        }
    }

    void converterTablesCoverEverySyllableAndAgreeWithUnicodeNames() {
        // Keys are whole characters, the same in all three tables; no value
        // is empty or given twice for a key.
        QSet<QString> keys[3], pairs;
        for (auto table : {ConversionTable::Trans, ConversionTable::Deva, ConversionTable::Lantsa})
            for (const Row& r : tables_[TableName(table)]) {
                const QString key = r["siddham"],
                              pair = TableName(table) + key + '\t' + r[ValueColumn(table)];
                QVERIFY2(SplitCharacters(key) == QStringList{key} &&
                             !r[ValueColumn(table)].isEmpty() && !pairs.contains(pair),
                         qPrintable(pair));
                keys[static_cast<int>(table)] << key, pairs << pair;
            }
        QCOMPARE(keys[1], keys[0]);
        QCOMPARE(keys[2], keys[0]);
        // Every shape of a syllable, built from the Unicode block itself.
        QStringList shapes = b_.lone;
        for (const QString& f : QStringList{""} + b_.finals) {
            for (const QString& v : b_.vowels) shapes << v + f;
            for (const QString& c : b_.consonants) {
                shapes << c + f;
                for (const QString& s : b_.signs) shapes << c + s + f;
            }
        }
        for (const QString& c : b_.consonants) shapes << c + b_.virama;
        for (const QString& e : shapes) QVERIFY2(keys[0].contains(e), qPrintable(e));

        // What the converter writes for each key (its first row) reads as the
        // names of the key's code points say; Devanagari and Lantsa have the
        // same names, punctuation aside.
        for (const QString& key : std::as_const(keys[0])) {
            const QString reading = Readings(ConversionTable::Trans, key).value(0);
            QVERIFY2(InImeCharset(reading), qPrintable(key));
            if (const auto expected = ExpectedReading(key))
                QVERIFY2(reading == *expected,
                         qPrintable(key + ": " + reading + " != " + *expected));
            if (QChar::category(key.toUcs4()[0]) == QChar::Punctuation_Other) continue;
            QStringList want;
            for (uint cp : key.toUcs4()) want << Name(cp);
            for (ConversionTable t : {ConversionTable::Deva, ConversionTable::Lantsa}) {
                QStringList got;
                for (uint cp : Readings(t, key).value(0).toUcs4()) {
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
            QCOMPARE(Convert(ConversionTable::Trans, r["chars"]), r["ime"]);
            const QString deva = Convert(ConversionTable::Deva, r["chars"]);
            QCOMPARE(Convert(ConversionTable::Lantsa, r["chars"]), deva);
            QVERIFY2(lantsa.contains(r["ime"] + '\t' + deva), qPrintable(r["ime"] + " " + deva));
            converted << r["ime"] + '\t' + deva;
        }
        QCOMPARE(lantsa, converted);
    }

    void dictionaryEntriesConvertAndAreFoundOnce() {
        QVERIFY(tables_["tbl_dictionary"].size() >= 400);
        int about = 0;
        QSet<QString> trans, scripts;
        for (const Row& r : tables_["tbl_dictionary"]) {
            about += !r["about"].isEmpty();
            QVERIFY2(!r["scripts"].isEmpty() && !r["meanings"].isEmpty(), qPrintable(r["trans"]));
            QCOMPARE(Convert(ConversionTable::Trans, r["scripts"]), r["trans"]);
            QVERIFY2(InImeCharset(QString(r["trans"]).remove(' ')), qPrintable(r["trans"]));
            // The meaning window shows the first row for a word: a second row
            // with the same word could never be seen.
            QVERIFY2(!trans.contains(r["trans"]) && !scripts.contains(r["scripts"]),
                     qPrintable(r["trans"]));
            trans << r["trans"], scripts << r["scripts"];
        }
        QCOMPARE(about, 1);
        auto rs = db_->OpenRecordset(DictionaryAbout());
        QVERIFY(rs && rs->RecordCount() == 1);
    }

    void keyboardMapChainsEndAndReachesEveryTransliteration() {
        QSet<QString> inputs;
        QSet<QChar> before{QChar(' ')};
        for (char c = 0x21; c < 0x7F; ++c) before << QChar(c);
        for (const Row& r : tables_["tbl_keyboard"]) {
            const QString input = r["input"];
            QVERIFY2(!input.isEmpty() && input.size() <= 2 && input.trimmed() == input &&
                         !r["display"].isEmpty() &&
                         !inputs.contains(input),  // a later row hides it
                     qPrintable(input));
            inputs << input;
            for (QChar c : input + r["display"]) before << c;
        }
        for (const QString& input : std::as_const(inputs))
            for (QChar c : std::as_const(before)) {
                QString text = c + input;
                QVERIFY2(ApplyKeyMap(text, 4) >= 0, qPrintable(c + input));
            }
        for (const Row& r : tables_["tbl_siddham"]) QCOMPARE(TypeThroughMap(r["ime"]), r["ime"]);
        for (const Row& r : tables_["tbl_dictionary"])
            QCOMPARE(TypeThroughMap(r["trans"]), r["trans"]);
    }

    void glyphGridListsTheBlockThenSyllables() {
        QStringList glyphs;
        for (const Row& r : tables_["tbl_glyph"]) glyphs << r["glyph"];
        QVERIFY(glyphs.size() > 110);
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
        // columns, less the Siddham marks they keep) in Noto Sans Devanagari,
        // with no fallback to other fonts. A missing glyph is glyph 0; a
        // dotted circle means the shaper found a broken syllable, which only
        // a mark written alone may show.
        QHash<QString, bool> texts[2];  // Siddham, Devanagari: text -> may show a dotted circle
        for (const QString source :
             {"tbl_siddham.chars", "tbl_siddham_trans.siddham", "tbl_dictionary.scripts",
              "tbl_glyph.glyph", "tbl_lantsa.chars", "tbl_siddham_deva.deva",
              "tbl_siddham_lantsa.lantsa"})
            for (const Row& r : tables_[source.section('.', 0, 0)]) {
                const QString text = r[source.section('.', 1)];
                const uint first = text.toUcs4().value(0);
                texts[first < 0x11580].insert(text, !QChar::isLetter(first));
            }
        for (int script = 0; script < 2; ++script) {
            const QString family = script == 0 ? "Noto Sans Siddham" : "Noto Sans Devanagari";
            QFont font(family, 20);
            font.setStyleStrategy(QFont::NoFontMerging);
            QCOMPARE(QFontInfo(font).family(), family);
            const quint32 dottedCircle =
                QRawFont::fromFont(font).glyphIndexesForString(QChar(0x25CC)).value(0);
            QVERIFY(dottedCircle != 0);
            for (auto it = texts[script].cbegin(); it != texts[script].cend(); ++it) {
                QTextLayout layout(it.key(), font);
                layout.beginLayout();
                layout.createLine();
                layout.endLayout();
                for (const QGlyphRun& run : layout.glyphRuns()) {
                    QVERIFY2(!run.rawFont().fontTable("cmap").isEmpty(), qPrintable(it.key()));
                    QCOMPARE(run.rawFont().familyName(), family);
                    for (quint32 g : run.glyphIndexes())
                        QVERIFY2(g != 0 && (g != dottedCircle || it.value()), qPrintable(it.key()));
                }
            }
        }
    }
};

QTEST_MAIN(ReferenceDataTest)
#include "test_reference_data.moc"
