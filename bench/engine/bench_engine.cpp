// One key in the input methods' typing session on the built-in database: the
// keyboard map, the candidate lookup, the pages and the highlight updated,
// up to the moment a front end can draw the new candidate table.
#include "KeyTimes.h"
#include "engine/TypingSession.h"
#include "engine/Vocabulary.h"
#include "engine/WordStore.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

std::unique_ptr<orv::data::Database> database;

// The resident memory of this process now and at its peak, in MB.
double Megabytes(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ')[0].toDouble() / 1024;
    return 0;
}

// A learned store of `words` words made of real syllables, as a year of
// typing would leave it.
void FillStore(const QString& path, int words) {
    const QStringList syllables{"ka",  "kha", "ga",  "ṇa",  "dhā", "ri",  "śū", "pra",
                                "jñā", "tva", "ya",  "sa",  "mā",  "dhi", "bo", "ttva",
                                "ra",  "tna", "he",  "vaṃ", "hūṃ", "ṣṭa", "bu", "ddha",
                                "ta",  "thā", "gha", "ma",  "ni",  "pa"};
    QString text;
    QTextStream out(&text);
    QRandomGenerator random(11);
    for (int i = 0; i < words; ++i) {
        // The number written in syllables: every word a different one.
        QString word;
        for (int n = i + syllables.size(); n > 0; n /= int(syllables.size()))
            word += syllables[n % syllables.size()];
        out << word << '\t' << (1 + random.bounded(20)) << '\t' << (1'700'000'000 + i) << '\n';
    }
    QTextStream in(&text);
    QString error;
    orv::engine::WordStore::Import(path, in, &error);
}

// Words typed key by key with word candidates on, the lexicon and a store of
// 100,000 learned words behind them; each word is picked whole and learned.
void BM_WordKey(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("learned.sqlite"));
    FillStore(path, orv::engine::WordStore::kMaxWords);
    orv::engine::WordStore store(path);
    orv::engine::Vocabulary vocabulary(*database, &store);
    state.counters["learned"] = vocabulary.Index().LearnedCount();
    state.counters["lexicon"] = vocabulary.Index().LexiconSize();
    orv::engine::TypingSession session(database.get(), orv::data::ScriptTable::Siddham);
    session.SetWords(&vocabulary, true, true);
    const QStringList words = {
        "namah",     "samantabuddhanam", "o.m",  "ma.ni",          "padme",          "huu.m",
        "svaahaa",   "prajnaaparamitaa", "gate", "bodhisattvaaya", "mahaasattvaaya", "sariputra",
        "dhaara.nii"};
    orv::bench::KeyTimes keys, picks;
    size_t word = 0;
    for (auto _ : state) {
        for (const char32_t c : words[word++ % words.size()].toUcs4()) {
            keys.Start();
            session.ProcessKey({c, c, false});
            benchmark::DoNotOptimize(session.Candidates().Glyph(session.Pages().First()));
            keys.Stop();
        }
        picks.Start();
        session.ProcessKey({0x20, 0x20, false});  // Space takes the word, which is learned
        benchmark::DoNotOptimize(session.TakeCommit());
        picks.Stop();
    }
    keys.Report(state);
    state.counters["rss_mb"] = Megabytes("VmRSS:");
    state.counters["peak_rss_mb"] = Megabytes("VmHWM:");
    picks.Report(state, "pick");
}
BENCHMARK(BM_WordKey)->Unit(benchmark::kMillisecond)->Iterations(3000);

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
