// The reference database built from db/data: whole tables checked against
// each other, against the Unicode character names and against the fonts.
#include "app/Fonts.h"
#include "data/Characters.h"
#include "data/Database.h"
#include "data/Queries.h"
#include "support/TestDatabase.h"

#include <QGlyphRun>
#include <QRawFont>
#include <QRegularExpression>
#include <QTest>
#include <QTextLayout>

#include <unicode/uchar.h>

using namespace orv::data;

namespace {

using Row = QHash<QString, QString>;

// The Siddham block by role.
QStringList Range(char32_t first, char32_t last) {
    QStringList out;
    for (char32_t c = first; c <= last; ++c) out << QString::fromUcs4(&c, 1);
    return out;
}
const QStringList kVowels = Range(0x11580, 0x1158D) + Range(0x115D8, 0x115DB),
                  kConsonants = Range(0x1158E, 0x115AE), kFinals = Range(0x115BC, 0x115BE),
                  kStandardSigns = Range(0x115AF, 0x115B5) + Range(0x115B8, 0x115BB),
                  kSigns = kStandardSigns + Range(0x115DC, 0x115DD),
                  kLone = kSigns + kFinals + Range(0x115BF, 0x115BF) +
                          Range(0x115C1, 0x115D7);  // written alone
const QString kVirama = Range(0x115BF, 0x115BF)[0];

// A character's Unicode name without the script's name ("SIDDHAM LETTER KA"
// and "DEVANAGARI LETTER KA" both give "LETTER KA"), variant forms read as
// the plain letter.
QString Name(uint cp) {
    char buf[128];
    UErrorCode status = U_ZERO_ERROR;
    u_charName(static_cast<UChar32>(cp), U_UNICODE_CHAR_NAME, buf, sizeof buf, &status);
    static const QRegularExpression noise(
        "^(SIDDHAM|DEVANAGARI) |(THREE-CIRCLE |TWO-CIRCLE )?ALTERNATE ");
    return QString::fromLatin1(buf).remove(noise);
}

// What a Siddham character reads as by the names of its code points: a vowel,
// or a consonant (its inherent a replaced by a vowel sign or dropped by the
// virama), then any finals; consonants by the regular spelling of their names
// (KHA -> kha, TTHA -> ṭha). Nothing for other characters.
std::optional<QString> ExpectedReading(const QString& key) {
    static const QStringList sounds =
        QString(
            "A=a,AA=ā,I=i,II=ī,U=u,UU=ū,E=e,AI=ai,O=o,AU=au,VOCALIC R=ṛ,VOCALIC RR=ṝ,VOCALIC L=ḷ,"
            "VOCALIC LL=ḹ,SIGN ANUSVARA=ṃ,SIGN VISARGA=ḥ,SIGN CANDRABINDU=m\u0310")
            .split(',');
    static const QStringList spellings =
        QString("ng=ṅ,ny=ñ,tth=ṭh,tt=ṭ,ddh=ḍh,dd=ḍ,nn=ṇ,sh=ś,ss=ṣ").split(',');
    const auto sound = [](const QString& name) {
        for (const QString& s : sounds)
            if (s.section('=', 0, 0) == name) return s.section('=', 1);
        return QString();
    };
    QString out;
    bool consonant = false;  // `out` ends in a consonant's inherent a
    for (uint cp : key.toUcs4()) {
        const QString name = Name(cp), rest = name.section(' ', name.startsWith("VOWEL") ? 2 : 1);
        if (name.startsWith("LETTER ") && out.isEmpty()) {
            consonant = sound(rest).isEmpty();
            out = consonant ? rest.toLower() : sound(rest);
            for (const QString& s : consonant ? spellings : QStringList())
                out.replace(s.section('=', 0, 0), s.section('=', 1));
        } else if (name.startsWith("VOWEL SIGN ") && (out.isEmpty() || consonant)) {
            out = out.chopped(consonant ? 1 : 0) + sound(rest), consonant = false;
        } else if (name == "SIGN VIRAMA" && consonant) {
            out.chop(1), consonant = false;
        } else if (!sound(name).isEmpty()) {
            out += sound(name), consonant = false;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

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

    // What the converter writes for one character (its first row), and for
    // a text; a character without a row stays as it is.
    QString Convert(ConversionTable table, const QString& text) {
        QString out;
        for (const QString& c : SplitCharacters(text)) {
            auto rs = db_->OpenRecordset(ConversionBySiddham(table, c));
            out += rs && rs->MoveFirst() ? rs->Text(ValueColumn(table)) : c;
        }
        return out;
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
    }

    void textIsNfcTrimmedAndNoRowTwice() {
        for (auto t = tables_.cbegin(); t != tables_.cend(); ++t) {
            QSet<QString> lines;
            for (const Row& row : *t) {
                QString line;
                for (const QString& c : orv::test::TestDatabase::DefaultColumns(t.key())) {
                    const QString v = row[c];
                    QVERIFY2(v.normalized(QString::NormalizationForm_C) == v && v.trimmed() == v,
                             qPrintable(t.key() + ": " + v));
                    line += v + '\t';
                }
                QVERIFY2(!lines.contains(line), qPrintable(t.key() + ": twice " + line));
                lines << line;
            }
        }
        for (const char* t : {"tbl_siddham", "tbl_lantsa"})
            for (const Row& row : tables_[t])
                QVERIFY2(InImeCharset(row["ime"]) && !row["chars"].isEmpty(),
                         qPrintable(row["ime"]));
    }

    void everySyllableCanBeTypedAndConverted() {
        // The script table holds every letter and mark (vowel signs need not
        // stand alone), and every consonant alone, with each standard vowel
        // sign and with the virama.
        QSet<QString> chars, keys[3];
        for (const Row& r : tables_["tbl_siddham"]) chars << r["chars"];
        QVERIFY(chars.size() >= 3000);
        QStringList typed = kVowels + kLone.mid(kSigns.size()), shapes = kLone;
        for (const QString& c : kConsonants) {
            typed << c << c + kVirama;
            for (const QString& s : kStandardSigns) typed << c + s;
        }
        for (const QString& t : typed) QVERIFY2(chars.contains(t), qPrintable(t));
        // The converter tables hold every shape of a syllable, each key one
        // character, the same keys in all three, no value empty.
        for (const QString& f : QStringList{""} + kFinals) {
            for (const QString& v : kVowels) shapes << v + f;
            for (const QString& c : kConsonants) {
                shapes << c + f << c + kVirama;
                for (const QString& s : kSigns) shapes << c + s + f;
            }
        }
        for (auto table : {ConversionTable::Trans, ConversionTable::Deva, ConversionTable::Lantsa})
            for (const Row& r : tables_[TableName(table)]) {
                QVERIFY2(SplitCharacters(r["siddham"]) == QStringList{r["siddham"]} &&
                             !r[ValueColumn(table)].isEmpty(),
                         qPrintable(r["siddham"]));
                keys[static_cast<int>(table)] << r["siddham"];
            }
        QVERIFY(keys[1] == keys[0] && keys[2] == keys[0]);
        for (const QString& e : shapes) QVERIFY2(keys[0].contains(e), qPrintable(e));
        // Each key converts to IAST as the names of its code points say, and
        // to Devanagari and Lantsa of the same names (punctuation aside).
        for (const QString& key : std::as_const(keys[0])) {
            const QString reading = Convert(ConversionTable::Trans, key);
            const auto expected = ExpectedReading(key);
            QVERIFY2(InImeCharset(reading) && reading == expected.value_or(reading),
                     qPrintable(key + ": " + reading + " != " + expected.value_or("")));
            if (QChar::category(key.toUcs4()[0]) == QChar::Punctuation_Other) continue;
            QStringList want;
            for (uint cp : key.toUcs4()) want << Name(cp);
            for (ConversionTable t : {ConversionTable::Deva, ConversionTable::Lantsa}) {
                QStringList got;
                for (uint cp : Convert(t, key).toUcs4())
                    got << (cp >= 0x0900 && cp <= 0x097F ? Name(cp) : "not Devanagari");
                QVERIFY2(got == want, qPrintable(key + ": " + got.join(", ")));
            }
        }
    }

    void tablesRoundTripThroughTheConverter() {
        // Siddham syllables convert to their key; the Lantsa table holds
        // exactly them in Devanagari (fewer rows: Siddham's variant letter
        // forms coincide). Dictionary words convert to their transliteration
        // and are found once each; one row is the dictionary's about text.
        QSet<QString> lantsa, converted, trans, scripts;
        for (const Row& r : tables_["tbl_lantsa"]) lantsa << r["ime"] + '\t' + r["chars"];
        for (const Row& r : tables_["tbl_siddham"]) {
            QCOMPARE(Convert(ConversionTable::Trans, r["chars"]), r["ime"]);
            const QString deva = Convert(ConversionTable::Deva, r["chars"]);
            QCOMPARE(Convert(ConversionTable::Lantsa, r["chars"]), deva);
            converted << r["ime"] + '\t' + deva;
        }
        QCOMPARE(lantsa, converted);
        QVERIFY(tables_["tbl_dictionary"].size() >= 400);
        int about = 0;
        for (const Row& r : tables_["tbl_dictionary"]) {
            about += !r["about"].isEmpty();
            QVERIFY2(!r["meanings"].isEmpty() && !trans.contains(r["trans"]) &&
                         !scripts.contains(r["scripts"]) &&
                         InImeCharset(QString(r["trans"]).remove(' ')),
                     qPrintable(r["trans"]));
            QCOMPARE(Convert(ConversionTable::Trans, r["scripts"]), r["trans"]);
            trans << r["trans"], scripts << r["scripts"];
        }
        QCOMPARE(about, 1);
    }

    void keyboardMapChainsEnd() {
        // Inputs of one or two characters, each once (a later row would hide
        // it); typed after any character, each one's replacements end within
        // four steps.
        QHash<QString, QString> keys;
        QSet<QChar> before{QChar(' ')};
        for (char c = 0x21; c < 0x7F; ++c) before << QChar(c);
        for (const Row& r : tables_["tbl_keyboard"]) {
            QVERIFY2(!r["input"].isEmpty() && r["input"].size() <= 2 && !r["display"].isEmpty() &&
                         !keys.contains(r["input"]),
                     qPrintable(r["input"]));
            keys[r["input"]] = r["display"];
            for (QChar c : r["input"] + r["display"]) before << c;
        }
        for (auto it = keys.cbegin(); it != keys.cend(); ++it)
            for (QChar c : std::as_const(before)) {
                QString text = c + it.key();
                int steps = 0;
                while (text.size() >= 2 && keys.contains(text.right(2).trimmed()) && steps++ <= 4)
                    text = text.chopped(2) + keys[text.right(2).trimmed()];
                QVERIFY2(steps <= 4, qPrintable(c + it.key()));
            }
    }

    void everyStringShapesWithoutMissingGlyphs() {
        // Siddham in the font the program draws it with (the shipped one
        // when the build has it), Devanagari (the Lantsa columns too) in Noto
        // Sans Devanagari, with no fallback. A missing glyph is glyph
        // 0; a dotted circle marks a broken syllable, which only a mark
        // written alone may show.
        QHash<QString, bool> texts[2];  // Siddham, Devanagari: text -> may show a dotted circle
        for (const QList<Row>& table : std::as_const(tables_))
            for (const Row& row : table)
                for (const QString& text : row)
                    if (const uint first = text.toUcs4().value(0);
                        (first >= 0x900 && first < 0x980) || first >= 0x11580)
                        texts[first < 0x11580].insert(text, !QChar::isLetter(first));
        orv::app::InstallBundledFonts(qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin");
        orv::app::InstallFontSubstitutions();
        const QString siddham = QRawFont::fromFont(QFont("siddam")).familyName();
        qInfo("Siddham font: %s", qPrintable(siddham));
        for (const QString& family : {siddham, QStringLiteral("Noto Sans Devanagari")}) {
            QFont font(family, 20);
            font.setStyleStrategy(QFont::NoFontMerging);
            const quint32 dottedCircle =
                QRawFont::fromFont(font).glyphIndexesForString(QChar(0x25CC)).value(0);
            QVERIFY(dottedCircle != 0);
            const auto& strings = texts[family.endsWith("Devanagari")];
            for (auto it = strings.cbegin(); it != strings.cend(); ++it) {
                QTextLayout layout(it.key(), font);
                layout.beginLayout();
                layout.createLine();
                layout.endLayout();
                for (const QGlyphRun& run : layout.glyphRuns()) {
                    QCOMPARE(run.rawFont().familyName().toLower(), family.toLower());
                    for (quint32 g : run.glyphIndexes())
                        QVERIFY2(g != 0 && (g != dottedCircle || it.value()), qPrintable(it.key()));
                }
            }
        }
    }
};

QTEST_MAIN(ReferenceDataTest)
#include "test_reference_data.moc"
