// The keyboard map: the last two characters typed, when they are a key of
// tbl_keyboard, are replaced by the key's display text. Used by both
// keyboard windows and by the dictionary's transliteration box.
#pragma once

#include "data/Database.h"

#include <QString>

#include <optional>

class QLineEdit;

namespace orv::keyboard {

// A replacement sets the box's text, which runs the box's change handling
// again, nested, and so may replace again. A map whose display texts keep
// forming new keys would chain without end; this many replacements in one
// change are plenty for any real map (the longest real chain, ṛ r -> ṝ, is
// two) and bound a faulty one.
inline constexpr int kMaxKeyMapChain = 16;

class KeyMap {
  public:
    // The last two characters of the text, and the result of their lookup
    // (empty when none).
    QString MapKey;
    QString MapDisplay;

    // Looks MapKey up, with blanks trimmed, and sets MapDisplay to the
    // display text of the last matching row. Never fails loudly: on any
    // failure MapDisplay keeps what it held at that moment.
    void KeyMapLookup(data::Database* db);

    // The text with its last two characters replaced, or nothing when the
    // text is shorter than two characters or they are no key.
    std::optional<QString> Replacement(data::Database* db, const QString& text);

    // Applies the map to a box at the start of its change handling. The
    // replacement's nested change handling runs before this returns. Past
    // kMaxKeyMapChain nested replacements nothing more is replaced.
    bool ApplyTo(data::Database* db, QLineEdit* box);

  private:
    int depth_ = 0;
};

}  // namespace orv::keyboard
