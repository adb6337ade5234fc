// The global keyboard hook's key record and the interface of the window that
// registers as the hook's handler.
#pragma once

#include <cstdint>

namespace orv::shell {

// Virtual-key codes the hot keys deal with.
inline constexpr std::uint32_t kVkControl = 0x11;
inline constexpr std::uint32_t kVkUp = 0x26;
inline constexpr std::uint32_t kVkDown = 0x28;

// One key event as the hook sees it: the virtual-key code is all that
// decides anything (presses, auto-repeats and releases alike).
struct KeyRecord {
    std::uint32_t vkCode = 0;
};

// A window that handles the hot keys says through this whether they are
// swallowed. The plain interface lets everything through.
class KeyboardHook {
  public:
    virtual ~KeyboardHook();
    virtual bool BlockControlEscape() { return false; }
};

}  // namespace orv::shell
