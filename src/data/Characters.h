// What the program counts as one character of text: a user-perceived
// character (an extended grapheme cluster, ICU's character boundaries). A
// Siddham letter with its vowel sign, or a letter with virama, is one; a
// surrogate pair is never split.
#pragma once

#include <QString>
#include <QStringList>

namespace orv::data {

QStringList SplitCharacters(const QString& text);

// The text without leading and trailing blanks (U+0020 only; other white
// space stays), as the program's searches and key lookups compare it.
QString TrimBlanks(const QString& text);

}  // namespace orv::data
