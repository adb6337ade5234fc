#include "keyboard/CandidateList.h"

namespace orv::keyboard {

QString CandidateList::Glyph(int position) const {
    return position >= 0 && position < kCandidateSlots ? glyphs_[position] : QString();
}

QString CandidateList::Reading(int position) const {
    return position >= 0 && position < kCandidateSlots ? readings_[position] : QString();
}

void CandidateList::Clear() {
    glyphs_.fill(QString());
    readings_.fill(QString());
}

bool CandidateList::Lookup(data::Database* db, data::ScriptTable table, const QString& text) {
    if (!db) return false;
    auto rows = db->OpenRecordset(data::ScriptByImePrefix(table, text));
    if (!rows || !rows->MoveFirst()) return false;
    for (int p = 0; p < kCandidateSlots && !rows->Eof(); ++p, rows->MoveNext()) {
        glyphs_[p] = rows->Text(QStringLiteral("chars"));
        readings_[p] = rows->Text(QStringLiteral("ime"));
    }
    return true;
}

}  // namespace orv::keyboard
