// What the shell needs from the window system beyond Qt. The X11 versions
// live in X11Platform.cpp; elsewhere global keys are not available.
#pragma once

#include "shell/KeyboardHook.h"

#include <functional>

namespace orv::shell {

// Grabs Up and Down with Ctrl (whatever CapsLock and NumLock do, and with
// Shift or Alt as well where no other program holds those) from every
// application and hands each event of them to `deliver`. The grabbed
// events reach no other application. False, with nothing grabbed, when
// there is no X11 connection or another program holds Ctrl+Up or Ctrl+Down
// themselves.
bool GrabHotKeys(std::function<void(const KeyRecord&)> deliver);
void ReleaseHotKeys();

// Whether either Ctrl key is down now. While a grabbed key event is handled,
// "now" is the moment of that event in the input stream.
bool IsControlKeyDown();

// Injects one press and release of the Shift key into the input stream.
void SendShiftKeystroke();

// Sends everything still buffered for the window system now.
void FlushWindowSystem();

}  // namespace orv::shell
