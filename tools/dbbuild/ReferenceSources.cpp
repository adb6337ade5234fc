#include "dbbuild/ReferenceSources.h"

#include "data/Database.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace orv::dbbuild {

namespace {

using data::Database;
using data::Statement;

struct Column {
    QString name;
    bool integer = false;
};

struct SourceFailure {
    QString where;
    QString reason;
};

QString Located(const QString& file, int line, const QString& reason) {
    return QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(reason);
}

// Undoes the field escapes; false on an unknown one.
bool Unescape(const QString& field, QString& out, QString& reason) {
    out.clear();
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field[i];
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (i + 1 >= field.size()) {
            reason = QStringLiteral("a backslash ends a field (write \\\\ for a backslash)");
            return false;
        }
        const QChar next = field[++i];
        if (next == QLatin1Char('t')) {
            out += QLatin1Char('\t');
        } else if (next == QLatin1Char('n')) {
            out += QLatin1Char('\n');
        } else if (next == QLatin1Char('\\')) {
            out += QLatin1Char('\\');
        } else {
            reason = QStringLiteral("unknown escape \\%1").arg(next);
            return false;
        }
    }
    return true;
}

bool ReadColumns(Database& db, const QString& table, std::vector<Column>& columns, QString* error) {
    const auto rs = db.OpenRecordset(
        {QStringLiteral("select name, type from pragma_table_info(?)"), {table}}, error);
    if (!rs) return false;
    data::Recordset rows = *rs;
    for (bool ok = rows.MoveFirst(); ok && !rows.Eof(); rows.MoveNext()) {
        columns.push_back({rows.Text(QStringLiteral("name")),
                           rows.Text(QStringLiteral("type"))
                                   .compare(QLatin1String("integer"), Qt::CaseInsensitive) == 0});
    }
    return true;
}

bool LoadTable(Database& db, const QString& table, const std::vector<Column>& columns,
               const QString& file, int* rowCount, QString* error) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: cannot read the source of table %2").arg(file, table);
        return false;
    }
    const QByteArray bytes = in.readAll();
    const QList<QByteArray> lines = bytes.split('\n');
    QStringList header;
    std::vector<int> order;  // source field index for each schema column
    QString placeholders;
    int lineNo = 0;
    for (QByteArray raw : lines) {
        ++lineNo;
        if (raw.endsWith('\r')) raw.chop(1);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString line = decoder(raw);
        if (decoder.hasError()) {
            *error = Located(file, lineNo, QStringLiteral("not valid UTF-8"));
            return false;
        }
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (header.isEmpty()) {
            header = fields;
            if (static_cast<size_t>(header.size()) != columns.size()) {
                *error = Located(file, lineNo,
                                 QStringLiteral("the header names %1 columns, table %2 has %3")
                                     .arg(header.size())
                                     .arg(table)
                                     .arg(columns.size()));
                return false;
            }
            QStringList names;
            for (const Column& column : columns) {
                const qsizetype at = header.indexOf(column.name);
                if (at < 0) {
                    *error = Located(file, lineNo,
                                     QStringLiteral("the header lacks column %1").arg(column.name));
                    return false;
                }
                order.push_back(static_cast<int>(at));
                names << column.name;
                placeholders +=
                    placeholders.isEmpty() ? QStringLiteral("?") : QStringLiteral(", ?");
            }
            header = names;
            continue;
        }
        if (fields.size() != static_cast<qsizetype>(columns.size())) {
            *error = Located(file, lineNo,
                             QStringLiteral("expected %1 tab-separated fields, found %2")
                                 .arg(columns.size())
                                 .arg(fields.size()));
            return false;
        }
        Statement insert{QStringLiteral("insert into %1 (%2) values (%3)")
                             .arg(table, header.join(QStringLiteral(", ")), placeholders),
                         {}};
        for (size_t c = 0; c < columns.size(); ++c) {
            QString value, reason;
            if (!Unescape(fields[order[c]], value, reason)) {
                *error = Located(file, lineNo, reason);
                return false;
            }
            if (value.normalized(QString::NormalizationForm_C) != value) {
                *error = Located(file, lineNo,
                                 QStringLiteral("column %1 is not in Unicode normal form C")
                                     .arg(columns[c].name));
                return false;
            }
            if (columns[c].integer) {
                bool ok = false;
                value.toLongLong(&ok);
                if (!ok) {
                    *error = Located(file, lineNo,
                                     QStringLiteral("column %1 needs a whole number, not \"%2\"")
                                         .arg(columns[c].name, value));
                    return false;
                }
            }
            insert.params << value;
        }
        QString reason;
        if (!db.Execute(insert, &reason)) {
            *error = Located(file, lineNo, reason);
            return false;
        }
        ++*rowCount;
    }
    if (header.isEmpty()) {
        *error = QStringLiteral("%1: no header line naming the columns").arg(file);
        return false;
    }
    return true;
}

}  // namespace

bool BuildReferenceDatabase(const QString& schemaFile, const QString& dataDir,
                            const QString& outPath, const QString& passphrase,
                            std::vector<TableSummary>* summary, QString* error) {
    QString ignored;
    if (!error) error = &ignored;
    QFile schema(schemaFile);
    if (!schema.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: cannot read the schema").arg(schemaFile);
        return false;
    }
    const QString schemaSql = QString::fromUtf8(schema.readAll());

    const QString temp = outPath + QStringLiteral(".building");
    QFile::remove(temp);
    bool ok = false;
    {
        auto db = Database::Open(temp, passphrase, Database::Mode::CreateNew, error);
        if (!db) return false;
        QString reason;
        if (!db->ExecuteScript(schemaSql, &reason)) {
            *error = QStringLiteral("%1: %2").arg(schemaFile, reason);
        } else {
            ok = db->ExecuteScript(QStringLiteral("begin"), error);
            const QStringList tables = db->TableNames();
            // Every source file must belong to a table.
            for (const QString& name : QDir(dataDir).entryList({QStringLiteral("*.tsv")})) {
                if (ok && !tables.contains(name.chopped(4))) {
                    *error = QStringLiteral("%1: no table %2 in the schema")
                                 .arg(QDir(dataDir).filePath(name), name.chopped(4));
                    ok = false;
                }
            }
            for (const QString& table : tables) {
                if (!ok) break;
                std::vector<Column> columns;
                int rows = 0;
                ok =
                    ReadColumns(*db, table, columns, error) &&
                    LoadTable(*db, table, columns,
                              QDir(dataDir).filePath(table + QStringLiteral(".tsv")), &rows, error);
                if (ok && summary) summary->push_back({table, rows});
            }
            ok = ok && db->ExecuteScript(QStringLiteral("commit"), error);
        }
    }
    if (!ok) {
        QFile::remove(temp);
        return false;
    }
    QFile::remove(outPath);
    if (!QFile::rename(temp, outPath)) {
        *error = QStringLiteral("%1: cannot move the new database into place").arg(outPath);
        QFile::remove(temp);
        return false;
    }
    return true;
}

}  // namespace orv::dbbuild
