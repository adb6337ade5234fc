// The conversion engine, the converter window and orvanta-convert, on a small test database.
#include "app/Program.h"
#include "app/SharedValues.h"
#include "converter/ConverterWindow.h"
#include "data/Database.h"
#include "support/Glyphs.h"
#include "support/TestDatabase.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QTest>

using namespace orv;
using namespace orv::test::glyphs;
using converter::SiddhamConverter;
using converter::Target;

const QString kKVirama = kKa + kVirama, kSsi = kSsa + kSignI, kEmoji = "\U0001F600",
              kZwj = "\u200D", kZwnj = "\u200C";

static QString Convert(Target target, const QString& text) {
    return SiddhamConverter(target).ConvertAll(text, app::AppDatabase).value_or("<failed>");
}

class ConverterTest : public QObject {
    Q_OBJECT
    // kAa has two transliterations and kI three; kIi has none.
    test::TestDatabase db_{
        {{"tbl_siddham_trans",
          test::Pairs({kKa,  "ka",         kKi,  "ki",         kKVirama, "k", kSsi,
                       "ṣi", kKa + kSignO, "ko", kAa,          "ā",      kAa, "aa",
                       kI,   "i",          kI,   "ī",          kI,       "y", kDanda,
                       ".",  kDoubleDanda, "x",  kDoubleDanda, ",",      "'", "apos"})},
         {"tbl_siddham_deva", test::Pairs({kKa, "क", kKi, "कि", kDanda, "।"})},
         {"tbl_siddham_lantsa", test::Pairs({kKa, "K", kKi, "KI", kAa, "A1", kAa, "A2"})}}};
    QStringList messages_;
    int ended_ = 0, code_ = -1;
    QTemporaryDir dir_;
    QByteArray err_;
    const QByteArray sample_ = (kKi + kAa + " " + kI + "'\r\n" + kEmoji + kIi + kDanda).toUtf8();

    QString Path(const QString& name) { return dir_.filePath(name); }
    void Write(const QString& name, const QByteArray& bytes) {
        QFile file(Path(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    // Runs a program (a copy of the command beside `folder` by default); answers its output.
    QByteArray Run(const QStringList& args, const QByteArray& input = {}, QString folder = {},
                   QString program = {}) {
        QProcess p;
        if (folder.isEmpty()) folder = db_.Folder();
        p.start(program.isEmpty() ? folder + "/orvanta-convert" : program, args);
        p.write(input);
        p.closeWriteChannel();
        const bool ended = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit;
        code_ = ended ? p.exitCode() : -1;
        err_ = p.readAllStandardError();
        return p.readAllStandardOutput();
    }
    // Runs the command from a shell line, as "$0" with the argument $1.
    QByteArray Shell(const QString& line) {
        return Run({"-c", line, db_.Folder() + "/orvanta-convert", Path("a.txt")}, {}, {},
                   "/bin/sh");
    }
    // A failure: its status, one line on standard error saying `what`, what came before it.
    void ExpectFailure(const QByteArray& out, int code, const QString& what,
                       const QByteArray& before = {}) {
        QCOMPARE(code_, code);
        QVERIFY2(err_.startsWith("orvanta-convert: ") && err_.count('\n') == 1 &&
                     err_.endsWith('\n') && QString::fromUtf8(err_).contains(what),
                 err_.constData());
        QCOMPARE(out, before);
    }

  private slots:
    void initTestCase() {
        QVERIFY2(db_.Ok(), qPrintable(db_.Error()));
        app::SetMessageHandlerForTesting([this](const QString& m) { messages_ << m; });
        app::SetEndProgramHandlerForTesting([this] { ++ended_; });
        const QString built = qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin/orvanta-convert";
        for (const QString& dir : {db_.Folder(), dir_.path()})
            QVERIFY(QFile::copy(built, dir + "/orvanta-convert"));
        Write("a.txt", sample_);
        Write("b.txt", (kKa + "\n").toUtf8());
    }
    void init() {
        app::SetProgramFolderForTesting(db_.Folder());
        QVERIFY(app::OpenAppDatabase());
    }

    void rowsAndCharacters() {
        // Characters as ICU splits them; rows joined by "/ "; ". " ", "; others pass whole.
        const QString rest = "x\r\n" + kEmoji + kIi + kKa + kSignIi + QChar(0xA0);
        QCOMPARE(Convert(Target::Trans, kKi + kAa + " " + kI + "\n" + kKVirama + kSsi + kDanda +
                                            kDoubleDanda + "'" + rest),
                 "kiā/aa  i/ī /y \nkṣi. x, apos" + rest);
        QCOMPARE(Convert(Target::Deva, kKa + kKi + "'" + kDanda), "ककि'।");
        QCOMPARE(Convert(Target::Lantsa, kAa + kKi), "A1/A2 KI");
        // A decomposed o is the o; a joiner after a virama goes, unless the conjunct has no row.
        QCOMPARE(Convert(Target::Trans, kKa + kSignE + kSignAa + kKVirama + kZwj + kSsi + kKVirama +
                                            kZwnj + kKi + kZwj),
                 "kokṣik" + kKi + kZwj);
        QCOMPARE(Convert(Target::Deva, kKVirama + kZwj), kKVirama + kZwj);
        // A separator's blank only where no white space follows.
        QCOMPARE(Convert(Target::Trans, kDanda + " " + kDanda + "\t" + kDoubleDanda + "\r\n" +
                                            kDanda + kKa + kDanda),
                 ". .\tx,\r\n. ka. ");
    }

    void chunksStopsAndFailures() {
        QStringList chunks;
        QString error;
        std::function<bool()> goOn = [&] { return chunks.size() < 2; };  // after each chunk
        const auto run = [&](const QString& text) {
            chunks.clear();
            const auto sink = [&](const QString& out) { return chunks << out, goOn(); };
            return SiddhamConverter(Target::Trans).Convert(text, app::AppDatabase, sink, &error);
        };
        QCOMPARE(run(kKa.repeated(100)), SiddhamConverter::Outcome::Stopped);
        QCOMPARE(chunks.size(), 2);
        // Chunks of 30; the table read once (the database may go); a separator looks ahead.
        goOn = [&] { return app::AppDatabase.reset(), true; };
        QCOMPARE(run(kKa.repeated(29) + kDanda + " " + kKi.repeated(30)),
                 SiddhamConverter::Outcome::Done);
        QCOMPARE(chunks, (QStringList{QStringLiteral("ka").repeated(29) + ".",
                                      " " + QStringLiteral("ki").repeated(29), "ki"}));
        QCOMPARE(run(kKa), SiddhamConverter::Outcome::Failed);  // no database: nothing handed on
        QVERIFY(chunks.isEmpty() && !error.isEmpty());
    }

    void windowConvertsOrEndsTheProgram() {
        converter::ConverterWindow& w = converter::frmHVConv().Get();
        w.show();
        QGuiApplication::clipboard()->setText(kAa + "'" + kKi);
        w.CommandButton2->click();
        QCOMPARE(converter::ConverterWindow::BoxText(w.TextBox4), "A1/A2 'KI ");
        QVERIFY(messages_.isEmpty() && ended_ == 0);
        converter::frmHVConv().Unload();
        app::SetProgramFolderForTesting("/nonexistent");  // no database: the program ends
        converter::frmHVConv()->show();
        QCOMPARE(messages_, (QStringList{"unexpected error", "Disconnected"}));
        QCOMPARE(ended_, 1);
        converter::frmHVConv().Unload();
    }

    void commandConvertsOrSaysWhatFailedAndWhere() {
        const QByteArray a = ("kiā/aa  i/ī /y apos\r\n" + kEmoji + kIi + ". ").toUtf8();
        QCOMPARE(Run({"--to", "trans", Path("a.txt"), Path("b.txt")}), a + "ka\n");
        QCOMPARE(Run({"--to=trans", Path("b.txt"), "-", "--", Path("b.txt")}, sample_),
                 "ka\n" + a + "ka\n");
        QVERIFY(code_ == 0 && err_.isEmpty());
        QCOMPARE(Run({"--to", "deva"}, (kKa + kDanda).toUtf8()), "क।");
        QCOMPARE(Run({"--to", "lantsa"}, (kAa + kKi).toUtf8()), "A1/A2 KI");
        Write("empty.txt", {});
        for (const QStringList& args :
             QList<QStringList>{{"--to", "lantsa"}, {"--to", "trans", Path("empty.txt")}})
            QVERIFY(Run(args).isEmpty() && code_ == 0 && err_.isEmpty());  // no input
        QVERIFY(Run({"--help"}).startsWith("usage: orvanta-convert --to trans|deva|lantsa"));

        ExpectFailure(Run({"--to", "latin"}), 2, "unknown target \"latin\"");
        ExpectFailure(Run({Path("a.txt")}), 2, "no target");
        ExpectFailure(Run({"-x", "--to", "deva"}), 2, "unknown option -x");
        ExpectFailure(Run({"--to", "trans"}, sample_, dir_.path()), 3, Path("orvbase.mdb"));
        ExpectFailure(Run({"--to", "trans", Path("none.txt")}), 4, Path("none.txt"));
        // An unopenable file fails before any output; a bad byte after the text before it.
        ExpectFailure(Run({"--to", "trans", Path("a.txt"), dir_.path()}), 4,
                      "cannot read " + dir_.path() + ": it is a directory");
        Write("bad.txt", QByteArray("ab\ncd\xff") + "x");
        ExpectFailure(Run({"--to", "trans", Path("b.txt"), Path("bad.txt")}), 4,
                      Path("bad.txt") + ": not valid UTF-8 at byte 6 (line 2, byte 3 of the line)",
                      "ka\nab\ncd");
        ExpectFailure(Run({"--to", "deva"}, "\xff" + kKa.toUtf8()), 4,
                      "standard input: not valid UTF-8 at byte 1 (line 1, byte 1 of the line)");
        for (const QByteArray bytes :
             {"\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "ka\xe0\xa4"})
            ExpectFailure(Run({"--to", "deva"}, bytes), 4, "standard input: not valid UTF-8",
                          bytes.left(bytes.indexOf('\xe0')));
        // Past the first block: a letter across it converts, a bad byte is placed in the file.
        const QByteArray big = "line\n" + QByteArray(65529, 'x') + kKa.toUtf8() + "\nyy";
        Write("big.txt", big + "\xff");
        ExpectFailure(Run({"--to", "trans", Path("big.txt")}), 4,
                      "not valid UTF-8 at byte 65542 (line 3, byte 3 of the line)",
                      "line\n" + QByteArray(65529, 'x') + "ka\nyy");
        // Output that cannot be written, closed standard streams: a status and a message.
        for (const char* line : {"\"$0\" --help >/dev/full", "\"$0\" --to deva \"$1\" >/dev/full"})
            ExpectFailure(Shell(line), 1,
                          "cannot write to standard output: No space left on device");
        for (const char* line : {"\"$0\" --to trans \"$1\" >&-", "\"$0\" --help >&-"})
            ExpectFailure(Shell(line), 1, "standard output is closed");
        ExpectFailure(Shell("\"$0\" --to trans <&-"), 4,
                      "cannot read standard input: it is closed");
    }

    void databaseLackingAColumnFailsToOpen() {
        {
            auto db = data::Database::Open(Path("orvbase.mdb"), data::kDatabasePassphrase,
                                           data::Database::Mode::CreateNew);
            for (const auto& [table, columns] : data::Database::ReferenceColumns()) {
                const QString kept = table == "tbl_siddham_trans" ? "siddham" : columns.join(',');
                QVERIFY(db && db->Execute({"create table " + table + " (" + kept + ")", {}}));
            }
        }
        ExpectFailure(Run({"--to", "trans"}, {}, dir_.path()), 3,
                      "table tbl_siddham_trans has no column trans");
    }
};

QTEST_MAIN(ConverterTest)
#include "test_converter.moc"
