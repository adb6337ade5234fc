// The conversion engine: Siddham text, character by character, through one
// of the three conversion tables into transliteration, Devanagari or Lantsa.
// No widgets: the converter window and the command-line converter share it.
//
// A character is an extended grapheme cluster of the text in NFC: a letter
// with its vowel sign and marks, or a consonant with virama. Each character
// the table holds becomes its formatted output; any other passes through
// unchanged.
#pragma once

#include "data/Database.h"
#include "data/Queries.h"

#include <QString>
#include <QStringView>

#include <array>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct UBreakIterator;

namespace orv::converter {

using Target = data::ConversionTable;

// Characters per chunk: a conversion hands on its output chunk by chunk, so
// a window can show it growing.
inline constexpr int kChunkSize = 30;

// One target's conversion table in memory: each Siddham character with its
// output. Several rows of one character are joined in table order: the
// first value bare, each later one as "/" + value + " "; a separator (a
// value that is exactly "." or ",") is followed by a blank wherever it
// stands.
class ConversionMap {
  public:
    struct Entry {
        QString output;
        // The output ends with a separator's blank, which is left out when
        // the text has white space next.
        bool separatorLast = false;
        int rows = 0;
    };

    // Reads the whole table with one query; on failure (a missing table or
    // column, an unreadable file) gives nothing and says why in `error`.
    static std::optional<ConversionMap> Load(data::Database& database, Target target,
                                             QString* error = nullptr);

    // Adds one row; rows of one character are added in table order.
    void Add(const QString& siddham, const QString& value);

    // The entry of a character, or null.
    const Entry* Find(QStringView character) const;
    qsizetype Size() const { return static_cast<qsizetype>(keys_.size()); }

  private:
    static uint32_t Hash(QStringView key);
    // Where a key is or would go in slots_.
    size_t Slot(QStringView key, uint32_t hash) const;

    // Open addressing with linear probing: every character of the text is
    // looked up, so the lookup is kept to a hash of a few code units and one
    // comparison, with no allocation.
    struct SlotItem {
        uint32_t hash = 0;
        int index = -1;  // into keys_ and entries_; -1 for an empty slot
    };
    std::vector<std::u16string> keys_;
    std::vector<Entry> entries_;
    std::vector<SlotItem> slots_;  // a power of two long
    int shift_ = 0;                // a hash's top bits choose its first slot
    // Blanks, line breaks and Latin letters are a good part of most text and
    // almost never keys: a character of one ASCII unit is looked up here.
    std::array<int, 0x80> ascii_ = MakeNoAscii();
    static constexpr std::array<int, 0x80> MakeNoAscii() {
        std::array<int, 0x80> none{};
        none.fill(-1);
        return none;
    }
};

// Converts text handed over piece by piece. A piece may end anywhere, also
// inside a surrogate pair or between a letter and its marks: the unfinished
// last character waits for the next piece or for Finish. Feeding a text in
// any pieces gives exactly the output of feeding it whole.
//
// A joiner (U+200D or U+200C) directly after a virama is left out of the
// character's lookup, so a conjunct spelled with one converts like the plain
// one, and the joiner is dropped from the output. A character that has no
// row even without its joiners passes through as it was, joiners included.
class ConversionStream {
  public:
    explicit ConversionStream(const ConversionMap& map);
    ~ConversionStream();
    ConversionStream(const ConversionStream&) = delete;
    ConversionStream& operator=(const ConversionStream&) = delete;

    // Appends more text.
    void Feed(QStringView piece);
    // Marks the end of the text: its last character is complete.
    void Finish();
    // Converts up to `maxCharacters` complete characters, appends their
    // output to `out` and answers how many it converted. A character is
    // converted once the next one has begun (which tells whether a
    // separator's blank is due) or the text has ended.
    qsizetype Take(QString& out, qsizetype maxCharacters = std::numeric_limits<qsizetype>::max());
    // Whether every character fed has been converted (after Finish).
    bool Done() const { return finished_ && pos_ >= buffer_.size(); }

  private:
    void Append(QString& out, QStringView character, qsizetype next) const;
    void SetBreakText();
    // Where the character that begins at `from` ends.
    qsizetype NextBoundary(qsizetype from) const;

    const ConversionMap& map_;
    QString buffer_;  // NFC text; pos_ is where the next character begins
    qsizetype pos_ = 0;
    qsizetype limit_ = 0;  // the text that can be split into characters yet
    qsizetype end_ = -1;   // the end of the character at pos_, once found
    bool finished_ = false;
    UBreakIterator* breaks_ = nullptr;
};

class SiddhamConverter {
  public:
    explicit SiddhamConverter(Target target) : target_(target) {}

    enum class Outcome {
        Done,     // every chunk converted and handed on
        Stopped,  // the sink asked to stop
        Failed,   // the table could not be read (or there was no database);
                  // nothing was handed on
    };

    // Receives the output of one chunk; answers false to stop the conversion.
    using ChunkSink = std::function<bool(const QString& output)>;

    // Reads the target's table from `database` once, then converts `text` in
    // chunks of kChunkSize characters and hands each chunk's output to
    // `sink`. The sink may let events run meanwhile; the conversion no
    // longer needs the database then.
    Outcome Convert(const QString& text, const std::unique_ptr<data::Database>& database,
                    const ChunkSink& sink, QString* error = nullptr) const;

    // The whole output at once; nothing when the table cannot be read.
    std::optional<QString> ConvertAll(const QString& text,
                                      const std::unique_ptr<data::Database>& database,
                                      QString* error = nullptr) const;

    // The target's table, read from `database` (nothing when there is none).
    std::optional<ConversionMap> LoadMap(const std::unique_ptr<data::Database>& database,
                                         QString* error = nullptr) const;

  private:
    Target target_;
};

}  // namespace orv::converter
