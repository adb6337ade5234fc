#include "converter/SiddhamConverter.h"

#include "converter/Logging.h"

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <bit>

namespace orv::converter {

namespace {

constexpr char16_t kViramaHigh = 0xD805, kViramaLow = 0xDDBF;  // U+115BF
constexpr char16_t kZwnj = 0x200C, kZwj = 0x200D;

bool IsSeparator(const QString& value) {
    return value == QLatin1String(".") || value == QLatin1String(",");
}

// White space that makes a separator's own blank superfluous: a blank, a
// tab or a line break.
bool IsWhiteSpace(char16_t c) {
    switch (c) {
        case u' ':
        case u'\t':
        case u'\n':
        case u'\v':
        case u'\f':
        case u'\r':
        case 0x0085:
        case 0x2028:
        case 0x2029:
            return true;
        default:
            return false;
    }
}

// How a code point takes part in character boundaries, for the code points
// of almost all Siddham text: ASCII and the Siddham block.
enum class Joining : unsigned char {
    Unknown,  // anything else: ICU's rules decide
    Base,     // begins a character and ends the one before
    Mark,     // stays with the character before (Extend, SpacingMark, ZWJ)
    Single,   // a control such as a line break: a character of its own
};

constexpr char32_t kSiddhamFirst = 0x11580, kSiddhamLast = 0x115FF;

// From ICU's own properties, so the quick path splits exactly as ICU does.
struct JoiningTable {
    Joining ascii[0x80];
    Joining siddham[kSiddhamLast - kSiddhamFirst + 1];

    JoiningTable() {
        const auto kind = [](char32_t code) {
            switch (
                u_getIntPropertyValue(static_cast<UChar32>(code), UCHAR_GRAPHEME_CLUSTER_BREAK)) {
                case U_GCB_OTHER:
                    return Joining::Base;
                case U_GCB_EXTEND:
                case U_GCB_SPACING_MARK:
                case U_GCB_ZWJ:
                    return Joining::Mark;
                case U_GCB_CONTROL:
                case U_GCB_LF:
                    return Joining::Single;
                default:
                    return Joining::Unknown;
            }
        };
        for (char32_t code = 0; code < 0x80; ++code) ascii[code] = kind(code);
        for (char32_t code = kSiddhamFirst; code <= kSiddhamLast; ++code)
            siddham[code - kSiddhamFirst] = kind(code);
    }

    Joining Of(char32_t c) const {
        if (c < 0x80) return ascii[c];
        if (c >= kSiddhamFirst && c <= kSiddhamLast) return siddham[c - kSiddhamFirst];
        if (c == kZwj || c == kZwnj) return Joining::Mark;
        return Joining::Unknown;
    }
};

const JoiningTable& Joinings() {
    static const JoiningTable table;
    return table;
}

// Whether text of ASCII and Siddham is NFC as it stands, told from ICU's
// own properties of those code points; for any other code point (or a
// composing pair, or marks out of order), ICU's normalizer decides. Most
// Siddham text passes, and the normalizer's slower check is skipped.
bool SurelyNfc(const UNormalizer2* nfc, const char16_t* units, qsizetype size) {
    struct Info {
        unsigned char ccc = 0;
        unsigned char check = UNORM_NO;  // quick check of the code point alone
    };
    struct Table {
        Info ascii[0x80];
        Info siddham[kSiddhamLast - kSiddhamFirst + 1];
    };
    static const Table table = [nfc] {
        Table t{};
        const auto info = [nfc](char32_t code) {
            UChar text[2];
            int32_t length = 0;
            U16_APPEND_UNSAFE(text, length, static_cast<UChar32>(code));
            UErrorCode status = U_ZERO_ERROR;
            const UNormalizationCheckResult check = unorm2_quickCheck(nfc, text, length, &status);
            return Info{static_cast<unsigned char>(
                            unorm2_getCombiningClass(nfc, static_cast<UChar32>(code))),
                        static_cast<unsigned char>(U_SUCCESS(status) ? check : UNORM_NO)};
        };
        for (char32_t code = 0; code < 0x80; ++code) t.ascii[code] = info(code);
        for (char32_t code = kSiddhamFirst; code <= kSiddhamLast; ++code)
            t.siddham[code - kSiddhamFirst] = info(code);
        return t;
    }();
    char32_t previous = 0;
    unsigned char previousCcc = 0;
    for (qsizetype i = 0; i < size; ++i) {
        char32_t c = units[i];
        const Info* info;
        if (c < 0x80) {
            info = &table.ascii[c];
        } else if (QChar::isHighSurrogate(c) && i + 1 < size &&
                   QChar::isLowSurrogate(units[i + 1]) &&
                   (c = QChar::surrogateToUcs4(units[i], units[i + 1])) >= kSiddhamFirst &&
                   c <= kSiddhamLast) {
            info = &table.siddham[c - kSiddhamFirst];
            ++i;
        } else {
            return false;
        }
        if (info->check == UNORM_NO) return false;
        if (info->ccc != 0 && previousCcc > info->ccc) return false;  // to be reordered
        if (info->check == UNORM_MAYBE &&
            (info->ccc != 0 ||
             unorm2_composePair(nfc, static_cast<UChar32>(previous), static_cast<UChar32>(c)) >= 0))
            return false;
        previous = c;
        previousCcc = info->ccc;
    }
    return true;
}

// Brings `text` from `from` on into NFC in place. The part before `from`
// must be NFC already and end at a normalization boundary.
void NormalizeFrom(QString& text, qsizetype from) {
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
    if (U_FAILURE(status)) return;
    const auto* units = reinterpret_cast<const UChar*>(text.utf16()) + from;
    const auto length = static_cast<int32_t>(text.size() - from);
    if (SurelyNfc(nfc, units, length)) return;
    const int32_t span = unorm2_spanQuickCheckYes(nfc, units, length, &status);
    if (U_FAILURE(status) || span == length) return;
    // The quick check stops at every character that may compose with the
    // one before it (such as the vowel sign aa); most such text is NFC all
    // the same, which the full check tells without copying.
    const UChar* rest = units + span;
    const int32_t restLength = length - span;
    if (unorm2_isNormalized(nfc, rest, restLength, &status) || U_FAILURE(status)) return;
    status = U_ZERO_ERROR;
    // NFC is at most three times as long as its source.
    QString normalized(3 * static_cast<qsizetype>(restLength) + 1, Qt::Uninitialized);
    const int32_t written =
        unorm2_normalize(nfc, rest, restLength, reinterpret_cast<UChar*>(normalized.data()),
                         static_cast<int32_t>(normalized.size()), &status);
    if (U_FAILURE(status)) return;
    normalized.truncate(written);
    text.replace(from + span, restLength, normalized);
}

}  // namespace

// ConversionMap

std::optional<ConversionMap> ConversionMap::Load(data::Database& database, Target target,
                                                 QString* error) {
    const QString column = data::ValueColumn(target);
    auto rows = database.OpenRecordset(data::ConversionRows(target), error);
    if (!rows) return std::nullopt;
    ConversionMap map;
    for (bool more = rows->MoveFirst(); more && !rows->Eof(); rows->MoveNext()) {
        map.Add(rows->Text(QStringLiteral("siddham")), rows->Text(column));
    }
    return map;
}

uint32_t ConversionMap::Hash(QStringView key) {
    // FNV-1a over the code units.
    uint32_t h = 2166136261u;
    for (const QChar c : key) h = (h ^ c.unicode()) * 16777619u;
    return h;
}

size_t ConversionMap::Slot(QStringView key, uint32_t hash) const {
    const size_t mask = slots_.size() - 1;
    const auto size = static_cast<size_t>(key.size());
    for (size_t i = (hash * 2654435769u) >> shift_;; i = (i + 1) & mask) {
        const SlotItem& item = slots_[i];
        if (item.index < 0) return i;
        if (item.hash != hash) continue;
        const std::u16string& k = keys_[static_cast<size_t>(item.index)];
        if (k.size() == size && std::equal(k.begin(), k.end(), key.utf16())) return i;
    }
}

void ConversionMap::Add(const QString& siddham, const QString& value) {
    // At most half full.
    if (2 * (keys_.size() + 1) > slots_.size()) {
        slots_.assign(std::bit_ceil(std::max<size_t>(64, 4 * (keys_.size() + 1))), SlotItem{});
        shift_ = 32 - std::countr_zero(slots_.size());
        for (size_t k = 0; k < keys_.size(); ++k) {
            const QStringView key(keys_[k]);
            const uint32_t hash = Hash(key);
            slots_[Slot(key, hash)] = {hash, static_cast<int>(k)};
        }
    }
    const uint32_t hash = Hash(siddham);
    SlotItem& item = slots_[Slot(siddham, hash)];
    if (item.index < 0) {
        item = {hash, static_cast<int>(keys_.size())};
        keys_.emplace_back(reinterpret_cast<const char16_t*>(siddham.utf16()),
                           static_cast<size_t>(siddham.size()));
        entries_.emplace_back();
        if (siddham.size() == 1 && siddham[0].unicode() < 0x80)
            ascii_[siddham[0].unicode()] = item.index;
    }
    Entry& entry = entries_[static_cast<size_t>(item.index)];
    if (IsSeparator(value)) {
        entry.output += value + QLatin1Char(' ');
        entry.separatorLast = true;
    } else if (entry.rows == 0) {
        entry.output += value;
        entry.separatorLast = false;
    } else {
        entry.output += QLatin1Char('/') + value + QLatin1Char(' ');
        entry.separatorLast = false;
    }
    ++entry.rows;
}

const ConversionMap::Entry* ConversionMap::Find(QStringView character) const {
    if (character.size() == 1 && character[0].unicode() < 0x80) {
        const int at = ascii_[character[0].unicode()];
        return at < 0 ? nullptr : &entries_[static_cast<size_t>(at)];
    }
    if (slots_.empty()) return nullptr;
    const int at = slots_[Slot(character, Hash(character))].index;
    return at < 0 ? nullptr : &entries_[static_cast<size_t>(at)];
}

// ConversionStream

ConversionStream::ConversionStream(const ConversionMap& map) : map_(map) {
    UErrorCode status = U_ZERO_ERROR;
    breaks_ = ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status);
    if (U_FAILURE(status)) {
        qCWarning(lcConverter, "No character break iterator from ICU: %s", u_errorName(status));
        breaks_ = nullptr;
    }
}

ConversionStream::~ConversionStream() {
    if (breaks_) ubrk_close(breaks_);
}

void ConversionStream::Feed(QStringView piece) {
    if (piece.isEmpty() || finished_) return;
    // What is left is the unfinished last character (or, when a caller
    // takes few characters at a time, more): it begins at a character
    // boundary, which is also a normalization boundary.
    buffer_.remove(0, pos_);
    pos_ = 0;
    end_ = -1;
    buffer_.append(piece);
    NormalizeFrom(buffer_, 0);
    // A piece may end inside a surrogate pair: the high half alone would
    // end the character before it, so it waits out of sight for its pair.
    limit_ = buffer_.size();
    if (limit_ > 0 && buffer_[limit_ - 1].isHighSurrogate()) --limit_;
    SetBreakText();
}

void ConversionStream::SetBreakText() {
    end_ = -1;
    if (!breaks_) return;
    UErrorCode status = U_ZERO_ERROR;
    ubrk_setText(breaks_, reinterpret_cast<const UChar*>(buffer_.utf16()),
                 static_cast<int32_t>(limit_), &status);
    if (U_FAILURE(status)) {
        qCWarning(lcConverter, "ICU takes no text to break: %s", u_errorName(status));
        ubrk_close(breaks_);
        breaks_ = nullptr;
    }
}

void ConversionStream::Finish() {
    if (finished_) return;
    finished_ = true;
    if (limit_ < buffer_.size()) {
        limit_ = buffer_.size();
        SetBreakText();
    }
}

qsizetype ConversionStream::Take(QString& out, qsizetype maxCharacters) {
    const qsizetype size = limit_;
    qsizetype taken = 0;
    while (taken < maxCharacters && pos_ < size) {
        if (end_ < 0) end_ = NextBoundary(pos_);
        // The last character may go on in the next piece.
        if (end_ >= size && !finished_) break;
        Append(out, QStringView(buffer_).sliced(pos_, end_ - pos_), end_);
        pos_ = end_;
        end_ = -1;
        ++taken;
    }
    return taken;
}

qsizetype ConversionStream::NextBoundary(qsizetype from) const {
    const auto* units = reinterpret_cast<const char16_t*>(buffer_.utf16());
    // The code point at i, and where the one after it begins.
    const auto at = [&](qsizetype i, qsizetype& next) -> char32_t {
        const char16_t c = units[i];
        if (QChar::isHighSurrogate(c) && i + 1 < limit_ && QChar::isLowSurrogate(units[i + 1])) {
            next = i + 2;
            return QChar::surrogateToUcs4(c, units[i + 1]);
        }
        next = i + 1;
        return QChar::isSurrogate(c) ? 0xFFFF : c;  // a lone half: ICU decides
    };
    // The quick path: a base or mark, then marks, and a base, a control or
    // the end after them.
    const JoiningTable& joinings = Joinings();
    qsizetype end;
    const Joining first = joinings.Of(at(from, end));
    if (first == Joining::Single) return end;
    if (first == Joining::Base || first == Joining::Mark) {
        while (end < limit_) {
            qsizetype next;
            const Joining kind = joinings.Of(at(end, next));
            if (kind == Joining::Base || kind == Joining::Single) return end;
            if (kind != Joining::Mark) break;
            end = next;
        }
        if (end >= limit_) return limit_;
    }
    if (breaks_) {
        const int32_t next = ubrk_following(breaks_, static_cast<int32_t>(from));
        return next == UBRK_DONE ? limit_ : next;
    }
    // Without ICU's rules: code points.
    at(from, end);
    return end;
}

void ConversionStream::Append(QString& out, QStringView character, qsizetype next) const {
    const ConversionMap::Entry* entry = map_.Find(character);
    if (!entry && character.size() > 2 &&
        (character.contains(QChar(kZwj)) || character.contains(QChar(kZwnj)))) {
        // Joiners after a virama do not count for the lookup.
        QString key;
        for (qsizetype i = 0; i < character.size(); ++i) {
            const char16_t c = character[i].unicode();
            if ((c == kZwj || c == kZwnj) && key.size() >= 2 &&
                key.back().unicode() == kViramaLow &&
                key[key.size() - 2].unicode() == kViramaHigh) {
                continue;
            }
            key.append(QChar(c));
        }
        if (key.size() != character.size()) entry = map_.Find(key);
    }
    if (!entry) {
        out.append(character);
        return;
    }
    if (entry->separatorLast && next < buffer_.size() && IsWhiteSpace(buffer_[next].unicode())) {
        out.append(QStringView(entry->output).chopped(1));
    } else {
        out.append(entry->output);
    }
}

// SiddhamConverter

std::optional<ConversionMap> SiddhamConverter::LoadMap(
    const std::unique_ptr<data::Database>& database, QString* error) const {
    if (!database) {
        if (error) *error = QStringLiteral("no database is open");
        return std::nullopt;
    }
    return ConversionMap::Load(*database, target_, error);
}

SiddhamConverter::Outcome SiddhamConverter::Convert(const QString& text,
                                                    const std::unique_ptr<data::Database>& database,
                                                    const ChunkSink& sink, QString* error) const {
    const std::optional<ConversionMap> map = LoadMap(database, error);
    if (!map) return Outcome::Failed;
    ConversionStream stream(*map);
    stream.Feed(text);
    stream.Finish();
    while (!stream.Done()) {
        QString output;
        stream.Take(output, kChunkSize);
        if (!sink(output)) return Outcome::Stopped;
    }
    return Outcome::Done;
}

std::optional<QString> SiddhamConverter::ConvertAll(const QString& text,
                                                    const std::unique_ptr<data::Database>& database,
                                                    QString* error) const {
    const std::optional<ConversionMap> map = LoadMap(database, error);
    if (!map) return std::nullopt;
    ConversionStream stream(*map);
    stream.Feed(text);
    stream.Finish();
    QString out;
    out.reserve(text.size() * 2);
    stream.Take(out);
    return out;
}

}  // namespace orv::converter
