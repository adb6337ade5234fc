// The global hot keys: Ctrl+Up brings up the Siddham keyboard window with
// the caret in its transliteration box, Ctrl+Down closes it, from any
// application. Every event of Up or Down while Ctrl is held (the press, each
// auto-repeat, the release) runs the action and is swallowed: the focused
// application never sees it. Shift and Alt make no difference.
//
// Each install is a handle of its own; the keys stay grabbed while any
// installed handle remains. Where the window system offers no global keys
// (no X11 connection) nothing is installed, silently.
#pragma once

#include "shell/KeyboardHook.h"

#include <cstdint>

namespace orv::shell::KeyboardHandler {

// The most recently installed hook (0: none).
extern std::uint32_t KeyboardHookHandle;

// The window that decides whether the hot keys are swallowed; none until the
// host window loads. A handler that is destroyed unregisters itself.
void SetHookHandler(KeyboardHook* handler);
KeyboardHook* HookHandler();

// Installs a hook and stores its handle in KeyboardHookHandle (0 when no hook
// could be installed; not reported).
void InstallKeyboardHook();
// Whether KeyboardHookHandle holds a hook.
bool IsKeyboardHooked();
// Removes the hook whose handle is stored. The handle is kept: removing it
// again does nothing.
void RemoveKeyboardHook();

// Decides on one key event; true means swallow it.
bool HandleHotKey(const KeyRecord& record);

}  // namespace orv::shell::KeyboardHandler
