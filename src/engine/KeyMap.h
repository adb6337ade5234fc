// The keyboard map: the last two characters typed, when they are a key of
// tbl_keyboard, are replaced by the key's display text, and the result is
// mapped again (ṛ followed by r gives ṝ). Used by both keyboard windows, the
// dictionary's transliteration box and the input methods.
#pragma once

#include "data/Database.h"

#include <QString>

#include <optional>

namespace orv::engine {

// A map whose display texts keep forming new keys would chain without end;
// this many replacements for one typed change are plenty for any real map
// (the longest real chain, ṛ r -> ṝ, is two) and bound a faulty one.
inline constexpr int kMaxKeyMapChain = 16;

class KeyMap {
  public:
    // The last two characters of the text, and the result of their lookup
    // (empty when none).
    QString MapKey;
    QString MapDisplay;

    // Looks MapKey up, with blanks trimmed, and sets MapDisplay to the
    // display text of the last matching row. Never fails loudly: on any
    // failure MapDisplay is empty.
    void KeyMapLookup(data::Database* db);

    // The text with its last two characters replaced, or nothing when the
    // text is shorter than two characters or they are no key.
    std::optional<QString> Replacement(data::Database* db, const QString& text);

    // The text after the whole chain of replacements, at most
    // kMaxKeyMapChain of them; the text itself when none applies.
    QString Apply(data::Database* db, const QString& text);
};

}  // namespace orv::engine
