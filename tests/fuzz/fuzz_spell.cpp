// The speller on the built database: any bytes as UTF-8 in the scheme the first byte chooses,
// fed in pieces cut where the data chooses, give valid UTF-16 and the output of the whole; and
// IAST words made from the bytes go into Siddham and back through the converter unchanged.
#include "converter/SiddhamConverter.h"
#include "engine/Speller.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

const orv::engine::SpellerTables& Tables() {
    static const auto tables = [] {
        QString error;
        auto loaded = orv::engine::SpellerTables::Load(*BuiltDatabase(),
                                                       orv::engine::Script::Siddham, &error);
        Check(loaded.has_value(), QStringLiteral("the speller's tables: %1").arg(error));
        return *loaded;
    }();
    return tables;
}

const orv::converter::ConversionMap& ToIast() {
    static const auto map = [] {
        QString error;
        auto loaded = orv::converter::ConversionMap::Load(*BuiltDatabase(),
                                                          orv::converter::Target::Trans, &error);
        Check(loaded.has_value(), QStringLiteral("tbl_siddham_trans: %1").arg(error));
        return *loaded;
    }();
    return map;
}

QString Spell(const QString& text, orv::engine::Scheme scheme, const std::vector<qsizetype>& cuts) {
    orv::engine::SpellStream stream(Tables(), scheme);
    QString out;
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        stream.Feed(QStringView(text).sliced(from, cut - from), out);
        from = cut;
    }
    stream.Feed(QStringView(text).sliced(from), out);
    stream.Finish(out);
    return out;
}

// IAST words from the bytes: syllables of up to three consonants, a vowel and up to two
// finals, the first syllable's consonants optional, a word ending now and then in a cluster.
// No two letters run together into a third (k h is kh, a i is ai): an aspirate's h never
// follows a consonant that has an aspirated form.
QString Words(const uint8_t* data, size_t size) {
    static const QStringList consonants =
        QStringLiteral(
            "k kh g gh ṅ c ch j jh ñ ṭ ṭh ḍ ḍh ṇ t th d dh n p ph b bh m y r l v ś ṣ s h")
            .split(u' ');
    static const QStringList vowels = QStringLiteral("a ā i ī u ū ṛ ṝ ḷ ḹ e ai o au").split(u' ');
    static const QStringList finals = {QString(), QStringLiteral("ṃ"), QStringLiteral("ḥ"),
                                       QStringLiteral("m̐"), QStringLiteral("ṃḥ")};
    QString out;
    bool wordStart = true;
    size_t i = 0;
    const auto next = [&] { return i < size ? data[i++] : 0; };
    while (i < size) {
        const int count = next() % (wordStart ? 4 : 3) + (wordStart ? 0 : 1);
        QString last;
        for (int c = 0; c < count; ++c) {
            QString consonant = consonants[next() % consonants.size()];
            if (consonant == u"h" && !last.isEmpty() && consonants.contains(last + u'h'))
                consonant = QStringLiteral("s");
            out += consonant;
            last = consonant;
        }
        const uint8_t shape = next();
        if (shape % 11 == 0 && count > 0) {  // a word ending in its cluster
            out += u' ';
            wordStart = true;
            continue;
        }
        out += vowels[(shape >> 1) % vowels.size()] + finals[next() % finals.size()];
        wordStart = shape % 5 == 0;
        if (wordStart) out += u' ';
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;  // the first byte chooses the scheme and the cuts; the text follows
    const auto scheme = orv::engine::kSchemes[data[0] % orv::engine::kSchemes.size()];
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1),
                                           static_cast<qsizetype>(size - 1));
    std::vector<qsizetype> cuts;
    uint32_t seed = 2166136261u;
    for (size_t i = 0; i < size; ++i) seed = (seed ^ data[i]) * 16777619u;
    for (int i = 0; i < (data[0] >> 3) % 8 && !text.isEmpty(); ++i) {
        seed = seed * 1103515245u + 12345u;
        cuts.push_back(
            static_cast<qsizetype>((seed >> 8) % static_cast<uint32_t>(text.size() + 1)));
    }
    std::sort(cuts.begin(), cuts.end());
    const QString whole = Spell(text, scheme, {});
    Check(whole.isValidUtf16(), QStringLiteral("invalid output for %1").arg(Quoted(text)));
    Check(Spell(text, scheme, cuts) == whole,
          QStringLiteral("pieces differ: %1").arg(Quoted(text)));
    Tables().Recognise(text);

    const QString words = Words(data + 1, size - 1);
    const QString siddham = Tables().Spell(words, orv::engine::Scheme::Iast);
    orv::converter::ConversionStream back(ToIast());
    back.Feed(siddham);
    back.Finish();
    QString iast;
    back.Take(iast);
    Check(iast == words, QStringLiteral("%1 came back as %2").arg(Quoted(words), Quoted(iast)));
    return 0;
}
