// The converter's input path: any bytes, read as UTF-8 (malformed ones
// become U+FFFD), fed to the streaming engine in pieces cut at places the
// data chooses (also inside a surrogate pair or a cluster). The output must
// equal that of the whole text fed at once, and that of a plain reference:
// the NFC text split by ICU's character boundaries, each character looked up.
#include "converter/SiddhamConverter.h"
#include "data/Characters.h"

#include <unicode/unorm2.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using orv::converter::ConversionMap;
using orv::converter::ConversionStream;

const ConversionMap& Map() {
    static const ConversionMap map = [] {
        ConversionMap m;
        const char32_t ka = 0x1158E, ssa = 0x115AC, virama = 0x115BF, signO = 0x115BA,
                       signE = 0x115B8, aa = 0x11581, danda = 0x115C2, dd = 0x115C3;
        const auto s = [](std::initializer_list<char32_t> cps) {
            return QString::fromUcs4(cps.begin(), static_cast<qsizetype>(cps.size()));
        };
        const std::pair<QString, QString> rows[] = {
            {s({ka}), "ka"},
            {s({ka, virama}), "k"},
            {s({ka, signO}), "ko"},
            {s({ka, signE}), "ke"},
            {s({ssa}), "ṣa"},
            {s({aa}), "ā"},
            {s({aa}), "aa"},
            {s({danda}), "."},
            {s({dd}), "x"},
            {s({dd}), ","},
            {"a", "A"},
            {s({0x1F600}), "smile"},
        };
        for (const auto& [key, value] : rows) m.Add(key, value);
        return m;
    }();
    return map;
}

bool IsWhiteSpace(QChar c) {
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\n' || u == '\v' || u == '\f' || u == '\r' || u == 0x85 ||
           u == 0x2028 || u == 0x2029;
}

// NFC by ICU, as the engine does it (Qt's own tables differ in places).
QString Nfc(const QString& text) {
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
    QString out(3 * text.size() + 1, Qt::Uninitialized);
    const int32_t n = unorm2_normalize(
        nfc, reinterpret_cast<const UChar*>(text.utf16()), static_cast<int32_t>(text.size()),
        reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &status);
    if (U_FAILURE(status)) std::abort();
    out.truncate(n);
    return out;
}

QString Reference(const QString& text) {
    const QStringList characters = orv::data::SplitCharacters(Nfc(text));
    QString out;
    for (qsizetype i = 0; i < characters.size(); ++i) {
        const QString& c = characters[i];
        const auto* entry = Map().Find(c);
        if (!entry) {
            QString key = c;
            const QString virama = QString::fromUcs4(U"\U000115BF", 1);
            // A run of joiners after a virama goes.
            for (qsizetype before = -1; before != key.size();) {
                before = key.size();
                key.replace(virama + QChar(0x200D), virama).replace(virama + QChar(0x200C), virama);
            }
            if (key != c) entry = Map().Find(key);
        }
        if (!entry) {
            out += c;
        } else if (entry->separatorLast && i + 1 < characters.size() &&
                   IsWhiteSpace(characters[i + 1][0])) {
            out += entry->output.chopped(1);
        } else {
            out += entry->output;
        }
    }
    return out;
}

QString Convert(const QString& text, const std::vector<qsizetype>& cuts) {
    ConversionStream stream(Map());
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
    if (size < 1) return 0;
    // The first byte chooses how many cuts; the text follows.
    const int pieces = data[0] % 8;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1),
                                           static_cast<qsizetype>(size - 1));
    std::vector<qsizetype> cuts;
    uint32_t seed = 2166136261u;
    for (size_t i = 0; i < size; ++i) seed = (seed ^ data[i]) * 16777619u;
    for (int i = 0; i < pieces && !text.isEmpty(); ++i) {
        seed = seed * 1103515245u + 12345u;
        cuts.push_back(
            static_cast<qsizetype>((seed >> 8) % static_cast<uint32_t>(text.size() + 1)));
    }
    std::sort(cuts.begin(), cuts.end());
    const QString whole = Convert(text, {});
    if (Convert(text, cuts) != whole) std::abort();
    if (Reference(text) != whole) std::abort();
    return 0;
}
