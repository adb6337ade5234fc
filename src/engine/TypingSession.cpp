#include "engine/TypingSession.h"

#include "engine/Keysyms.h"
#include "engine/Logging.h"

#include <QChar>

namespace orv::engine {

using namespace keysym;

namespace {

bool IsLetter(char32_t c) {
    return QChar::isLetter(c) || QChar::category(c) == QChar::Mark_NonSpacing;
}

}  // namespace

QString DatabaseMissingNotice() {
    return QStringLiteral("Orvanta: the reference database was not found");
}

TypingSession::TypingSession(data::Database* db, data::ScriptTable table) : db_(db), table_(table) {
    if (!db_) return;
    if (auto rows = db_->OpenRecordset(data::KeyboardInputs()); rows && rows->MoveFirst()) {
        for (; !rows->Eof(); rows->MoveNext()) {
            const QList<uint> input = rows->Text(QStringLiteral("input")).toUcs4();
            if (!input.isEmpty() && !IsLetter(input[0]) && !QChar::isSpace(input[0])) {
                starters_.insert(input[0]);
            }
        }
    }
}

QString TypingSession::TakeCommit() { return std::exchange(commit_, QString()); }

QString TypingSession::TakeNotice() { return std::exchange(notice_, QString()); }

int TypingSession::HighlightOnPage() const {
    const int index = highlight_ - pager_.First();
    return highlight_ >= 0 && index >= 0 && index < pager_.OnPage() ? index : -1;
}

void TypingSession::Reset() { SetPreedit(QString()); }

void TypingSession::SetPreedit(const QString& text) {
    preedit_ = text;
    candidates_.Clear();
    if (!preedit_.isEmpty()) candidates_.Lookup(db_, table_, preedit_);
    pager_.Reset(candidates_.Count());
    highlight_ = candidates_.Count() > 0 ? 0 : -1;
}

bool TypingSession::Pick(int position) {
    if (position < 0 || position >= candidates_.Count()) return false;
    commit_ += candidates_.Glyph(position);
    SetPreedit(QString());
    return true;
}

void TypingSession::CommitPreedit() {
    commit_ += preedit_;
    SetPreedit(QString());
}

void TypingSession::MoveHighlight(int to) {
    if (to < 0 || to >= candidates_.Count()) return;
    highlight_ = to;
    pager_.SetPage(to / kPageSize);
}

bool TypingSession::StartsPreedit(char32_t c) const { return IsLetter(c) || starters_.contains(c); }

KeyResult TypingSession::ProcessKey(const Key& key) {
    if (!db_) {
        if (!noticeShown_) {
            qCInfo(lcEngine, "No reference database: every key passes through");
            notice_ = DatabaseMissingNotice();
        }
        noticeShown_ = true;
        return KeyResult::PassThrough;
    }
    if (key.shortcut || (key.keysym >= kShiftL && key.keysym <= kHyperR)) {
        return KeyResult::PassThrough;
    }
    const bool printable =
        key.unicode >= 0x20 && key.unicode != 0x7f && !QChar::isSpace(key.unicode);
    if (preedit_.isEmpty()) {
        if (!printable || !StartsPreedit(key.unicode)) return KeyResult::PassThrough;
        SetPreedit(map_.Apply(db_, QString::fromUcs4(&key.unicode, 1)));
        return KeyResult::Consumed;
    }

    const std::uint32_t k = key.keysym;
    if (k >= kF1 && k <= kF12) {
        Pick(pager_.First() + int(k - kF1));
        return KeyResult::Consumed;
    }
    // A lone mark that begins a key of the map ('.' of ".t") is a dead key:
    // unless a character follows, it goes out as typed and the key follows
    // it, so "3.5" or ". " reach the application unchanged.
    const bool dead = preedit_.size() == 1 && starters_.contains(preedit_[0].unicode());
    const bool digit = (k >= kDigit0 && k <= kDigit9) || (k >= kKp0 && k <= kKp9);
    if (dead && !(printable && !digit) && k != kBackSpace && k != kEscape) {
        CommitPreedit();
        return KeyResult::PassThrough;
    }
    if (digit) {
        const int n = int(k - (k >= kKp0 ? kKp0 : kDigit0));
        if (n >= 1) Pick(pager_.First() + n - 1);
        return KeyResult::Consumed;
    }
    switch (k) {
        case kSpace:
            if (candidates_.Count() > 0) {
                Pick(highlight_ < 0 ? 0 : highlight_);
                return KeyResult::Consumed;
            }
            CommitPreedit();
            return KeyResult::PassThrough;
        case kReturn:
        case kKpEnter:
            CommitPreedit();
            return KeyResult::Consumed;
        case kEscape:
            SetPreedit(QString());
            return KeyResult::Consumed;
        case kBackSpace: {
            // One code point off the end (a Siddham-range character is two
            // UTF-16 units).
            qsizetype end = preedit_.size() - 1;
            if (end > 0 && preedit_[end].isLowSurrogate() && preedit_[end - 1].isHighSurrogate()) {
                --end;
            }
            SetPreedit(map_.Apply(db_, preedit_.left(end)));
            return KeyResult::Consumed;
        }
        case kUp:
        case kKpUp:
            MoveHighlight(highlight_ - 1);
            return KeyResult::Consumed;
        case kDown:
        case kKpDown:
            MoveHighlight(highlight_ + 1);
            return KeyResult::Consumed;
        case kPageUp:
        case kKpPageUp:
            if (pager_.Previous()) highlight_ = pager_.First();
            return KeyResult::Consumed;
        case kPageDown:
        case kKpPageDown:
            if (pager_.Next()) highlight_ = pager_.First();
            return KeyResult::Consumed;
        default:
            break;
    }
    if (printable && preedit_.size() < kMaxPreedit) {
        SetPreedit(map_.Apply(db_, preedit_ + QString::fromUcs4(&key.unicode, 1)));
    }
    // Any other key while a preedit stands (arrows, Tab, Delete) would act on
    // text the application does not have yet: it is held back.
    return KeyResult::Consumed;
}

}  // namespace orv::engine
