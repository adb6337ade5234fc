// The dictionary on the built-in database: a prefix search that lists every
// entry (query and list update), and opening the meaning window for a word.
#include "app/Fonts.h"
#include "app/Program.h"
#include "app/SharedValues.h"
#include "dictionary/DictionaryWindows.h"

#include "WindowBench.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

orv::dictionary::DictionaryWindow& Dictionary() {
    auto& w = orv::dictionary::frmMdict().Get();
    if (!w.isVisible()) {
        w.show();
        w.activateWindow();
        [[maybe_unused]] bool active = QTest::qWaitForWindowActive(&w);
    }
    return w;
}

void BM_ListEveryEntry(benchmark::State& state) {
    auto& w = Dictionary();
    w.TextBox11->setText(QStringLiteral(" "));
    w.TextBox1->setText(QStringLiteral(" "));  // blanks: every entry
    for (auto _ : state) {
        w.Command2->click();
        benchmark::DoNotOptimize(w.ListBox1->count());
    }
    state.counters["entries"] = w.ListBox1->count();
}
BENCHMARK(BM_ListEveryEntry)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

void BM_OpenMeaning(benchmark::State& state) {
    auto& w = Dictionary();
    w.TextBox1->setText(QStringLiteral(" "));
    w.Command2->click();
    const int count = w.ListBox1->count();
    int i = 0;
    for (auto _ : state) {
        w.OpenMeaning(w.ListBox1->item(i++ % count)->text());
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_OpenMeaning)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) { return orv::bench::RunWindowBenchmarks(argc, argv); }
