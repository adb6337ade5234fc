#include "dbbuild/ReferenceSources.h"

#include "data/Database.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <algorithm>

namespace orv::dbbuild {

namespace {

using data::Database;
using data::Statement;

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

bool IsBlank(const QString& field) { return field.trimmed().isEmpty(); }

// Checks the header against the schema's columns; on success the reason is
// empty.
QString HeaderProblem(const QStringList& header, const std::vector<SourceColumn>& columns) {
    if (static_cast<size_t>(header.size()) != columns.size())
        return QStringLiteral("the header names %1 columns, the table has %2")
            .arg(header.size())
            .arg(columns.size());
    for (const SourceColumn& column : columns)
        if (!header.contains(column.name))
            return QStringLiteral("the header lacks column %1").arg(column.name);
    return {};
}

bool ReadColumns(Database& db, const QString& table, std::vector<SourceColumn>& columns,
                 QString* error) {
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

bool LoadTable(Database& db, const QString& table, const std::vector<SourceColumn>& columns,
               const QString& file, int* rowCount, QString* error) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: cannot read the source of table %2").arg(file, table);
        return false;
    }
    SourceRows source;
    if (!ReadSource(in.readAll(), file, &columns, &source, error)) return false;
    QStringList placeholders;
    for (qsizetype c = 0; c < source.header.size(); ++c) placeholders << QStringLiteral("?");
    const QString sql = QStringLiteral("insert into %1 (%2) values (%3)")
                            .arg(table, source.header.join(QStringLiteral(", ")),
                                 placeholders.join(QStringLiteral(", ")));
    for (qsizetype r = 0; r < source.rows.size(); ++r) {
        Statement insert{sql, {}};
        for (const QString& value : source.rows[r]) insert.params << value;
        QString reason;
        if (!db.Execute(insert, &reason)) {
            *error = Located(file, source.lines[r], reason);
            return false;
        }
        ++*rowCount;
    }
    return true;
}

}  // namespace

bool ReadSource(const QByteArray& bytes, const QString& file,
                const std::vector<SourceColumn>* columns, SourceRows* out, QString* error) {
    *out = {};
    QList<bool> integer;  // per header field
    int lineNo = 0;
    for (QByteArray raw : bytes.split('\n')) {
        ++lineNo;
        const auto fail = [&](const QString& reason) {
            *error = Located(file, lineNo, reason);
            return false;
        };
        if (raw.endsWith('\r')) raw.chop(1);
        if (lineNo == 1 && raw.startsWith("\xEF\xBB\xBF")) raw.remove(0, 3);
        // A decoder of its own per line (a bad line cannot spoil the next),
        // keeping a U+FEFF at the start of a line as a character: the file's
        // byte-order mark is gone already, any other is an error below.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                         QStringDecoder::Flag::ConvertInitialBom);
        const QString line = decoder(raw);
        if (decoder.hasError()) return fail(QStringLiteral("not valid UTF-8"));
        if (line.isEmpty()) continue;
        if (line.contains(QChar(0xFEFF)))
            return fail(QStringLiteral("a byte-order mark (U+FEFF) may only open the file"));
        if (line.contains(QLatin1Char('\r')))
            return fail(
                QStringLiteral("a carriage return inside a line (a line break in a field "
                               "is written \\n)"));
        if (line.startsWith(QLatin1Char('#'))) continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (std::all_of(fields.begin(), fields.end(), IsBlank))
            return fail(
                QStringLiteral("every field is blank (an empty line is skipped, a line of "
                               "blanks is not)"));
        if (out->header.isEmpty()) {
            if (columns) {
                const QString problem = HeaderProblem(fields, *columns);
                if (!problem.isEmpty()) return fail(problem);
            }
            for (const QString& name : fields)
                integer << (columns && std::any_of(columns->begin(), columns->end(),
                                                   [&name](const SourceColumn& c) {
                                                       return c.name == name && c.integer;
                                                   }));
            out->header = fields;
            continue;
        }
        if (fields.size() != out->header.size())
            return fail(QStringLiteral("expected %1 tab-separated fields, found %2")
                            .arg(out->header.size())
                            .arg(fields.size()));
        QStringList row;
        for (qsizetype c = 0; c < fields.size(); ++c) {
            QString value, reason;
            if (!Unescape(fields[c], value, reason)) return fail(reason);
            if (value.normalized(QString::NormalizationForm_C) != value)
                return fail(QStringLiteral("column %1 is not in Unicode normal form C")
                                .arg(out->header[c]));
            if (integer[c]) {
                bool ok = false;
                value.toLongLong(&ok);
                if (!ok)
                    return fail(QStringLiteral("column %1 needs a whole number, not \"%2\"")
                                    .arg(out->header[c], value));
            }
            row << value;
        }
        out->rows << row;
        out->lines << lineNo;
    }
    if (out->header.isEmpty()) {
        *error = QStringLiteral("%1: no header line naming the columns").arg(file);
        return false;
    }
    return true;
}

QString EscapeField(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else
            out += c;
    }
    return out;
}

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
                std::vector<SourceColumn> columns;
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
