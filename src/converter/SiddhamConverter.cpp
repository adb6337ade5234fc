#include "converter/SiddhamConverter.h"

#include <unicode/ubrk.h>
#include <unicode/unorm2.h>

#include <algorithm>

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
    map.entries_.reserve(rows->RecordCount());
    for (bool more = rows->MoveFirst(); more && !rows->Eof(); rows->MoveNext()) {
        map.Add(rows->Text(QStringLiteral("siddham")), rows->Text(column));
    }
    return map;
}

void ConversionMap::Add(const QString& siddham, const QString& value) {
    Entry& entry = entries_[siddham];
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
    // A key that borrows the character's units: no copy per lookup.
    const QString key = QString::fromRawData(character.data(), character.size());
    const auto it = entries_.constFind(key);
    return it == entries_.constEnd() ? nullptr : &*it;
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
        if (end_ < 0) {
            if (breaks_) {
                const int32_t next = ubrk_following(breaks_, static_cast<int32_t>(pos_));
                end_ = next == UBRK_DONE ? size : next;
            } else {
                // Without ICU's rules: code points.
                end_ = pos_ + (QChar::isHighSurrogate(buffer_[pos_].unicode()) && pos_ + 1 < size &&
                                       QChar::isLowSurrogate(buffer_[pos_ + 1].unicode())
                                   ? 2
                                   : 1);
            }
        }
        // The last character may go on in the next piece.
        if (end_ >= size && !finished_) break;
        Append(out, QStringView(buffer_).sliced(pos_, end_ - pos_), end_);
        pos_ = end_;
        end_ = -1;
        // Sequential boundaries: ICU continues from where it stopped.
        if (breaks_ && pos_ < size) {
            const int32_t next = ubrk_next(breaks_);
            end_ = next == UBRK_DONE ? size : next;
        }
        ++taken;
    }
    return taken;
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
