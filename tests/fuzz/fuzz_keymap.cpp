// The key map of the built database on any typed line, applied again and again as nested change
// handling does: each step adds at most two code units, and the chain ends within its bound.
#include "data/Database.h"
#include "engine/KeyMap.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orv::data::Database* const db = BuiltDatabase();
    if (size > 256) return 0;
    const QString typed = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    orv::engine::KeyMap map;
    QString text = typed;
    for (int steps = 1; const auto replaced = map.Replacement(db, text); ++steps) {
        Check(replaced->size() <= text.size() + 2,
              QStringLiteral("%1 grew to %2").arg(Quoted(text), Quoted(*replaced)));
        Check(steps <= orv::engine::kMaxKeyMapChain,
              QStringLiteral("%1 still replaces after %2 steps").arg(Quoted(typed)).arg(steps));
        text = *replaced;
    }
    return 0;
}
