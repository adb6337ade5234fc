#include "dictionary/DictionaryData.h"

#include "data/Characters.h"
#include "data/Queries.h"

namespace orv::dictionary {

namespace {

QStringList ColumnOf(data::Database* db, const data::Statement& statement, const QString& column) {
    QStringList values;
    if (!db) return values;
    auto rows = db->OpenRecordset(statement);
    if (!rows) return values;
    for (bool more = rows->MoveFirst(); more && !rows->Eof(); rows->MoveNext()) {
        values << rows->Text(column);
    }
    return values;
}

}  // namespace

QStringList SearchByScripts(data::Database* db, const QString& text) {
    return ColumnOf(db, data::DictionaryByScriptsPrefix(data::TrimBlanks(text)),
                    QStringLiteral("scripts"));
}

QStringList SearchByTrans(data::Database* db, const QString& text) {
    if (data::TrimBlanks(text).isEmpty()) return {};
    return ColumnOf(db, data::DictionaryByTransPrefix(text), QStringLiteral("trans"));
}

QString MeaningText(data::Database* db, bool byScripts, const QString& word) {
    const QString key = data::TrimBlanks(word);
    QString text;
    if (db) {
        auto rows = db->OpenRecordset(byScripts ? data::DictionaryByScripts(key)
                                                : data::DictionaryByTrans(key));
        if (rows && rows->MoveFirst()) {
            const QString crlf = QStringLiteral("\r\n");
            text = rows->Text(byScripts ? QStringLiteral("trans") : QStringLiteral("scripts")) +
                   crlf + QString(24, QLatin1Char('-')) + crlf +
                   rows->Text(QStringLiteral("meanings")) + crlf + crlf;
        }
    }
    return text.isEmpty() ? QStringLiteral("No information") : text;
}

std::optional<QString> AboutText(data::Database* db) {
    if (!db) return std::nullopt;
    auto rows = db->OpenRecordset(data::DictionaryAbout());
    if (!rows || !rows->MoveFirst()) return std::nullopt;
    QString about;
    for (; !rows->Eof(); rows->MoveNext()) about = rows->Text(QStringLiteral("about"));
    return about;
}

void GlyphBuffer::Load(data::Database* db) {
    entries_.fill(QString());
    if (!db) return;
    auto rows = db->OpenRecordset(data::GlyphsInOrder());
    if (!rows || !rows->MoveFirst()) return;
    for (int k = 0; k < kGlyphSlots && !rows->Eof(); ++k, rows->MoveNext()) {
        entries_[k] = rows->Text(QStringLiteral("glyph"));
    }
}

QString GlyphBuffer::Entry(int index) const {
    return index >= 0 && index < kGlyphSlots ? entries_[index] : QString();
}

}  // namespace orv::dictionary
