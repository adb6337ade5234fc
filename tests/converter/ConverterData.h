// The small conversion tables the converter's tests build their database
// from, and the Siddham text they use.
#pragma once

#include "support/TestDatabase.h"

namespace orv::test {

inline const QString kKa = QStringLiteral("\U0001158E"), kKi = kKa + QStringLiteral("\U000115B0"),
                     kKVirama = kKa + QStringLiteral("\U000115BF"),
                     kSsi = QStringLiteral("\U000115AC\U000115B0"),
                     kKo = kKa + QStringLiteral("\U000115BA"),
                     kKoNfd = kKa + QStringLiteral("\U000115B8\U000115AF"),
                     kAa = QStringLiteral("\U00011581"),  // two rows
    kI = QStringLiteral("\U00011582"),                    // three rows
    kDanda = QStringLiteral("\U000115C2"), kDoubleDanda = QStringLiteral("\U000115C3"),
                     kNoRow = QStringLiteral("\U00011583"), kEmoji = QStringLiteral("\U0001F600");

inline std::map<QString, Rows> ConverterTables() {
    return {
        {QStringLiteral("tbl_siddham_trans"),
         {{kKa, "ka"},
          {kKi, "ki"},
          {kKVirama, "k"},
          {kSsi, QStringLiteral("ṣi")},
          {kKo, "ko"},
          {kAa, QStringLiteral("ā")},
          {kAa, "aa"},
          {kI, "i"},
          {kI, QStringLiteral("ī")},
          {kI, "y"},
          {kDanda, "."},
          {kDoubleDanda, "x"},
          {kDoubleDanda, ","},
          {"'", "apos"}}},
        {QStringLiteral("tbl_siddham_deva"),
         {{kKa, QStringLiteral("क")}, {kKi, QStringLiteral("कि")}, {kDanda, QStringLiteral("।")}}},
        {QStringLiteral("tbl_siddham_lantsa"),
         {{kKa, "K"}, {kKi, "KI"}, {kAa, "A1"}, {kAa, "A2"}}}};
}

}  // namespace orv::test
