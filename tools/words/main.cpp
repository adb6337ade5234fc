// orvanta-words: the words the input methods have learned, as plain text.
//
//   orvanta-words [--store PATH] export [FILE]
//   orvanta-words [--store PATH] import FILE...
//   orvanta-words [--store PATH] forget WORD... | --all
//
// Export writes "word<TAB>count<TAB>last used" lines, most used first; import
// reads such lines (adding their counts) or any text (counting its words).
#include "engine/WordStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

using orv::engine::WordStore;

enum Status { kOk = 0, kFailed = 1, kUsage = 2 };

const char* const kUsageText =
    "usage: orvanta-words [--store PATH] export [FILE]\n"
    "       orvanta-words [--store PATH] import FILE...\n"
    "       orvanta-words [--store PATH] forget WORD... | --all\n"
    "\n"
    "The words the Orvanta input methods have learned (committed through a\n"
    "candidate), kept in $XDG_DATA_HOME/orvanta/learned-words.sqlite\n"
    "(~/.local/share when XDG_DATA_HOME is unset).\n"
    "\n"
    "  export [FILE]    write the learned words to FILE (standard output when\n"
    "                   there is none or for \"-\"): one \"word<TAB>count<TAB>last\n"
    "                   used\" line each (seconds since 1970), most used first\n"
    "  import FILE...   add each FILE (\"-\": standard input): lines as export\n"
    "                   writes them add their counts; any other text counts each\n"
    "                   of its words once per occurrence\n"
    "  forget WORD...   forget these words\n"
    "  forget --all     forget every learned word\n"
    "  --store PATH     another store file\n"
    "  -h, --help       show this text\n"
    "\n"
    "Input methods that are running take the changes within a second.\n"
    "Exit status: 0 done; 1 failed (a file unreadable or unwritable, the store\n"
    "damaged); 2 bad arguments.\n";

int Usage(const QString& message) {
    std::fprintf(stderr, "orvanta-words: %s\n%s", qUtf8Printable(message), kUsageText);
    return kUsage;
}

int Fail(const QString& message) {
    std::fprintf(stderr, "orvanta-words: %s\n", qUtf8Printable(message));
    return kFailed;
}

int Export(const QString& store, const QStringList& args) {
    if (args.size() > 1) return Usage("export takes one file");
    QString error;
    if (args.isEmpty() || args[0] == "-") {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly)) return Fail("cannot write standard output");
        QTextStream stream(&out);
        if (!WordStore::Export(store, stream, &error)) return Fail(error);
        out.close();
        return std::fflush(stdout) == 0 && !std::ferror(stdout)
                   ? kOk
                   : Fail("cannot write standard output");
    }
    // Written whole or not at all: an export that fails leaves no half list.
    QSaveFile out(args[0]);
    if (!out.open(QIODevice::WriteOnly))
        return Fail(QString("cannot write %1: %2").arg(args[0], out.errorString()));
    QTextStream stream(&out);
    if (!WordStore::Export(store, stream, &error)) return Fail(error);
    if (!out.commit()) return Fail(QString("cannot write %1: %2").arg(args[0], out.errorString()));
    return kOk;
}

int Import(const QString& store, const QStringList& args) {
    if (args.isEmpty()) return Usage("import needs a file");
    // Every input opened before anything is written.
    std::vector<std::unique_ptr<QFile>> files;
    for (const QString& name : args) {
        auto file = std::make_unique<QFile>(name == "-" ? QString() : name);
        const bool opened =
            name == "-" ? file->open(stdin, QIODevice::ReadOnly) : file->open(QIODevice::ReadOnly);
        if (!opened) return Fail(QString("cannot read %1: %2").arg(name, file->errorString()));
        files.push_back(std::move(file));
    }
    long long total = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        QTextStream in(files[i].get());
        QString error;
        const auto counted = WordStore::Import(store, in, &error);
        if (!counted) return Fail(QString("%1: %2").arg(args[int(i)], error));
        total += *counted;
    }
    std::printf("%lld words imported\n", total);
    return kOk;
}

int Forget(const QString& store, const QStringList& args) {
    const bool all = args == QStringList{"--all"};
    if (args.isEmpty() || (!all && args.contains("--all")))
        return Usage("forget takes words, or --all alone");
    WordStore words(store);
    if (all) {
        words.ForgetAll();
    } else {
        for (const QString& word : args) words.Forget(word);
    }
    words.Flush();
    if (!words.Writable()) return Fail(QString("cannot write %1").arg(store));
    return kOk;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString store = WordStore::DefaultPath();
    QStringList rest;
    bool words = false;  // after "--" or the command's first word: no options but --all
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!words && (a == "-h" || a == "--help")) {
            std::fputs(kUsageText, stdout);
            return kOk;
        }
        if (!words && a == "--store") {
            if (++i == args.size()) return Usage("--store needs a path");
            store = args[i];
        } else if (!words && a.startsWith("--store=")) {
            store = a.mid(8);
        } else if (!words && a == "--") {
            words = true;
        } else if (!words && a.startsWith('-') && a != "-" && a != "--all") {
            return Usage("unknown option " + a);
        } else {
            rest << a;
        }
    }
    if (store.isEmpty()) return Usage("--store needs a path");
    if (rest.isEmpty()) return Usage("no command");
    const QString command = rest.takeFirst();
    if (command == "export") return Export(store, rest);
    if (command == "import") return Import(store, rest);
    if (command == "forget") return Forget(store, rest);
    return Usage("unknown command " + command);
}
