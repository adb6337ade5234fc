#include "engine/Speller.h"

#include <unicode/unorm2.h>

namespace orv::engine {

namespace {

const UNormalizer2* Nfc() {
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
    return U_SUCCESS(status) ? nfc : nullptr;
}

// Where the end of `text` that may still change in NFC when more text
// follows begins: its last code point that has a normalization boundary
// before it (a mark after it could compose with it or be reordered). A high
// surrogate at the very end waits for its pair.
qsizetype HeldBack(const QString& text) {
    const UNormalizer2* nfc = Nfc();
    qsizetype i = text.size();
    while (i > 0) {
        qsizetype start = i - 1;
        char32_t c = text[start].unicode();
        if (QChar::isLowSurrogate(c) && start > 0 && text[start - 1].isHighSurrogate()) {
            --start;
            c = QChar::surrogateToUcs4(text[start], text[start + 1]);
        }
        // Below U+0300 every code point begins a new composition.
        if (c < 0x300 || !nfc || unorm2_hasBoundaryBefore(nfc, static_cast<UChar32>(c)))
            return start;
        i = start;
    }
    return 0;
}

// Appends `piece` to `out` in NFC.
void AppendNfc(QString& out, QStringView piece) {
    const auto* units = piece.utf16();
    bool plain = true;
    for (qsizetype i = 0; i < piece.size() && plain; ++i) plain = units[i] < 0x300;
    const UNormalizer2* nfc = Nfc();
    UErrorCode status = U_ZERO_ERROR;
    if (plain || !nfc ||
        unorm2_isNormalized(nfc, reinterpret_cast<const UChar*>(units),
                            static_cast<int32_t>(piece.size()), &status)) {
        out.append(piece);
        return;
    }
    // NFC is at most three times as long as its source.
    QString normalized(3 * piece.size() + 1, Qt::Uninitialized);
    status = U_ZERO_ERROR;
    const int32_t written = unorm2_normalize(nfc, reinterpret_cast<const UChar*>(units),
                                             static_cast<int32_t>(piece.size()),
                                             reinterpret_cast<UChar*>(normalized.data()),
                                             static_cast<int32_t>(normalized.size()), &status);
    if (U_FAILURE(status)) {
        out.append(piece);
        return;
    }
    out.append(QStringView(normalized).first(written));
}

}  // namespace

SpellStream::SpellStream(const SpellerTables& tables, Scheme scheme)
    : tables_(tables),
      table_(tables.schemes_[static_cast<size_t>(scheme)]),
      devanagari_(scheme == Scheme::Deva) {}

void SpellStream::Feed(QStringView piece, QString& out) {
    if (finished_ || piece.isEmpty()) return;
    raw_.append(piece);
    const qsizetype ready = HeldBack(raw_);
    if (ready > 0) {
        AppendNfc(text_, QStringView(raw_).first(ready));
        raw_.remove(0, ready);
    }
    Run(out);
}

void SpellStream::Finish(QString& out) {
    if (finished_) return;
    finished_ = true;
    AppendNfc(text_, raw_);
    raw_.clear();
    Run(out);
    InherentA(out);
    Flush(out);
}

void SpellStream::Run(QString& out) {
    // A token may be this long: until the text ends, that much of it is
    // kept back, and "##" needs two characters.
    const qsizetype lookahead = std::max(table_.longest, 2);
    const qsizetype size = text_.size();
    const QChar* units = text_.constData();
    while (pos_ < size) {
        const qsizetype left = size - pos_;
        if (!finished_ && left < lookahead) break;
        const char16_t c = units[pos_].unicode();
        if (c == u'#' && left >= 2 && units[pos_ + 1] == u'#') {
            if (!off_) {
                InherentA(out);
                Flush(out);
            }
            off_ = !off_;
            pos_ += 2;
            continue;
        }
        const int index = off_ ? -1 : tables_.Match(table_, QStringView(units + pos_, left));
        if (index < 0) {
            if (!off_) {
                InherentA(out);
                Flush(out);
            }
            // A code point that is no part of the scheme, whole.
            const qsizetype n =
                QChar::isHighSurrogate(c) && left >= 2 && units[pos_ + 1].isLowSurrogate() ? 2 : 1;
            out.append(units + pos_, n);
            pos_ += n;
            continue;
        }
        const SpellerTables::Token& token = table_.tokens[static_cast<size_t>(index)];
        pos_ += static_cast<qsizetype>(token.input.size());
        switch (token.kind) {
            case Kind::Sign:
            case Kind::Virama:
                if (inherent_) {
                    inherent_ = false;
                    if (token.kind == Kind::Sign) Vowel(token.letters.front(), out);
                } else {
                    // No consonant to stand on: the sign stays as it was.
                    Flush(out);
                    out.append(QStringView(token.input.data(),
                                           static_cast<qsizetype>(token.input.size())));
                }
                break;
            case Kind::Mark:
            case Kind::Avagraha: {
                InherentA(out);
                Flush(out);
                const auto& marks = tables_.marks_;
                auto it = marks.find(token.iast);
                if (token.kind == Kind::Avagraha) {
                    // Siddham writes the avagraha as the apostrophe it was
                    // given (the converter reads ’ back as ’); Lantsa as ऽ.
                    if (tables_.script_ == Script::Siddham && token.iast == u"\u2019") {
                        out.append(QChar(0x2019));
                        break;
                    }
                    it = marks.find(u"'");
                }
                if (it != marks.end())
                    out.append(
                        QStringView(it->second.data(), static_cast<qsizetype>(it->second.size())));
                else
                    out.append(QStringView(token.input.data(),
                                           static_cast<qsizetype>(token.input.size())));
                break;
            }
            default:
                InherentA(out);
                for (const unsigned char id : token.letters) Letter(id, out);
                inherent_ = devanagari_ && token.letters.size() == 1 &&
                            tables_.letters_[token.letters.front() - 1].kind == Kind::Consonant;
                break;
        }
    }
    text_.remove(0, pos_);
    pos_ = 0;
}

void SpellStream::Letter(unsigned char id, QString& out) {
    switch (tables_.letters_[id - 1].kind) {
        case Kind::Consonant:
            Consonant(id, out);
            break;
        case Kind::Vowel:
            Vowel(id, out);
            break;
        default:
            Final(id, out);
            break;
    }
}

void SpellStream::Consonant(unsigned char id, QString& out) {
    if (vowel_ || consonantCount_ == static_cast<int>(consonants_.size())) Flush(out);
    consonants_[static_cast<size_t>(consonantCount_++)] = id;
}

void SpellStream::Vowel(unsigned char id, QString& out) {
    // A vowel after a vowel (hiatus) begins a syllable of its own.
    if (vowel_) Flush(out);
    vowel_ = id;
}

void SpellStream::Final(unsigned char id, QString& out) {
    if (vowel_ && finalCount_ < static_cast<int>(finals_.size())) {
        finals_[static_cast<size_t>(finalCount_++)] = id;
        return;
    }
    // Nothing to stand on: the mark alone, as the keyboards write it.
    Flush(out);
    const std::u16string& alone = tables_.letters_[id - 1].spelling;
    out.append(QStringView(alone.data(), static_cast<qsizetype>(alone.size())));
}

void SpellStream::InherentA(QString& out) {
    if (!inherent_) return;
    inherent_ = false;
    Vowel(tables_.a_, out);
}

void SpellStream::Flush(QString& out) {
    if (!vowel_ && !consonantCount_) return;
    spelled_.clear();
    tables_.SpellSyllable(consonants_.data(), consonantCount_, vowel_, finals_.data(), finalCount_,
                          spelled_);
    out.append(QStringView(spelled_.data(), static_cast<qsizetype>(spelled_.size())));
    consonantCount_ = 0;
    vowel_ = 0;
    finalCount_ = 0;
}

}  // namespace orv::engine
