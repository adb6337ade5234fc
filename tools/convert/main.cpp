// orvanta-convert: converts Siddham text in files (or standard input) into
// transliteration, Devanagari or Lantsa, with the same engine and the same
// reference database as the converter window.
//
//   orvanta-convert --to trans|deva|lantsa [FILE...]
//
// It streams: each input is read in blocks and its output written as it
// goes, so memory stays the same whatever the size of the input.
#include "converter/SiddhamConverter.h"

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

// Converts one input block by block. Answers the exit status; a failure
// has been reported.
int ConvertInput(const Input& input, const ConversionMap& map, Output& output) {
    ConversionStream stream(map);
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
        stream.Feed(QStringView(text.constData(), units));
        if (end || fault) break;
        converted.clear();
        stream.Take(converted);
        if (!output.Write(converted.toUtf8())) return Fail(kConversionFailed, output.Error());
        carried = size - valid;
        std::memmove(bytes, bytes + valid, carried);
        offset += static_cast<qint64>(valid);
    }
    // The text before the end, or before a fault, ends there.
    stream.Finish();
    converted.clear();
    stream.Take(converted);
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
                    return Fail(kUsage,
                                QStringLiteral("--to needs a target: trans, deva or lantsa"));
                name = args[++i];
            } else {
                name = arg.mid(5);
            }
            target = ParseTarget(name);
            if (!target) {
                return Fail(
                    kUsage,
                    QStringLiteral("unknown target \"%1\" (use trans, deva or lantsa)").arg(name));
            }
        } else {
            return Fail(kUsage, QStringLiteral("unknown option %1 (see --help)").arg(arg));
        }
    }
    if (!target) {
        return Fail(kUsage,
                    QStringLiteral("no target given: --to trans, deva or lantsa (see --help)"));
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
    // The table is read once; the conversion needs no query after that.
    const std::optional<ConversionMap> map = ConversionMap::Load(*db, *target, &error);
    if (!map) {
        return Fail(kNoDatabase, QStringLiteral("cannot read the table %1 of %2: %3")
                                     .arg(orv::data::TableName(*target), dbPath, error));
    }

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
        const int status = ConvertInput(input, *map, output);
        if (input.fd != STDIN_FILENO) close(input.fd);
        if (status != kOk) return status;
    }
    if (!output.Flush()) return Fail(kConversionFailed, output.Error());
    return kOk;
}
