// The IBus engine: a GObject subclass of IBusEngine that hands its keys to
// a typing session and shows what the session answers (preedit, a lookup
// table of one page, commits, the notice). IBus makes one engine object per
// input context, so each context has its own session.
#pragma once

#include "data/Database.h"
#include "engine/TypingSession.h"
#include "engine/WordInput.h"
#include "ime/ibus/Logging.h"

#include <ibus.h>

#include <array>

namespace orv::ime {

// The D-Bus name of the component, as in orvanta.xml.in.
inline constexpr const char* kBusName = "org.freedesktop.IBus.Orvanta";

// The engines of the component file (orvanta.xml.in) and the table each types.
struct EngineInfo {
    const char* name;
    data::ScriptTable table;
};
inline constexpr std::array<EngineInfo, 2> kEngines{{
    {"orvanta-siddham", data::ScriptTable::Siddham},
    {"orvanta-lantsa", data::ScriptTable::Lantsa},
}};

// The database every engine object reads; null leaves them without one
// (keys pass through, the notice shows). Set before the first engine exists.
void SetEngineDatabase(data::Database* db);
// The process's word input (null: syllables only), set with the database.
void SetEngineWords(engine::WordInput* words);

// The GType to register with the factory under each engine name; the name
// an object is made under picks its table.
GType EngineType();

// An IBus key press as the typing session takes it.
engine::Key KeyFromIBus(guint keyval, guint modifiers);

}  // namespace orv::ime
