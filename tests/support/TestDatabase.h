// A reference database built by the real builder from a test's own sources, in a temporary folder.
#pragma once

#include "data/Database.h"

#include <QStringList>
#include <QTemporaryDir>

#include <map>

namespace orv::test {

using Rows = QList<QStringList>;  // of one table, fields in the order of DefaultColumns

inline Rows Pairs(const QStringList& f) {  // two-column rows: key, value, key, value, ...
    Rows rows;
    for (qsizetype i = 0; i + 1 < f.size(); i += 2) rows << QStringList{f[i], f[i + 1]};
    return rows;
}

inline std::unique_ptr<data::Database> OpenBuilt(QString* error) {  // the build's, read-only
    return data::Database::Open(qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin/orvbase.mdb",
                                data::kDatabasePassphrase, data::Database::Mode::ReadOnly, error);
}

class TestDatabase {
  public:
    explicit TestDatabase(const std::map<QString, Rows>& tables = {});  // others stay empty
    bool Ok() const { return error_.isEmpty(); }
    QString Error() const { return error_; }
    QString Folder() const { return dir_.path(); }  // of orvbase.mdb
    QString Path() const { return dir_.filePath("orvbase.mdb"); }
    std::unique_ptr<data::Database> Open(QString* error = nullptr) const {  // read-only
        return data::Database::Open(Path(), data::kDatabasePassphrase,
                                    data::Database::Mode::ReadOnly, error);
    }
    static QStringList DefaultColumns(const QString& table);
    static QString SchemaPath();  // the repository's

  private:
    QTemporaryDir dir_;
    QString error_;
};

}  // namespace orv::test
