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

#ifdef ORV_FUZZ_DATABASE
#include "data/Database.h"

// The built reference database, opened once for the whole run.
inline orv::data::Database* BuiltDatabase() {
    static const auto db = [] {
        QString error;
        auto opened = orv::data::Database::Open(QStringLiteral(ORV_FUZZ_DATABASE),
                                                orv::data::kDatabasePassphrase,
                                                orv::data::Database::Mode::ReadOnly, &error);
        Check(opened != nullptr, QStringLiteral("the reference database: %1").arg(error));
        return opened;
    }();
    return db.get();
}
#endif
