#include "support/TestDatabase.h"

#include "data/Database.h"
#include "dbbuild/ReferenceSources.h"

#include <QDir>
#include <QFile>

namespace orv::test {

QStringList TestDatabase::DefaultColumns(const QString& table) {
    const auto& columns = data::Database::ReferenceColumns();
    const auto it = columns.find(table);
    return it == columns.end() ? QStringList() : it->second;
}

QString TestDatabase::SchemaPath() {
    return qEnvironmentVariable("ORVANTA_SOURCE_DIR", ORVANTA_SOURCE_DIR) + "/db/schema.sql";
}

TestDatabase::TestDatabase(const std::map<QString, Rows>& tables) {
    const auto line = [](QStringList fields) {  // escaped as the builder reads them
        for (QString& f : fields) f = dbbuild::EscapeField(f);
        return fields.join('\t').toUtf8() + '\n';
    };
    const QString data = dir_.filePath("sources");
    QDir().mkpath(data);
    for (const auto& [table, columns] : data::Database::ReferenceColumns()) {
        QFile file(data + '/' + table + ".tsv");  // a file not written fails the build
        file.open(QIODevice::WriteOnly);
        file.write(line(columns));
        if (const auto rows = tables.find(table); rows != tables.end())
            for (const QStringList& row : rows->second) file.write(line(row));
    }
    if (!dbbuild::BuildReferenceDatabase(SchemaPath(), data, Path(), data::kDatabasePassphrase,
                                         nullptr, &error_) &&
        error_.isEmpty())
        error_ = "build failed";
}

}  // namespace orv::test
