// The document bridge's costs as the caller sees them: operations on a real
// headless Writer over a kept connection, and the failure paths with no
// office listening. Each operation crosses to the bridge's worker thread and
// into another process, so the figures are wall-clock time.
#include "word/TestOffice.h"
#include "word/WordBridge.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <unistd.h>

#include <memory>

using orv::word::WordBridge;

namespace {

const QString kFont = QStringLiteral("Noto Sans Siddham");
const QString kKi = QStringLiteral("\U0001158E\U000115B0");

orv::word::test::TestOffice* office = nullptr;
std::unique_ptr<WordBridge> bridge;  // connected to the test office
std::unique_ptr<WordBridge> nobody;  // a pipe no office listens on

// Wall-clock time, five repetitions, the median among the aggregates.
void Timing(benchmark::internal::Benchmark* b) {
    b->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
}

// A fresh document; the connection is made before timing starts.
bool Prepare(benchmark::State& state) {
    if (!office->NewDocument() ||
        bridge->InsertText(QStringLiteral(".")).Wait() != orv::word::Delivery::Done) {
        state.SkipWithError("the office does not take text");
        return false;
    }
    return true;
}

// Commits into paragraphs of a realistic length: a break every 40 commits.
void EndParagraphEvery40(benchmark::State& state, int& count) {
    if (++count % 40 != 0) return;
    state.PauseTiming();
    bridge->NewParagraph().Wait();
    state.ResumeTiming();
}

// Until the text is in the document.
void BM_InsertInFont(benchmark::State& state) {
    const bool blank = state.range(0) == 1;
    if (!Prepare(state)) return;
    int count = 0;
    for (auto _ : state) {
        if (bridge->InsertInFont(kKi, kFont, blank).Wait() != orv::word::Delivery::Done) {
            state.SkipWithError("insert failed");
        }
        EndParagraphEvery40(state, count);
    }
}
BENCHMARK(BM_InsertInFont)->Apply(Timing)->ArgName("blank")->Arg(0)->Arg(1);

void BM_InsertInFontInTwoHalves(benchmark::State& state) {
    const bool blank = state.range(0) == 1;
    if (!Prepare(state)) return;
    int count = 0;
    for (auto _ : state) {
        bridge->InsertFontAndText(kKi, kFont);
        if (bridge->InsertBlankAndMove(blank).Wait() != orv::word::Delivery::Done) {
            state.SkipWithError("insert failed");
        }
        EndParagraphEvery40(state, count);
    }
}
BENCHMARK(BM_InsertInFontInTwoHalves)->Apply(Timing)->ArgName("blank")->Arg(0)->Arg(1);

// What the caller spends: handing the operation over, not waiting for it.
void BM_HandOver_InsertInFont(benchmark::State& state) {
    if (!Prepare(state)) return;
    int count = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(bridge->InsertInFont(kKi, kFont, false));
        if (++count % 20 == 0) {
            state.PauseTiming();
            bridge->Flush();
            state.ResumeTiming();
        }
    }
    bridge->Flush();
}
// A fixed count: each iteration costs the office a commit, off the clock.
BENCHMARK(BM_HandOver_InsertInFont)->Apply(Timing)->Iterations(400)->Unit(benchmark::kMicrosecond);

void BM_CopySelection(benchmark::State& state) {
    if (!office->NewDocument(QStringLiteral("Hello ") + kKi))
        return state.SkipWithError("no document");
    office->PlaceCursor(0, 8);
    for (auto _ : state) bridge->CopySelection().Wait();
}
BENCHMARK(BM_CopySelection)->Apply(Timing);

// The office runs but has no document open.
void BM_NoDocument_InsertInFont(benchmark::State& state) {
    office->CloseDocuments();
    for (auto _ : state) benchmark::DoNotOptimize(bridge->InsertInFont(kKi, kFont, false).Wait());
}
BENCHMARK(BM_NoDocument_InsertInFont)->Apply(Timing)->Unit(benchmark::kMicrosecond);

// No office listening: every operation fails.
void BM_NoOffice_InsertInFont(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(nobody->InsertInFont(kKi, kFont, false).Wait());
}
BENCHMARK(BM_NoOffice_InsertInFont)->Apply(Timing)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    orv::word::test::TestOffice testOffice;
    if (!testOffice.Start()) {
        qWarning("bench_word: the headless office did not start");
        return 1;
    }
    office = &testOffice;
    bridge = std::make_unique<WordBridge>(testOffice.PipeName());
    nobody = std::make_unique<WordBridge>(QStringLiteral("orvbench-nobody-%1").arg(::getpid()));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    nobody.reset();
    bridge.reset();
    return 0;
}
