// The speller on the built-in database: one word at a time, as the input
// methods spell what is typed, and a long text in-process.
#include "KeyTimes.h"
#include "engine/Speller.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>

namespace {

std::optional<orv::engine::SpellerTables> tables[2];

// Words of one to eleven syllables, IAST, spelled whole.
void BM_SpellWord(benchmark::State& state) {
    const auto& t = *tables[state.range(0)];
    const QStringList words = {
        "hūṃ",         "oṃ",  "prajñāpāramitā", "samyaksaṃbodhim", "tryadhvavyavasthitāḥ", "svāhā",
        "kṣitigarbha", "tāṃś"};
    orv::bench::KeyTimes times;
    size_t word = 0;
    for (auto _ : state) {
        times.Start();
        benchmark::DoNotOptimize(t.Spell(words[word++ % words.size()], orv::engine::Scheme::Iast));
        times.Stop();
    }
    times.Report(state);  // "key" here: one word
}
BENCHMARK(BM_SpellWord)->Arg(0)->Arg(1)->Iterations(20000);

// The test corpus repeated to about 1 MB of IAST, spelled in 64 KB pieces as
// the command does; the rate counts characters (code points) read.
void BM_SpellText(benchmark::State& state) {
    const auto& t = *tables[state.range(0)];
    QFile corpus(QStringLiteral(ORVANTA_SOURCE_DIR "/tests/corpus/corpus.txt"));
    if (!corpus.open(QIODevice::ReadOnly)) return state.SkipWithError("no corpus");
    const QString one = QString::fromUtf8(corpus.readAll());
    QString text;
    while (text.size() < 1000000) text += one;
    const auto chars = static_cast<int64_t>(text.toUcs4().size());
    for (auto _ : state) {
        orv::engine::SpellStream stream(t, orv::engine::Scheme::Iast);
        QString out;
        for (qsizetype at = 0; at < text.size(); at += 65536) {
            out.clear();
            stream.Feed(QStringView(text).sliced(at, std::min<qsizetype>(65536, text.size() - at)),
                        out);
            benchmark::DoNotOptimize(out);
        }
        stream.Finish(out);
    }
    state.SetItemsProcessed(state.iterations() * chars);
}
BENCHMARK(BM_SpellText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString error;
    const auto database =
        orv::data::OpenReferenceDatabase(QCoreApplication::applicationDirPath(), &error);
    for (const auto script : {orv::engine::Script::Siddham, orv::engine::Script::Lantsa}) {
        if (database)
            tables[static_cast<int>(script)] =
                orv::engine::SpellerTables::Load(*database, script, &error);
        if (!tables[static_cast<int>(script)]) {
            fprintf(stderr, "bench_speller: %s\n", qPrintable(error));
            return 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
