// Siddham text for the tests: each letter one code point past the BMP (a surrogate pair).
#pragma once

#include <QString>

namespace orv::test::glyphs {

inline const QString kA = QStringLiteral("\U00011580");
inline const QString kAa = QStringLiteral("\U00011581");
inline const QString kI = QStringLiteral("\U00011582");
inline const QString kIi = QStringLiteral("\U00011583");
inline const QString kKa = QStringLiteral("\U0001158E");
inline const QString kSsa = QStringLiteral("\U000115AC");
inline const QString kHa = QStringLiteral("\U000115AE");
inline const QString kSignAa = QStringLiteral("\U000115AF");
inline const QString kSignI = QStringLiteral("\U000115B0");
inline const QString kSignIi = QStringLiteral("\U000115B1");
inline const QString kSignE = QStringLiteral("\U000115B8");
inline const QString kSignO = QStringLiteral("\U000115BA");
inline const QString kVisarga = QStringLiteral("\U000115BE");
inline const QString kVirama = QStringLiteral("\U000115BF");
inline const QString kDanda = QStringLiteral("\U000115C2");
inline const QString kDoubleDanda = QStringLiteral("\U000115C3");
inline const QString kKi = kKa + kSignI;
inline const QString kKssa = kKa + kVirama + kSsa;
inline const QString kOm = QStringLiteral("\U0001158C\U000115BD");
inline const QString kHum = kHa + QStringLiteral("\U000115B3\U000115BD");  // uu below, ṃ above

}  // namespace orv::test::glyphs
