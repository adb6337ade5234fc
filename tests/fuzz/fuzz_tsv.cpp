// The builder's source reader on any bytes: no crash, and what it accepts it
// keeps whole. Every line that is neither empty nor a comment is the header
// or one row, and escaping the row's fields gives that line back (so nothing
// was dropped or changed); written out again, the rows read back the same.
#include "dbbuild/ReferenceSources.h"
#include "fuzz/FuzzCheck.h"

#include <QByteArray>
#include <QStringDecoder>

#include <cstdint>

using orv::dbbuild::EscapeField;
using orv::dbbuild::ReadSource;
using orv::dbbuild::SourceRows;
using orv::fuzz::Check;
using orv::fuzz::Quoted;

namespace {

QString Escaped(const QStringList& fields) {
    QStringList out;
    for (const QString& f : fields) out << EscapeField(f);
    return out.join(QLatin1Char('\t'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    SourceRows source;
    QString error;
    if (!ReadSource(bytes, QStringLiteral("fuzz.tsv"), nullptr, &source, &error)) {
        Check(error.startsWith(QStringLiteral("fuzz.tsv:")), error);
        return 0;
    }

    // The lines the reader must have taken, found without it.
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.front().startsWith("\xEF\xBB\xBF")) lines.front().remove(0, 3);
    qsizetype row = -1;  // -1: the header
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QByteArray line = lines[n];
        if (line.endsWith('\r')) line.chop(1);
        if (line.isEmpty() || line.startsWith('#')) continue;
        // Decoded keeping a leading U+FEFF (QString::fromUtf8 would drop it).
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        const QString text = decoder(line);
        if (row < 0) {
            Check(source.header.join(QLatin1Char('\t')) == text,
                  QStringLiteral("header %1 from line %2").arg(Quoted(text)).arg(n + 1));
        } else {
            Check(row < source.rows.size() && source.lines[row] == n + 1 &&
                      Escaped(source.rows[row]) == text,
                  QStringLiteral("line %1, %2, is not row %3 as read")
                      .arg(n + 1)
                      .arg(Quoted(text))
                      .arg(row));
        }
        ++row;
    }
    Check(row == source.rows.size(),
          QStringLiteral("%1 rows read from %2 lines").arg(source.rows.size()).arg(row));

    QByteArray written = source.header.join(QLatin1Char('\t')).toUtf8() + '\n';
    for (const QStringList& fields : source.rows) written += Escaped(fields).toUtf8() + '\n';
    SourceRows again;
    Check(ReadSource(written, QStringLiteral("again.tsv"), nullptr, &again, &error) &&
              again.header == source.header && again.rows == source.rows,
          QStringLiteral("written out and read again: %1").arg(error));
    return 0;
}
