// The X keysyms of the keys the typing session acts on (X11/keysymdef.h):
// IBus and Fcitx5 both deliver these values, and the candidate windows'
// controls are handed on as these keys.
#pragma once

#include <cstdint>

namespace orv::engine::keysym {

inline constexpr std::uint32_t kSpace = 0x20;
inline constexpr std::uint32_t kDigit0 = 0x30;
inline constexpr std::uint32_t kDigit9 = 0x39;
inline constexpr std::uint32_t kBackSpace = 0xff08;
inline constexpr std::uint32_t kTab = 0xff09;
inline constexpr std::uint32_t kReturn = 0xff0d;
inline constexpr std::uint32_t kEscape = 0xff1b;
inline constexpr std::uint32_t kHome = 0xff50;
inline constexpr std::uint32_t kLeft = 0xff51;
inline constexpr std::uint32_t kUp = 0xff52;
inline constexpr std::uint32_t kRight = 0xff53;
inline constexpr std::uint32_t kDown = 0xff54;
inline constexpr std::uint32_t kPageUp = 0xff55;
inline constexpr std::uint32_t kPageDown = 0xff56;
inline constexpr std::uint32_t kEnd = 0xff57;
inline constexpr std::uint32_t kKpTab = 0xff89;
inline constexpr std::uint32_t kKpEnter = 0xff8d;
inline constexpr std::uint32_t kKpHome = 0xff95;
inline constexpr std::uint32_t kKpLeft = 0xff96;
inline constexpr std::uint32_t kKpUp = 0xff97;
inline constexpr std::uint32_t kKpRight = 0xff98;
inline constexpr std::uint32_t kKpDown = 0xff99;
inline constexpr std::uint32_t kKpPageUp = 0xff9a;
inline constexpr std::uint32_t kKpPageDown = 0xff9b;
inline constexpr std::uint32_t kKpEnd = 0xff9c;
inline constexpr std::uint32_t kKpDelete = 0xff9f;
inline constexpr std::uint32_t kKp0 = 0xffb0;
inline constexpr std::uint32_t kKp9 = 0xffb9;
inline constexpr std::uint32_t kF1 = 0xffbe;
inline constexpr std::uint32_t kF12 = 0xffc9;
inline constexpr std::uint32_t kDelete = 0xffff;
inline constexpr std::uint32_t kIsoLeftTab = 0xfe20;
// The modifier keys themselves, Shift_L to Hyper_R.
inline constexpr std::uint32_t kShiftL = 0xffe1;
inline constexpr std::uint32_t kControlL = 0xffe3;
inline constexpr std::uint32_t kHyperR = 0xffee;

}  // namespace orv::engine::keysym
