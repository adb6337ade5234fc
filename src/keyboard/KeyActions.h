// What the keys do in a keyboard window, apart from the widgets: the
// window asks here and only wires the answer to its controls.
#pragma once

#include <QString>
#include <Qt>

namespace orv::keyboard {

// A key pressed in the transliteration box.
enum class BoxKey {
    Type,                  // the box takes it as typing
    ToCandidates,          // Space: the focus goes to the first candidate, the text stays
    WriteBlank,            // Shift+Space: a blank into the document, the focus stays
    NewParagraph,          // Alt+Enter
    WriteTransliteration,  // Shift+Enter: the box's text itself into the document
};
BoxKey BoxKeyAction(int key, Qt::KeyboardModifiers modifiers);

// Whether a key pressed on a candidate button is typing meant for the
// transliteration box: a printable character other than a blank, without
// Ctrl, Alt or Meta.
bool TypesIntoBox(const QString& text, Qt::KeyboardModifiers modifiers);

}  // namespace orv::keyboard
