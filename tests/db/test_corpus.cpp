// The corpus as db/generate.py spells it: syllables on the first page, lines convert back, and
// the speller writes every line, in every scheme, as db/generate.py does and back again.
#include "converter/SiddhamConverter.h"
#include "data/Queries.h"
#include "engine/CandidateList.h"
#include "engine/Speller.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QTest>

using namespace orv;

class CorpusTest : public QObject {
    Q_OBJECT
    struct Spelling {
        QString iast, siddham, deva;
    };
    std::unique_ptr<data::Database> db_;
    QList<Spelling> lines_, syllables_;

  private slots:
    void initTestCase() {
        QString error;
        db_ = test::OpenBuilt(&error);
        QFile fixture(qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/tests/db/corpus.tsv");
        QVERIFY2(db_ && fixture.open(QIODevice::ReadOnly), qPrintable(error));
        for (const QString& line : QString::fromUtf8(fixture.readAll()).split('\n'))
            if (const QStringList f = line.split('\t'); f.size() == 4)
                (f[0] == "line" ? lines_ : syllables_) << Spelling{f[1], f[2], f[3]};
        QVERIFY(lines_.size() >= 200 && syllables_.size() >= 4000);
    }

    void everySyllableIsOnTheFirstPage() {
        QStringList missing;
        for (const auto table : {data::ScriptTable::Siddham, data::ScriptTable::Lantsa}) {
            const bool siddham = table == data::ScriptTable::Siddham;
            const QString name = data::TableName(table);
            QHash<QString, bool> seen;  // IAST + spelling -> on the first page
            int found = 0;
            for (const Spelling& s : std::as_const(syllables_)) {
                const QString key = s.iast + '\t' + (siddham ? s.siddham : s.deva);
                if (!seen.contains(key)) {
                    engine::CandidateList list;
                    list.Lookup(db_.get(), table, s.iast);
                    for (int p = 0; p < engine::kPageSize; ++p)
                        seen[key] |= s.iast + '\t' + list.Glyph(p) == key;
                    if (!seen[key]) missing << name + ": " + s.iast;
                }
                found += seen[key];
            }
            qInfo("%s: %d of %lld syllables (%.2f %%, %lld distinct) on the first page",
                  qPrintable(name), found, syllables_.size(), 100.0 * found / syllables_.size(),
                  seen.size());
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
    }

    void linesConvertBack() {
        QStringList wrong;
        for (const auto target :
             {converter::Target::Trans, converter::Target::Deva, converter::Target::Lantsa}) {
            const converter::SiddhamConverter converter(target);
            const QString name = data::TableName(target);
            int exact = 0;
            for (const Spelling& line : std::as_const(lines_)) {
                const QString want = target == converter::Target::Trans ? line.iast : line.deva;
                const QString got = converter.ConvertAll(line.siddham, db_).value_or("(failed)");
                exact += got == want;
                if (got != want) wrong << QString("%1: \"%2\" gave \"%3\"").arg(name, want, got);
            }
            qInfo("%s: %d of %lld lines exact", qPrintable(name), exact, lines_.size());
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join('\n')));
    }

    // IAST -> Siddham -> IAST and Siddham -> IAST -> Siddham, and the same through Lantsa.
    void roundTrips() {
        QString error;
        const auto siddham = engine::SpellerTables::Load(*db_, engine::Script::Siddham, &error);
        const auto lantsa = engine::SpellerTables::Load(*db_, engine::Script::Lantsa, &error);
        QVERIFY2(siddham && lantsa, qPrintable(error));
        const converter::SiddhamConverter toIast(converter::Target::Trans),
            toDeva(converter::Target::Deva);
        QStringList wrong;
        qsizetype words = 0;
        for (const Spelling& line : std::as_const(lines_)) {
            words += line.iast.split(' ', Qt::SkipEmptyParts).size();
            const QString sid = siddham->Spell(line.iast, engine::Scheme::Iast);
            const QString iso = QString(line.iast).replace("ṃ", "ṁ");
            const QString capital = line.iast.left(1).toUpper() + line.iast.mid(1);
            const QString lan = lantsa->Spell(line.iast, engine::Scheme::Iast);
            const auto check = [&](const char* what, const QString& got, const QString& want) {
                if (got != want) wrong << QString("%1: %2 gave %3").arg(what, line.iast, got);
            };
            check("IAST to Siddham", sid, line.siddham);
            check("and back", toIast.ConvertAll(sid, db_).value_or(""), line.iast);
            check("Siddham to IAST to Siddham",
                  siddham->Spell(toIast.ConvertAll(line.siddham, db_).value_or(""),
                                 engine::Scheme::Iast),
                  line.siddham);
            check("ISO anusvara", siddham->Spell(iso, engine::Scheme::Iast), line.siddham);
            check("capital", siddham->Spell(capital, engine::Scheme::Iast), line.siddham);
            check("IAST to Lantsa", lan, line.deva);
            check("Siddham to Devanagari is the Lantsa", toDeva.ConvertAll(sid, db_).value_or(""),
                  lan);
            check("Lantsa to Siddham", siddham->Spell(lan, engine::Scheme::Deva), line.siddham);
        }
        qInfo("round trips: %lld lines, %lld words", lines_.size(), words);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.mid(0, 20).join('\n')));
    }

    // The corpus written in each Latin scheme, letter by letter with the scheme's own spelling
    // of each letter (its first input in tbl_scheme), spells as the IAST does.
    void everySchemeSpellsTheCorpus() {
        QString error;
        const auto siddham = engine::SpellerTables::Load(*db_, engine::Script::Siddham, &error);
        QVERIFY2(siddham, qPrintable(error));
        auto rows = db_->OpenRecordset(data::SchemeRows(), &error);
        QVERIFY2(rows, qPrintable(error));
        QHash<QString, QHash<QString, QString>> spell;  // scheme -> IAST -> its first input
        for (bool more = rows->MoveFirst(); more && !rows->Eof(); rows->MoveNext()) {
            if (rows->Text(3) != "syllable" && !spell[rows->Text(0)].contains(rows->Text(2)))
                spell[rows->Text(0)].insert(rows->Text(2), rows->Text(1));
        }
        const QHash<QString, QString> iast = spell.value("iast");
        QStringList wrong;
        for (const QString scheme : {"iso", "hk", "itrans", "velthuis", "slp1"}) {
            int exact = 0, unwritable = 0, recognised = 0;
            QString whole;  // the corpus as one text
            for (const Spelling& line : std::as_const(lines_)) {
                QString text;
                bool writable = true;
                for (qsizetype i = 0; i < line.iast.size();) {
                    qsizetype n = 3;  // longest match over IAST's letters and marks
                    while (n > 0 && !(i + n <= line.iast.size() &&
                                      iast.value(line.iast.mid(i, n)) == line.iast.mid(i, n)))
                        --n;
                    if (n == 0) {
                        text += line.iast[i++];
                        continue;
                    }
                    const QString letter = line.iast.mid(i, n);
                    writable &= spell[scheme].contains(letter);
                    text += spell[scheme].value(letter, letter);
                    i += n;
                }
                if (!writable) {
                    ++unwritable;  // SLP1 has no separator dot
                    continue;
                }
                whole += text + '\n';
                const QString got = siddham->Spell(text, *engine::SchemeFromKey(scheme));
                exact += got == line.siddham;
                if (got != line.siddham) wrong << scheme + ": " + text;
                // Recognised as a scheme that reads it the same.
                recognised += siddham->Spell(text, siddham->Recognise(text)) == line.siddham;
            }
            qInfo(
                "%s: %d of %lld lines spell as the IAST (%d not writable in it); %d read right "
                "without the scheme named",
                qPrintable(scheme), exact, lines_.size(), unwritable, recognised);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.mid(0, 20).join('\n')));
    }
};

QTEST_GUILESS_MAIN(CorpusTest)
#include "test_corpus.moc"
