// One keystroke in the transliteration box on the built-in database: the
// keyboard map lookup, the candidate lookup and the twelve buttons and
// labels updated.
#include "app/Fonts.h"
#include "app/Program.h"
#include "keyboard/Keyboards.h"

#include "WindowBench.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <vector>

namespace {

void BM_Keystroke(benchmark::State& state) {
    auto& w = orv::keyboard::frmSiddha().Get();
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w)) state.SkipWithError("window not active");
    // Syllables typed key by key, as a user writes a mantra.
    const QStringList words = {"om", "ma", "ni", "pa", "dme", "hum", "kssa", "tra", "hrih", "sva"};
    std::vector<double> micros;
    QElapsedTimer timer;
    size_t word = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w.TextBox1->clear();
        const QString text = words[word++ % words.size()];
        state.ResumeTiming();
        for (QChar c : text) {
            timer.start();
            QTest::sendKeyEvent(QTest::Press, w.TextBox1, Qt::Key_unknown, QString(c), {});
            QTest::sendKeyEvent(QTest::Release, w.TextBox1, Qt::Key_unknown, QString(c), {});
            micros.push_back(static_cast<double>(timer.nsecsElapsed()) / 1000.0);
        }
    }
    std::sort(micros.begin(), micros.end());
    if (!micros.empty()) {
        state.counters["key_median_us"] = micros[micros.size() / 2];
        state.counters["key_p99_us"] =
            micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
        state.counters["keys"] = static_cast<double>(micros.size());
    }
}
BENCHMARK(BM_Keystroke)->Unit(benchmark::kMillisecond)->Iterations(500);

}  // namespace

// The built-in database lies beside the benchmark.
int main(int argc, char** argv) { return orv::bench::RunWindowBenchmarks(argc, argv); }
