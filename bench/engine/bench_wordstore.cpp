// The learned words with a store of 100,000 words: what a commit costs on the
// key's path (Learn only queues), taking the changes read back, and the
// worker's own times (a commit written and read back, the first load).
#include "KeyTimes.h"
#include "engine/WordStore.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

using orv::engine::WordStore;

QString storePath;

QString NumberWord(int n) {
    QString w = "k";
    for (int i = 0; i < 4; ++i, n /= 26) w.insert(1, QChar('a' + n % 26));
    return w;
}

// Commits of words the store holds and of new ones, on the key's path.
void BM_WordStoreLearn(benchmark::State& state) {
    WordStore store(storePath);
    store.Flush();
    orv::bench::KeyTimes times;
    int n = 0;
    for (auto _ : state) {
        if (n % 5000 == 4999) {  // a burst no typist makes must not fill the queue
            state.PauseTiming();
            store.Flush();
            state.ResumeTiming();
        }
        const QString word = NumberWord((n++ * 7919) % 120000);
        times.Start();
        store.Learn(word);
        times.Stop();
    }
    store.Flush();
    times.Report(state);
}
BENCHMARK(BM_WordStoreLearn)->Unit(benchmark::kMicrosecond)->Iterations(20000);

// Taking what the worker read back after ten commits.
void BM_WordStoreTakeChanges(benchmark::State& state) {
    WordStore store(storePath);
    store.Flush();
    store.TakeChanges();
    orv::bench::KeyTimes times;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < 10; ++i) store.Learn(NumberWord(n++ % 100000));
        store.Flush();
        state.ResumeTiming();
        times.Start();
        benchmark::DoNotOptimize(store.TakeChanges());
        times.Stop();
    }
    times.Report(state);
}
BENCHMARK(BM_WordStoreTakeChanges)->Unit(benchmark::kMicrosecond)->Iterations(500);

// The worker: one commit written to the file and read back (off the key's path).
void BM_WordStoreWriteAndReadBack(benchmark::State& state) {
    WordStore store(storePath);
    store.Flush();
    int n = 0;
    for (auto _ : state) {
        store.Learn(NumberWord(n++ % 100000));
        store.Flush();
        benchmark::DoNotOptimize(store.TakeChanges());
    }
}
BENCHMARK(BM_WordStoreWriteAndReadBack)->Unit(benchmark::kMillisecond)->Iterations(500);

// The worker: opening, checking and handing over every word of the store.
void BM_WordStoreFirstLoad(benchmark::State& state) {
    for (auto _ : state) {
        WordStore store(storePath);
        store.Flush();
        benchmark::DoNotOptimize(store.TakeChanges());
    }
}
BENCHMARK(BM_WordStoreFirstLoad)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    storePath = dir.path() + "/learned-words.sqlite";
    QString list;
    for (int i = 0; i < WordStore::kMaxWords; ++i)
        list +=
            QStringLiteral("%1\t%2\t%3\n").arg(NumberWord(i)).arg(1 + i % 50).arg(1700000000 + i);
    QTextStream in(&list);
    QString error;
    if (!WordStore::Import(storePath, in, &error)) {
        std::fprintf(stderr, "bench_wordstore: %s\n", qUtf8Printable(error));
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
