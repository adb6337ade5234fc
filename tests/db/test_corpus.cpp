// The corpus as db/generate.py spells it: syllables on the first page, lines convert back.
#include "converter/SiddhamConverter.h"
#include "data/Queries.h"
#include "engine/CandidateList.h"
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
};

QTEST_GUILESS_MAIN(CorpusTest)
#include "test_corpus.moc"
