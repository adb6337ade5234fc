#include "shell/KeyboardHandler.h"

#include "keyboard/Keyboards.h"
#include "shell/Platform.h"

#include <set>

namespace orv::shell {

KeyboardHook::~KeyboardHook() {
    if (KeyboardHandler::HookHandler() == this) KeyboardHandler::SetHookHandler(nullptr);
}

namespace KeyboardHandler {

std::uint32_t KeyboardHookHandle = 0;

namespace {

KeyboardHook* registeredHandler = nullptr;
std::set<std::uint32_t> installedHooks;
std::uint32_t nextHandle = 1;

// Every grabbed key event comes here. The grab has already kept the event
// from every other application, so there is nothing to pass on when
// HandleHotKey lets an event go. That happens only to the release of an Up
// or Down whose Ctrl was let go first; its press was the hot key's.
void LowLevelKeyboardProc(const KeyRecord& record) { HandleHotKey(record); }

}  // namespace

void SetHookHandler(KeyboardHook* handler) { registeredHandler = handler; }

KeyboardHook* HookHandler() { return registeredHandler; }

void InstallKeyboardHook() {
    // The keys are grabbed once for all installed hooks; a further install
    // only adds its handle.
    if (installedHooks.empty() && !GrabHotKeys(LowLevelKeyboardProc)) {
        KeyboardHookHandle = 0;
        return;
    }
    if (nextHandle == 0) nextHandle = 1;
    KeyboardHookHandle = nextHandle++;
    installedHooks.insert(KeyboardHookHandle);
}

bool IsKeyboardHooked() { return KeyboardHookHandle != 0; }

void RemoveKeyboardHook() {
    if (!IsKeyboardHooked()) return;
    if (installedHooks.erase(KeyboardHookHandle) > 0 && installedHooks.empty()) {
        ReleaseHotKeys();
    }
}

bool HandleHotKey(const KeyRecord& record) {
    KeyboardHook* handler = registeredHandler;
    if (!handler) return false;
    if (IsControlKeyDown() && record.vkCode == kVkUp) {
        keyboard::ScriptKeyboard& window = keyboard::frmSiddha().Get();
        window.Handle();
        window.BringToFront();
        // A Shift keystroke, as a user's own key, before the caret goes in.
        SendShiftKeystroke();
        window.TextBox1->setFocus();
        return registeredHandler && registeredHandler->BlockControlEscape();
    }
    if (IsControlKeyDown() && record.vkCode == kVkDown) {
        const bool block = handler->BlockControlEscape();
        keyboard::frmSiddha().Unload();
        return block;
    }
    return false;
}

}  // namespace KeyboardHandler

}  // namespace orv::shell
