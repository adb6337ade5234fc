// A reference database built for one test from its own small sources,
// through the real builder, in a temporary folder.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <map>

namespace orv::test {

// Rows of one table, each row its fields in the table's column order
// (see DefaultColumns).
using Rows = QList<QStringList>;

// Rows of a two-column table from a flat list: key, value, key, value, ...
inline Rows Pairs(const QStringList& fields) {
    Rows rows;
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2)
        rows << QStringList{fields[i], fields[i + 1]};
    return rows;
}

class TestDatabase {
  public:
    // Tables not named get no rows.
    explicit TestDatabase(const std::map<QString, Rows>& tables = {});

    bool Ok() const { return error_.isEmpty(); }
    QString Error() const { return error_; }
    // The folder holding orvbase.mdb: point the program there with
    // orv::app::SetProgramFolderForTesting(db.Folder()).
    QString Folder() const { return dir_.path(); }
    QString Path() const { return dir_.filePath("orvbase.mdb"); }

    // The columns each table's rows are given in.
    static QStringList DefaultColumns(const QString& table);
    // The repository's schema file.
    static QString SchemaPath();

  private:
    QTemporaryDir dir_;
    QString error_;
};

}  // namespace orv::test
