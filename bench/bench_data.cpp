// The reference database's hot paths: opening it (every activation of a
// keyboard window), a prefix lookup (every keystroke) and an indexed
// equality lookup (every keyboard-map step and converted character).
#include "app/Program.h"
#include "app/SharedValues.h"
#include "data/Queries.h"
#include "dbbuild/ReferenceSources.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

// A database with 5,000 syllable rows in tbl_siddham built through the real
// builder; the other tables are empty.
class BenchDatabase {
  public:
    BenchDatabase() {
        const QString data = dir_.filePath(QStringLiteral("data"));
        QDir().mkpath(data);
        const char* tables[][2] = {{"tbl_lantsa", "ime\tchars"},
                                   {"tbl_keyboard", "input\tdisplay"},
                                   {"tbl_siddham_trans", "siddham\ttrans"},
                                   {"tbl_siddham_deva", "siddham\tdeva"},
                                   {"tbl_siddham_lantsa", "siddham\tlantsa"},
                                   {"tbl_dictionary", "scripts\ttrans\tmeanings\tabout"},
                                   {"tbl_glyph", "id\tglyph"}};
        for (const auto& t : tables) Write(data, t[0], QString::fromLatin1(t[1]) + "\n");
        QString rows = QStringLiteral("ime\tchars\n");
        const QString letters = QStringLiteral("abcdeghijklmnoprstuvy");
        for (int i = 0; i < 5000; ++i) {
            QString ime;
            for (int n = i; ime.size() < 4; n /= letters.size()) ime += letters[n % letters.size()];
            rows += ime + QStringLiteral("\t\U0001158E\n");
        }
        Write(data, "tbl_siddham", rows);
        QString keyboard = QStringLiteral("input\tdisplay\n");
        for (int i = 0; i < 100; ++i) keyboard += QStringLiteral("k%1\tx\n").arg(i);
        Write(data, "tbl_keyboard", keyboard);
        QString error;
        if (!orv::dbbuild::BuildReferenceDatabase(
                QStringLiteral(ORVANTA_SOURCE_DIR "/db/schema.sql"), data,
                dir_.filePath(QStringLiteral("orvbase.mdb")),
                QString::fromLatin1(orv::data::kDatabasePassphrase), nullptr, &error)) {
            qFatal("cannot build the benchmark database: %s", qPrintable(error));
        }
        orv::app::SetProgramFolderForTesting(dir_.path());
        orv::app::SetMessageHandlerForTesting([](const QString&) {});
    }

  private:
    static void Write(const QString& dir, const char* table, const QString& text) {
        QFile f(dir + QLatin1Char('/') + QLatin1String(table) + QStringLiteral(".tsv"));
        f.open(QIODevice::WriteOnly);
        f.write(text.toUtf8());
    }
    QTemporaryDir dir_;
};

BenchDatabase& Db() {
    static BenchDatabase db;
    return db;
}

void BM_OpenAppDatabase(benchmark::State& state) {
    Db();
    for (auto _ : state) {
        if (!orv::app::OpenAppDatabase()) state.SkipWithError("open failed");
    }
}
BENCHMARK(BM_OpenAppDatabase)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

void BM_PrefixLike(benchmark::State& state) {
    Db();
    orv::app::OpenAppDatabase();
    int rows = 0;
    for (auto _ : state) {
        auto rs = orv::app::AppDatabase->OpenRecordset(
            orv::data::ScriptByImePrefix(orv::data::ScriptTable::Siddham, QStringLiteral("ka")));
        rows = rs ? rs->RecordCount() : -1;
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = rows;
}
BENCHMARK(BM_PrefixLike)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

void BM_IndexedEquality(benchmark::State& state) {
    Db();
    orv::app::OpenAppDatabase();
    for (auto _ : state) {
        auto rs =
            orv::app::AppDatabase->OpenRecordset(orv::data::KeyboardByInput(QStringLiteral("k42")));
        benchmark::DoNotOptimize(rs);
    }
}
BENCHMARK(BM_IndexedEquality)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
