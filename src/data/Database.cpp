#include "data/Database.h"

#include "data/Logging.h"
#include "data/TextRules.h"

#include <sqlcipher/sqlite3.h>

#include <QFileInfo>

namespace orv::data {

namespace {

// Key derivation work factor, the same at build and at open. The passphrase
// ships inside the program, so stretching it protects nothing; the default
// (256,000 PBKDF2 rounds, ~135 ms) would only delay every activation of a
// keyboard window, which re-opens the database. A few rounds keep an open
// around a millisecond.
constexpr int kKdfIterations = 64;

QString LastError(sqlite3* db) { return QString::fromUtf8(sqlite3_errmsg(db)); }

void SetError(QString* error, const QString& text) {
    if (error) *error = text;
}

// A statement that failed: callers often only see "no rows", so the reason
// goes to the log.
void LogFailure(const std::string& sql, const QString& reason) {
    qCWarning(lcData, "Query failed (%s): %s", sql.c_str(), qUtf8Printable(reason));
}

void LikeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc != 2) {
        sqlite3_result_error(ctx, "like takes two arguments", -1);
        return;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* value = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    const std::string_view valueText(value, static_cast<size_t>(sqlite3_value_bytes(argv[1])));
    // The pattern is compiled once per statement and kept with it.
    if (const auto* kept = static_cast<const LikePattern*>(sqlite3_get_auxdata(ctx, 0))) {
        sqlite3_result_int(ctx, kept->Matches(valueText));
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const std::string_view patternText(text, static_cast<size_t>(sqlite3_value_bytes(argv[0])));
    auto compiled = std::make_unique<LikePattern>();
    std::string error;
    if (!LikePattern::Compile(patternText, *compiled, error)) {
        sqlite3_result_error(ctx, error.c_str(), -1);
        return;
    }
    sqlite3_result_int(ctx, compiled->Matches(valueText));
    sqlite3_set_auxdata(ctx, 0, compiled.release(),
                        [](void* p) { delete static_cast<LikePattern*>(p); });
}

int CollationCompare(void* arg, int aLen, const void* a, int bLen, const void* b) {
    const auto* collator = static_cast<const TextCollator*>(arg);
    return collator->Compare(
        std::string_view(static_cast<const char*>(a), static_cast<size_t>(aLen)),
        std::string_view(static_cast<const char*>(b), static_cast<size_t>(bLen)));
}

}  // namespace

bool RegisterTextRules(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    if (sqlite3_create_function_v2(db, "like", 2, flags, nullptr, LikeFunction, nullptr, nullptr,
                                   nullptr) != SQLITE_OK) {
        return false;
    }
    auto* collator = new TextCollator();
    return sqlite3_create_collation_v2(db, "dict", SQLITE_UTF8, collator, CollationCompare,
                                       [](void* p) { delete static_cast<TextCollator*>(p); }) ==
           SQLITE_OK;
}

bool Recordset::MoveFirst() {
    pos_ = 0;
    return !rows_.empty();
}

bool Recordset::MoveNext() {
    if (Eof()) return false;
    ++pos_;
    return true;
}

int Recordset::ColumnIndex(const QString& column) const {
    // Column names compare without regard to case, as field names always have.
    for (qsizetype i = 0; i < columns_.size(); ++i) {
        if (columns_[i].compare(column, Qt::CaseInsensitive) == 0) return int(i);
    }
    return -1;
}

std::optional<QString> Recordset::Field(const QString& column) const {
    const int i = ColumnIndex(column);
    if (Eof() || i < 0) return std::nullopt;
    return rows_[pos_][i];
}

QString Recordset::Text(int column) const {
    return Eof() || column < 0 || column >= columns_.size() ? QString() : rows_[pos_][column];
}

Database::~Database() {
    for (auto& entry : cache_) sqlite3_finalize(entry.second);
    sqlite3_close_v2(db_);
}

std::unique_ptr<Database> Database::Open(const QString& path, const QString& passphrase, Mode mode,
                                         QString* error) {
    const QByteArray file = path.toUtf8();
    if (mode == Mode::ReadOnly && !QFileInfo(path).isFile()) {
        SetError(error, QStringLiteral("no database file at %1").arg(path));
        return nullptr;
    }
    const int flags = (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY
                                              : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
                      // A connection is used by one thread only: SQLite's own locking of
                      // it would only cost time on every row.
                      SQLITE_OPEN_NOMUTEX;
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.constData(), &raw, flags, nullptr);
    std::unique_ptr<Database> db(new Database(raw));
    if (rc != SQLITE_OK) {
        SetError(error, QStringLiteral("%1: %2").arg(
                            path, raw ? LastError(raw) : QStringLiteral("out of memory")));
        return nullptr;
    }
    const QByteArray key = passphrase.toUtf8();
    const QString setup = QStringLiteral(
                              "PRAGMA cipher_log = '/dev/null';"
                              "PRAGMA kdf_iter = %1;"
                              "PRAGMA temp_store = MEMORY;")
                              .arg(kKdfIterations);
    if (sqlite3_key(raw, key.constData(), static_cast<int>(key.size())) != SQLITE_OK ||
        !db->ExecuteScript(setup, error) || !RegisterTextRules(raw)) {
        if (error && error->isEmpty()) *error = LastError(raw);
        return nullptr;
    }
    if (mode == Mode::ReadOnly) {
        // Keying is lazy: the first read tells whether the key fits.
        const QStringList tables = db->TableNames();
        if (tables.isEmpty()) {
            SetError(
                error,
                QStringLiteral("%1 is not the reference database (%2)").arg(path, LastError(raw)));
            return nullptr;
        }
        for (const auto& [name, wanted] : ReferenceColumns()) {
            if (!tables.contains(name)) {
                SetError(error, QStringLiteral("%1 has no table %2").arg(path, name));
                return nullptr;
            }
            // A missing column would otherwise surface only at the query
            // that reads it, or as values that read as empty text.
            const QStringList columns = db->ColumnNames(name);
            for (const QString& column : wanted) {
                if (!columns.contains(column, Qt::CaseInsensitive)) {
                    SetError(
                        error,
                        QStringLiteral("%1: table %2 has no column %3").arg(path, name, column));
                    return nullptr;
                }
            }
        }
    }
    return db;
}

const std::map<QString, QStringList>& Database::ReferenceColumns() {
    static const std::map<QString, QStringList> columns = {
        {QStringLiteral("tbl_siddham"), {QStringLiteral("ime"), QStringLiteral("chars")}},
        {QStringLiteral("tbl_lantsa"), {QStringLiteral("ime"), QStringLiteral("chars")}},
        {QStringLiteral("tbl_keyboard"), {QStringLiteral("input"), QStringLiteral("display")}},
        {QStringLiteral("tbl_siddham_trans"), {QStringLiteral("siddham"), QStringLiteral("trans")}},
        {QStringLiteral("tbl_siddham_deva"), {QStringLiteral("siddham"), QStringLiteral("deva")}},
        {QStringLiteral("tbl_siddham_lantsa"),
         {QStringLiteral("siddham"), QStringLiteral("lantsa")}},
        {QStringLiteral("tbl_dictionary"),
         {QStringLiteral("scripts"), QStringLiteral("trans"), QStringLiteral("meanings"),
          QStringLiteral("about")}},
        {QStringLiteral("tbl_glyph"), {QStringLiteral("id"), QStringLiteral("glyph")}},
        {QStringLiteral("tbl_scheme"),
         {QStringLiteral("scheme"), QStringLiteral("input"), QStringLiteral("iast"),
          QStringLiteral("kind")}},
        {QStringLiteral("tbl_words"),
         {QStringLiteral("transliteration"), QStringLiteral("siddham"), QStringLiteral("lantsa"),
          QStringLiteral("weight")}},
    };
    return columns;
}

QStringList Database::TableNames() {
    QStringList names;
    const auto rs = OpenRecordset(
        {QStringLiteral("select name from sqlite_master where type = 'table' order by name"), {}});
    if (!rs) return names;
    Recordset rows = *rs;
    for (bool ok = rows.MoveFirst(); ok && !rows.Eof(); rows.MoveNext()) names << rows.Text("name");
    return names;
}

QStringList Database::ColumnNames(const QString& table) {
    QStringList names;
    // A pragma takes no parameters; the name is quoted as an identifier.
    QString quoted = table;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    const auto rs = OpenRecordset({QStringLiteral("pragma table_info(\"%1\")").arg(quoted), {}});
    if (!rs) return names;
    Recordset rows = *rs;
    for (bool ok = rows.MoveFirst(); ok && !rows.Eof(); rows.MoveNext()) names << rows.Text("name");
    return names;
}

sqlite3_stmt* Database::Prepare(const Statement& statement, QString* error) {
    const std::string sql = statement.sql.toStdString();
    sqlite3_stmt* stmt = nullptr;
    if (auto it = cache_.find(sql); it != cache_.end()) {
        stmt = it->second;
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    } else {
        if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) !=
                SQLITE_OK ||
            !stmt) {
            SetError(error, LastError(db_));
            LogFailure(sql, LastError(db_));
            sqlite3_finalize(stmt);
            return nullptr;
        }
        cache_.emplace(sql, stmt);
    }
    if (sqlite3_bind_parameter_count(stmt) != statement.params.size()) {
        const QString reason = QStringLiteral("statement expects %1 values, %2 given")
                                   .arg(sqlite3_bind_parameter_count(stmt))
                                   .arg(statement.params.size());
        SetError(error, reason);
        LogFailure(sql, reason);
        return nullptr;
    }
    for (int i = 0; i < statement.params.size(); ++i) {
        const QByteArray value = statement.params[i].toUtf8();
        sqlite3_bind_text(stmt, i + 1, value.constData(), static_cast<int>(value.size()),
                          SQLITE_TRANSIENT);
    }
    return stmt;
}

std::optional<Recordset> Database::OpenRecordset(const Statement& statement, QString* error) {
    sqlite3_stmt* stmt = Prepare(statement, error);
    if (!stmt) return std::nullopt;
    Recordset rs;
    const int columns = sqlite3_column_count(stmt);
    for (int c = 0; c < columns; ++c)
        rs.columns_ << QString::fromUtf8(sqlite3_column_name(stmt, c));
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        QStringList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
            row << QString::fromUtf8(text, sqlite3_column_bytes(stmt, c));
        }
        rs.rows_.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        SetError(error, LastError(db_));
        LogFailure(statement.sql.toStdString(), LastError(db_));
        sqlite3_reset(stmt);
        return std::nullopt;
    }
    sqlite3_reset(stmt);
    return rs;
}

bool Database::Execute(const Statement& statement, QString* error) {
    sqlite3_stmt* stmt = Prepare(statement, error);
    if (!stmt) return false;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE) {
        SetError(error, LastError(db_));
        LogFailure(statement.sql.toStdString(), LastError(db_));
        return false;
    }
    return true;
}

bool Database::ExecuteScript(const QString& sql, QString* error) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QString reason = message ? QString::fromUtf8(message) : LastError(db_);
        SetError(error, reason);
        qCWarning(lcData, "Script failed: %s", qUtf8Printable(reason));
        sqlite3_free(message);
        return false;
    }
    return true;
}

namespace {
QString InstalledProgramFolder() {
    const QString set = qEnvironmentVariable("ORVANTA_DATA_DIR");
    return set.isEmpty() ? QStringLiteral(ORVANTA_INSTALLED_PROGRAM_DIR) : set;
}
}  // namespace

QString ReferenceDatabasePath(const QString& callerFolder) {
    const QString name = QStringLiteral("/orvbase.mdb");
    if (!callerFolder.isEmpty() && QFileInfo::exists(callerFolder + name)) {
        return callerFolder + name;
    }
    return InstalledProgramFolder() + name;
}

std::unique_ptr<Database> OpenReferenceDatabase(const QString& callerFolder, QString* error) {
    const QString path = ReferenceDatabasePath(callerFolder);
    if (!QFileInfo::exists(path)) {
        SetError(error, QStringLiteral("no orvbase.mdb in %1 nor in %2")
                            .arg(callerFolder, InstalledProgramFolder()));
        return nullptr;
    }
    return Database::Open(path, QString::fromLatin1(kDatabasePassphrase), Database::Mode::ReadOnly,
                          error);
}

}  // namespace orv::data
