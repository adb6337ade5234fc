// The learned words: the store across reopening, stores and processes, kill -9, damaged and
// unwritable files, the bound, orvanta-words, and the input methods' settings file.
#include "engine/InputSettings.h"
#include "engine/WordStore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace orv::engine;

namespace {

using Counts = QMap<QString, int>;

// What an input method holds: the words a store has handed over so far.
struct View {
    WordStore store;
    Counts words;
    explicit View(const QString& path) : store(path) {}
    // Waits for the store's queue and other processes' writes, then takes the changes.
    const Counts& Sync() {
        store.CheckNow();
        store.Flush();
        if (auto changes = store.TakeChanges()) {
            if (changes->reset) words.clear();
            for (const LearnedWord& w : changes->words) {
                if (w.count == 0)
                    words.remove(w.word);
                else
                    words[w.word] = int(w.count);
            }
        }
        return words;
    }
};

// "namo:2 svaha:1" as counts.
Counts ParseCounts(const QString& text) {
    Counts out;
    for (const QString& item : text.split(' ', Qt::SkipEmptyParts))
        out[item.section(':', 0, -2).replace('_', ' ')] = item.section(':', -1).toInt();
    return out;
}

QString ExportText(const QString& path) {
    QString text, error;
    QTextStream out(&text);
    if (!WordStore::Export(path, out, &error)) return "error: " + error;
    return text;
}

std::optional<int> ImportText(const QString& path, QString text, QString* error = nullptr) {
    QTextStream in(&text);
    return WordStore::Import(path, in, error);
}

// A word of letters only for each number: "kaaaa", "kaaab", ...
QString NumberWord(int n) {
    QString w = "k";
    for (int i = 0; i < 4; ++i, n /= 26) w.insert(1, QChar('a' + n % 26));
    return w;
}

// Export lines for `n` words from `first` on, with a count and a time.
QString ListOf(int first, int n, int count, qint64 time) {
    QString text;
    for (int i = first; i < first + n; ++i)
        text += QStringLiteral("%1\t%2\t%3\n").arg(NumberWord(i)).arg(count).arg(time);
    return text;
}

}  // namespace

class WordStoreTest : public QObject {
    Q_OBJECT
    QTemporaryDir home_;
    int n_ = 0;

    // A fresh store path in a folder of its own.
    QString NewPath() {
        const QString dir = QStringLiteral("%1/s%2").arg(home_.path()).arg(++n_);
        QDir().mkpath(dir);
        return dir + "/learned-words.sqlite";
    }

    std::tuple<int, QByteArray, QByteArray> Run(const QStringList& args,
                                                const QByteArray& in = {}) {
        QProcess p;
        p.start(Command(), args);
        p.write(in);
        p.closeWriteChannel();
        const bool ended = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit;
        return {ended ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
    }
    static QString Command() {
        return qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin/orvanta-words";
    }

  private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("XDG_DATA_HOME", (home_.path() + "/data").toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/config").toUtf8());
        QCOMPARE(WordStore::DefaultPath(), home_.path() + "/data/orvanta/learned-words.sqlite");
        QCOMPARE(InputSettings::DefaultPath(), home_.path() + "/config/orvanta/input-method.conf");
    }

    void learnedForm_data() {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        const std::pair<const char*, const char*> rows[] = {
            {"Namo", "namo"},
            {"  namo \t ratna\ntrayāya ", "namo ratna trayāya"},
            {"OṀ", "oṃ"},
            {"hu\u0304m\u0323", "hūṃ"},
            {"𑖭𑖿𑖪𑖯𑖮𑖯", "𑖭𑖿𑖪𑖯𑖮𑖯"},
            {" 123 || ", ""},
            {"", ""}};
        for (const auto& [in, out] : rows) QTest::newRow(in) << QString(in) << QString(out);
    }
    void learnedForm() {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(LearnedForm(in), out);
    }

    // Learned words survive closing; words that differ only in form count as one.
    void learnKeepsCounts_data() {
        QTest::addColumn<QStringList>("commits");
        QTest::addColumn<QString>("expected");
        QTest::newRow("repeats") << QStringList{"namo", "svāhā", "namo", "namo"}
                                 << "namo:3 svāhā:1";
        QTest::newRow("forms") << QStringList{"Namo", "namo ", "OṀ", "oṃ", "42", ""}
                               << "namo:2 oṃ:2";
        QTest::newRow("phrase") << QStringList{"namo  ratnatrayāya"} << "namo_ratnatrayāya:1";
    }
    void learnKeepsCounts() {
        QFETCH(QStringList, commits);
        QFETCH(QString, expected);
        const QString path = NewPath();
        {
            View v(path);
            for (const QString& w : commits) v.store.Learn(w);
            QCOMPARE(v.Sync(), ParseCounts(expected));
            QVERIFY(v.store.Writable());
        }
        View again(path);
        QCOMPARE(again.Sync(), ParseCounts(expected));
    }

    // Two stores on one file (two input methods): each step by one store, then both look.
    void storesSeeEachOther_data() {
        QTest::addColumn<QString>("steps");  // A+w learn, A-w forget, A! forget all
        QTest::addColumn<QString>("expected");
        const std::pair<const char*, const char*> rows[] = {
            {"A+namo B+svāhā B+namo", "namo:2 svāhā:1"},  // both learn
            {"A+namo A+oṃ B-namo", "oṃ:1"},               // forget
            {"A+namo B-namo A+namo", "namo:1"},           // learn after forget
            {"A+namo B+oṃ A! B+hūṃ", "hūṃ:1"}};           // forget all
        for (const auto& [steps, expected] : rows)
            QTest::newRow(steps) << QString(steps) << QString(expected);
    }
    void storesSeeEachOther() {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        const QString path = NewPath();
        View a(path), b(path);
        for (const QString& step : steps.split(' ')) {
            View& by = step[0] == 'A' ? a : b;
            const QString word = step.mid(2);
            if (step[1] == '+') by.store.Learn(word);
            if (step[1] == '-') by.store.Forget(word);
            if (step[1] == '!') by.store.ForgetAll();
            by.Sync();
            (&by == &a ? b : a).Sync();
            QCOMPARE(a.words, b.words);
        }
        QCOMPARE(a.words, ParseCounts(expected));
    }

    // Two imports at once, while an input method keeps the store open.
    void twoProcessesAtOnce() {
        const QString path = NewPath(), dir = QFileInfo(path).path();
        View engine(path);
        engine.Sync();
        QStringList files;
        for (int p = 0; p < 2; ++p) {
            files << QStringLiteral("%1/in%2.txt").arg(dir).arg(p);
            QFile f(files.last());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(ListOf(p * 2000, 3000, 1, 100).toUtf8());  // 1,000 words shared
        }
        QProcess imports[2];
        for (int p = 0; p < 2; ++p)
            imports[p].start(Command(), {"--store", path, "import", files[p]});
        for (auto& p : imports) {
            QVERIFY(p.waitForFinished(120000));
            QCOMPARE(p.exitCode(), 0);
            QCOMPARE(p.readAllStandardOutput(), "3000 words imported\n");
        }
        const Counts& seen = engine.Sync();
        QCOMPARE(seen.size(), 5000);
        QCOMPARE(seen.value(NumberWord(2500)), 2);
        QCOMPARE(seen.value(NumberWord(4999)), 1);
    }

    // kill -9 while an import writes: every earlier word is there, the import all or nothing.
    void killDuringWrite_data() {
        QTest::addColumn<qint64>("walBytes");  // killed once the journal has grown this far
        QTest::newRow("early") << qint64(4096);
        QTest::newRow("mid") << qint64(1 << 20);
        QTest::newRow("late") << qint64(4 << 20);
    }
    void killDuringWrite() {
        QFETCH(qint64, walBytes);
        const QString path = NewPath(), big = QFileInfo(path).path() + "/big.txt";
        QVERIFY(ImportText(path, ListOf(0, 500, 7, 100)));
        QFile f(big);
        QVERIFY(f.open(QIODevice::WriteOnly));
        for (int i = 1000; i < 91000; i += 10) {  // text: 90,000 words, each once
            QString line;
            for (int j = i; j < i + 10; ++j) line += NumberWord(j) + ' ';
            f.write(line.toUtf8() + '\n');
        }
        f.close();
        QProcess p;
        p.start(Command(), {"--store", path, "import", big});
        QVERIFY(p.waitForStarted());
        while (p.state() == QProcess::Running && QFileInfo(path + "-wal").size() < walBytes)
            QTest::qWait(1);
        const bool killed = p.state() == QProcess::Running && p.processId() > 0;
        if (killed) ::kill(pid_t(p.processId()), SIGKILL);
        p.waitForFinished();
        View v(path);
        const Counts& words = v.Sync();
        QVERIFY(v.store.Writable());
        QVERIFY(QDir(QFileInfo(path).path()).entryList({"*.broken-*"}).isEmpty());
        for (int i = 0; i < 500; ++i) QCOMPARE(words.value(NumberWord(i)), 7);
        QVERIFY2(words.size() == 500 || words.size() == 90500,
                 qPrintable(QString::number(words.size())));
        if (!killed) qInfo("the import ended before the kill");
    }

    // A damaged file is set aside under a dated name; a fresh store works.
    void damagedFileSetAside_data() {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray garbage(8192, '\0');
        for (int i = 0; i < garbage.size(); ++i) garbage[i] = char((i * 7919) % 251);
        QTest::newRow("garbage") << garbage;
        QTest::newRow("text") << QByteArray("namo\t3\t100\n");
        QTest::newRow("sqlite header, garbage") << QByteArray("SQLite format 3\0", 16) + garbage;
    }
    void damagedFileSetAside() {
        QFETCH(QByteArray, bytes);
        const QString path = NewPath();
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Learned words: .* set aside as"));
        View v(path);
        v.store.Learn("namo");
        QCOMPARE(v.Sync(), ParseCounts("namo:1"));
        QVERIFY(v.store.Writable());
        const QStringList aside =
            QDir(QFileInfo(path).path()).entryList({"learned-words.sqlite.broken-*"}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QVERIFY(QRegularExpression(R"(^learned-words\.sqlite\.broken-\d{8}-\d{6}$)")
                    .match(aside[0])
                    .hasMatch());
        QFile kept(QFileInfo(path).path() + '/' + aside[0]);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), bytes);
    }

    // Unwritable: learning pauses with one log line, what is there still reads.
    void unwritablePauses_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("readable");
        const std::tuple<const char*, const char*, const char*> rows[] = {
            {"folder is a file", "file-parent", ""},
            {"read-only folder", "folder", "namo:2"},
            {"read-only file", "file", "namo:2"},
            {"full disk", "full", "namo:2"}};
        for (const auto& [what, kind, readable] : rows)
            QTest::newRow(what) << QString(kind) << QString(readable);
    }
    void unwritablePauses() {
        QFETCH(QString, kind);
        QFETCH(QString, readable);
        QString path = NewPath();
        const QString dir = QFileInfo(path).path();
        if (kind == "file-parent") {
            QFile block(dir + "/block");
            QVERIFY(block.open(QIODevice::WriteOnly));
            path = dir + "/block/learned-words.sqlite";
        } else {
            if (kind != "full" && geteuid() == 0) QSKIP("root writes to read-only files");
            QVERIFY(ImportText(path, "namo namo"));
            if (kind != "full")
                QFile::setPermissions(kind == "file" ? path : dir,
                                      QFile::ReadOwner | QFile::ExeOwner | QFile::ReadUser);
        }
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("Learned words: cannot .*learning paused"));
        View v(path);
        if (kind == "full") {
            // No file may grow past 64 KiB: the journal fills up as on a full disk.
            QVERIFY(v.store.Writable());
            const auto ignored = ::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{}, full{64 * 1024, 64 * 1024};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            full.rlim_max = limit.rlim_max;
            ::setrlimit(RLIMIT_FSIZE, &full);
            for (int i = 0; i < 5000; ++i) v.store.Learn(NumberWord(i));
            v.Sync();
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, ignored);
            QCOMPARE(v.words.value("namo"), 2);  // the batches before the full one may be in
        } else {
            QCOMPARE(v.Sync(), ParseCounts(readable));
        }
        QVERIFY(!v.store.Writable());
        const Counts before = v.words;
        for (int i = 0; i < 100; ++i) v.store.Learn("svāhā");
        QCOMPARE(v.Sync(), before);
        QString error;
        QVERIFY(kind == "full" || !ImportText(path, "svāhā", &error));
        QVERIFY(kind == "full" || !error.isEmpty());
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Past the bound the least used go: lowest count, then oldest.
    void boundPrunesLeastUsed_data() {
        QTest::addColumn<QString>(
            "extra");  // export lines beyond the bound's words (count 2, time 1000)
        QTest::addColumn<bool>("byEngine");  // the extra words learned through a store
        QTest::addColumn<QString>("gone");
        QTest::newRow("lower count") << ListOf(200000, 5, 1, 5000) << false << NumberWord(200004);
        QTest::newRow("older") << ListOf(200000, 5, 2, 500) << false << NumberWord(200000);
        QTest::newRow("learned") << ListOf(200000, 1000, 1, 5000) << true << NumberWord(200999);
    }
    void boundPrunesLeastUsed() {
        QFETCH(QString, extra);
        QFETCH(bool, byEngine);
        QFETCH(QString, gone);
        const QString path = NewPath();
        QCOMPARE(
            ImportText(path, ListOf(0, WordStore::kMaxWords, 2, 1000) + (byEngine ? "" : extra)),
            WordStore::kMaxWords + (byEngine ? 0 : 5));
        if (byEngine) {
            View v(path);
            for (const QString& line : extra.split('\n', Qt::SkipEmptyParts))
                v.store.Learn(line.section('\t', 0, 0));
            v.Sync();
        }
        const QString list = ExportText(path);
        QCOMPARE(list.count('\n'), WordStore::kMaxWords);
        QVERIFY(!list.contains(gone + '\t'));
        QVERIFY(list.contains(NumberWord(1) + "\t2\t1000\n"));
    }

    // Import: export lines add their counts, other text counts its words.
    void import_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("counted");
        QTest::addColumn<QString>("expected");
        QTest::newRow("text") << "Namo buddhāya, namo dharmāya || 108\n"
                              << 4 << "namo:2 buddhāya:1 dharmāya:1";
        QTest::newRow("list") << "namo\t3\t100\nsvāhā\t1\n" << 2 << "namo:3 svāhā:1";
        QTest::newRow("list and text") << "namo\t3\nnamo oṁ\n" << 3 << "namo:4 oṃ:1";
        QTest::newRow("not a list line") << "namo\tmany\n" << 2 << "namo:1 many:1";
        QTest::newRow("phrase line") << "namo ratna\t2\t5\n" << 1 << "namo_ratna:2";
        QTest::newRow("nothing") << "|| 1 2 3 ||\n\n" << 0 << "";
        QTest::newRow("overlong run") << "namo " + QString(201, 'a') << 1 << "namo:1";
    }
    void import() {
        QFETCH(QString, text);
        QFETCH(int, counted);
        QFETCH(QString, expected);
        const QString path = NewPath();
        QCOMPARE(ImportText(path, text), counted);
        View v(path);
        QCOMPARE(v.Sync(), ParseCounts(expected));
    }

    // Export, import into another store, export: the same list.
    void exportImportRoundTrip() {
        const QString from = NewPath(), to = NewPath();
        QVERIFY(ImportText(from,
                           "namo\t9\t1700000000\nnamo ratnatrayāya\t3\t1600000000\n"
                           "𑖭𑖿𑖪𑖯𑖮𑖯\t3\t1650000000\noṃ\t1\t1\n"));
        const QString list = ExportText(from);
        QCOMPARE(list.section('\n', 0, 1),
                 "namo\t9\t1700000000\n𑖭𑖿𑖪𑖯𑖮𑖯\t3\t1650000000");
        QCOMPARE(ImportText(to, list), 4);
        QCOMPARE(ExportText(to), list);
    }

    // The command: exit statuses, messages, and nothing written before every input opened.
    void command_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");  // standard output, or the start of standard error
        QTest::addColumn<QString>("after");   // the store's words afterwards
        const std::tuple<const char*, QStringList, int, const char*, const char*> rows[] = {
            {"import", {"import", "-"}, 0, "2 words imported\n", "namo:2 oṃ:1"},
            {"export", {"export"}, 0, "oṃ\t1\t100\n", "oṃ:1"},
            {"forget", {"forget", "OṀ", "svāhā"}, 0, "", ""},
            {"forget all", {"forget", "--all"}, 0, "", ""},
            {"missing input",
             {"import", "-", "no-such.txt"},
             1,
             "orvanta-words: cannot read no-such.txt",
             "oṃ:1"},
            {"no command", {}, 2, "orvanta-words: no command", "oṃ:1"},
            {"bad option", {"export", "-x"}, 2, "orvanta-words: unknown option", "oṃ:1"},
            {"two outputs", {"export", "a", "b"}, 2, "orvanta-words: export takes", "oṃ:1"},
            {"forget mixed", {"forget", "x", "--all"}, 2, "orvanta-words: forget takes", "oṃ:1"}};
        for (const auto& [what, args, status, output, after] : rows)
            QTest::newRow(what) << args << status << QString(output) << QString(after);
    }
    void command() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(QString, after);
        const QString path = NewPath();
        QVERIFY(ImportText(path, "oṃ\t1\t100\n"));
        const auto [code, out, err] = Run(QStringList{"--store", path} + args, "namo namo\n");
        QCOMPARE(code, status);
        if (status == 0)
            QCOMPARE(QString::fromUtf8(out), output);
        else
            QVERIFY2(QString::fromUtf8(err).startsWith(output), err.constData());
        View v(path);
        QCOMPARE(v.Sync(), ParseCounts(after));
    }

    // The settings file: defaults, a round trip, unreadable files, and a watch that follows it.
    void settings_data() {
        QTest::addColumn<QByteArray>("file");  // written before loading; "-": none
        QTest::addColumn<bool>("words");
        QTest::addColumn<bool>("learning");
        QTest::newRow("missing") << QByteArray("-") << true << true;
        QTest::newRow("empty") << QByteArray("") << true << true;
        QTest::newRow("garbage") << QByteArray("\x01\x02=\xff[") << true << true;
        QTest::newRow("words off")
            << QByteArray("[General]\nWordCandidates=false\n") << false << true;
        QTest::newRow("both off") << QByteArray("WordCandidates=false\nLearning=false\n") << false
                                  << false;
    }
    void settings() {
        QFETCH(QByteArray, file);
        QFETCH(bool, words);
        QFETCH(bool, learning);
        const QString path = QFileInfo(NewPath()).path() + "/input-method.conf";
        if (file != "-") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(file) == file.size());
        }
        const InputSettings loaded = InputSettings::Load(path);
        QCOMPARE(loaded, (InputSettings{words, learning}));
        SettingsWatch watch(path);
        QCOMPARE(watch.Current(), loaded);
        const InputSettings flipped{!words, !learning};
        QVERIFY(flipped.Save(path));
        QCOMPARE(InputSettings::Load(path), flipped);
        QTRY_COMPARE_WITH_TIMEOUT(watch.Current(), flipped, 2000);
        QVERIFY(!flipped.Save(path + "/below-a-file.conf"));
    }
};

QTEST_GUILESS_MAIN(WordStoreTest)
#include "test_wordstore.moc"
