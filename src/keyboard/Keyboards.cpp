#include "keyboard/Keyboards.h"

namespace orv::keyboard {

app::SharedWindow<ScriptKeyboard>& frmSiddha() {
    static app::SharedWindow<ScriptKeyboard> window(
        [] { return new ScriptKeyboard(kSiddhamProfile); });
    return window;
}

app::SharedWindow<ScriptKeyboard>& frmLantsa() {
    static app::SharedWindow<ScriptKeyboard> window(
        [] { return new ScriptKeyboard(kLantsaProfile); });
    return window;
}

}  // namespace orv::keyboard
