// orvbase-build: builds the reference database orvbase.mdb from db/.
//
//   orvbase-build SCHEMA.sql DATA_DIR OUT.mdb
#include "data/Database.h"
#include "dbbuild/ReferenceSources.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() != 4) {
        err << "usage: orvbase-build SCHEMA.sql DATA_DIR OUT.mdb\n";
        return 2;
    }
    std::vector<orv::dbbuild::TableSummary> summary;
    QString error;
    if (!orv::dbbuild::BuildReferenceDatabase(args[1], args[2], args[3],
                                              QString::fromLatin1(orv::data::kDatabasePassphrase),
                                              &summary, &error)) {
        err << "orvbase-build: " << error << "\n";
        return 1;
    }
    QTextStream out(stdout);
    out << args[3] << ":";
    for (const auto& table : summary) out << " " << table.table << "=" << table.rows;
    out << "\n";
    return 0;
}
