// The `like` matcher against a model: the same pattern translated into a
// case-insensitive regular expression (PCRE2 through QRegularExpression,
// whose caseless classes match a character when it or one of its other
// cases is in them: the matcher's rule for sets).
//
// Input: the pattern, a line feed, the value. Both must agree on whether the
// pattern is valid (an unclosed '[' the model rejects itself; a descending
// range PCRE2 rejects) and, when it is, on whether the value matches.
#include "data/TextRules.h"
#include "fuzz/FuzzCheck.h"

#include <QRegularExpression>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

using orv::fuzz::Check;
using orv::fuzz::Quoted;

namespace {

QString Escaped(char32_t c) { return QStringLiteral("\\x{%1}").arg(uint(c), 0, 16); }

// The pattern as an anchored regular expression; nothing for an unclosed '['.
std::optional<QString> Model(const std::u32string& p, int* stars) {
    QString re = QStringLiteral("\\A(?:");
    *stars = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        const char32_t c = p[i];
        if (c == U'*') {
            re += QStringLiteral(".*");
            ++*stars;
        } else if (c == U'?') {
            re += QLatin1Char('.');
        } else if (c == U'#') {
            re += QStringLiteral("[0-9]");
        } else if (c == U'[') {
            const size_t close = p.find(U']', i + 1);
            if (close == std::u32string::npos) return std::nullopt;
            std::u32string body = p.substr(i + 1, close - i - 1);
            i = close;
            if (body.empty()) continue;  // the empty string
            const bool negated = body.front() == U'!';
            if (negated) body.erase(0, 1);
            if (body.empty()) {  // none of nothing: any character
                re += QLatin1Char('.');
                continue;
            }
            re += negated ? QStringLiteral("[^") : QStringLiteral("[");
            for (size_t k = 0; k < body.size(); ++k) {
                if (k + 2 < body.size() && body[k + 1] == U'-') {
                    re += Escaped(body[k]) + QLatin1Char('-') + Escaped(body[k + 2]);
                    k += 2;
                } else {
                    re += Escaped(body[k]);
                }
            }
            re += QLatin1Char(']');
        } else {
            re += Escaped(c);
        }
    }
    return re + QStringLiteral(")\\z");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    orv::data::LikePattern like;
    std::string error;

    // Any bytes at all, malformed UTF-8 too: no crash, no hang.
    const size_t split = bytes.find('\n');
    const std::string rawPattern = bytes.substr(0, split);
    const std::string rawValue = split == std::string::npos ? bytes : bytes.substr(split + 1);
    if (orv::data::LikePattern::Compile(rawPattern, like, error)) like.Matches(rawValue);

    // The model's comparison, on valid UTF-8 of a size PCRE2's backtracking
    // handles quickly.
    const QString text = QString::fromUtf8(bytes);
    const qsizetype lf = text.indexOf(QLatin1Char('\n'));
    const QString pattern = lf < 0 ? text : text.left(lf);
    const QString value = lf < 0 ? QString() : text.mid(lf + 1);
    if (pattern.size() > 64 || value.size() > 64) return 0;
    const QList<uint> ucs4 = pattern.toUcs4();
    const std::u32string codePoints(ucs4.begin(), ucs4.end());
    int stars = 0;
    const std::optional<QString> model = Model(codePoints, &stars);
    const QRegularExpression re(
        model.value_or(QString()),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const bool modelValid = model && re.isValid();
    const bool compiled = orv::data::LikePattern::Compile(pattern.toStdString(), like, error);
    Check(compiled == modelValid,
          QStringLiteral("pattern %1: matcher %2, model %3 (%4)")
              .arg(Quoted(pattern), compiled ? "accepts" : "rejects",
                   modelValid ? "accepts" : "rejects",
                   model ? re.errorString() : QStringLiteral("unclosed '['")));
    if (!compiled || (stars > 4 && value.size() > 16)) return 0;
    const bool matched = like.Matches(value.toStdString());
    const bool expected = re.match(value).hasMatch();
    Check(matched == expected, QStringLiteral("pattern %1, value %2: matcher %3, model %4 (%5)")
                                   .arg(Quoted(pattern), Quoted(value), matched ? "yes" : "no",
                                        expected ? "yes" : "no", re.pattern()));
    return 0;
}
