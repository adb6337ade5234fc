// Placeholder until the document bridge lands: the keyboard's calls into the
// user's document.
#pragma once

#include <QString>

namespace orv::keyboard::Document {

inline void InsertInFontStart(const QString&, const QString&) {}
inline void InsertInFontFinish() {}
inline void InsertInFont(const QString&, const QString&) {}
inline void InsertText(const QString&) {}
inline void NewParagraph() {}

}  // namespace orv::keyboard::Document
