#pragma once

#include <QString>
#include <QStringList>

namespace orv::app {

// The family of the Siddham font the program ships with: Noto Sans Siddham
// 2.005 under a name of its own (the system's copy is older).
inline constexpr const char* kShippedSiddham = "Orvanta Siddham";

// The family of the Ranjana font the program ships with (Nithya Ranjana DU:
// Ranjana shapes on Devanagari code points). It serves "Ranjana" when the
// user has no Ranjana font of their own.
inline constexpr const char* kShippedRanjana = "Nithya Ranjana DU";

// Loads the fonts the program ships with (the fonts/ folder beside it, when
// the build had them) for the program's own windows. Answers the font files loaded. Needs a
// QGuiApplication.
QStringList InstallBundledFonts(const QString& programFolder);

// Maps the font names the program asks for to fonts installed here:
// "siddam" to the shipped Siddham font or Noto Sans Siddham, "Ranjana" to an installed Ranjana font
// (the user's before the shipped one) or else Noto Sans Devanagari, "Arial Unicode MS" and "Tahoma"
// to a Unicode sans-serif font. Needs a QGuiApplication.
void InstallFontSubstitutions();

// The installed families that draw Ranjana: a family named "Ranjana" first,
// then every other family with "Ranjana" in its name, in name order, the
// shipped one last.
QStringList RanjanaFamilies(const QStringList& installed);

// The fontconfig rule that makes other programs (Writer among them) show
// the font name "Ranjana" in `families`, Noto Sans Devanagari after them.
QString RanjanaAlias(const QStringList& families);

// Writes RanjanaAlias for the installed Ranjana families into the user's
// fontconfig folder (`configHome`/fontconfig/conf.d), unless it is there
// already, so a Ranjana font under any name also serves Writer. Does
// nothing when no such family is installed. Answers whether the file is
// as it should be.
bool WriteRanjanaAlias(const QString& configHome, const QStringList& families);

}  // namespace orv::app
