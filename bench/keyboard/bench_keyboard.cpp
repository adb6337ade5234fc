// One keystroke in the transliteration box on the built-in database: the
// keyboard map lookup, the candidate lookup and the twelve buttons and
// labels updated.
#include "app/Fonts.h"
#include "app/Program.h"
#include "keyboard/Keyboards.h"

#include "KeyTimes.h"
#include "WindowBench.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>

namespace {

void BM_Keystroke(benchmark::State& state) {
    auto& w = orv::keyboard::frmSiddha().Get();
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w)) state.SkipWithError("window not active");
    // Syllables typed key by key, as a user writes a mantra.
    const QStringList words = {"om", "ma", "ni", "pa", "dme", "hum", "kssa", "tra", "hrih", "sva"};
    orv::bench::KeyTimes times;
    size_t word = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w.TextBox1->clear();
        const QString text = words[word++ % words.size()];
        state.ResumeTiming();
        for (QChar c : text) {
            times.Start();
            QTest::sendKeyEvent(QTest::Press, w.TextBox1, Qt::Key_unknown, QString(c), {});
            QTest::sendKeyEvent(QTest::Release, w.TextBox1, Qt::Key_unknown, QString(c), {});
            times.Stop();
        }
    }
    times.Report(state);
}
BENCHMARK(BM_Keystroke)->Unit(benchmark::kMillisecond)->Iterations(500);

}  // namespace

// The built-in database lies beside the benchmark.
int main(int argc, char** argv) { return orv::bench::RunWindowBenchmarks(argc, argv); }
