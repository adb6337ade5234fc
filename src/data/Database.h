// The reference database: an encrypted SQLite (SQLCipher) file read through a
// small layer shaped like the classic desktop-database object model
// (database, recordset with EOF / MoveFirst / MoveNext / RecordCount, fields
// by column name read as text).
#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace orv::data {

// The passphrase the reference database is encrypted with. It ships inside
// the program, so the encryption only keeps the file from being read as
// plain SQLite; it is no secret from anyone who has the program.
inline constexpr const char* kDatabasePassphrase = "q7Rw-Tz4Kp9Xm2Lb8Nd5";

// An SQL statement with its values bound as parameters ("?"), in order. User
// text is only ever a parameter, never part of the SQL text.
struct Statement {
    QString sql;
    QStringList params;
};

// The rows of one query, read in full when the query runs. Field values are
// text; NULL reads as empty text.
class Recordset {
  public:
    bool Eof() const { return pos_ >= rows_.size(); }
    // Moves to the first row; fails (returns false) on an empty result.
    bool MoveFirst();
    // Moves to the next row; fails at the end.
    bool MoveNext();
    int RecordCount() const { return static_cast<int>(rows_.size()); }
    // The current row's value of a column; nothing when there is no current
    // row or no such column.
    std::optional<QString> Field(const QString& column) const;
    // As Field, with empty text for nothing.
    QString Text(const QString& column) const { return Field(column).value_or(QString()); }
    // A column's position (-1: none), and the current row's value there, for
    // loops over many rows.
    int ColumnIndex(const QString& column) const;
    QString Text(int column) const;

  private:
    friend class Database;
    QStringList columns_;
    std::vector<QStringList> rows_;
    size_t pos_ = 0;
};

class Database {
  public:
    enum class Mode {
        ReadOnly,   // the program: verify the key and the schema
        CreateNew,  // the builder: a new, empty database
    };

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens (or creates) an encrypted database and registers the text rules
    // on the connection. In ReadOnly mode the key is checked at once and the
    // file must hold the reference tables with every column the program
    // reads, so a wrong passphrase, a missing, empty or foreign file, or a
    // table without one of its columns fails here and never later at some
    // query.
    static std::unique_ptr<Database> Open(const QString& path, const QString& passphrase, Mode mode,
                                          QString* error = nullptr);

    // The tables the program reads and, for each, the columns its queries
    // read; a ReadOnly open checks that they are all there.
    static const std::map<QString, QStringList>& ReferenceColumns();

    // Runs a query and reads its rows. A failing statement gives nothing and
    // says why in `error`.
    std::optional<Recordset> OpenRecordset(const Statement& statement, QString* error = nullptr);

    // Runs statements that return no rows (the builder's schema and inserts).
    bool Execute(const Statement& statement, QString* error = nullptr);
    bool ExecuteScript(const QString& sql, QString* error = nullptr);

    // The names of every table in the file, in name order.
    QStringList TableNames();
    // The names of a table's columns, in table order; none for no table.
    QStringList ColumnNames(const QString& table);

  private:
    explicit Database(sqlite3* db) : db_(db) {}
    sqlite3_stmt* Prepare(const Statement& statement, QString* error);

    sqlite3* db_ = nullptr;
    // Prepared statements are kept by SQL text and reused: the same few
    // statement shapes run on every keystroke and for every character a
    // conversion looks up.
    std::map<std::string, sqlite3_stmt*> cache_;
};

// Where a caller that is not necessarily the program finds the reference
// database: "orvbase.mdb" in the caller's own folder (the program folder, or
// the folder of a loaded input-method library) when it is there, else in the
// installed program folder, <prefix>/lib/orvanta, or the folder named by
// ORVANTA_DATA_DIR when that is set (relocated installs, tests).
QString ReferenceDatabasePath(const QString& callerFolder);
// Opens that database read-only; on failure answers null and says why.
std::unique_ptr<Database> OpenReferenceDatabase(const QString& callerFolder,
                                                QString* error = nullptr);

// Registers the `like` function and the collation "dict" on a connection.
// Every connection the program or the builder makes goes through here.
bool RegisterTextRules(sqlite3* db);

}  // namespace orv::data
