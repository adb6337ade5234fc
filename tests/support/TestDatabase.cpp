#include "support/TestDatabase.h"

#include "data/Database.h"
#include "dbbuild/ReferenceSources.h"

#include <QDir>
#include <QFile>

namespace orv::test {

namespace {
const std::map<QString, QStringList>& Columns() {
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
    };
    return columns;
}

QString Escape(QString field) {
    field.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    field.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    field.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return field;
}
}  // namespace

QStringList TestDatabase::DefaultColumns(const QString& table) {
    const auto it = Columns().find(table);
    return it == Columns().end() ? QStringList() : it->second;
}

QString TestDatabase::SchemaPath() {
    return qEnvironmentVariable("ORVANTA_SOURCE_DIR", QStringLiteral(ORVANTA_SOURCE_DIR)) +
           QStringLiteral("/db/schema.sql");
}

TestDatabase::TestDatabase(const std::map<QString, Rows>& tables) {
    const QString data = dir_.filePath(QStringLiteral("sources"));
    QDir().mkpath(data);
    for (const auto& [table, columns] : Columns()) {
        QString text = columns.join(QLatin1Char('\t')) + QLatin1Char('\n');
        if (const auto rows = tables.find(table); rows != tables.end()) {
            for (const QStringList& row : rows->second) {
                QStringList fields;
                for (const QString& field : row) fields << Escape(field);
                text += fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
            }
        }
        QFile file(data + QLatin1Char('/') + table + QStringLiteral(".tsv"));
        if (!file.open(QIODevice::WriteOnly)) {
            error_ = QStringLiteral("cannot write %1").arg(file.fileName());
            return;
        }
        file.write(text.toUtf8());
    }
    QString error;
    if (!dbbuild::BuildReferenceDatabase(SchemaPath(), data, Path(),
                                         QString::fromLatin1(data::kDatabasePassphrase), nullptr,
                                         &error)) {
        error_ = error.isEmpty() ? QStringLiteral("build failed") : error;
    }
}

}  // namespace orv::test
