// The converter on the built-in database beside the benchmark: the engine's
// rate (with and without reading the table), the window converting a
// 100,000-character clipboard, and the command on a 1 MB file.
#include "app/Fonts.h"
#include "app/Program.h"
#include "app/SharedValues.h"
#include "converter/ConverterWindow.h"

#include "WindowBench.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <random>

namespace {

using orv::converter::SiddhamConverter;
using orv::converter::Target;

// Siddham text as a document holds it: words of one to four syllables that
// the tables know, blanks between them and a line break every 60 or so
// characters (or none, for one long paragraph).
QString SampleText(int characters, bool lineBreaks) {
    static QStringList syllables;
    if (syllables.isEmpty()) {
        auto rows = orv::app::AppDatabase->OpenRecordset(
            {QStringLiteral("select siddham from tbl_siddham_trans"), {}});
        for (bool more = rows && rows->MoveFirst(); more && !rows->Eof(); rows->MoveNext())
            syllables << rows->Text(QStringLiteral("siddham"));
    }
    std::mt19937 random(8);
    QString text;
    int count = 0, line = 0;
    while (count < characters) {
        const int word = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < word && count < characters - 1; ++i, ++count, ++line)
            text += syllables[static_cast<qsizetype>(random() % syllables.size())];
        text += lineBreaks && line > 60 ? QLatin1Char('\n') : QLatin1Char(' ');
        if (line > 60) line = 0;
        ++count;
    }
    return text;
}

void BM_Engine(benchmark::State& state) {
    const auto target = static_cast<Target>(state.range(0));
    const QString text = SampleText(100000, true);
    for (auto _ : state) {
        auto out = SiddhamConverter(target).ConvertAll(text, orv::app::AppDatabase);
        if (!out) state.SkipWithError("conversion failed");
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_Engine)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The stream alone on the table in memory, fed in 64 KB pieces as the
// command feeds it: no table read in the loop.
void BM_Stream(benchmark::State& state) {
    const auto target = static_cast<Target>(state.range(0));
    const QString text = SampleText(100000, true);
    const auto map = SiddhamConverter(target).LoadMap(orv::app::AppDatabase);
    if (!map) state.SkipWithError("table not read");
    for (auto _ : state) {
        orv::converter::ConversionStream stream(*map);
        QString out;
        for (qsizetype at = 0; at < text.size(); at += 32768) {
            stream.Feed(QStringView(text).sliced(at, std::min<qsizetype>(32768, text.size() - at)));
            stream.Take(out);
        }
        stream.Finish();
        stream.Take(out);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_Stream)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// A button click on a 100,000-character clipboard until the box holds the
// result; arguments: target, line breaks (1) or one paragraph (0).
void BM_Window100k(benchmark::State& state) {
    const auto target = static_cast<Target>(state.range(0));
    auto& w = orv::converter::frmHVConv().Get();
    w.show();
    if (!QTest::qWaitForWindowExposed(&w)) state.SkipWithError("window not shown");
    QPushButton* button = target == Target::Trans  ? w.CommandButton3
                          : target == Target::Deva ? w.CommandButton1
                                                   : w.CommandButton2;
    QGuiApplication::clipboard()->setText(SampleText(100000, state.range(1) != 0));
    for (auto _ : state) {
        button->click();
        benchmark::DoNotOptimize(w.OutputBox(target)->document()->characterCount());
    }
}
BENCHMARK(BM_Window100k)
    ->ArgsProduct({{0, 1, 2}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// The command on a 1 MB file, process start to exit.
void BM_Command1MB(benchmark::State& state) {
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("input.txt"));
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly)) state.SkipWithError("cannot write the input");
    QByteArray bytes = SampleText(300000, true).toUtf8();
    bytes.truncate(bytes.lastIndexOf('\n', 1 << 20) + 1);
    file.write(bytes);
    file.close();
    const QString program = QCoreApplication::applicationDirPath() + "/orvanta-convert";
    for (auto _ : state) {
        QProcess process;
        process.start(program, {QStringLiteral("--to"), QStringLiteral("trans"), input});
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            state.SkipWithError("the command failed");
        benchmark::DoNotOptimize(process.readAllStandardOutput());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.counters["input_bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_Command1MB)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

// The built-in database lies beside the benchmark.
int main(int argc, char** argv) {
    return orv::bench::RunWindowBenchmarks(argc, argv, [] { return orv::app::OpenAppDatabase(); });
}
