// The builder's source reader on any bytes: no crash; what it accepts it keeps whole (each line
// neither empty nor a comment is the header or a row whose escaped fields give the line back),
// and written out again it reads back the same.
#include "dbbuild/ReferenceSources.h"
#include "fuzz/FuzzCheck.h"

#include <QStringDecoder>

namespace {

QString Escaped(const QStringList& fields) {
    QStringList out;
    for (const QString& f : fields) out << orv::dbbuild::EscapeField(f);
    return out.join(u'\t');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    orv::dbbuild::SourceRows source, again;
    QString error;
    if (!orv::dbbuild::ReadSource(bytes, QStringLiteral("fuzz.tsv"), nullptr, &source, &error)) {
        Check(error.startsWith(QStringLiteral("fuzz.tsv:")), error);
        return 0;
    }
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.front().startsWith("\xEF\xBB\xBF")) lines.front().remove(0, 3);
    qsizetype row = -1;  // the header
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QByteArray line = lines[n];
        if (line.endsWith('\r')) line.chop(1);
        if (line.isEmpty() || line.startsWith('#')) continue;
        // Keeping a leading U+FEFF, which QString::fromUtf8 would drop.
        const QString text =
            QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom)(line);
        Check(row < 0 ? source.header.join(u'\t') == text
                      : row < source.rows.size() && source.lines[row] == n + 1 &&
                            Escaped(source.rows[row]) == text,
              QStringLiteral("line %1, %2, is not row %3 as read")
                  .arg(n + 1)
                  .arg(Quoted(text))
                  .arg(row));
        ++row;
    }
    Check(row == source.rows.size(),
          QStringLiteral("%1 rows from %2 lines").arg(source.rows.size()).arg(row));
    QByteArray written = source.header.join(u'\t').toUtf8() + '\n';
    for (const QStringList& fields : source.rows) written += Escaped(fields).toUtf8() + '\n';
    Check(orv::dbbuild::ReadSource(written, QStringLiteral("again.tsv"), nullptr, &again, &error) &&
              again.header == source.header && again.rows == source.rows,
          QStringLiteral("written out and read again: %1").arg(error));
    return 0;
}
