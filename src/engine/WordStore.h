// The learned words: every word the user commits through a candidate of an
// input method, counted in a per-user SQLite file (WAL journal) that any
// number of engine processes (IBus, Fcitx5) and input contexts share.
//
// All SQLite work happens on one worker thread per store: a key never waits
// on the disk. The key path queues writes and, now and then, takes the
// changes the worker has read back (its own and other processes' writes).
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QTextStream;

namespace orv::engine {

// A word as it is learned and looked up: NFC, lower case, ISO 15919's ṁ read
// as IAST's ṃ, blanks trimmed and runs of blanks made one (a phrase keeps
// its blanks). Empty for text with no letter.
QString LearnedForm(QStringView word);

struct LearnedWord {
    QString word;               // LearnedForm
    std::uint32_t count = 0;    // 0: forgotten
    std::int64_t lastUsed = 0;  // seconds since the epoch
};

class WordStore {
  public:
    // The bound: past it the least used words (lowest count, then oldest) go.
    static constexpr int kMaxWords = 100000;

    // $XDG_DATA_HOME/orvanta/learned-words.sqlite ($HOME/.local/share when
    // XDG_DATA_HOME is unset or not absolute).
    static QString DefaultPath();

    // Starts the worker, which opens (creating folder and file) and reads the
    // store. A store that cannot be opened or is corrupt is set aside as
    // "<file>.broken-YYYYMMDD-HHMMSS" and a fresh one started; one that cannot
    // be written (read-only home, full disk) pauses learning. Each says so in
    // one log line; typing never stops.
    explicit WordStore(QString path = DefaultPath());
    // Writes what is queued, then stops the worker.
    ~WordStore();

    // Key path: these queue and return at once.
    void Learn(const QString& word);   // count + 1, last used now
    void Forget(const QString& word);  // gone here and in every other process
    void ForgetAll();
    // Asks the worker to look for other processes' writes now (it also does
    // so on its own, about twice a second).
    void CheckNow();

    // Changes the worker has read since the last call, in order, without
    // blocking (nothing while the worker holds them). `reset`: drop every
    // learned word known first (first load, forget all, a store replaced).
    struct Changes {
        bool reset = false;
        std::vector<LearnedWord> words;
    };
    std::optional<Changes> TakeChanges();

    // Blocks until every queued write is done and read back (tests, export).
    void Flush();
    // Whether learning is written (false: paused, the file unwritable).
    bool Writable() const;
    QString Path() const;

    // The command line's side, on a connection of its own:
    // "word<TAB>count<TAB>lastUsed" lines, most used first.
    static bool Export(const QString& path, QTextStream& out, QString* error);
    // Lines "word<TAB>count[<TAB>lastUsed]" add their counts; any other line
    // is text whose words (runs of letters, read as LearnedForm) count once
    // each time they occur. Answers how many words were added or counted.
    static std::optional<int> Import(const QString& path, QTextStream& in, QString* error);

  private:
    struct Worker;
    // Queues a learned::Op of that kind.
    void Enqueue(int kind, const QString& word);
    std::unique_ptr<Worker> worker_;
};

}  // namespace orv::engine
