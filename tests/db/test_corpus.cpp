// The corpus as db/generate.py spells it: syllables on the first page, lines convert back.
#include "converter/SiddhamConverter.h"
#include "data/Database.h"
#include "keyboard/CandidateList.h"

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
        const QString bin = qEnvironmentVariable("ORVANTA_BINARY_DIR");
        QString error;
        db_ = data::Database::Open(bin + "/bin/orvbase.mdb", data::kDatabasePassphrase,
                                   data::Database::Mode::ReadOnly, &error);
        QFile fixture(bin + "/tests/db/corpus.tsv");
        QVERIFY2(db_ && fixture.open(QIODevice::ReadOnly), qPrintable(error));
        for (const QString& line : QString::fromUtf8(fixture.readAll()).split('\n'))
            if (const QStringList f = line.split('\t'); f.size() == 4)
                (f[0] == "line" ? lines_ : syllables_) << Spelling{f[1], f[2], f[3]};
        QVERIFY(lines_.size() >= 200 && syllables_.size() >= 4000);
    }

    void everySyllableIsOnTheFirstPage() {
        QStringList missing;
        for (const auto table : {data::ScriptTable::Siddham, data::ScriptTable::Lantsa}) {
            const char* name = table == data::ScriptTable::Siddham ? "tbl_siddham" : "tbl_lantsa";
            QHash<QString, bool> seen;  // IAST + spelling -> on the first page
            int found = 0;
            for (const Spelling& s : std::as_const(syllables_)) {
                const QString want = table == data::ScriptTable::Siddham ? s.siddham : s.deva;
                auto it = seen.find(s.iast + '\t' + want);
                if (it == seen.end()) {
                    keyboard::CandidateList list;
                    list.Lookup(db_.get(), table, s.iast);
                    bool onPage = false;
                    for (int p = 0; p < keyboard::kPageSize; ++p) onPage |= list.Glyph(p) == want;
                    it = seen.insert(s.iast + '\t' + want, onPage);
                    if (!onPage) missing << QString(name) + ": " + s.iast;
                }
                found += *it;
            }
            qInfo("%s: %d of %lld syllables (%.2f %%, %lld distinct) on the first page", name,
                  found, syllables_.size(), 100.0 * found / syllables_.size(), seen.size());
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
    }

    void linesConvertBack() {
        QStringList wrong;
        for (const char* name : {"trans", "deva", "lantsa"}) {
            const auto target = name[0] == 't'   ? converter::Target::Trans
                                : name[0] == 'd' ? converter::Target::Deva
                                                 : converter::Target::Lantsa;
            const converter::SiddhamConverter converter(target);
            int exact = 0;
            for (const Spelling& line : std::as_const(lines_)) {
                const QString want = target == converter::Target::Trans ? line.iast : line.deva;
                const QString got = converter.ConvertAll(line.siddham, db_).value_or("(failed)");
                exact += got == want;
                if (got != want) wrong << QString("%1: \"%2\" gave \"%3\"").arg(name, want, got);
            }
            qInfo("%s: %d of %lld lines exact", name, exact, lines_.size());
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join('\n')));
    }
};

QTEST_GUILESS_MAIN(CorpusTest)
#include "test_corpus.moc"
