// orvanta-convert: converts Siddham text in files (or standard input) into
// transliteration, Devanagari or Lantsa, with the same engine and the same
// reference database as the converter window.
//
//   orvanta-convert --to trans|deva|lantsa [FILE...]
#include "converter/SiddhamConverter.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace {

using orv::converter::Target;

// Exit statuses.
enum Status {
    kOk = 0,
    kConversionFailed = 1,  // a query failed, or the output could not be written
    kUsage = 2,             // unknown option or target, no target
    kNoDatabase = 3,        // orvbase.mdb missing, unreadable or not the reference database
    kBadInput = 4,          // an input unreadable or not valid UTF-8
};

const char* const kUsageText =
    "usage: orvanta-convert --to trans|deva|lantsa [FILE...]\n"
    "\n"
    "Converts Siddham text, character by character, with the converter's tables\n"
    "in orvbase.mdb (found beside this program):\n"
    "  --to trans    Latin transliteration (IAST)\n"
    "  --to deva     Devanagari\n"
    "  --to lantsa   Lantsa (Devanagari code points for a Ranjana font)\n"
    "Reads each FILE in turn, or standard input when there is none or for \"-\",\n"
    "as UTF-8 and writes the converted text to standard output as UTF-8.\n"
    "Characters that the table lacks (blanks, line breaks, Latin letters ...)\n"
    "pass through unchanged.\n"
    "\n"
    "  -h, --help    show this text\n"
    "\n"
    "Exit status: 0 done; 1 conversion or output failed; 2 bad arguments;\n"
    "3 database missing or unreadable; 4 input unreadable or not valid UTF-8.\n";

int Fail(int status, const QString& message) {
    std::fprintf(stderr, "orvanta-convert: %s\n", message.toUtf8().constData());
    return status;
}

std::optional<Target> ParseTarget(const QString& name) {
    if (name == QLatin1String("trans")) return Target::Trans;
    if (name == QLatin1String("deva")) return Target::Deva;
    if (name == QLatin1String("lantsa")) return Target::Lantsa;
    return std::nullopt;
}

// Where the first byte that does not belong to well-formed UTF-8 lies (no
// overlong forms, surrogates or code points above U+10FFFF), or -1.
qsizetype FindInvalidUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        int length;
        unsigned char low = 0x80, high = 0xBF;  // range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            if (b == 0xE0) low = 0xA0;   // overlong
            if (b == 0xED) high = 0x9F;  // surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            if (b == 0xF0) low = 0x90;   // overlong
            if (b == 0xF4) high = 0x8F;  // above U+10FFFF
        } else {
            return i;
        }
        if (i + 1 >= n || p[i + 1] < low || p[i + 1] > high) return i;
        for (int k = 2; k < length; ++k) {
            if (i + k >= n || (p[i + k] & 0xC0) != 0x80) return i;
        }
        i += length;
    }
    return -1;
}

struct Input {
    QString name;
    QString text;
};

// Reads one input; on failure answers the message.
std::optional<QString> ReadInput(const QString& path, Input& input) {
    QFile file;
    if (path == QLatin1String("-")) {
        input.name = QStringLiteral("standard input");
        if (!file.open(stdin, QIODevice::ReadOnly)) {
            return QStringLiteral("cannot read standard input: %1").arg(file.errorString());
        }
    } else {
        input.name = path;
        file.setFileName(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        }
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return QStringLiteral("cannot read %1: %2").arg(input.name, file.errorString());
    }
    if (const qsizetype bad = FindInvalidUtf8(bytes); bad >= 0) {
        const qsizetype line = bytes.first(bad).count('\n') + 1;
        const qsizetype lineStart = bytes.lastIndexOf('\n', bad - 1) + 1;
        return QStringLiteral("%1: not valid UTF-8 at byte %2 (line %3, byte %4 of the line)")
            .arg(input.name)
            .arg(bad + 1)
            .arg(line)
            .arg(bad - lineStart + 1);
    }
    input.text = QString::fromUtf8(bytes);
    return std::nullopt;
}

bool Write(const QByteArray& bytes) {
    return bytes.isEmpty() || std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()),
                                          stdout) == static_cast<size_t>(bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);

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
            std::fputs(kUsageText, stdout);
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

    const QString dbPath = QCoreApplication::applicationDirPath() + QStringLiteral("/orvbase.mdb");
    QString error;
    const std::unique_ptr<orv::data::Database> db =
        orv::data::Database::Open(dbPath, QString::fromLatin1(orv::data::kDatabasePassphrase),
                                  orv::data::Database::Mode::ReadOnly, &error);
    if (!db)
        return Fail(kNoDatabase,
                    QStringLiteral("cannot use the reference database: %1").arg(error));

    // Every input is read and checked before anything is written, so a bad
    // input leaves no partial output behind.
    std::vector<Input> inputs(static_cast<size_t>(paths.size()));
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (auto message = ReadInput(paths[i], inputs[static_cast<size_t>(i)])) {
            return Fail(kBadInput, *message);
        }
    }

    const orv::converter::SiddhamConverter converter(*target);
    for (const Input& input : inputs) {
        const std::optional<QString> output = converter.ConvertAll(input.text, db, &error);
        if (!output) {
            return Fail(kConversionFailed,
                        QStringLiteral("conversion of %1 failed: %2").arg(input.name, error));
        }
        if (!Write(output->toUtf8())) break;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        return Fail(kConversionFailed, QStringLiteral("cannot write to standard output: %1")
                                           .arg(QString::fromLocal8Bit(std::strerror(errno))));
    }
    return kOk;
}
