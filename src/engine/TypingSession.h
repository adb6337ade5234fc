// One input context's typing state for the input methods: the
// transliteration typed so far (the preedit, with the keyboard map applied),
// its candidates, the page shown and the highlighted candidate. Front ends
// hand it their keys as X keysyms (IBus and Fcitx5 share those values) and
// show what it answers; it never talks to a framework itself.
#pragma once

#include "data/Database.h"
#include "data/Queries.h"
#include "engine/CandidateList.h"
#include "engine/KeyMap.h"

#include <QSet>
#include <QString>

#include <cstdint>

namespace orv::engine {

struct Key {
    std::uint32_t keysym = 0;  // X keysym of the key pressed
    char32_t unicode = 0;      // the character it types, 0 for none
    bool shortcut = false;     // Control, Alt or Super held: never the engine's
};

// What becomes of a key. Whenever a key commits text, whatever the key
// types is part of that commit, so nothing the application handles can
// overtake it; a key that commits nothing and that the engine has no use
// for reaches the application untouched.
enum class KeyResult {
    PassThrough,  // the application gets the key; nothing was committed
    Consumed,     // the engine used it (the commit holds any character it types)
    Forward,      // the commit first, then the key to the application (Tab)
};

// The notice an engine without its database shows once.
QString DatabaseMissingNotice();

class TypingSession {
  public:
    // Longest preedit, in characters (a long compound fits): a character
    // typed at the limit commits what stands, as typed, and begins anew.
    static constexpr int kMaxPreedit = 256;

    // `db` may be null (no usable database): every key then passes through.
    TypingSession(data::Database* db, data::ScriptTable table);

    bool Usable() const { return db_ != nullptr; }

    // Word candidates: with a vocabulary and `words` on, the whole word, its
    // completions and its lenient readings come before the syllables, and
    // with `learning` on every word picked is learned. Without, the lists
    // hold the syllables alone. Takes effect from the next key.
    void SetWords(Vocabulary* vocabulary, bool words, bool learning);

    // Handles a key press. Releases are no business of the engine's.
    KeyResult ProcessKey(const Key& key);
    // Drops the preedit and its candidates (focus lost, context reset: the
    // framework commits the preedit the front end showed as committable).
    void Reset();
    // Commits the preedit as typed and empties it (the engine switched off).
    void CommitPreedit();

    // The text to hand to the application before the key's own effect, once.
    QString TakeCommit();
    // The notice to show in the auxiliary text, once; empty when none.
    QString TakeNotice();

    const QString& Preedit() const { return preedit_; }
    // The cursor within the preedit, in UTF-16 units from its start.
    int Cursor() const { return cursor_; }
    const CandidateList& Candidates() const { return candidates_; }
    const Pager& Pages() const { return pager_; }
    // The highlighted candidate's position in the whole list (-1: none).
    int Highlight() const { return highlight_; }
    // Its index on the page shown (-1: none).
    int HighlightOnPage() const;

  private:
    // A new preedit with the cursor at `cursor` (-1: at its end).
    void SetPreedit(const QString& text, qsizetype cursor = -1);
    // Types a character at the cursor, the map applied to the text before it.
    void Insert(char32_t c);
    // Removes the character before (or after) the cursor.
    void Erase(bool before);
    void MoveCursor(std::uint32_t keysym);
    // Commits the candidate at a position of the whole list, if there is one.
    bool Pick(int position);
    void MoveHighlight(int to);
    bool StartsPreedit(char32_t c) const;
    // Forgets the highlighted candidate's word when it is a learned one.
    void ForgetHighlighted();

    data::Database* db_;
    data::ScriptTable table_;
    Vocabulary* vocabulary_ = nullptr;
    bool words_ = false;
    bool learning_ = false;
    KeyMap map_;
    CandidateList candidates_;
    Pager pager_;
    QString preedit_;
    int cursor_ = 0;
    QString commit_;
    int highlight_ = -1;
    bool noticeShown_ = false;
    QString notice_;
    // The characters other than letters that begin a key of the map ('.'
    // of ".t"): they start a preedit as letters do.
    QSet<char32_t> starters_;
};

}  // namespace orv::engine
