#include "keyboard/KeyMap.h"

#include "data/Characters.h"
#include "data/Queries.h"

#include <QLineEdit>

namespace orv::keyboard {

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

bool KeyMap::ApplyTo(data::Database* db, QLineEdit* box) {
    if (depth_ >= kMaxKeyMapChain) return false;
    const auto replaced = Replacement(db, box->text());
    if (!replaced) return false;
    ++depth_;
    box->setText(*replaced);
    --depth_;
    return true;
}

}  // namespace orv::keyboard
