// The speller on the built reference database: schemes, syllables, marks, bad input, pieces.
#include "engine/CandidateList.h"
#include "engine/Speller.h"
#include "support/TestDatabase.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <array>

using namespace orv;
using namespace orv::engine;

namespace {
// Siddham from a list of code points given as their offset in the block (0x0E: ka).
QString Sid(std::initializer_list<int> offsets) {
    QString out;
    for (const int o : offsets)
        out += QString::fromUcs4(std::array{char32_t(0x11580 + o)}.data(), 1);
    return out;
}
constexpr int kA = 0x00, kAa = 0x01, kI = 0x02, kU = 0x04, kKa = 0x0E, kTa = 0x1D, kDa = 0x1F,
              kNa = 0x21, kMa = 0x26, kYa = 0x27, kRa = 0x28, kSha = 0x2B, kHa = 0x2E,
              kSignAa = 0x2F, kSignI = 0x30, kSignUu = 0x33, kSignO = 0x3A, kCandra = 0x3C,
              kAnusvara = 0x3D, kVisarga = 0x3E, kVirama = 0x3F, kDanda = 0x42, kDouble = 0x43,
              kDot = 0x44;
}  // namespace

class SpellerTest : public QObject {
    Q_OBJECT
    std::unique_ptr<data::Database> db_;
    std::optional<SpellerTables> siddham_, lantsa_;

  private slots:
    void initTestCase() {
        QString error;
        db_ = test::OpenBuilt(&error);
        QVERIFY2(db_, qPrintable(error));
        siddham_ = SpellerTables::Load(*db_, Script::Siddham, &error);
        lantsa_ = SpellerTables::Load(*db_, Script::Lantsa, &error);
        QVERIFY2(siddham_ && lantsa_, qPrintable(error));
    }

    void iastToSiddham_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("want");
        QTest::newRow("inherent a") << "ka" << Sid({kKa});
        QTest::newRow("vowel sign") << "kā" << Sid({kKa, kSignAa});
        QTest::newRow("initial vowel") << "iti" << Sid({kI, kTa, kSignI});
        QTest::newRow("hiatus is the letter") << "kaï" << Sid({kKa, kI});
        QTest::newRow("cluster") << "nya" << Sid({kNa, kVirama, kYa});
        QTest::newRow("final cluster takes virama") << "tad" << Sid({kTa, kDa, kVirama});
        QTest::newRow("finals attach") << "hūṃḥ" << Sid({kHa, kSignUu, kAnusvara, kVisarga});
        QTest::newRow("candrabindu") << "om̐" << Sid({0x0C, kCandra});
        QTest::newRow("ISO anusvara") << "oṁ" << Sid({0x0C, kAnusvara});
        QTest::newRow("capital") << "Oṃ Śa" << Sid({0x0C, kAnusvara}) + " " + Sid({kSha});
        QTest::newRow("decomposed") << QString("ka\u0304") << Sid({kKa, kSignAa});
        QTest::newRow("danda") << "ma | ma ||"
                               << Sid({kMa}) + " " + Sid({kDanda}) + " " + Sid({kMa}) + " " +
                                      Sid({kDouble});
        QTest::newRow("separator dot") << "ma. " << Sid({kMa, kDot}) + " ";
        QTest::newRow("avagraha") << "te 'pi" << Sid({kTa, 0x38}) + " '" + Sid({0x22, kSignI});
        QTest::newRow("typographic avagraha") << "’pi"
                                              << "’" + Sid({0x22, kSignI});
        QTest::newRow("digits and others pass") << "ka 108 x-q!" << Sid({kKa}) + " 108 x-q!";
        QTest::newRow("a letter the scheme lacks ends the word")
            << "kf" << Sid({kKa, kVirama}) + "f";
        QTest::newRow("lone final is the mark") << "ṃ ka" << Sid({kAnusvara}) + " " + Sid({kKa});
        QTest::newRow("final after a cluster") << "kḥ" << Sid({kKa, kVirama, kVisarga});
        QTest::newRow("## switches off")
            << "ka ##Heart Sutra## ka" << Sid({kKa}) + " Heart Sutra " + Sid({kKa});
        QTest::newRow("unpaired ## leaves the rest") << "ka ##ka" << Sid({kKa}) + " ka";
        QTest::newRow("Siddham passes") << Sid({kKa}) + "ka" << Sid({kKa, kKa});
        QTest::newRow("no sign for vocalic l") << "kḷ" << Sid({kKa, kVirama, 0x08});
        QTest::newRow("long cluster") << "rtsnyāṃḥ"
                                      << Sid({kRa, kVirama, kTa, kVirama, 0x2D, kVirama, kNa,
                                              kVirama, kYa, kSignAa, kAnusvara, kVisarga});
        QTest::newRow("empty") << QString() << QString();
    }
    void iastToSiddham() {
        QFETCH(QString, text);
        QFETCH(QString, want);
        QCOMPARE(siddham_->Spell(text, Scheme::Iast), want);
    }

    // Each scheme's spelling of a text reads as its IAST.
    void schemes_data() {
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("iast");
        const char* iast = "oṃ maṇi padme hūṃ | kṣitigarbha śrīḥ ṛṣi jñāna ||";
        for (const auto& [scheme, text, want] : std::initializer_list<std::array<const char*, 3>>{
                 {"iso", "ōṁ maṇi padmē hūṁ | kṣitigarbha śrīḥ r̥ṣi jñāna ||", iast},
                 {"hk", "oM maNi padme hUM | kSitigarbha zrIH RSi jJAna ||", iast},
                 {"itrans", "oM maNi padme hU.n | kShitigarbha shrIH RRiShi j~nAna ||", iast},
                 {"itrans", "oM maNi padme huu.n | xitigarbha shrii.h R^iShi GYaana ||", iast},
                 {"velthuis", "o.m ma.ni padme huu.m | k.sitigarbha \"srii.h .r.si j~naana ||",
                  iast},
                 {"slp1", "oM maRi padme hUM . kzitigarBa SrIH fzi jYAna ..", iast},
                 {"deva", "ॐ मणि पद्मे हूं । क्षितिगर्भ श्रीः ऋषि ज्ञान ॥", iast},
                 {"deva", "तत् सत्", "tat sat"},  // final consonant
                 {"deva", "प्रउग", "praüga"},    // hiatus
                 {"itrans", "chChA chhA", "cchā chā"},
                 {"slp1", "te 'pi", "te 'pi"}}) {  // avagraha
            QTest::newRow(text) << QString(scheme) << QString::fromUtf8(text)
                                << QString::fromUtf8(want);
        }
    }
    void schemes() {
        QFETCH(QString, scheme);
        QFETCH(QString, text);
        QFETCH(QString, iast);
        const Scheme s = *SchemeFromKey(scheme);
        QCOMPARE(siddham_->Spell(text, s), siddham_->Spell(iast, Scheme::Iast));
        QCOMPARE(lantsa_->Spell(text, s), lantsa_->Spell(iast, Scheme::Iast));
    }

    void devanagariSignsWithoutConsonant() {
        // A vowel sign or virama with no consonant before it stays as it was.
        QCOMPARE(siddham_->Spell(QString::fromUtf8("ि क्"), Scheme::Deva),
                 QString::fromUtf8("ि ") + Sid({kKa, kVirama}));
        QCOMPARE(siddham_->Spell(QString::fromUtf8("अ्"), Scheme::Deva), Sid({kA}) + "्");
    }

    void lantsa_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("want");
        QTest::newRow("syllables") << "oṃ hrīḥ tat" << QString::fromUtf8("ओं ह्रीः तत्");
        QTest::newRow("marks") << "a | a || 'pi. " << QString::fromUtf8("अ । अ ॥ ऽपि. ");
        QTest::newRow("typographic avagraha") << "’pi" << QString::fromUtf8("ऽपि");
    }
    void lantsa() {
        QFETCH(QString, text);
        QFETCH(QString, want);
        QCOMPARE(lantsa_->Spell(text, Scheme::Iast), want);
    }

    void recognises_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("scheme");
        for (const auto& [text, scheme] :
             std::initializer_list<std::pair<const char*, const char*>>{
                 {"ॐ मणि पद्मे हूं", "deva"},
                 {"oṃ maṇi padme hūṃ", "iast"},
                 {"ōṁ r̥ṣi", "iso"},
                 {"om namo buddhaya", "iast"},  // plain ASCII
                 {"Namo buddhaya", "iast"},     // sentence case
                 {"oM maNi padme hUM", "hk"},
                 {"shrii gaNeshaaya namaH", "itrans"},
                 {"o.m ma.ni padme huu.m", "velthuis"},
                 {"kzitigarBa SrIH jYAna", "slp1"}}) {
            QTest::newRow(text) << QString::fromUtf8(text) << QString(scheme);
        }
    }
    void recognises() {
        QFETCH(QString, text);
        QFETCH(QString, scheme);
        QCOMPARE(SchemeKey(siddham_->Recognise(text)), scheme);
    }

    // Any cut of a text into pieces gives the output of the whole.
    void piecesAreWhole() {
        const QStringList texts{"oṃ maṇi padme hūṃ ||\nka\u0304 ##x## r\u0325ṣi tāṃś ca 'pi",
                                "OM maNi kSa zrIH", "shrii gaNeshaaya namaH .a", "ॐ क्षि तत् ऽ"};
        const Scheme schemes[] = {Scheme::Iso, Scheme::Hk, Scheme::Itrans, Scheme::Deva};
        QRandomGenerator random(21);
        for (int t = 0; t < texts.size(); ++t) {
            const QString whole = siddham_->Spell(texts[t], schemes[t]);
            for (int round = 0; round < 200; ++round) {
                SpellStream stream(*siddham_, schemes[t]);
                QString out;
                for (qsizetype at = 0; at < texts[t].size();) {
                    const qsizetype n = random.bounded(1, 5);
                    stream.Feed(
                        QStringView(texts[t]).sliced(at).first(std::min(n, texts[t].size() - at)),
                        out);
                    at += n;
                }
                stream.Finish(out);
                QCOMPARE(out, whole);
            }
        }
    }

    // Every transliteration of the keyboards spells to its first candidate.
    void everyImeSpellsToItsFirstCandidate() {
        for (const auto table : {data::ScriptTable::Siddham, data::ScriptTable::Lantsa}) {
            const SpellerTables& tables =
                table == data::ScriptTable::Siddham ? *siddham_ : *lantsa_;
            auto rows =
                db_->OpenRecordset({"select distinct ime from " + data::TableName(table), {}});
            QVERIFY(rows);
            QStringList wrong;
            int checked = 0;
            for (bool more = rows->MoveFirst(); more && !rows->Eof(); rows->MoveNext()) {
                const QString ime = rows->Text(0);
                // The marks typed by name (virama, section1, ...) are words, not spellings.
                static const QRegularExpression named(
                    "^(virama|siddham|repeat\\d|end|section\\d+)$");
                if (named.match(ime).hasMatch()) continue;
                CandidateList list;
                list.Lookup(db_.get(), table, ime);
                ++checked;
                if (tables.Spell(ime, Scheme::Iast) != list.Glyph(0)) wrong << ime;
            }
            qInfo("%s: %d transliterations spell to their first candidate",
                  qPrintable(data::TableName(table)), checked - int(wrong.size()));
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong.mid(0, 40).join(", ")));
        }
    }
};

QTEST_GUILESS_MAIN(SpellerTest)
#include "test_speller.moc"
