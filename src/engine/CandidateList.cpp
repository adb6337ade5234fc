#include "engine/CandidateList.h"

#include <algorithm>

namespace orv::engine {

namespace {

// The typed text as the tables spell it: in NFC (pasted text may come
// decomposed), with ISO 15919's anusvara ṁ read as IAST's ṃ, the only
// anusvara the tables hold, so "oṁ" finds oṃ.
QString ImeSpelling(const QString& text) {
    return text.normalized(QString::NormalizationForm_C)
        .replace(QChar(0x1E41), QChar(0x1E43))   // ṁ -> ṃ
        .replace(QChar(0x1E40), QChar(0x1E42));  // Ṁ -> Ṃ
}

}  // namespace

QString CandidateList::Glyph(int position) const {
    return position >= 0 && position < kCandidateSlots ? glyphs_[position] : QString();
}

QString CandidateList::Reading(int position) const {
    return position >= 0 && position < kCandidateSlots ? readings_[position] : QString();
}

void CandidateList::Clear() {
    glyphs_.fill(QString());
    readings_.fill(QString());
    count_ = 0;
}

bool CandidateList::Lookup(data::Database* db, data::ScriptTable table, const QString& text) {
    if (!db) return false;
    auto rows =
        db->OpenRecordset(data::ScriptByImePrefix(table, ImeSpelling(text), kCandidateSlots));
    if (!rows || !rows->MoveFirst()) return false;
    for (int p = 0; p < kCandidateSlots && !rows->Eof(); ++p, rows->MoveNext()) {
        glyphs_[p] = rows->Text(QStringLiteral("chars"));
        readings_[p] = rows->Text(QStringLiteral("ime"));
        count_ = p + 1;
    }
    return true;
}

void Pager::Reset(int count) {
    count_ = std::clamp(count, 0, kCandidateSlots);
    page_ = 0;
}

int Pager::OnPage() const { return std::clamp(count_ - First(), 0, kPageSize); }

bool Pager::Next() {
    if (!HasNext()) return false;
    ++page_;
    return true;
}

bool Pager::Previous() {
    if (!HasPrevious()) return false;
    --page_;
    return true;
}

}  // namespace orv::engine
