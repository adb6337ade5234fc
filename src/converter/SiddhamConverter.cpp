#include "converter/SiddhamConverter.h"

#include "data/Characters.h"

#include <QHash>

namespace orv::converter {

namespace {

// Keeps a read transaction open for one chunk: its lookups then share one
// lock of the database file instead of each taking and dropping it (a few
// system calls that cost more than the lookup). It ends before the chunk's
// output is handed on.
class ReadTransaction {
  public:
    explicit ReadTransaction(data::Database& db)
        : db_(db), open_(db.Execute({QStringLiteral("begin"), {}})) {}
    ~ReadTransaction() {
        if (open_) db_.Execute({QStringLiteral("commit"), {}});
    }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

  private:
    data::Database& db_;
    bool open_;
};

}  // namespace

QString SiddhamConverter::FormatRows(const QString& character, const QStringList& values) {
    if (values.isEmpty()) return character;
    QString out;
    for (qsizetype k = 0; k < values.size(); ++k) {
        const QString& value = values[k];
        if (value == QLatin1String(".") || value == QLatin1String(",")) {
            out += value + QLatin1Char(' ');
        } else if (k == 0) {
            out += value;
        } else {
            out += QLatin1Char('/') + value + QLatin1Char(' ');
        }
    }
    return out;
}

SiddhamConverter::Outcome SiddhamConverter::Convert(const QString& text,
                                                    const std::unique_ptr<data::Database>& database,
                                                    const ChunkSink& sink, QString* error) const {
    const QStringList characters = data::SplitCharacters(text);
    const QString column = data::ValueColumn(target_);
    QHash<QString, QString> seen;
    const auto convertChunk = [&](data::Database& db, qsizetype start, qsizetype end,
                                  QString& output) {
        const ReadTransaction transaction(db);
        for (qsizetype i = start; i < end; ++i) {
            const QString& character = characters[i];
            if (const auto it = seen.constFind(character); it != seen.constEnd()) {
                output += *it;
                continue;
            }
            auto rows = db.OpenRecordset(data::ConversionBySiddham(target_, character), error);
            if (!rows) return false;
            QStringList values;
            for (bool more = rows->MoveFirst(); more && !rows->Eof(); rows->MoveNext()) {
                values << rows->Text(column);
            }
            const QString converted = FormatRows(character, values);
            output += converted;
            seen.insert(character, converted);
        }
        return true;
    };
    for (qsizetype start = 0; start < characters.size(); start += kChunkSize) {
        data::Database* db = database.get();
        if (!db) {
            if (error) *error = QStringLiteral("no database is open");
            return Outcome::Failed;
        }
        const qsizetype end = std::min<qsizetype>(start + kChunkSize, characters.size());
        QString output;
        if (!convertChunk(*db, start, end, output)) return Outcome::Failed;
        // The transaction has ended: the sink may let events run, and they
        // may release this database.
        if (!sink(output)) return Outcome::Stopped;
    }
    return Outcome::Done;
}

std::optional<QString> SiddhamConverter::ConvertAll(const QString& text,
                                                    const std::unique_ptr<data::Database>& database,
                                                    QString* error) const {
    QString out;
    out.reserve(text.size() * 2);
    const Outcome outcome = Convert(
        text, database,
        [&out](const QString& chunk) {
            out += chunk;
            return true;
        },
        error);
    if (outcome != Outcome::Done) return std::nullopt;
    return out;
}

}  // namespace orv::converter
