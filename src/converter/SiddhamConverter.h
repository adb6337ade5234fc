// The conversion engine: Siddham text, character by character, through one
// of the three conversion tables into transliteration, Devanagari or Lantsa.
// No widgets: the converter window and the command-line converter share it.
#pragma once

#include "data/Database.h"
#include "data/Queries.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace orv::converter {

using Target = data::ConversionTable;

// Characters per chunk: a conversion hands on its output chunk by chunk, so
// a window can show it growing.
inline constexpr int kChunkSize = 30;

class SiddhamConverter {
  public:
    explicit SiddhamConverter(Target target) : target_(target) {}

    Target GetTarget() const { return target_; }

    enum class Outcome {
        Done,     // every chunk converted and handed on
        Stopped,  // the sink asked to stop
        Failed,   // a query failed (or there was no database); the chunk under
                  // way was dropped, the earlier ones were handed on
    };

    // Receives the output of one chunk; answers false to stop the conversion.
    using ChunkSink = std::function<bool(const QString& output)>;

    // Converts `text` in chunks of kChunkSize characters (extended grapheme
    // clusters) and hands each chunk's output to `sink`. The database is
    // taken from `database` afresh for every chunk: a window's sink lets
    // events run, and the program's shared database may be re-opened (and
    // the old one released) meanwhile.
    //
    // Each distinct character is looked up once per conversion; the tables
    // never change while the program runs, so a repeated character gives
    // exactly what a fresh query would.
    Outcome Convert(const QString& text, const std::unique_ptr<data::Database>& database,
                    const ChunkSink& sink, QString* error = nullptr) const;

    // The whole output at once; nothing when a query fails.
    std::optional<QString> ConvertAll(const QString& text,
                                      const std::unique_ptr<data::Database>& database,
                                      QString* error = nullptr) const;

    // What one character becomes, given the target values of its rows in
    // the order the table returns them: no row, the character itself; "."
    // and "," followed by a blank; the first other value bare; each later
    // one after "/" and followed by a blank.
    static QString FormatRows(const QString& character, const QStringList& values);

  private:
    Target target_;
};

}  // namespace orv::converter
