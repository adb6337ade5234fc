// F1 in the transliteration box to the glyph in a real Writer document, over
// a kept connection.
#include "app/Fonts.h"
#include "app/Program.h"
#include "keyboard/Keyboards.h"
#include "word/TestOffice.h"
#include "word/WordBridge.h"

#include "WindowBench.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>

namespace {

orv::word::test::TestOffice* office = nullptr;

void BM_CommitF1(benchmark::State& state) {
    auto& w = orv::keyboard::frmSiddha().Get();
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w)) state.SkipWithError("window not active");
    QTest::keyClicks(w.TextBox1, "ka");
    QTest::keyClick(w.TextBox1, Qt::Key_F1);  // connects
    int commits = 0;
    for (auto _ : state) {
        QTest::keyClick(w.TextBox1, Qt::Key_F1);
        if (++commits % 200 == 0) {
            state.PauseTiming();
            office->NewDocument();  // keep the document small
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_CommitF1)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
    orv::word::test::TestOffice testOffice;
    return orv::bench::RunWindowBenchmarks(argc, argv, [&testOffice] {
        if (!testOffice.Start() || !testOffice.NewDocument()) {
            qWarning("no office");
            return false;
        }
        office = &testOffice;
        orv::word::WordBridge::Shared().SetPipeName(testOffice.PipeName());
        return true;
    });
}
