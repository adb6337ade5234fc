// Builds the reference database from its text sources: a schema (SQL) and one
// tab-separated file per table.
//
// Source format, UTF-8: lines starting with '#' and empty lines are skipped;
// the first other line names the columns, separated by tabs; each further
// line is one row with exactly that many fields. In a field, "\t", "\n" and
// "\\" stand for a tab, a line break and a backslash. Text must be in Unicode
// normal form C. Rows are stored in the order they stand in the file.
// Lines end in LF or CR LF. A byte-order mark may open the file and stands
// nowhere else; a line whose fields are all blank (white space) is an error,
// not a skipped line, as is a carriage return inside a line: nothing in a
// source is dropped or changed silently.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace orv::dbbuild {

struct TableSummary {
    QString table;
    int rows = 0;
};

struct SourceColumn {
    QString name;
    bool integer = false;
};

// A source file as read: the header's column names and each row's fields,
// unescaped, in the file's column order, with the line each row stands on.
struct SourceRows {
    QStringList header;
    QList<QStringList> rows;
    QList<int> lines;
};

// Reads the text of one source file. With `columns`, the header must name
// exactly those columns (in any order) and integer columns must hold whole
// numbers. False on the first line it cannot take, with `error` as below.
bool ReadSource(const QByteArray& bytes, const QString& file,
                const std::vector<SourceColumn>* columns, SourceRows* out, QString* error);

// A field's text with the escapes ReadSource undoes.
QString EscapeField(const QString& value);

// Builds `outPath` from the schema and `dataDir`/<table>.tsv for every table
// of the schema. The file is written beside `outPath` and moved into place
// only when everything succeeded, so a malformed source builds nothing. On
// failure `error` holds "<file>:<line>: <reason>" (or a reason without line).
bool BuildReferenceDatabase(const QString& schemaFile, const QString& dataDir,
                            const QString& outPath, const QString& passphrase,
                            std::vector<TableSummary>* summary, QString* error);

}  // namespace orv::dbbuild
