// One key in the input methods' typing session on the built-in database: the
// keyboard map, the candidate lookup, the pages and the highlight updated,
// up to the moment a front end can draw the new candidate table.
#include "KeyTimes.h"
#include "engine/TypingSession.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

namespace {

std::unique_ptr<orv::data::Database> database;

// Syllables typed key by key and picked with Space, as a user writes a
// mantra in any application.
void BM_EngineKey(benchmark::State& state) {
    const auto table = static_cast<orv::data::ScriptTable>(state.range(0));
    orv::engine::TypingSession session(database.get(), table);
    const QStringList words = {"o.m",    "ma",   "ni",  "pa",  "dme", "huu.m", "k.sa", "tra",
                               "hrii.h", "svaa", "haa", "bhr", "ka",  "mpy",   "t"};
    orv::bench::KeyTimes times;
    size_t word = 0;
    for (auto _ : state) {
        for (const char32_t c : words[word++ % words.size()].toUcs4()) {
            times.Start();
            session.ProcessKey({c, c, false});
            benchmark::DoNotOptimize(session.Candidates().Glyph(session.Pages().First()));
            times.Stop();
        }
        times.Start();
        session.ProcessKey({0x20, 0x20, false});  // Space picks
        benchmark::DoNotOptimize(session.TakeCommit());
        times.Stop();
    }
    times.Report(state);
}
BENCHMARK(BM_EngineKey)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2000);

// Letters of one long word without a pick: every preedit length up to the
// limit (where it goes out and begins anew), each key looking up the whole.
void BM_EngineLongWordKey(benchmark::State& state) {
    orv::engine::TypingSession session(database.get(), orv::data::ScriptTable::Siddham);
    orv::bench::KeyTimes times;
    char32_t c = 'k';
    for (auto _ : state) {
        times.Start();
        session.ProcessKey({c, c, false});
        benchmark::DoNotOptimize(session.Candidates().Count());
        benchmark::DoNotOptimize(session.TakeCommit());
        times.Stop();
        c = c == 'k' ? 'a' : 'k';
    }
    times.Report(state);
}
BENCHMARK(BM_EngineLongWordKey)->Unit(benchmark::kMillisecond)->Iterations(2 * 257 * 4);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString error;
    database = orv::data::OpenReferenceDatabase(QCoreApplication::applicationDirPath(), &error);
    if (!database) {
        fprintf(stderr, "bench_engine: %s\n", qPrintable(error));
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    database.reset();
    return 0;
}
