#include "engine/KeyMap.h"

#include "data/Characters.h"
#include "data/Queries.h"
#include "engine/Logging.h"

namespace orv::engine {

void KeyMap::KeyMapLookup(data::Database* db) {
    MapDisplay.clear();
    if (!db) return;
    auto rows = db->OpenRecordset(data::KeyboardByInput(data::TrimBlanks(MapKey)));
    if (!rows || rows->RecordCount() == 0 || !rows->MoveFirst()) return;
    for (; !rows->Eof(); rows->MoveNext()) MapDisplay = rows->Text(QStringLiteral("display"));
}

std::optional<QString> KeyMap::Replacement(data::Database* db, const QString& text) {
    if (text.size() < 2) return std::nullopt;
    MapKey = text.right(2);
    KeyMapLookup(db);
    if (MapDisplay.isEmpty()) return std::nullopt;
    return text.left(text.size() - 2) + MapDisplay;
}

QString KeyMap::Apply(data::Database* db, const QString& text) {
    QString mapped = text;
    for (int step = 0; step < kMaxKeyMapChain; ++step) {
        auto replaced = Replacement(db, mapped);
        if (!replaced) return mapped;
        mapped = std::move(*replaced);
    }
    qCDebug(lcEngine, "The key map still changes \"%s\" after %d steps: stopped there",
            qUtf8Printable(text), kMaxKeyMapChain);
    return mapped;
}

}  // namespace orv::engine
