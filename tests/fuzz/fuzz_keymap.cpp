// The keyboard map of the real reference database on any typed text: applied
// again and again, as nested change handling does, the replacements end
// within the chain bound and lengthen the text by at most two code units a
// step, so it never grows without bound.
#include "data/Database.h"
#include "fuzz/FuzzCheck.h"
#include "keyboard/KeyMap.h"

#include <cstdint>

using orv::fuzz::Check;
using orv::fuzz::Quoted;

namespace {

orv::data::Database& Reference() {
    static const auto db = [] {
        QString error;
        auto opened = orv::data::Database::Open(QStringLiteral(ORV_FUZZ_DATABASE),
                                                orv::data::kDatabasePassphrase,
                                                orv::data::Database::Mode::ReadOnly, &error);
        Check(opened != nullptr, QStringLiteral("the reference database: %1").arg(error));
        return opened;
    }();
    return *db;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 256) return 0;  // typed text: a line, not a file
    const QString typed =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    orv::keyboard::KeyMap map;
    QString text = typed;
    int steps = 0;
    while (const auto replaced = map.Replacement(&Reference(), text)) {
        ++steps;
        // Two characters become one display text of at most a few units.
        Check(replaced->size() <= text.size() + 2,
              QStringLiteral("%1 grew to %2").arg(Quoted(text), Quoted(*replaced)));
        Check(steps <= orv::keyboard::kMaxKeyMapChain,
              QStringLiteral("%1 still replaces after %2 steps").arg(Quoted(typed)).arg(steps));
        text = *replaced;
    }
    return 0;
}
