// Splitting any UTF-16 text (the bytes are little-endian code units, lone surrogates too) gives
// non-empty pieces that join to it and keep surrogate pairs; trimming drops end blanks only.
#include "data/Characters.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString text(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8));
    const QStringList pieces = orv::data::SplitCharacters(text);
    for (qsizetype k = 0; k < pieces.size(); ++k)
        Check(
            !pieces[k].isEmpty() && !(pieces[k].back().isHighSurrogate() && k + 1 < pieces.size() &&
                                      pieces[k + 1].front().isLowSurrogate()),
            QStringLiteral("piece %1 of %2 empty or parting a pair").arg(k).arg(Quoted(text)));
    Check(pieces.join(QString()) == text,
          QStringLiteral("pieces of %1 rejoined").arg(Quoted(text)));
    const QString trimmed = orv::data::TrimBlanks(text);
    const qsizetype at = text.indexOf(trimmed), after = text.size() - at - trimmed.size();
    Check(at >= 0 && !trimmed.startsWith(u' ') && !trimmed.endsWith(u' ') &&
              text.left(at).count(u' ') == at && text.right(after).count(u' ') == after,
          QStringLiteral("%1 trimmed to %2").arg(Quoted(text), Quoted(trimmed)));
    return 0;
}
