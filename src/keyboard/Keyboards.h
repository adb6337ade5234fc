// The two keyboard windows' shared instances.
#pragma once

#include "app/AppWindow.h"
#include "keyboard/ScriptKeyboard.h"

namespace orv::keyboard {

app::SharedWindow<ScriptKeyboard>& frmSiddha();
app::SharedWindow<ScriptKeyboard>& frmLantsa();

}  // namespace orv::keyboard
