// The global keyboard hook's key record and the interface of the window that
// registers as the hook's handler.
#pragma once

#include <cstdint>

namespace orv::shell {

// Virtual-key codes the hot keys deal with.
inline constexpr std::uint32_t kVkControl = 0x11;
inline constexpr std::uint32_t kVkUp = 0x26;
inline constexpr std::uint32_t kVkDown = 0x28;

// Set in a key record's flags for a key release.
inline constexpr std::uint32_t kKeyRecordFlagUp = 0x80;

// One key event as the hook sees it. Only the virtual-key code decides
// anything; the rest describes the event.
struct KeyRecord {
    std::uint32_t vkCode = 0;
    std::uint32_t scanCode = 0;  // the window system's own code of the key
    std::uint32_t flags = 0;
    std::uint32_t time = 0;  // milliseconds, the window system's clock
    std::uint32_t extraInfo = 0;
};
static_assert(sizeof(KeyRecord) == 20);

// A window that handles the hot keys says through this whether they are
// swallowed. The plain interface lets everything through.
class KeyboardHook {
  public:
    virtual ~KeyboardHook();
    virtual bool BlockControlEscape() { return false; }
    virtual bool BlockAltEscape() { return false; }
    virtual bool BlockAltTab() { return false; }
};

}  // namespace orv::shell
