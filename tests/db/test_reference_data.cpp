// The built reference database: its tables against each other, Unicode names and the fonts.
#include "app/Fonts.h"
#include "data/Characters.h"
#include "data/Queries.h"
#include "support/TestDatabase.h"

#include <QGlyphRun>
#include <QRawFont>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTextLayout>

#include <functional>

#include <unicode/uchar.h>

using namespace orv::data;
using Row = QHash<QString, QString>;
constexpr auto kTrans = ConversionTable::Trans, kDeva = ConversionTable::Deva,
               kLantsa = ConversionTable::Lantsa;

static QStringList Range(char32_t first, char32_t last) {
    QStringList out;
    for (char32_t c = first; c <= last; ++c) out << QString::fromUcs4(&c, 1);
    return out;
}
// The Siddham block by role.
const QStringList kVowels = Range(0x11580, 0x1158D) + Range(0x115D8, 0x115DB),
                  kConsonants = Range(0x1158E, 0x115AE), kFinals = Range(0x115BC, 0x115BE),
                  kStandardSigns = Range(0x115AF, 0x115B5) + Range(0x115B8, 0x115BB),
                  kSigns = kStandardSigns + Range(0x115DC, 0x115DD),
                  kLone = kSigns + kFinals + Range(0x115BF, 0x115BF) +
                          Range(0x115C1, 0x115D7);  // written alone
const QString kVirama = Range(0x115BF, 0x115BF)[0], kNukta = Range(0x115C0, 0x115C0)[0];

// A Unicode name without the script ("LETTER KA" for Siddham's and Devanagari's), variants plain.
static QString Name(uint cp) {
    char buf[128];
    UErrorCode status = U_ZERO_ERROR;
    u_charName(static_cast<UChar32>(cp), U_UNICODE_CHAR_NAME, buf, sizeof buf, &status);
    static const QRegularExpression noise(
        "^(SIDDHAM|DEVANAGARI) |(THREE-CIRCLE |TWO-CIRCLE )?ALTERNATE ");
    return QString::fromLatin1(buf).remove(noise);
}

static QHash<QString, QString> Map(const QString& pairs) {  // from "key=value,..."
    QHash<QString, QString> out;
    for (const QString& p : pairs.split(',')) out.insert(p.section('=', 0, 0), p.section('=', 1));
    return out;
}
// The IAST a Siddham character reads as by its code points' names (KHA -> kha, nukta -> qa, ḍ̱a).
static std::optional<QString> ExpectedReading(const QString& key) {
    static const auto
        sounds = Map(
            "A=a,AA=ā,I=i,II=ī,U=u,UU=ū,E=e,AI=ai,O=o,AU=au,VOCALIC R=ṛ,VOCALIC RR=ṝ,VOCALIC L=ḷ,"
            "VOCALIC LL=ḹ,SIGN ANUSVARA=ṃ,SIGN VISARGA=ḥ,SIGN CANDRABINDU=m\u0310"),
        nuktaLetters = Map("ka=qa,kha=k\u035Fha,ga=ġa,ja=za,pha=fa,ya=ẏa");
    static const QStringList spellings =
        QString("ng=ṅ,ny=ñ,tth=ṭh,tt=ṭ,ddh=ḍh,dd=ḍ,nn=ṇ,sh=ś,ss=ṣ").split(',');  // in order
    QString out;
    bool consonant = false;  // `out` ends in a consonant's inherent a
    for (uint cp : key.toUcs4()) {
        const QString name = Name(cp), rest = name.section(' ', name.startsWith("VOWEL") ? 2 : 1);
        if (name.startsWith("LETTER ") && out.isEmpty()) {
            consonant = sounds.value(rest).isEmpty();
            out = consonant ? rest.toLower() : sounds.value(rest);
            for (const QString& s : consonant ? spellings : QStringList())
                out.replace(s.section('=', 0, 0), s.section('=', 1));
        } else if (name.startsWith("VOWEL SIGN ") && (out.isEmpty() || consonant)) {
            out = out.chopped(consonant ? 1 : 0) + sounds.value(rest), consonant = false;
        } else if (name == "SIGN NUKTA" && consonant && !out.contains(QChar(0x331))) {
            out = nuktaLetters.value(out, out.left(1) + QChar(0x331) + out.mid(1))
                      .normalized(QString::NormalizationForm_C);
        } else if (name == "SIGN VIRAMA" && consonant) {
            out.chop(1), consonant = false;
        } else if (!sounds.value(name).isEmpty()) {
            out += sounds.value(name), consonant = false;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

// The IAST of transliteration keys: letters, digits, the marks | . , and the avagraha '.
static bool InImeCharset(const QString& text) {
    static const QRegularExpression re(
        "^(?:[aāiīuūṛṝḷḹeoṃḥkgṅcjñṭḍṇtdnpbmyrlvśṣsh0-9|.,']|m\u0310)+$");
    return re.match(text).hasMatch();
}

// Marks alone: mark, IAST (| || . , or itself), Devanagari (own marks, २ on repeats, else ꣸).
static QList<std::array<QString, 3>> MarkConversions() {
    QList<std::array<QString, 3>> out{{"'", "'", "ऽ"}, {"’", "’", "ऽ"}};
    static const QStringList trans{"", "", "", "|", "||", ".", ","},
        deva{"्", "", "꣼", "।", "॥", ".", ","};
    for (char32_t c = 0x115BF; c <= 0x115D7; ++c) {
        const QString mark = QString::fromUcs4(&c, 1);
        const int i = static_cast<int>(c - 0x115BF);
        if (c != 0x115C0)  // the nukta is never alone
            out.append({mark, trans.value(i).isEmpty() ? mark : trans[i],
                        i < deva.size() ? deva[i] : QString(c <= 0x115C8 ? "२" : "꣸")});
    }
    return out;
}

class ReferenceDataTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Database> db_;
    QHash<QString, QList<Row>> tables_;  // by name, every row in source order

    // What the converter writes (a character's first row; one without a row stays).
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
        QString error;
        QVERIFY2((db_ = orv::test::OpenBuilt(&error)), qPrintable(error));
        for (const QString& table : db_->TableNames()) {  // NFC and trimmed, no row twice
            QSet<QString> lines;
            auto rs = db_->OpenRecordset({"select * from " + table + " order by rowid", {}});
            for (bool ok = rs && rs->MoveFirst(); ok && !rs->Eof(); rs->MoveNext()) {
                Row row;
                QString line;
                for (const QString& c : orv::test::TestDatabase::DefaultColumns(table)) {
                    const QString v = rs->Text(c);
                    QVERIFY2(v.normalized(QString::NormalizationForm_C) == v && v.trimmed() == v,
                             qPrintable(table + ": " + v));
                    row.insert(c, v), line += v + '\t';
                }
                QVERIFY2(!lines.contains(line), qPrintable(table + ": twice " + line));
                lines << line, tables_[table] << row;
            }
        }
    }

    void everySyllableCanBeTypedAndConverted() {
        // Typed: letters, lone marks, ', consonants with each sign, virama, y r l v m n; r + each.
        QSet<QString> chars, keys[3];
        for (const Row& r : tables_["tbl_siddham"]) chars << r["chars"];
        QVERIFY(chars.size() >= 20000);
        QStringList typed = kVowels + kLone.mid(kSigns.size()) + QStringList{"'"}, shapes = kLone;
        const QString ra = kConsonants[26];
        for (const QString& c : kConsonants) {
            typed << c << c + kVirama;
            for (const QString& s : kStandardSigns) typed << c + s;
            for (int second : {25, 26, 27, 28, 24, 19})  // ya ra la va ma na
                if (c + kConsonants[second] != ra + ra) typed << c + kVirama + kConsonants[second];
            if (c != ra) typed << ra + kVirama + c;
        }
        for (const QString& t : typed) QVERIFY2(chars.contains(t), qPrintable(t));
        // A conjunct also stands with anusvara, with visarga, and with a final virama ("hy").
        for (const QString& c : std::as_const(chars)) {  // Siddham code points: two units each
            const QList<uint> cps = c.toUcs4();
            const QString stem = kStandardSigns.contains(c.right(2)) ? c.chopped(2) : c;
            if (cps.size() >= 3 && cps[1] == kVirama.toUcs4()[0] && !cps.contains(0x115BC) &&
                !cps.contains(0x115BD) && !cps.contains(0x115BE) &&
                kConsonants.contains(stem.right(2)))
                QVERIFY2(chars.contains(c + kFinals[1]) && chars.contains(c + kFinals[2]) &&
                             chars.contains(stem + kVirama),
                         qPrintable(c));
        }
        // Converter tables: every shape, keys one character with one row, alike in all three.
        for (const QString& f : QStringList{""} + kFinals + QStringList{kFinals[1] + kFinals[2]}) {
            for (const QString& v : kVowels) shapes << v + f;
            for (const QString& c : kConsonants)
                for (const QString& n : {QString(), kNukta}) {
                    shapes << c + n + f << c + n + kVirama;
                    for (const QString& s : kSigns) shapes << c + n + s + f;
                }
        }
        for (auto table : {kTrans, kDeva, kLantsa})
            for (const Row& r : tables_[TableName(table)]) {
                QVERIFY2(SplitCharacters(r["siddham"]) == QStringList{r["siddham"]} &&
                             !r[ValueColumn(table)].isEmpty(),
                         qPrintable(r["siddham"]));
                keys[static_cast<int>(table)] << r["siddham"];
            }
        QVERIFY(keys[1] == keys[0] && keys[2] == keys[0]);
        QCOMPARE(tables_["tbl_siddham_trans"].size(), keys[0].size());
        for (const QString& e : shapes) QVERIFY2(keys[0].contains(e), qPrintable(e));
        const auto marks = MarkConversions();  // convert as a reader of each script writes them
        QSet<QString> plain, nukta, markKeys;
        for (const auto& [mark, trans, deva] : marks) {
            QVERIFY2(keys[0].contains(mark) && Convert(kTrans, mark) == trans &&
                         Convert(kDeva, mark) == deva && Convert(kLantsa, mark) == deva,
                     qPrintable(mark));
            markKeys << mark;
        }
        // Other keys read as their names say, in IAST (nukta apart) and in Devanagari/Lantsa.
        for (const QString& key : std::as_const(keys[0])) {
            if (markKeys.contains(key)) continue;
            const QString reading = Convert(kTrans, key);
            const auto expected = ExpectedReading(key);
            QVERIFY2(
                expected && reading == *expected && (key.contains(kNukta) || InImeCharset(reading)),
                qPrintable(key + ": " + reading + " != " + expected.value_or("")));
            (key.contains(kNukta) ? nukta : plain) << reading;
            if (QChar::category(key.toUcs4()[0]) == QChar::Punctuation_Other) continue;
            QStringList want;
            for (uint cp : key.toUcs4()) want << Name(cp);
            for (ConversionTable t : {kDeva, kLantsa}) {
                QStringList got;  // decomposed: NFC writes na, ra + nukta as one letter
                for (uint cp : Convert(t, key).normalized(QString::NormalizationForm_D).toUcs4())
                    got << (cp >= 0x0900 && cp <= 0x097F ? Name(cp) : "not Devanagari");
                QVERIFY2(got == want, qPrintable(key + ": " + got.join(", ")));
            }
        }
        QVERIFY(nukta.size() > 1000 && !nukta.intersects(plain));
    }

    void tablesRoundTripThroughTheConverter() {
        // Siddham syllables convert to their key; the Lantsa table holds exactly them.
        QSet<QString> lantsa, converted, trans, scripts;
        for (const Row& r : tables_["tbl_lantsa"]) {
            QVERIFY2(InImeCharset(r["ime"]) && !r["chars"].isEmpty(), qPrintable(r["ime"]));
            lantsa << r["ime"] + '\t' + r["chars"];
        }
        for (const Row& r : tables_["tbl_siddham"]) {
            const QString reading = Convert(kTrans, r["chars"]);
            QVERIFY2(InImeCharset(r["ime"]) && (reading == r["ime"] ||
                                                (reading == r["chars"] && kLone.contains(reading))),
                     qPrintable(r["ime"]));
            converted << r["ime"] + '\t' + Convert(kDeva, r["chars"]);
        }
        QCOMPARE(lantsa, converted);
        // Dictionary words convert to their transliteration, each once; one row is the about text.
        QVERIFY(tables_["tbl_dictionary"].size() >= 400);
        int about = 0;
        for (const Row& r : tables_["tbl_dictionary"]) {
            about += !r["about"].isEmpty();
            QVERIFY2(!r["meanings"].isEmpty() && !trans.contains(r["trans"]) &&
                         !scripts.contains(r["scripts"]) &&
                         InImeCharset(QString(r["trans"]).remove(' ')),
                     qPrintable(r["trans"]));
            QCOMPARE(Convert(kTrans, r["scripts"]), r["trans"]);
            trans << r["trans"], scripts << r["scripts"];
        }
        QCOMPARE(about, 1);
    }

    void prefixSearchesFindWhatAScanFinds() {
        // Exactly the rows of a scan, for every start of a value, in any case, with patterns.
        const auto rows = [&](const Statement& st) {
            QStringList out;
            auto rs = db_->OpenRecordset(st);
            for (bool ok = rs && rs->MoveFirst(); ok && !rs->Eof(); rs->MoveNext())
                out << rs->Text("ime") + rs->Text("chars") + rs->Text("scripts") +
                           rs->Text("trans");
            return out;
        };
        const std::tuple<QString, QString, std::function<Statement(const QString&)>> searches[] = {
            {"tbl_siddham", "ime",
             [](auto t) { return ScriptByImePrefix(ScriptTable::Siddham, t); }},
            {"tbl_lantsa", "ime", [](auto t) { return ScriptByImePrefix(ScriptTable::Lantsa, t); }},
            {"tbl_dictionary", "trans", DictionaryByTransPrefix},
            {"tbl_dictionary", "scripts", DictionaryByScriptsPrefix}};
        qsizetype compared = 0;
        for (const auto& [table, column, search] : searches) {
            QSet<QString> starts = {"", "K", "kA*", "k?a", "[k-m]a", "Ś", "ṬA", "'"};
            for (const Row& row : std::as_const(tables_[table])) {
                const QList<uint> cps = row[column].toUcs4();
                for (int n = 1; n <= std::min<int>(2, cps.size()); ++n)
                    starts << QString::fromUcs4(reinterpret_cast<const char32_t*>(cps.data()), n);
            }
            const QString scan = QString("select * from %1 where %2 like ? order by %2");
            for (const QString& start : std::as_const(starts))
                for (const QString& text : {start, start.toUpper()})
                    QCOMPARE(rows(search(text)), rows({scan.arg(table, column), {text + "*"}}));
            compared += 2 * starts.size();
        }
        qInfo("%lld prefix searches compared with scans", compared);
    }

    void keyboardMapChainsEnd() {
        // Inputs of one or two characters, each once; after any character, chains end in 4.
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
        // No fallback, no glyph 0, a dotted circle only for a mark alone, in either script.
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
                layout.beginLayout(), layout.createLine(), layout.endLayout();
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
