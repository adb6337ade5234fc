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

// The start of the code point that holds the UTF-16 unit at `at` (-1
// stays -1).
qsizetype CodePointStart(const QString& text, qsizetype at) {
    if (at > 0 && at < text.size() && text[at].isLowSurrogate() && text[at - 1].isHighSurrogate()) {
        return at - 1;
    }
    return at;
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

void TypingSession::SetPreedit(const QString& text, qsizetype cursor) {
    preedit_ = text;
    cursor_ = int(cursor < 0 || cursor > text.size() ? text.size() : cursor);
    candidates_.Clear();
    if (!preedit_.isEmpty()) {
        const bool words = words_ && vocabulary_;
        candidates_.Lookup(
            db_, table_, preedit_,
            words ? vocabulary_->Candidates(preedit_, table_) : std::vector<WordCandidate>());
    }
    pager_.Reset(candidates_.Count());
    highlight_ = candidates_.Count() > 0 ? 0 : -1;
}

void TypingSession::Insert(char32_t c) {
    const QString before = map_.Apply(db_, preedit_.left(cursor_) + QString::fromUcs4(&c, 1));
    SetPreedit(before + preedit_.mid(cursor_), before.size());
}

void TypingSession::Erase(bool before) {
    // One code point (a Siddham-range character is two UTF-16 units); what
    // stands before the cursor is mapped again, as it would be typed.
    const qsizetype at = before ? CodePointStart(preedit_, cursor_ - 1) : cursor_;
    if (at < 0 || at >= preedit_.size()) return;
    const qsizetype end = at + (preedit_[at].isHighSurrogate() && at + 1 < preedit_.size() ? 2 : 1);
    const QString head = before ? map_.Apply(db_, preedit_.left(at)) : preedit_.left(at);
    SetPreedit(head + preedit_.mid(end), head.size());
}

void TypingSession::MoveCursor(std::uint32_t k) {
    qsizetype to = cursor_;
    if (k == kHome || k == kKpHome) to = 0;
    if (k == kEnd || k == kKpEnd) to = preedit_.size();
    if ((k == kLeft || k == kKpLeft) && to > 0) to = CodePointStart(preedit_, to - 1);
    if ((k == kRight || k == kKpRight) && to < preedit_.size()) {
        to += preedit_[to].isHighSurrogate() && to + 1 < preedit_.size() ? 2 : 1;
    }
    cursor_ = int(to);
}

void TypingSession::SetWords(Vocabulary* vocabulary, bool words, bool learning) {
    vocabulary_ = vocabulary;
    words_ = words;
    learning_ = learning;
}

bool TypingSession::Pick(int position) {
    if (position < 0 || position >= candidates_.Count()) return false;
    const QString glyph = candidates_.Glyph(position);
    commit_ += glyph;
    // A word, or a syllable written as the word would be: learned. A variant
    // form of a syllable is not, as the word it reads as is spelled otherwise.
    if (words_ && learning_ && vocabulary_) {
        const QString reading = candidates_.Reading(position);
        if (vocabulary_->Spell(reading, table_) == glyph) vocabulary_->Committed(reading);
    }
    SetPreedit(QString());
    return true;
}

void TypingSession::ForgetHighlighted() {
    if (!vocabulary_ || highlight_ < 0) return;
    const QString reading = candidates_.Reading(highlight_);
    if (!vocabulary_->IsLearned(reading)) return;
    vocabulary_->Forget(reading);
    const int highlight = highlight_;
    SetPreedit(preedit_, cursor_);
    MoveHighlight(std::min(highlight, candidates_.Count() - 1));
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
    if (key.shortcut && !preedit_.isEmpty() && (key.keysym == kDelete || key.keysym == kKpDelete)) {
        ForgetHighlighted();  // Ctrl+Delete on a learned word
        return KeyResult::Consumed;
    }
    if (key.shortcut || (key.keysym >= kShiftL && key.keysym <= kHyperR)) {
        return KeyResult::PassThrough;
    }
    const std::uint32_t k = key.keysym;
    const bool printable =
        key.unicode >= 0x20 && key.unicode != 0x7f && !QChar::isSpace(key.unicode);
    if (preedit_.isEmpty()) {
        if (printable && StartsPreedit(key.unicode)) {
            // A new word: the words other processes learned meanwhile.
            if (words_ && vocabulary_) vocabulary_->Sync();
            Insert(key.unicode);
            return KeyResult::Consumed;
        }
        // Any other character (a digit, a blank, punctuation) goes out as a
        // commit of its own rather than as a key: the frameworks' toolkit
        // modules hand a passed key back to the application behind events
        // still queued, later than a commit that follows it, so in a fast
        // line "3" or a blank could land after the next syllable.
        if (printable || k == kSpace) {
            commit_ += k == kSpace ? QString(u' ') : QString::fromUcs4(&key.unicode, 1);
            return KeyResult::Consumed;
        }
        return KeyResult::PassThrough;
    }

    // From here on a preedit stands. A key that commits it goes out in the
    // same commit, after it: "3.5" and "gate x" reach the application in the
    // order typed whenever the application handles a key passed on.
    if (k >= kF1 && k <= kF12) {
        Pick(pager_.First() + int(k - kF1));
        return KeyResult::Consumed;
    }
    const bool digit = (k >= kDigit0 && k <= kDigit9) || (k >= kKp0 && k <= kKp9);
    // A lone mark that begins a key of the map ('.' of ".t") is a dead key:
    // unless a character follows, it goes out as typed and the key follows
    // it, so "3.5" or ". " reach the application unchanged.
    const bool dead = preedit_.size() == 1 && starters_.contains(preedit_[0].unicode());
    if (dead && !(printable && !digit) && k != kBackSpace && k != kEscape) {
        CommitPreedit();
        if (!digit && k != kSpace) return KeyResult::Forward;
        commit_ += k == kSpace ? QString(u' ') : QString::fromUcs4(&key.unicode, 1);
        return KeyResult::Consumed;
    }
    if (digit) {
        const int n = int(k - (k >= kKp0 ? kKp0 : kDigit0));
        if (n >= 1) Pick(pager_.First() + n - 1);
        return KeyResult::Consumed;
    }
    switch (k) {
        case kSpace:
            if (!Pick(highlight_ < 0 ? 0 : highlight_)) {
                CommitPreedit();
                commit_ += u' ';
            }
            return KeyResult::Consumed;
        case kReturn:
        case kKpEnter:
            CommitPreedit();
            return KeyResult::Consumed;
        case kEscape:
            SetPreedit(QString());
            return KeyResult::Consumed;
        case kBackSpace:
        case kDelete:
        case kKpDelete:
            Erase(k == kBackSpace);
            return KeyResult::Consumed;
        case kLeft:
        case kKpLeft:
        case kRight:
        case kKpRight:
        case kHome:
        case kKpHome:
        case kEnd:
        case kKpEnd:
            MoveCursor(k);
            return KeyResult::Consumed;
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
    if (printable) {
        // At the limit what stands goes out as typed and the character
        // begins the next preedit (or follows it, when it begins none).
        if (preedit_.toUcs4().size() >= kMaxPreedit) {
            CommitPreedit();
            if (!StartsPreedit(key.unicode)) {
                commit_ += QString::fromUcs4(&key.unicode, 1);
                return KeyResult::Consumed;
            }
        }
        Insert(key.unicode);
        return KeyResult::Consumed;
    }
    // Tab, and any other key the preedit has no use for: the preedit goes
    // out as typed, then the key does its own work in the application.
    CommitPreedit();
    return KeyResult::Forward;
}

}  // namespace orv::engine
