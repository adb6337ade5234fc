#include "converter/SiddhamConverter.h"

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>

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
Joining JoiningOf(char32_t c) {
    struct Table {
        Joining ascii[0x80];
        Joining siddham[kSiddhamLast - kSiddhamFirst + 1];
    };
    static const Table table = [] {
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
        Table t{};
        for (char32_t code = 0; code < 0x80; ++code) t.ascii[code] = kind(code);
        for (char32_t code = kSiddhamFirst; code <= kSiddhamLast; ++code)
            t.siddham[code - kSiddhamFirst] = kind(code);
        return t;
    }();
    if (c < 0x80) return table.ascii[c];
    if (c >= kSiddhamFirst && c <= kSiddhamLast) return table.siddham[c - kSiddhamFirst];
    if (c == kZwj || c == kZwnj) return Joining::Mark;
    return Joining::Unknown;
}

// Brings `text` from `from` on into NFC in place. The part before `from`
// must be NFC already and end at a normalization boundary.
void NormalizeFrom(QString& text, qsizetype from) {
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
    if (U_FAILURE(status)) return;
    const auto* units = reinterpret_cast<const UChar*>(text.utf16()) + from;
    const auto length = static_cast<int32_t>(text.size() - from);
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

size_t ConversionMap::Hash(QStringView key) {
    // FNV-1a over the code units.
    uint64_t h = 14695981039346656037ull;
    for (const QChar c : key) {
        h ^= c.unicode();
        h *= 1099511628211ull;
    }
    return static_cast<size_t>(h ^ (h >> 29));
}

size_t ConversionMap::Slot(QStringView key) const {
    const size_t mask = slots_.size() - 1;
    for (size_t i = Hash(key) & mask;; i = (i + 1) & mask) {
        const int at = slots_[i];
        if (at < 0 || keys_[static_cast<size_t>(at)] == key) return i;
    }
}

void ConversionMap::Add(const QString& siddham, const QString& value) {
    // At most half full.
    if (2 * (keys_.size() + 1) > slots_.size()) {
        slots_.assign(std::bit_ceil(std::max<size_t>(64, 4 * (keys_.size() + 1))), -1);
        for (size_t k = 0; k < keys_.size(); ++k) slots_[Slot(keys_[k])] = static_cast<int>(k);
    }
    const size_t slot = Slot(siddham);
    if (slots_[slot] < 0) {
        slots_[slot] = static_cast<int>(keys_.size());
        keys_.push_back(siddham);
        entries_.emplace_back();
    }
    Entry& entry = entries_[static_cast<size_t>(slots_[slot])];
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
    if (slots_.empty()) return nullptr;
    const int at = slots_[Slot(character)];
    return at < 0 ? nullptr : &entries_[static_cast<size_t>(at)];
}

// ConversionStream

ConversionStream::ConversionStream(const ConversionMap& map) : map_(map) {
    UErrorCode status = U_ZERO_ERROR;
    breaks_ = ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status);
    if (U_FAILURE(status)) breaks_ = nullptr;
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
    qsizetype end;
    const Joining first = JoiningOf(at(from, end));
    if (first == Joining::Single) return end;
    if (first == Joining::Base || first == Joining::Mark) {
        while (end < limit_) {
            qsizetype next;
            const Joining kind = JoiningOf(at(end, next));
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
