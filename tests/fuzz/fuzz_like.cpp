// The `like` matcher against a model: the pattern as a caseless PCRE2 expression (whose caseless
// sets, like the matcher's, hold a character when one of its cases is in them). Input: pattern,
// line feed, value. Both agree on validity (an unclosed '[' the model rejects, a descending range
// PCRE2 does) and on matching; any bytes, malformed UTF-8 too, neither crash nor hang.
#include "data/TextRules.h"
#include "fuzz/FuzzCheck.h"

#include <QRegularExpression>

#include <string>

namespace {

QString Escaped(uint c) { return QStringLiteral("\\x{%1}").arg(c, 0, 16); }

// The pattern as an anchored regular expression; an invalid one for an unclosed '['.
QString Model(const QList<uint>& p, int* stars) {
    QString re = QStringLiteral("\\A(?:");
    for (qsizetype i = 0; i < p.size(); ++i) {
        if (p[i] != '[') {
            *stars += p[i] == '*';
            re += p[i] == '*'   ? QStringLiteral(".*")
                  : p[i] == '?' ? QStringLiteral(".")
                  : p[i] == '#' ? QStringLiteral("[0-9]")
                                : Escaped(p[i]);
        } else {
            const qsizetype close = p.indexOf(']', i + 1);
            if (close < 0) return QStringLiteral("[");
            QList<uint> body = p.mid(i + 1, close - i - 1);
            i = close;
            const bool negated = !body.isEmpty() && body.front() == '!';
            if (negated) body.removeFirst();
            if (body.isEmpty()) {  // "[]" is the empty string, "[!]" any character
                re += negated ? QStringLiteral(".") : QString();
                continue;
            }
            re += negated ? QStringLiteral("[^") : QStringLiteral("[");
            for (qsizetype k = 0; k < body.size(); ++k) {
                re += Escaped(body[k]);
                if (k + 2 < body.size() && body[k + 1] == '-')
                    re += QStringLiteral("-") + Escaped(body[k += 2]);
            }
            re += u']';
        }
    }
    return re + QStringLiteral(")\\z");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    orv::data::LikePattern like;
    std::string error;
    const size_t split = bytes.find('\n');
    if (orv::data::LikePattern::Compile(bytes.substr(0, split), like, error))
        like.Matches(split == std::string::npos ? bytes : bytes.substr(split + 1));

    // The model on valid UTF-8, small enough for PCRE2's backtracking.
    const QString text = QString::fromUtf8(bytes);
    const qsizetype lf = text.indexOf(u'\n');
    const QString pattern = lf < 0 ? text : text.left(lf),
                  value = lf < 0 ? QString() : text.mid(lf + 1);
    if (pattern.size() > 64 || value.size() > 64) return 0;
    int stars = 0;
    const QRegularExpression re(
        Model(pattern.toUcs4(), &stars),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const bool valid = re.isValid();
    const bool compiled = orv::data::LikePattern::Compile(pattern.toStdString(), like, error);
    Check(compiled == valid, QStringLiteral("pattern %1: matcher %2 it, model %3 it (%4)")
                                 .arg(Quoted(pattern), compiled ? "accepts" : "rejects",
                                      valid ? "accepts" : "rejects", re.errorString()));
    if (!compiled || (stars > 4 && value.size() > 16)) return 0;
    const bool matched = like.Matches(value.toStdString()), expected = re.match(value).hasMatch();
    Check(matched == expected, QStringLiteral("pattern %1, value %2: matcher %3, model %4 (%5)")
                                   .arg(Quoted(pattern), Quoted(value), matched ? "yes" : "no",
                                        expected ? "yes" : "no", re.pattern()));
    return 0;
}
