#pragma once

namespace orv::app {

// Maps the font names the program asks for to fonts installed here:
// "siddam" to Noto Sans Siddham, "Ranjana" to an installed Ranjana font or
// else Noto Sans Devanagari, "Arial Unicode MS" and "Tahoma" to a Unicode
// sans-serif font. Needs a QGuiApplication.
void InstallFontSubstitutions();

}  // namespace orv::app
