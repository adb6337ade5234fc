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
#include <QPlainTextEdit>
#include <QTest>

namespace {

orv::word::test::TestOffice* office = nullptr;

orv::keyboard::ScriptKeyboard& Keyboard(benchmark::State& state) {
    auto& w = orv::keyboard::frmSiddha().Get();
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w)) state.SkipWithError("window not active");
    QTest::keyClicks(w.TextBox1, "ka");
    QTest::keyClick(w.TextBox1, Qt::Key_F1);  // connects
    orv::word::WordBridge::Shared().Flush();
    return w;
}

// Keeps the document and the history at a working session's size, off the
// clock: paragraphs of 40 glyphs (as in bench_word), fresh ones every 200.
void FreshDocumentNowAndThen(benchmark::State& state, int& commits) {
    if (++commits % 40 != 0) return;
    state.PauseTiming();
    auto& bridge = orv::word::WordBridge::Shared();
    bridge.NewParagraph().Wait();
    if (commits % 200 == 0) {
        office->NewDocument();
        orv::keyboard::frmSiddha()->TextBox2->clear();
    }
    state.ResumeTiming();
}

// F1 in the box until the glyph is in the document.
void BM_CommitF1(benchmark::State& state) {
    auto& w = Keyboard(state);
    int commits = 0;
    for (auto _ : state) {
        QTest::keyClick(w.TextBox1, Qt::Key_F1);
        orv::word::WordBridge::Shared().Flush();
        FreshDocumentNowAndThen(state, commits);
    }
}
BENCHMARK(BM_CommitF1)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

// The user-interface thread's own part of it: the key handled, the commit
// handed to the bridge, the history and the box updated.
void BM_CommitF1_UserInterfaceThread(benchmark::State& state) {
    auto& w = Keyboard(state);
    int commits = 0;
    for (auto _ : state) {
        QTest::keyClick(w.TextBox1, Qt::Key_F1);
        state.PauseTiming();
        orv::word::WordBridge::Shared().Flush();
        state.ResumeTiming();
        FreshDocumentNowAndThen(state, commits);
    }
}
BENCHMARK(BM_CommitF1_UserInterfaceThread)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

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
