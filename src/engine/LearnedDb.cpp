#include "engine/LearnedDb.h"

#include "engine/Logging.h"

#include <sqlcipher/sqlite3.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <sys/stat.h>

#include <chrono>
#include <thread>

namespace orv::engine::learned {

namespace {

// Another process holding the write lock (an import of a long text) gets
// this long before a write gives up; the worker thread waits, never a key.
constexpr int kBusyTimeoutMs = 5000;
constexpr int kBusyStepMs = 20;
constexpr std::int64_t kMaxCount = 4294967295;  // counts are 32 bits

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS words(word TEXT PRIMARY KEY, count INTEGER NOT NULL,"
    " last_used INTEGER NOT NULL, seq INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS words_seq ON words(seq);"
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL);"
    "INSERT OR IGNORE INTO meta VALUES('seq', 0), ('generation', 0);";

// A prepared statement that finalizes itself.
class Stmt {
  public:
    Stmt(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &s_, nullptr); }
    ~Stmt() { sqlite3_finalize(s_); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    bool Ok() const { return s_ != nullptr; }
    void Bind(int i, std::int64_t v) { sqlite3_bind_int64(s_, i, v); }
    void Bind(int i, const QByteArray& text) {
        sqlite3_bind_text(s_, i, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step() { return s_ ? sqlite3_step(s_) : SQLITE_ERROR; }
    int Run() {
        const int rc = Step();
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
        return rc;
    }
    std::int64_t Int(int col) const { return sqlite3_column_int64(s_, col); }
    QString Text(int col) const {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s_, col)),
                                 sqlite3_column_bytes(s_, col));
    }

  private:
    sqlite3_stmt* s_ = nullptr;
};

bool IsCorrupt(int code) {
    code &= 0xff;
    return code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
}

// Codes after which writing will not work by trying again at once.
bool IsUnwritable(int code) {
    switch (code & 0xff) {
        case SQLITE_READONLY:
        case SQLITE_FULL:
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
        case SQLITE_IOERR:
        case SQLITE_AUTH:
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return true;
        default:
            return false;
    }
}

std::uint64_t Inode(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return 0;
    return std::uint64_t(st.st_ino);
}

}  // namespace

QString SetAside(const QString& path) {
    const QString base =
        path + ".broken-" + QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
    QString target = base;
    for (int n = 2; QFileInfo::exists(target); ++n) target = base + '-' + QString::number(n);
    if (!QFile::rename(path, target)) return {};
    for (const char* side : {"-wal", "-shm"}) {
        if (QFileInfo::exists(path + side)) {
            QFile::rename(path + side, target + side);
            QFile::remove(path + side);  // should the rename have failed
        }
    }
    return target;
}

LearnedDb::~LearnedDb() { Close(); }

void LearnedDb::Close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
    writable_ = false;
    dataVersion_ = generation_ = -1;
    lastSeq_ = 0;
    inode_ = 0;
}

QString LearnedDb::Error() const {
    return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("not open");
}

bool LearnedDb::Exec(const char* sql, QString* error) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    if (error) *error = QString::fromUtf8(message ? message : sqlite3_errmsg(db_));
    sqlite3_free(message);
    return false;
}

// Checks the file and makes the tables; `code` gets the failing SQLite code.
bool LearnedDb::Setup(bool writable, QString* error, int* code) {
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    auto fail = [&](int rc, const QString& why) {
        *code = rc;
        if (error) *error = why;
        return false;
    };
    // Every engine process holds a connection: a small page cache keeps
    // the store's share of its memory small (the words live in the engine's
    // own index anyway).
    Exec("PRAGMA cache_size=-256", nullptr);
    {
        Stmt check(db_, "PRAGMA quick_check(1)");
        const int rc = check.Step();
        if (rc != SQLITE_ROW) return fail(sqlite3_errcode(db_), Error());
        if (check.Text(0) != QLatin1String("ok"))
            return fail(SQLITE_CORRUPT, "damaged: " + check.Text(0));
    }
    if (writable) {
        if (sqlite3_db_readonly(db_, "main") == 1) return fail(SQLITE_READONLY, "read-only");
        {
            Stmt wal(db_, "PRAGMA journal_mode=WAL");
            if (wal.Step() != SQLITE_ROW) return fail(sqlite3_errcode(db_), Error());
            if (wal.Text(0) != QLatin1String("wal"))
                return fail(SQLITE_READONLY, "no WAL journal: " + wal.Text(0));
        }
        // A committed transaction survives the process being killed; only a
        // power loss may take the last ones, never the file's consistency.
        QString why;
        if (!Exec("PRAGMA synchronous=NORMAL", &why) || !Exec("BEGIN IMMEDIATE", &why))
            return fail(sqlite3_errcode(db_), why);
        if (!Exec(kSchema, &why) || !Exec("COMMIT", &why)) {
            const int rc = sqlite3_errcode(db_);
            Exec("ROLLBACK", nullptr);
            return fail(rc, why);
        }
    } else {
        Stmt probe(db_, "SELECT value FROM meta WHERE key='generation'");
        if (!probe.Ok() || probe.Step() != SQLITE_ROW)
            return fail(sqlite3_errcode(db_), "no word store: " + Error());
    }
    return true;
}

bool LearnedDb::Open(const QString& path, Mode mode, bool create, QString* error) {
    Close();
    path_ = path;
    if (create) QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray name = QFile::encodeName(path);
    int code = 0;
    QString why;
    int busyWaits = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
        int rc = sqlite3_open_v2(name.constData(), &db_, flags, nullptr);
        if (rc == SQLITE_OK && Setup(true, &why, &code)) {
            writable_ = true;
            inode_ = Inode(path);
            return true;
        }
        if (rc != SQLITE_OK) {
            code = rc;
            why = Error();
        }
        sqlite3_close_v2(db_);
        db_ = nullptr;
        // Two processes making the file at once: the one that does not get
        // to switch the new file to WAL waits for the other (SQLite calls no
        // busy handler there).
        if ((code & 0xff) == SQLITE_BUSY && busyWaits < kBusyTimeoutMs / kBusyStepMs) {
            ++busyWaits;
            --attempt;
            std::this_thread::sleep_for(std::chrono::milliseconds(kBusyStepMs));
            continue;
        }
        if (!IsCorrupt(code)) break;
        if (mode == Mode::kEngine && attempt == 0) {
            const QString aside = SetAside(path);
            if (!aside.isEmpty()) {
                qCWarning(lcEngine, "Learned words: %s is damaged (%s); set aside as %s",
                          qUtf8Printable(path), qUtf8Printable(why), qUtf8Printable(aside));
                continue;
            }
        }
        if (error)
            *error = QStringLiteral("%1 is not a word store or is damaged (%2)").arg(path, why);
        return false;
    }
    if (error) *error = why;
    // Not writable: read what is there. A WAL file in a folder where the
    // shared-memory file cannot be made is read as it stands.
    if (!QFileInfo::exists(path)) return false;
    const QByteArray uri =
        QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded() + "?immutable=1";
    for (const QByteArray& target : {name, uri}) {
        const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
        if (sqlite3_open_v2(target.constData(), &db_, flags, nullptr) == SQLITE_OK &&
            Setup(false, nullptr, &code)) {
            inode_ = Inode(path);
            return true;
        }
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    return false;
}

bool LearnedDb::Write(const std::vector<Op>& ops, QString* error, bool* unwritable) {
    if (unwritable) *unwritable = !db_ || !writable_;
    if (!db_ || !writable_) {
        if (error) *error = QStringLiteral("not writable");
        return false;
    }
    auto fail = [&](const QString& why) {
        const int rc = sqlite3_extended_errcode(db_);
        if (error) *error = why;
        if (unwritable) *unwritable = IsUnwritable(rc);
        Exec("ROLLBACK", nullptr);
        return false;
    };
    QString why;
    if (!Exec("BEGIN IMMEDIATE", &why)) return fail(why);
    std::int64_t seq = 0;
    {
        Stmt read(db_, "SELECT value FROM meta WHERE key='seq'");
        if (read.Step() != SQLITE_ROW) return fail(Error());
        seq = read.Int(0);
    }
    Stmt learn(db_,
               "INSERT INTO words(word, count, last_used, seq) VALUES(?1, min(?2, 4294967295), ?3, "
               "?4) ON CONFLICT(word) DO UPDATE SET count = min(count + excluded.count, "
               "4294967295), last_used = max(last_used, excluded.last_used), seq = excluded.seq");
    Stmt forget(db_, "UPDATE words SET count = 0, seq = ?2 WHERE word = ?1 AND count > 0");
    if (!learn.Ok() || !forget.Ok()) return fail(Error());
    for (const Op& op : ops) {
        if (op.kind == Op::kForgetAll) {
            if (!Exec("DELETE FROM words; UPDATE meta SET value = value + 1 WHERE "
                      "key='generation'",
                      &why))
                return fail(why);
            continue;
        }
        const QString form = LearnedForm(op.word);
        if (form.isEmpty() || form.size() > kMaxWordLength) continue;
        const QByteArray word = form.toUtf8();
        Stmt& s = op.kind == Op::kLearn ? learn : forget;
        s.Bind(1, word);
        s.Bind(2, op.kind == Op::kLearn ? std::min<std::int64_t>(op.count, kMaxCount) : seq + 1);
        if (op.kind == Op::kLearn) {
            s.Bind(3, op.time);
            s.Bind(4, seq + 1);
        }
        if (s.Run() != SQLITE_DONE) return fail(Error());
        seq += sqlite3_changes(db_) > 0 ? 1 : 0;
    }
    Stmt store(db_, "UPDATE meta SET value = ?1 WHERE key='seq'");
    store.Bind(1, seq);
    if (store.Run() != SQLITE_DONE || !Exec("COMMIT", &why))
        return fail(why.isEmpty() ? Error() : why);
    return true;
}

bool LearnedDb::OthersWrote() {
    if (!db_) return false;
    Stmt s(db_, "PRAGMA data_version");
    if (s.Step() != SQLITE_ROW) return false;
    const std::int64_t v = s.Int(0);
    const bool changed = v != dataVersion_;
    dataVersion_ = v;
    return changed;
}

bool LearnedDb::ReadChanges(std::vector<LearnedWord>* out, QString* error) {
    out->clear();
    QString why;
    if (!db_ || !Exec("BEGIN", &why)) {
        if (error) *error = db_ ? why : Error();
        return false;
    }
    std::int64_t generation = -1, seq = 0;
    {
        Stmt meta(db_, "SELECT key, value FROM meta");
        while (meta.Step() == SQLITE_ROW) {
            const QString key = meta.Text(0);
            if (key == QLatin1String("seq")) seq = meta.Int(1);
            if (key == QLatin1String("generation")) generation = meta.Int(1);
        }
    }
    const bool reset = generation != generation_;
    Stmt rows(db_, reset ? "SELECT word, count, last_used, seq FROM words WHERE count > 0"
                         : "SELECT word, count, last_used, seq FROM words WHERE seq > ?1 "
                           "ORDER BY seq");
    if (!reset) rows.Bind(1, lastSeq_);
    std::int64_t last = reset ? seq : lastSeq_;
    int rc;
    while ((rc = rows.Step()) == SQLITE_ROW) {
        out->push_back({rows.Text(0), std::uint32_t(rows.Int(1)), rows.Int(2)});
        last = std::max(last, rows.Int(3));
    }
    Exec("COMMIT", nullptr);
    if (rc != SQLITE_DONE) {
        if (error) *error = Error();
        out->clear();
        return false;
    }
    generation_ = generation;
    lastSeq_ = last;
    return reset;
}

bool LearnedDb::ReadAll(std::vector<LearnedWord>* out, QString* error) {
    out->clear();
    Stmt rows(db_,
              "SELECT word, count, last_used FROM words WHERE count > 0 "
              "ORDER BY count DESC, last_used DESC, word");
    int rc;
    while ((rc = rows.Step()) == SQLITE_ROW)
        out->push_back({rows.Text(0), std::uint32_t(rows.Int(1)), rows.Int(2)});
    if (rc == SQLITE_DONE) return true;
    if (error) *error = Error();
    return false;
}

bool LearnedDb::Prune(int bound, QString* error) {
    if (!db_ || !writable_) return true;
    QString why;
    if (!Exec("BEGIN IMMEDIATE", &why)) {
        if (error) *error = why;
        return false;
    }
    std::int64_t rows = 0;
    {
        Stmt count(db_, "SELECT count(*) FROM words");
        if (count.Step() == SQLITE_ROW) rows = count.Int(0);
    }
    if (rows > bound) {
        // Forgotten rows (count 0) go first, then the least used, oldest first.
        Stmt prune(db_,
                   "DELETE FROM words WHERE rowid IN (SELECT rowid FROM words "
                   "ORDER BY count, last_used LIMIT ?1)");
        prune.Bind(1, rows - bound);
        if (prune.Run() != SQLITE_DONE) {
            if (error) *error = Error();
            Exec("ROLLBACK", nullptr);
            return false;
        }
        qCInfo(lcEngine, "Learned words: %lld least used pruned",
               static_cast<long long>(rows - bound));
    }
    if (!Exec("COMMIT", &why)) {
        if (error) *error = why;
        Exec("ROLLBACK", nullptr);
        return false;
    }
    return true;
}

bool LearnedDb::Replaced() const { return db_ && Inode(path_) != inode_; }

}  // namespace orv::engine::learned
