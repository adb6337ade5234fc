#include "data/Characters.h"

#include <unicode/ubrk.h>

namespace orv::data {

QStringList SplitCharacters(const QString& text) {
    QStringList out;
    if (text.isEmpty()) return out;
    UErrorCode status = U_ZERO_ERROR;
    const auto* units = reinterpret_cast<const UChar*>(text.utf16());
    UBreakIterator* it =
        ubrk_open(UBRK_CHARACTER, "", units, static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) {
        // Without ICU's rules, fall back to code points.
        for (qsizetype i = 0; i < text.size();) {
            const qsizetype n =
                (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                    ? 2
                    : 1;
            out << text.mid(i, n);
            i += n;
        }
        return out;
    }
    int32_t start = ubrk_first(it);
    for (int32_t end = ubrk_next(it); end != UBRK_DONE; start = end, end = ubrk_next(it)) {
        out << text.mid(start, end - start);
    }
    ubrk_close(it);
    return out;
}

QString TrimBlanks(const QString& text) {
    qsizetype start = 0, end = text.size();
    while (start < end && text[start] == QLatin1Char(' ')) ++start;
    while (end > start && text[end - 1] == QLatin1Char(' ')) --end;
    return text.mid(start, end - start);
}

}  // namespace orv::data
