// Values shared by the whole program. All are read and written on the one
// user-interface thread.
#pragma once

#include "data/Database.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace orv::app {

// The open reference database, or none. Written only by OpenAppDatabase.
extern std::unique_ptr<data::Database> AppDatabase;
// 1: the keyboard windows ask for a blank after each text they commit.
extern std::int16_t InsertSpace;
// The font name the keyboard windows' key-driven commits give the document.
extern QString CjkvFontName;
// Where a keyboard window stood when it last unloaded (twips), shared by both.
extern std::optional<float> LastKeyboardLeft;
extern std::optional<float> LastKeyboardTop;
// Which search last filled the dictionary's list (read by the meaning window).
extern std::int16_t MeaningLookupMode;

// Sets every value to its start value, as the host window's load does.
void ResetSharedValues();

}  // namespace orv::app
