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
    // Past count_ every position is empty already.
    std::fill_n(glyphs_.begin(), count_, QString());
    std::fill_n(readings_.begin(), count_, QString());
    count_ = 0;
}

bool CandidateList::Lookup(data::Database* db, data::ScriptTable table, const QString& text,
                           const std::vector<WordCandidate>& first) {
    Clear();
    for (const WordCandidate& word : first) {
        if (count_ == kCandidateSlots) break;
        glyphs_[count_] = word.glyphs;
        readings_[count_++] = word.reading;
    }
    const int words = count_;
    if (!db) return count_ > 0;
    auto rows =
        db->OpenRecordset(data::ScriptByImePrefix(table, ImeSpelling(text), kCandidateSlots));
    if (!rows || !rows->MoveFirst()) return count_ > 0;
    const int chars = rows->ColumnIndex(QStringLiteral("chars"));
    const int ime = rows->ColumnIndex(QStringLiteral("ime"));
    for (; count_ < kCandidateSlots && !rows->Eof(); rows->MoveNext()) {
        QString glyph = rows->Text(chars);
        if (std::find(glyphs_.begin(), glyphs_.begin() + words, glyph) != glyphs_.begin() + words)
            continue;
        glyphs_[count_] = std::move(glyph);
        readings_[count_++] = rows->Text(ime);
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
