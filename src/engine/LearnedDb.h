// One connection to the learned-words file: opening with recovery, the
// schema, batched writes, reading back by sequence number, and the bound.
// Used by the word store's worker thread and by the command line's export
// and import; a connection belongs to one thread at a time.
//
// Every write takes the next number of a counter kept in the file (meta
// "seq") and stamps it on the rows it touches, so a reader in another
// process finds what changed with "seq > last seen". Forgetting a word keeps
// its row with count 0 for that reason; forgetting everything empties the
// table and raises meta "generation", which tells readers to load afresh.
#pragma once

#include "engine/WordStore.h"

#include <QString>

#include <cstdint>
#include <vector>

struct sqlite3;

namespace orv::engine::learned {

// Longer "words" (a run of letters with no blank in an imported file) are
// not learned: no one types them, and they would only take room.
constexpr int kMaxWordLength = 200;

struct Op {
    enum Kind { kLearn, kForget, kForgetAll } kind = kLearn;
    QString word;  // as given; made LearnedForm on writing
    std::int64_t time = 0;
    std::uint32_t count = 1;  // kLearn: added to the count
};

class LearnedDb {
  public:
    enum class Mode {
        kEngine,  // set a broken file aside and start afresh; pause when unwritable
        kCommand  // report every failure, change nothing it did not write
    };

    LearnedDb() = default;
    ~LearnedDb();
    LearnedDb(const LearnedDb&) = delete;
    LearnedDb& operator=(const LearnedDb&) = delete;

    // Opens (creating folder and file when `create`). False with `error` when
    // nothing can be read; Writable() says whether writes can go in.
    bool Open(const QString& path, Mode mode, bool create, QString* error);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    bool Writable() const { return writable_; }

    // Applies the operations in one transaction. False with `error` when it
    // did not commit; `unwritable` then says whether the file refuses writes
    // for good (read-only, full disk) rather than for a moment (busy).
    bool Write(const std::vector<Op>& ops, QString* error, bool* unwritable = nullptr);

    // Whether another connection committed since the last call.
    bool OthersWrote();
    // True when the generation changed since the last read (or on the first
    // read): `out` then holds every learned word. Otherwise `out` gets the
    // rows written since the last read, forgotten ones with count 0.
    bool ReadChanges(std::vector<LearnedWord>* out, QString* error);
    // Every learned word, most used first.
    bool ReadAll(std::vector<LearnedWord>* out, QString* error);
    // Brings the rows down to the bound, least used first.
    bool Prune(int bound, QString* error);
    // Whether the path now names another file than the one open (set aside
    // or replaced by another process).
    bool Replaced() const;

  private:
    bool Exec(const char* sql, QString* error);
    bool Setup(bool writable, QString* error, int* code);
    QString Error() const;

    sqlite3* db_ = nullptr;
    QString path_;
    bool writable_ = false;
    std::int64_t dataVersion_ = -1;
    std::int64_t generation_ = -1;
    std::int64_t lastSeq_ = 0;
    std::uint64_t inode_ = 0;
};

// Sets the file and its -wal and -shm aside as "<file>.broken-YYYYMMDD-HHMMSS";
// answers the new name, empty when the rename failed.
QString SetAside(const QString& path);

}  // namespace orv::engine::learned
