// On a fault a fuzz target says what and aborts (libFuzzer keeps the input, the replay test fails).
#pragma once

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

inline void Check(bool ok, const QString& what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", qPrintable(what));
    std::abort();
}

// Readable and unambiguous: all but printable ASCII as \uXXXX.
inline QString Quoted(const QString& s) {
    QString out = QStringLiteral("\"");
    for (const QChar c : s)
        out += c.unicode() < 0x20 || c.unicode() > 0x7E || c == u'"' || c == u'\\'
                   ? QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'))
                   : QString(c);
    return out + u'"';
}
