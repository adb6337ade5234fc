// What tells the two keyboard windows apart.
#pragma once

#include "data/Queries.h"

namespace orv::keyboard {

struct ScriptProfile {
    data::ScriptTable table;  // the table the lookup queries
    const char* fontName;     // the script font, asked for by this name
    int candidateFontSize;    // points, for the candidate buttons
    int clientHeightTwips;    // the one-row strip's height at load
};

inline constexpr ScriptProfile kSiddhamProfile{data::ScriptTable::Siddham, "siddam", 20, 1230};
inline constexpr ScriptProfile kLantsaProfile{data::ScriptTable::Lantsa, "Ranjana", 26, 1215};

}  // namespace orv::keyboard
