// The converter's input path: any bytes as UTF-8, fed in pieces cut where the data chooses (also
// inside a pair or a cluster), convert as when fed whole and as a plain reference: the ICU-NFC
// text split into characters, each looked up.
#include "converter/SiddhamConverter.h"
#include "data/Characters.h"
#include "fuzz/FuzzCheck.h"

#include <QRegularExpression>

#include <unicode/unorm2.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// ka, ka+virama, ka+o, ka+e, ssa, aa twice, danda, double danda twice, ASCII, emoji.
const orv::converter::ConversionMap kMap = [] {
    orv::converter::ConversionMap m;
    const QString rows = QStringLiteral(
        "\U0001158E=ka;\U0001158E\U000115BF=k;\U0001158E\U000115BA=ko;\U0001158E\U000115B8=ke;"
        "\U000115AC=ṣa;\U00011581=ā;\U00011581=aa;\U000115C2=.;\U000115C3=x;\U000115C3=,;a=A;"
        "\U0001F600=smile");
    for (const QString& row : rows.split(u';'))
        m.Add(row.section(u'=', 0, 0), row.section(u'=', 1));
    return m;
}();

QString Reference(const QString& text) {
    UErrorCode status = U_ZERO_ERROR;  // NFC by ICU, as the engine does (Qt's tables differ)
    QString nfc(3 * text.size() + 1, Qt::Uninitialized);
    nfc.truncate(unorm2_normalize(
        unorm2_getNFCInstance(&status), reinterpret_cast<const UChar*>(text.utf16()),
        static_cast<int32_t>(text.size()), reinterpret_cast<UChar*>(nfc.data()),
        static_cast<int32_t>(nfc.size()), &status));
    Check(U_SUCCESS(status), QStringLiteral("ICU NFC of %1").arg(Quoted(text)));
    const QStringList characters = orv::data::SplitCharacters(nfc);
    const QString virama = QStringLiteral("\U000115BF");
    static const QRegularExpression joiners(virama + QStringLiteral("[\u200C\u200D]+"));
    QString out;
    for (qsizetype i = 0; i < characters.size(); ++i) {
        const QString& c = characters[i];
        const auto* entry = kMap.Find(c);  // failing that, without joiners after a virama
        if (!entry) entry = kMap.Find(QString(c).replace(joiners, virama));
        const bool blankNext =
            i + 1 < characters.size() &&
            QStringView(u" \t\n\v\f\r\u0085\u2028\u2029").contains(characters[i + 1][0]);
        out += !entry                              ? c
               : entry->separatorLast && blankNext ? entry->output.chopped(1)
                                                   : entry->output;
    }
    return out;
}

QString Convert(const QString& text, const std::vector<qsizetype>& cuts) {
    orv::converter::ConversionStream stream(kMap);
    QString out;
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        stream.Feed(QStringView(text).sliced(from, cut - from));
        stream.Take(out, 1 + cut % 7);  // now and then fewer than all
        from = cut;
    }
    stream.Feed(QStringView(text).sliced(from));
    stream.Finish();
    while (!stream.Done()) stream.Take(out, 5);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;  // the first byte chooses how many cuts; the text follows
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1),
                                           static_cast<qsizetype>(size - 1));
    std::vector<qsizetype> cuts;
    uint32_t seed = 2166136261u;
    for (size_t i = 0; i < size; ++i) seed = (seed ^ data[i]) * 16777619u;
    for (int i = 0; i < data[0] % 8 && !text.isEmpty(); ++i) {
        seed = seed * 1103515245u + 12345u;
        cuts.push_back(
            static_cast<qsizetype>((seed >> 8) % static_cast<uint32_t>(text.size() + 1)));
    }
    std::sort(cuts.begin(), cuts.end());
    const QString whole = Convert(text, {});
    Check(Convert(text, cuts) == whole && Reference(text) == whole, Quoted(text));
    return 0;
}
