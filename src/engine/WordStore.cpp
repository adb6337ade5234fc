#include "engine/WordStore.h"

#include "engine/LearnedDb.h"
#include "engine/Logging.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTextStream>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace orv::engine {

using learned::LearnedDb;
using learned::Op;

namespace {

// How often the worker looks for other processes' writes when nothing else
// wakes it: a word learned in one input method shows in the other within
// half a second, and an idle process costs one cheap query each time.
constexpr auto kPollInterval = std::chrono::milliseconds(500);
// Learned words between two looks at the bound: counting 100,000 rows takes
// a few milliseconds, too much for every commit and nothing every 1,000.
constexpr int kPruneEvery = 1000;
// Writes queued beyond this while the worker waits for the file (another
// process's long import) are dropped rather than held without end.
constexpr std::size_t kMaxQueue = 10000;
// A paused store (read-only, full disk) is tried again this seldom: a
// long-running input method learns again once the disk has room, without
// trying on every commit.
constexpr auto kRetryInterval = std::chrono::minutes(5);

bool IsWordChar(char32_t c) {
    switch (QChar::category(c)) {
        case QChar::Letter_Uppercase:
        case QChar::Letter_Lowercase:
        case QChar::Letter_Titlecase:
        case QChar::Letter_Modifier:
        case QChar::Letter_Other:
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
            return true;
        default:
            return false;
    }
}

bool IsLetter(char32_t c) { return QChar::isLetter(c); }

std::int64_t Now() { return QDateTime::currentSecsSinceEpoch(); }

}  // namespace

QString LearnedForm(QStringView word) {
    QString s = word.toString().normalized(QString::NormalizationForm_C).toLower();
    // ISO 15919 writes the anusvara ṁ where IAST writes ṃ.
    s.replace(QChar(0x1E41), QChar(0x1E43));
    s = s.simplified();
    for (const char32_t c : QStringView(s).toUcs4())
        if (IsLetter(c)) return s;
    return {};
}

QString WordStore::DefaultPath() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QFileInfo(data).isAbsolute())
        data = qEnvironmentVariable("HOME") + "/.local/share";
    return data + "/orvanta/learned-words.sqlite";
}

struct WordStore::Worker {
    explicit Worker(QString p) : path(std::move(p)) {}

    void Run();
    void OpenStore();
    void Apply(const std::vector<Op>& ops);
    void ReadBack(bool wrote);
    void Publish(bool reset, std::vector<LearnedWord>&& words);
    // Learning paused: one warning for each time, retries only at info level.
    void Pause(const char* what, const QString& error);

    const QString path;

    // The queue and the flush tickets; held only to move a few values.
    std::mutex mu;
    std::condition_variable wake, flushed;
    std::vector<Op> queue;
    bool stop = false, check = false, queueFull = false;
    std::uint64_t asked = 0, done = 0;

    // What the worker has read back and the key path not yet taken.
    std::mutex changesMu;
    std::optional<Changes> changes;

    std::atomic<bool> writable{true};

    // The worker thread's own.
    LearnedDb db;
    int sincePrune = 0;
    bool warned = false;  // since the last write that went in
    std::chrono::steady_clock::time_point pausedAt;

    std::thread thread;
};

void WordStore::Worker::Run() {
    OpenStore();
    for (;;) {
        std::vector<Op> ops;
        bool stopping = false;
        std::uint64_t ticket = 0;
        {
            std::unique_lock lock(mu);
            wake.wait_for(lock, kPollInterval,
                          [&] { return stop || check || !queue.empty() || asked != done; });
            ops.swap(queue);
            check = false;
            queueFull = false;
            ticket = asked;
            stopping = stop;
        }
        if (!ops.empty()) Apply(ops);
        ReadBack(!ops.empty());
        if (!writable && !stopping && std::chrono::steady_clock::now() - pausedAt >= kRetryInterval)
            OpenStore();
        {
            std::lock_guard lock(mu);
            done = ticket;
        }
        flushed.notify_all();
        if (stopping) return;
    }
}

void WordStore::Worker::OpenStore() {
    QString error;
    const bool readable = db.Open(path, LearnedDb::Mode::kEngine, true, &error);
    writable = db.Writable();
    if (!readable)
        Pause("open", error);
    else if (!db.Writable())
        Pause("write", error);
    if (db.Writable() && !db.Prune(WordStore::kMaxWords, &error))
        qCWarning(lcEngine, "Learned words: not pruned (%s)", qUtf8Printable(error));
    std::vector<LearnedWord> words;
    if (readable) {
        db.OthersWrote();
        db.ReadChanges(&words, &error);
    }
    Publish(true, std::move(words));
}

void WordStore::Worker::Apply(const std::vector<Op>& ops) {
    if (!writable) return;
    QString error;
    bool unwritable = false;
    if (!db.Write(ops, &error, &unwritable)) {
        if (unwritable) {
            writable = false;
            Pause("write", error);
        } else {
            qCWarning(lcEngine, "Learned words: %zu changes not written (%s)", ops.size(),
                      qUtf8Printable(error));
        }
        return;
    }
    warned = false;
    sincePrune += int(ops.size());
    if (sincePrune >= kPruneEvery) {
        sincePrune = 0;
        if (!db.Prune(WordStore::kMaxWords, &error))
            qCWarning(lcEngine, "Learned words: not pruned (%s)", qUtf8Printable(error));
    }
}

void WordStore::Worker::ReadBack(bool wrote) {
    if (!db.IsOpen()) return;
    if (db.Replaced()) {
        // Another process set the file aside or replaced it: start over on
        // the one the path names now.
        qCInfo(lcEngine, "Learned words: %s was replaced; reading it afresh", qUtf8Printable(path));
        OpenStore();
        return;
    }
    if (!db.OthersWrote() && !wrote) return;
    std::vector<LearnedWord> words;
    QString error;
    const bool reset = db.ReadChanges(&words, &error);
    if (!error.isEmpty()) {
        qCInfo(lcEngine, "Learned words: not read (%s)", qUtf8Printable(error));
        return;
    }
    if (reset || !words.empty()) Publish(reset, std::move(words));
}

void WordStore::Worker::Pause(const char* what, const QString& error) {
    pausedAt = std::chrono::steady_clock::now();
    if (warned) {
        qCInfo(lcEngine, "Learned words: still cannot %s %s (%s)", what, qUtf8Printable(path),
               qUtf8Printable(error));
        return;
    }
    warned = true;
    qCWarning(lcEngine, "Learned words: cannot %s %s (%s); learning paused", what,
              qUtf8Printable(path), qUtf8Printable(error));
}

void WordStore::Worker::Publish(bool reset, std::vector<LearnedWord>&& words) {
    std::lock_guard lock(changesMu);
    if (reset || !changes) {
        changes = Changes{reset, std::move(words)};
        return;
    }
    auto& pending = changes->words;
    pending.insert(pending.end(), std::make_move_iterator(words.begin()),
                   std::make_move_iterator(words.end()));
}

WordStore::WordStore(QString path) : worker_(std::make_unique<Worker>(std::move(path))) {
    worker_->thread = std::thread([w = worker_.get()] { w->Run(); });
}

WordStore::~WordStore() {
    {
        std::lock_guard lock(worker_->mu);
        worker_->stop = true;
    }
    worker_->wake.notify_one();
    worker_->thread.join();
}

void WordStore::Enqueue(int kind, const QString& word) {
    {
        std::lock_guard lock(worker_->mu);
        if (worker_->queue.size() >= kMaxQueue) {
            if (!worker_->queueFull)
                qCWarning(lcEngine, "Learned words: %zu changes wait for the file; more dropped",
                          kMaxQueue);
            worker_->queueFull = true;
            return;
        }
        worker_->queue.push_back({Op::Kind(kind), word, Now(), 1});
    }
    worker_->wake.notify_one();
}

void WordStore::Learn(const QString& word) {
    if (!worker_->writable.load(std::memory_order_relaxed)) return;
    Enqueue(Op::kLearn, word);
}

void WordStore::Forget(const QString& word) { Enqueue(Op::kForget, word); }

void WordStore::ForgetAll() { Enqueue(Op::kForgetAll, {}); }

void WordStore::CheckNow() {
    {
        std::lock_guard lock(worker_->mu);
        worker_->check = true;
    }
    worker_->wake.notify_one();
}

std::optional<WordStore::Changes> WordStore::TakeChanges() {
    std::unique_lock lock(worker_->changesMu, std::try_to_lock);
    if (!lock.owns_lock() || !worker_->changes) return std::nullopt;
    std::optional<Changes> out;
    out.swap(worker_->changes);
    return out;
}

void WordStore::Flush() {
    std::unique_lock lock(worker_->mu);
    const std::uint64_t ticket = ++worker_->asked;
    worker_->wake.notify_one();
    worker_->flushed.wait(lock, [&] { return worker_->done >= ticket; });
}

bool WordStore::Writable() const { return worker_->writable.load(); }

QString WordStore::Path() const { return worker_->path; }

bool WordStore::Export(const QString& path, QTextStream& out, QString* error) {
    // No file yet: nothing learned, an empty list.
    if (!QFileInfo::exists(path)) return true;
    LearnedDb db;
    std::vector<LearnedWord> words;
    if (!db.Open(path, LearnedDb::Mode::kCommand, false, error) || !db.ReadAll(&words, error))
        return false;
    for (const LearnedWord& w : words)
        out << w.word << '\t' << w.count << '\t' << w.lastUsed << '\n';
    out.flush();
    if (out.status() == QTextStream::Ok) return true;
    if (error) *error = QStringLiteral("the list could not be written");
    return false;
}

std::optional<int> WordStore::Import(const QString& path, QTextStream& in, QString* error) {
    // Counted first, written in one transaction: an import is in the store
    // whole or (killed, failed) not at all.
    static const QRegularExpression kListLine(
        QStringLiteral(R"(^([^\t]+)\t(\d{1,19})(?:\t(\d{1,19}))?$)"));
    struct Entry {
        std::uint64_t count = 0;
        std::int64_t time = 0;
    };
    QHash<QString, Entry> entries;
    std::int64_t counted = 0;
    const std::int64_t now = Now();
    auto add = [&](const QString& word, std::uint64_t count, std::int64_t time) {
        const QString form = LearnedForm(word);
        if (form.isEmpty() || form.size() > learned::kMaxWordLength || count == 0) return;
        Entry& e = entries[form];
        e.count = std::min<std::uint64_t>(e.count + count, UINT32_MAX);
        e.time = std::max(e.time, time);
        ++counted;
    };
    QString line;
    while (in.readLineInto(&line)) {
        if (const auto m = kListLine.match(line); m.hasMatch()) {
            const std::int64_t time = m.hasCaptured(3) ? m.captured(3).toLongLong() : now;
            add(m.captured(1), m.captured(2).toULongLong(), time);
            continue;
        }
        const QList<uint> text = QStringView(line).toUcs4();
        for (qsizetype i = 0; i < text.size();) {
            qsizetype end = i;
            while (end < text.size() && IsWordChar(text[end])) ++end;
            if (end > i)
                add(QString::fromUcs4(reinterpret_cast<const char32_t*>(text.constData() + i),
                                      end - i),
                    1, now);
            i = end + 1;
        }
    }
    if (in.status() != QTextStream::Ok) {
        if (error) *error = QStringLiteral("the text could not be read");
        return std::nullopt;
    }
    std::vector<Op> ops;
    ops.reserve(entries.size());
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        ops.push_back({Op::kLearn, it.key(), it->time, std::uint32_t(it->count)});
    LearnedDb db;
    if (!db.Open(path, LearnedDb::Mode::kCommand, true, error)) return std::nullopt;
    if (!db.Writable()) {
        if (error) *error = QStringLiteral("%1 cannot be written").arg(path);
        return std::nullopt;
    }
    if (!db.Write(ops, error) || !db.Prune(kMaxWords, error)) return std::nullopt;
    return int(std::min<std::int64_t>(counted, INT32_MAX));
}

}  // namespace orv::engine
