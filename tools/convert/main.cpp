// orvanta-convert: converts Siddham text in files (or standard input) into
// transliteration, Devanagari or Lantsa, and text in a transliteration
// scheme or Devanagari into Siddham or Lantsa, with the same engines and the
// same reference database as the converter window.
//
//   orvanta-convert --to trans|deva|lantsa [FILE...]
//   orvanta-convert [--from SCHEME] --to siddham|lantsa [--show-scheme] [FILE...]
//
// It streams: each input is read in blocks and its output written as it
// goes, so memory stays the same whatever the size of the input.
#include "converter/SiddhamConverter.h"
#include "engine/Speller.h"

#include <QCoreApplication>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {

using orv::converter::ConversionMap;
using orv::converter::ConversionStream;
using orv::converter::Target;
using orv::engine::Scheme;
using orv::engine::SpellerTables;
using orv::engine::SpellStream;

// Exit statuses.
enum Status {
    kOk = 0,
    kConversionFailed = 1,  // the output could not be written
    kUsage = 2,             // unknown option or target, no target
    kNoDatabase = 3,        // orvbase.mdb missing, unreadable or not the reference database
    kBadInput = 4,          // an input unreadable or not valid UTF-8
};

// Bytes read from an input, and written to standard output, at a time.
constexpr size_t kBlockSize = 64 * 1024;

const char* const kUsageText =
    "usage: orvanta-convert --to trans|deva|lantsa [FILE...]\n"
    "       orvanta-convert [--from SCHEME] --to siddham|lantsa [--show-scheme] [FILE...]\n"
    "\n"
    "Converts Siddham text, character by character, with the converter's tables\n"
    "in orvbase.mdb (found beside this program, else in the installed program\n"
    "folder):\n"
    "  --to trans    Latin transliteration (IAST)\n"
    "  --to deva     Devanagari\n"
    "  --to lantsa   Lantsa (Devanagari code points for a Ranjana font)\n"
    "Reads each FILE in turn, or standard input when there is none or for \"-\",\n"
    "as UTF-8 and writes the converted text to standard output as UTF-8, as it\n"
    "goes. Characters that the table lacks (blanks, line breaks, Latin letters\n"
    "...) pass through unchanged; a joiner after a virama is dropped.\n"
    "\n"
    "With --to siddham, or --from and --to lantsa, spells text in a scheme into\n"
    "Siddham or Lantsa, syllable by syllable as the keyboards write them:\n"
    "  --from iast      IAST                 o\u1e43 ma\u1e47i padme h\u016b\u1e43\n"
    "  --from iso       ISO 15919            \u014d\u1e41 r\u0325\u1e63i\n"
    "  --from hk        Harvard-Kyoto        oM maNi padme hUM\n"
    "  --from itrans    ITRANS               oM maNi padme hU.n\n"
    "  --from velthuis  Velthuis             o.m ma.ni padme huu.m\n"
    "  --from slp1      SLP1                 oM maRi padme hUM\n"
    "  --from deva      Devanagari           \u0950 \u092e\u0923\u093f "
    "\u092a\u0926\u094d\u092e\u0947 \u0939\u0942\u0902\n"
    "  --from auto      recognised from each input's beginning (the default)\n"
    "  --show-scheme    say on standard error which scheme each input was read in\n"
    "| and || are danda and double danda (SLP1: . and ..), ' the avagraha;\n"
    "digits and everything that is no letter of the scheme pass through;\n"
    "text between ## and ## stays as it is (the ## are left out).\n"
    "\n"
    "  -h, --help    show this text\n"
    "\n"
    "Exit status: 0 done; 1 output failed; 2 bad arguments; 3 database missing\n"
    "or unreadable; 4 input unreadable or not valid UTF-8.\n"
    "Every FILE is opened before anything is written. When an input turns out\n"
    "bad while it is read, the output of everything before the fault (earlier\n"
    "inputs whole, this one up to the bad byte, as if it ended there) has been\n"
    "written. When writing fails, part of that output may be missing.\n";

int Fail(int status, const QString& message) {
    std::fprintf(stderr, "orvanta-convert: %s\n", message.toUtf8().constData());
    return status;
}

QString Reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Standard input, output and error, when the program was started with any
// of them closed, are /dev/null: otherwise the first files the program (or
// Qt) opens would take their numbers, and output meant for standard output
// would land in one of them.
struct StandardDescriptors {
    bool inputClosed = false;
    bool outputClosed = false;
};

StandardDescriptors OpenStandardDescriptors() {
    StandardDescriptors closed;
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free number is this one: the lower ones are open.
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != fd && opened >= 0) close(opened);
        if (fd == 0) closed.inputClosed = true;
        if (fd == 1) closed.outputClosed = true;
    }
    return closed;
}

// Standard output, written in blocks.
class Output {
  public:
    explicit Output(bool closed) : closed_(closed) { buffer_.reserve(2 * kBlockSize); }

    bool Write(const QByteArray& bytes) {
        buffer_.append(bytes);
        return buffer_.size() < static_cast<qsizetype>(kBlockSize) || Flush();
    }
    bool Write(const char* text) { return Write(QByteArray(text)); }

    bool Flush() {
        if (closed_) {
            error_ = QStringLiteral("standard output is closed");
            return false;
        }
        const char* p = buffer_.constData();
        qsizetype left = buffer_.size();
        while (left > 0) {
            const ssize_t n = ::write(STDOUT_FILENO, p, static_cast<size_t>(left));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                // The reason of this write, read before anything else runs.
                error_ = QStringLiteral("cannot write to standard output: %1")
                             .arg(n < 0 ? Reason(errno) : QStringLiteral("nothing written"));
                return false;
            }
            p += n;
            left -= n;
        }
        buffer_.clear();
        return true;
    }

    QString Error() const { return error_; }

  private:
    bool closed_;
    QByteArray buffer_;
    QString error_;
};

std::optional<Target> ParseTarget(const QString& name) {
    if (name == QLatin1String("trans")) return Target::Trans;
    if (name == QLatin1String("deva")) return Target::Deva;
    if (name == QLatin1String("lantsa")) return Target::Lantsa;
    return std::nullopt;
}

// How much of `p[0, n)` is whole, well-formed UTF-8 (no overlong forms,
// surrogates or code points above U+10FFFF), decoded into `out` (room for n
// units) as it is checked; `decoded` tells how many units. `cut` tells
// whether the rest is the beginning of a well-formed sequence that the end of
// the block cuts off.
size_t DecodeUtf8(const unsigned char* p, size_t n, char16_t* out, qsizetype& decoded, bool& cut) {
    cut = false;
    char16_t* const start = out;
    size_t i = 0;
    const auto done = [&](size_t valid) {
        decoded = out - start;
        return valid;
    };
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            *out++ = b;
            ++i;
            continue;
        }
        size_t length;
        char32_t c;
        unsigned char low = 0x80, high = 0xBF;  // range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            c = b & 0x0F;
            if (b == 0xE0) low = 0xA0;   // overlong
            if (b == 0xED) high = 0x9F;  // surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            c = b & 0x07;
            if (b == 0xF0) low = 0x90;   // overlong
            if (b == 0xF4) high = 0x8F;  // above U+10FFFF
        } else {
            return done(i);
        }
        for (size_t k = 1; k < length; ++k) {
            if (i + k >= n) {
                cut = true;
                return done(i);
            }
            const unsigned char next = p[i + k];
            if (k == 1 ? (next < low || next > high) : (next & 0xC0) != 0x80) return done(i);
            c = (c << 6) | (next & 0x3F);
        }
        if (c >= 0x10000) {
            *out++ = QChar::highSurrogate(c);
            *out++ = QChar::lowSurrogate(c);
        } else {
            *out++ = static_cast<char16_t>(c);
        }
        i += length;
    }
    return done(i);
}

// One input, opened.
struct Input {
    QString name;  // the path as given, or "standard input"
    int fd = -1;
};

// Opens an input; on failure answers the message.
std::optional<QString> OpenInput(const QString& path, bool stdinClosed, Input& input) {
    if (path == QLatin1String("-")) {
        input.name = QStringLiteral("standard input");
        if (stdinClosed) return QStringLiteral("cannot read standard input: it is closed");
        input.fd = STDIN_FILENO;
        return std::nullopt;
    }
    input.name = path;
    input.fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (input.fd < 0) return QStringLiteral("cannot read %1: %2").arg(path, Reason(errno));
    struct stat info {};
    if (fstat(input.fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        close(input.fd);
        input.fd = -1;
        return QStringLiteral("cannot read %1: it is a directory").arg(path);
    }
    return std::nullopt;
}

// A conversion of one input: text in, output out, as it goes.
class Stream {
  public:
    virtual ~Stream() = default;
    virtual void Feed(QStringView text, QString& out) = 0;
    virtual void Finish(QString& out) = 0;
};

// Siddham through a converter table.
class TableStream : public Stream {
  public:
    explicit TableStream(const ConversionMap& map) : stream_(map) {}
    void Feed(QStringView text, QString& out) override {
        stream_.Feed(text);
        stream_.Take(out);
    }
    void Finish(QString& out) override {
        stream_.Finish();
        stream_.Take(out);
    }

  private:
    ConversionStream stream_;
};

// Text in a scheme through the speller. Without a scheme given, the first
// 16384 characters (or the whole input, when shorter) tell it.
class SpellerStream : public Stream {
  public:
    SpellerStream(const SpellerTables& tables, std::optional<Scheme> scheme, bool show,
                  const QString& name)
        : tables_(tables), scheme_(scheme), show_(show), name_(name) {}
    void Feed(QStringView text, QString& out) override {
        if (!stream_) {
            sample_.append(text);
            if (sample_.size() < kSample) return;
            Start(out);
        } else {
            stream_->Feed(text, out);
        }
    }
    void Finish(QString& out) override {
        if (!stream_) Start(out);
        stream_->Finish(out);
    }

  private:
    static constexpr qsizetype kSample = 16384;
    void Start(QString& out) {
        const Scheme scheme = scheme_ ? *scheme_ : tables_.Recognise(sample_);
        if (show_) {
            std::fprintf(stderr, "orvanta-convert: %s: %s\n", name_.toUtf8().constData(),
                         orv::engine::SchemeName(scheme).toUtf8().constData());
        }
        stream_.emplace(tables_, scheme);
        stream_->Feed(sample_, out);
        sample_.clear();
    }
    const SpellerTables& tables_;
    std::optional<Scheme> scheme_;
    bool show_;
    QString name_;
    QString sample_;
    std::optional<SpellStream> stream_;
};

// Converts one input block by block. Answers the exit status; a failure
// has been reported.
int ConvertInput(const Input& input, Stream& stream, Output& output) {
    // Up to three bytes of a sequence cut off at the end of a block come
    // first in the next.
    QByteArray block(static_cast<qsizetype>(kBlockSize) + 4, Qt::Uninitialized);
    size_t carried = 0;
    qint64 offset = 0;     // bytes before the block
    qint64 lines = 0;      // line breaks before the block
    qint64 lineStart = 0;  // where the current line begins
    QString converted;
    QString text(static_cast<qsizetype>(kBlockSize) + 4, Qt::Uninitialized);
    std::optional<QString> fault;
    while (!fault) {
        auto* bytes = reinterpret_cast<unsigned char*>(block.data());
        const ssize_t n = ::read(input.fd, bytes + carried, kBlockSize);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            fault = QStringLiteral("cannot read %1: %2").arg(input.name, Reason(errno));
            break;
        }
        const size_t size = carried + static_cast<size_t>(n);
        bool cut = false;
        qsizetype units = 0;
        const size_t valid =
            DecodeUtf8(bytes, size, reinterpret_cast<char16_t*>(text.data()), units, cut);
        for (size_t i = 0; i < valid; ++i) {
            const void* found = std::memchr(bytes + i, '\n', valid - i);
            if (!found) break;
            i = static_cast<size_t>(static_cast<const unsigned char*>(found) - bytes);
            ++lines;
            lineStart = offset + static_cast<qint64>(i) + 1;
        }
        const bool end = n == 0;
        if (valid < size && (!cut || end)) {
            const qint64 bad = offset + static_cast<qint64>(valid);
            fault = QStringLiteral("%1: not valid UTF-8 at byte %2 (line %3, byte %4 of the line)")
                        .arg(input.name)
                        .arg(bad + 1)
                        .arg(lines + 1)
                        .arg(bad - lineStart + 1);
        }
        converted.clear();
        stream.Feed(QStringView(text.constData(), units), converted);
        if (!output.Write(converted.toUtf8())) return Fail(kConversionFailed, output.Error());
        if (end || fault) break;
        carried = size - valid;
        std::memmove(bytes, bytes + valid, carried);
        offset += static_cast<qint64>(valid);
    }
    // The text before the end, or before a fault, ends there.
    converted.clear();
    stream.Finish(converted);
    if (!output.Write(converted.toUtf8())) return Fail(kConversionFailed, output.Error());
    if (fault) {
        if (!output.Flush()) return Fail(kConversionFailed, output.Error());
        return Fail(kBadInput, *fault);
    }
    return kOk;
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything opens a file.
    const StandardDescriptors closed = OpenStandardDescriptors();
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    Output output(closed.outputClosed);

    std::optional<Target> target;
    bool toSiddham = false;
    std::optional<QString> from;  // the scheme's key, or "auto"
    bool showScheme = false;
    QStringList paths;
    bool options = true;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!options || arg == QLatin1String("-") || !arg.startsWith(QLatin1Char('-'))) {
            paths << arg;
        } else if (arg == QLatin1String("--")) {
            options = false;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            if (!output.Write(kUsageText) || !output.Flush())
                return Fail(kConversionFailed, output.Error());
            return kOk;
        } else if (arg == QLatin1String("--to") || arg.startsWith(QLatin1String("--to="))) {
            QString name;
            if (arg == QLatin1String("--to")) {
                if (i + 1 >= args.size())
                    return Fail(kUsage, QStringLiteral(
                                            "--to needs a target: trans, deva, lantsa or siddham"));
                name = args[++i];
            } else {
                name = arg.mid(5);
            }
            toSiddham = name == QLatin1String("siddham");
            target = ParseTarget(name);
            if (!target && !toSiddham) {
                return Fail(
                    kUsage,
                    QStringLiteral("unknown target \"%1\" (use trans, deva, lantsa or siddham)")
                        .arg(name));
            }
        } else if (arg == QLatin1String("--from") || arg.startsWith(QLatin1String("--from="))) {
            if (arg == QLatin1String("--from")) {
                if (i + 1 >= args.size())
                    return Fail(kUsage, QStringLiteral("--from needs a scheme (see --help)"));
                from = args[++i];
            } else {
                from = arg.mid(7);
            }
            if (*from != QLatin1String("auto") && !orv::engine::SchemeFromKey(*from)) {
                return Fail(kUsage, QStringLiteral("unknown scheme \"%1\" (use iast, iso, hk, "
                                                   "itrans, velthuis, slp1, deva or auto)")
                                        .arg(*from));
            }
        } else if (arg == QLatin1String("--show-scheme")) {
            showScheme = true;
        } else {
            return Fail(kUsage, QStringLiteral("unknown option %1 (see --help)").arg(arg));
        }
    }
    if (!target && !toSiddham) {
        return Fail(
            kUsage,
            QStringLiteral("no target given: --to trans, deva, lantsa or siddham (see --help)"));
    }
    // Text in a scheme goes to Siddham, or to Lantsa when a scheme is named;
    // Siddham text goes to the three converter targets.
    const bool spelling = toSiddham || (from && *target == Target::Lantsa);
    if (from && !spelling) {
        return Fail(kUsage,
                    QStringLiteral("--from goes with --to siddham or --to lantsa (see --help)"));
    }
    if (paths.isEmpty()) paths << QStringLiteral("-");
    if (closed.outputClosed) {
        return Fail(kConversionFailed, QStringLiteral("standard output is closed"));
    }

    const QString dbPath = orv::data::ReferenceDatabasePath(QCoreApplication::applicationDirPath());
    QString error;
    const std::unique_ptr<orv::data::Database> db =
        orv::data::OpenReferenceDatabase(QCoreApplication::applicationDirPath(), &error);
    if (!db)
        return Fail(kNoDatabase,
                    QStringLiteral("cannot use the reference database: %1").arg(error));
    // The tables are read once; the conversion needs no query after that.
    std::optional<ConversionMap> map;
    std::optional<SpellerTables> tables;
    if (spelling) {
        tables = SpellerTables::Load(
            *db, toSiddham ? orv::engine::Script::Siddham : orv::engine::Script::Lantsa, &error);
        if (!tables) {
            return Fail(
                kNoDatabase,
                QStringLiteral("cannot read the speller's tables of %1: %2").arg(dbPath, error));
        }
    } else {
        map = ConversionMap::Load(*db, *target, &error);
        if (!map) {
            return Fail(kNoDatabase, QStringLiteral("cannot read the table %1 of %2: %3")
                                         .arg(orv::data::TableName(*target), dbPath, error));
        }
    }
    std::optional<Scheme> scheme;
    if (from && *from != QLatin1String("auto")) scheme = orv::engine::SchemeFromKey(*from);

    // Every file is opened (and checked not to be a folder) before anything
    // is written: a misspelt name leaves no partial output behind.
    for (const QString& path : paths) {
        if (path == QLatin1String("-")) continue;
        Input input;
        if (auto message = OpenInput(path, closed.inputClosed, input))
            return Fail(kBadInput, *message);
        close(input.fd);
    }
    for (const QString& path : paths) {
        Input input;
        if (auto message = OpenInput(path, closed.inputClosed, input)) {
            if (!output.Flush()) return Fail(kConversionFailed, output.Error());
            return Fail(kBadInput, *message);
        }
        std::unique_ptr<Stream> stream;
        if (tables)
            stream = std::make_unique<SpellerStream>(*tables, scheme, showScheme, input.name);
        else
            stream = std::make_unique<TableStream>(*map);
        const int status = ConvertInput(input, *stream, output);
        if (input.fd != STDIN_FILENO) close(input.fd);
        if (status != kOk) return status;
    }
    if (!output.Flush()) return Fail(kConversionFailed, output.Error());
    return kOk;
}
