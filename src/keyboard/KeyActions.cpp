#include "keyboard/KeyActions.h"

namespace orv::keyboard {

BoxKey BoxKeyAction(int key, Qt::KeyboardModifiers modifiers) {
    const Qt::KeyboardModifiers mods = modifiers & ~Qt::KeypadModifier;
    if (key == Qt::Key_Space) {
        if (mods == Qt::NoModifier) return BoxKey::ToCandidates;
        if (mods == Qt::ShiftModifier) return BoxKey::WriteBlank;
        return BoxKey::Type;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (mods == Qt::AltModifier) return BoxKey::NewParagraph;
        if (mods == Qt::ShiftModifier) return BoxKey::WriteTransliteration;
    }
    return BoxKey::Type;
}

bool TypesIntoBox(const QString& text, Qt::KeyboardModifiers modifiers) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    if (text.isEmpty()) return false;
    for (const QChar c : text) {
        if (!c.isPrint() || c.isSpace()) return false;
    }
    return true;
}

}  // namespace orv::keyboard
