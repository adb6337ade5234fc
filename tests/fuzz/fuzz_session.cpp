// The input methods' typing session on the built database, driven by any sequence of keys: each
// byte picks a key (letters, map starters, digits, blanks, the editing, paging and picking keys,
// a shortcut). After every key the preedit stays bounded, the highlight on the page shown, a
// commit is a candidate that was on offer or the preedit as typed, and nothing is committed for a
// key that passes through unless it ends a preedit. Half the inputs type with word candidates
// (the lexicon, lenient readings, guesses), some of them learning what they pick.
#include "engine/Keysyms.h"
#include "engine/TypingSession.h"
#include "engine/Vocabulary.h"
#include "fuzz/FuzzCheck.h"

namespace {
using orv::engine::Key;
using namespace orv::engine::keysym;
const Key kKeys[] = {
    {'a', 'a'},         {'k', 'k'},        {'h', 'h'},       {'i', 'i'},      {'m', 'm'},
    {'s', 's'},         {'r', 'r'},        {'t', 't'},       {'u', 'u'},      {'o', 'o'},
    {'.', '.'},         {';', ';'},        {'~', '~'},       {'"', '"'},      {'1', '1'},
    {'2', '2'},         {'9', '9'},        {'0', '0'},       {',', ','},      {'|', '|'},
    {' ', ' '},         {kReturn, 0},      {kEscape, 0},     {kBackSpace, 0}, {kUp, 0},
    {kDown, 0},         {kPageUp, 0},      {kPageDown, 0},   {kF1, 0},        {kF12, 0},
    {kLeft, 0},         {'c', 'c', true},  {0x1e43, 0x1e43}, {kShiftL, 0},    {'A', 'A'},
    {0x1000310, 0x310}, {kDelete, 0, true}};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orv::data::Database* const db = BuiltDatabase();
    if (size > 512) return 0;
    orv::engine::TypingSession s(
        db, size % 2 ? orv::data::ScriptTable::Lantsa : orv::data::ScriptTable::Siddham);
    static orv::engine::Vocabulary* const vocabulary =
        db ? new orv::engine::Vocabulary(*db, nullptr) : nullptr;
    s.SetWords(vocabulary, size % 4 >= 2, size % 8 == 3);
    for (size_t i = 0; i < size; ++i) {
        const QString before = s.Preedit();
        QStringList offered;
        for (int p = 0; p < s.Candidates().Count(); ++p) offered << s.Candidates().Glyph(p);
        const Key& key = kKeys[data[i] % std::size(kKeys)];
        const bool passed = s.ProcessKey(key) == orv::engine::KeyResult::PassThrough;
        const QString commit = s.TakeCommit();
        Check(s.Preedit().size() <= orv::engine::TypingSession::kMaxPreedit + 2,
              QStringLiteral("preedit %1 too long").arg(Quoted(s.Preedit())));
        const int on = s.HighlightOnPage();
        Check(on < s.Pages().OnPage() && (on >= 0) == (s.Candidates().Count() > 0),
              QStringLiteral("highlight %1 on a page of %2").arg(on).arg(s.Pages().OnPage()));
        // A commit is what stood, a candidate, or nothing, followed by the
        // key's own character when the key committed it.
        const QString typed = key.keysym == kSpace ? QStringLiteral(" ")
                              : key.unicode        ? QString::fromUcs4(&key.unicode, 1)
                                                   : QString();
        const QString head =
            !typed.isEmpty() && commit.endsWith(typed) ? commit.chopped(typed.size()) : commit;
        Check(commit.isEmpty() || (head.isEmpty() && commit == typed) || head == before ||
                  offered.contains(head),
              QStringLiteral("%1 committed from %2").arg(Quoted(commit), Quoted(before)));
        Check(!passed || commit.isEmpty(),
              QStringLiteral("key passed with the commit %1").arg(Quoted(commit)));
    }
    return 0;
}
