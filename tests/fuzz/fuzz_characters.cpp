// The character splitter and the blank trimming on any UTF-16 text, lone
// surrogates included (the input's bytes are its code units, little-endian).
// The pieces are never empty, join to the text, and never part a surrogate
// pair; trimming removes blanks at the ends only.
#include "data/Characters.h"
#include "fuzz/FuzzCheck.h"

#include <cstdint>
#include <cstring>

using orv::fuzz::Check;
using orv::fuzz::Quoted;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString text(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8));

    const QStringList pieces = orv::data::SplitCharacters(text);
    QString joined;
    for (qsizetype k = 0; k < pieces.size(); ++k) {
        const QString& piece = pieces[k];
        Check(!piece.isEmpty(), QStringLiteral("an empty piece in %1").arg(Quoted(text)));
        Check(!(piece.back().isHighSurrogate() && k + 1 < pieces.size() &&
                pieces[k + 1].front().isLowSurrogate()),
              QStringLiteral("a surrogate pair split in %1").arg(Quoted(text)));
        joined += piece;
    }
    Check(joined == text,
          QStringLiteral("the pieces of %1 join to %2").arg(Quoted(text), Quoted(joined)));

    const QString trimmed = orv::data::TrimBlanks(text);
    const qsizetype at = text.indexOf(trimmed);
    Check(at >= 0 && !trimmed.startsWith(QLatin1Char(' ')) && !trimmed.endsWith(QLatin1Char(' ')) &&
              text.left(at).count(QLatin1Char(' ')) == at &&
              text.mid(at + trimmed.size()).count(QLatin1Char(' ')) ==
                  text.size() - at - trimmed.size(),
          QStringLiteral("%1 trimmed to %2").arg(Quoted(text), Quoted(trimmed)));
    return 0;
}
