// Builds the reference database from its text sources: a schema (SQL) and one
// tab-separated file per table.
//
// Source format, UTF-8: lines starting with '#' and blank lines are skipped;
// the first other line names the columns, separated by tabs; each further
// line is one row with exactly that many fields. In a field, "\t", "\n" and
// "\\" stand for a tab, a line break and a backslash. Text must be in Unicode
// normal form C. Rows are stored in the order they stand in the file.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace orv::dbbuild {

struct TableSummary {
    QString table;
    int rows = 0;
};

// Builds `outPath` from the schema and `dataDir`/<table>.tsv for every table
// of the schema. The file is written beside `outPath` and moved into place
// only when everything succeeded, so a malformed source builds nothing. On
// failure `error` holds "<file>:<line>: <reason>" (or a reason without line).
bool BuildReferenceDatabase(const QString& schemaFile, const QString& dataDir,
                            const QString& outPath, const QString& passphrase,
                            std::vector<TableSummary>* summary, QString* error);

}  // namespace orv::dbbuild
