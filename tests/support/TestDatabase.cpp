#include "support/TestDatabase.h"

#include "data/Database.h"
#include "dbbuild/ReferenceSources.h"

#include <QDir>
#include <QFile>

namespace orv::test {

namespace {
const std::map<QString, QStringList> kColumns = {
    {"tbl_siddham", {"ime", "chars"}},
    {"tbl_lantsa", {"ime", "chars"}},
    {"tbl_keyboard", {"input", "display"}},
    {"tbl_siddham_trans", {"siddham", "trans"}},
    {"tbl_siddham_deva", {"siddham", "deva"}},
    {"tbl_siddham_lantsa", {"siddham", "lantsa"}},
    {"tbl_dictionary", {"scripts", "trans", "meanings", "about"}},
    {"tbl_glyph", {"id", "glyph"}}};

// One source line, its fields escaped as the builder reads them.
QByteArray Line(QStringList fields) {
    for (QString& f : fields) f = dbbuild::EscapeField(f);
    return fields.join('\t').toUtf8() + '\n';
}
}  // namespace

QStringList TestDatabase::DefaultColumns(const QString& table) {
    const auto it = kColumns.find(table);
    return it == kColumns.end() ? QStringList() : it->second;
}

QString TestDatabase::SchemaPath() {
    return qEnvironmentVariable("ORVANTA_SOURCE_DIR", ORVANTA_SOURCE_DIR) + "/db/schema.sql";
}

TestDatabase::TestDatabase(const std::map<QString, Rows>& tables) {
    const QString data = dir_.filePath("sources");
    QDir().mkpath(data);
    for (const auto& [table, columns] : kColumns) {
        QFile file(data + '/' + table + ".tsv");  // a file not written fails the build
        file.open(QIODevice::WriteOnly);
        file.write(Line(columns));
        if (const auto rows = tables.find(table); rows != tables.end())
            for (const QStringList& row : rows->second) file.write(Line(row));
    }
    if (!dbbuild::BuildReferenceDatabase(SchemaPath(), data, Path(), data::kDatabasePassphrase,
                                         nullptr, &error_) &&
        error_.isEmpty())
        error_ = "build failed";
}

}  // namespace orv::test
