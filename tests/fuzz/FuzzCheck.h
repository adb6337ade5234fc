// What a fuzz target does on a fault: says what went wrong, then aborts, so
// that libFuzzer keeps the input and the replay test fails.
#pragma once

#include <QString>

#include <cstdio>
#include <cstdlib>

namespace orv::fuzz {

inline void Check(bool ok, const QString& what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", qPrintable(what));
    std::abort();
}

// A string in a readable, unambiguous form for those messages.
inline QString Quoted(const QString& s) {
    QString out = QStringLiteral("\"");
    for (const QChar c : s) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QLatin1Char('"') ||
            c == QLatin1Char('\\') || c.unicode() > 0x7E)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + QLatin1Char('"');
}

}  // namespace orv::fuzz
