// The conversion engine, the converter window and the orvanta-convert command,
// on a database built for the test from its own small tables.
#include "app/Program.h"
#include "app/SharedValues.h"
#include "converter/ConverterWindow.h"
#include "support/Glyphs.h"
#include "support/TestDatabase.h"

#include "data/Database.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QTest>

using namespace orv;
using namespace orv::test::glyphs;
using converter::ConversionMap;
using converter::ConversionStream;
using converter::SiddhamConverter;
using converter::Target;

namespace {

const QString kKVirama = kKa + kVirama, kSsi = kSsa + kSignI, kKo = kKa + kSignO,
              kKoNfd = kKa + kSignE + kSignAa, kEmoji = QStringLiteral("\U0001F600"),
              kZwj = QStringLiteral("\u200D"), kZwnj = QStringLiteral("\u200C");

// kAa has two transliterations and kI three; kIi has none.
const std::map<QString, test::Rows> kTables = {
    {"tbl_siddham_trans",
     test::Pairs({kKa,    "ka", kKi,          "ki", kKVirama,     "k", kSsi, "ṣi",  kKo, "ko",
                  kAa,    "ā",  kAa,          "aa", kI,           "i", kI,   "ī",   kI,  "y",
                  kDanda, ".",  kDoubleDanda, "x",  kDoubleDanda, ",", "'",  "apos"})},
    {"tbl_siddham_deva", test::Pairs({kKa, "क", kKi, "कि", kDanda, "।"})},
    {"tbl_siddham_lantsa", test::Pairs({kKa, "K", kKi, "KI", kAa, "A1", kAa, "A2"})}};

QString Convert(Target target, const QString& text) {
    return SiddhamConverter(target).ConvertAll(text, app::AppDatabase).value_or("<failed>");
}

}  // namespace

class ConverterTest : public QObject {
    Q_OBJECT
    test::TestDatabase db_{kTables};
    QStringList messages_;
    int ended_ = 0;
    QTemporaryDir dir_;
    const QByteArray sample_ = (kKi + kAa + " " + kI + "'\r\n" + kEmoji + kIi + kDanda).toUtf8();

    QString Path(const QString& name) { return dir_.filePath(name); }
    void Write(const QString& name, const QByteArray& bytes) {
        QFile file(Path(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    // Runs a copy of the command, beside the test database or beside none,
    // and answers its standard output.
    int code_ = -1;
    QByteArray err_;
    QByteArray Run(const QStringList& args, const QByteArray& input = {}, bool database = true) {
        return Start(
            database ? db_.Folder() + "/orvanta-convert" : dir_.path() + "/orvanta-convert", args,
            input);
    }
    // Runs the command from a shell line, as "$0" with the arguments $1 ...
    QByteArray Shell(const QString& line, const QStringList& args = {}) {
        return Start("/bin/sh", QStringList{"-c", line, db_.Folder() + "/orvanta-convert"} + args);
    }
    QByteArray Start(const QString& program, const QStringList& args,
                     const QByteArray& input = {}) {
        QProcess p;
        p.start(program, args);
        p.write(input);
        p.closeWriteChannel();
        const bool ended = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit;
        code_ = ended ? p.exitCode() : -1;
        err_ = p.readAllStandardError();
        return p.readAllStandardOutput();
    }
    // A failure gives its status, one line on standard error that says
    // `what`, and on standard output what was converted before it.
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
        // A syllable is one character, ICU ends one after the virama; several
        // rows are joined with "/" and a blank, "." and "," get a blank; what
        // the table lacks passes through whole: a cluster without a row, a
        // line break, supplementary-plane text.
        const QString rest = "x\r\n" + kEmoji + kIi + kKa + kSignIi + QChar(0xA0);
        QCOMPARE(Convert(Target::Trans, kKi + kAa + " " + kI + "\n" + kKVirama + kSsi + kDanda +
                                            kDoubleDanda + "'" + rest),
                 "kiā/aa  i/ī /y \nkṣi. x, apos" + rest);
        QCOMPARE(Convert(Target::Deva, kKa + kKi + "'" + kDanda), "ककि'।");
        QCOMPARE(Convert(Target::Lantsa, kAa + kKi), "A1/A2 KI");
        // A decomposed o is the o; a joiner after a virama is dropped, and
        // kept where the conjunct has no row either.
        QCOMPARE(Convert(Target::Trans,
                         kKoNfd + kKa + kVirama + kZwj + kSsi + kKa + kVirama + kZwnj + kKi + kZwj),
                 "kokṣik" + kKi + kZwj);
        QCOMPARE(Convert(Target::Deva, kKVirama + kZwj), kKVirama + kZwj);
        // A separator's blank only where no white space follows: at the end
        // of the text, before a letter, not before a blank, tab or line break.
        QCOMPARE(Convert(Target::Trans, kDanda + " " + kDanda + "\t" + kDoubleDanda + "\r\n" +
                                            kDanda + kKa + kDanda),
                 ". .\tx,\r\n. ka. ");
    }

    // Text fed in two pieces split anywhere (inside a surrogate pair,
    // between a letter and its marks, between a separator and the blank)
    // converts as when fed whole.
    void piecesConvertAsTheWhole() {
        ConversionMap map;
        for (const QStringList& row : test::Pairs({kKa, "ka", kKo, "ko", kKVirama, "k", kAa, "ā",
                                                   kAa, "aa", kDanda, ".", kEmoji, "e"}))
            map.Add(row[0], row[1]);
        const QString text = kKa + kSignE + kSignAa + kKa + kVirama + kZwj + kKa + kDanda + " " +
                             kAa + kEmoji + kDanda + "\n" + kKa + kDanda;
        const auto convert = [&](const QList<QStringView>& pieces) {
            ConversionStream stream(map);
            QString out;
            for (QStringView piece : pieces) {
                stream.Feed(piece);
                stream.Take(out);
            }
            stream.Finish();
            stream.Take(out);
            return out;
        };
        const QString whole = convert({text});
        QCOMPARE(whole, "kokka. ā/aa e.\nka. ");
        for (qsizetype i = 0; i <= text.size(); ++i)
            QCOMPARE(convert({QStringView(text).first(i), QStringView(text).sliced(i)}), whole);
    }

    void chunksStopsAndFailures() {
        QStringList chunks;
        QString error;
        std::function<bool()> goOn;  // after each chunk; none: go on
        const auto run = [&](const QString& text) {
            chunks.clear();
            const auto sink = [&](const QString& out) { return chunks << out, !goOn || goOn(); };
            return SiddhamConverter(Target::Trans).Convert(text, app::AppDatabase, sink, &error);
        };
        goOn = [&] { return chunks.size() < 2; };
        QCOMPARE(run(kKa.repeated(100)), SiddhamConverter::Outcome::Stopped);
        QCOMPARE(chunks.size(), 2);
        // Chunks of thirty syllables (of two code points each here); the
        // table is read once, so the shared database may be released between
        // chunks. A separator ending a chunk looks at the next one.
        goOn = [&] { return app::AppDatabase.reset(), true; };
        QCOMPARE(run(kKa.repeated(29) + kDanda + " " + kKi.repeated(30)),
                 SiddhamConverter::Outcome::Done);
        QCOMPARE(chunks, (QStringList{QStringLiteral("ka").repeated(29) + ".",
                                      " " + QStringLiteral("ki").repeated(29), "ki"}));
        // Without a database nothing is handed on.
        QCOMPARE(run(kKa), SiddhamConverter::Outcome::Failed);
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
        // A window that cannot open the database ends the program.
        app::SetProgramFolderForTesting("/nonexistent");
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
        QVERIFY(Run({"--to", "lantsa"}).isEmpty() && code_ == 0 && err_.isEmpty());  // no input
        QVERIFY(Run({"--help"}).startsWith("usage: orvanta-convert --to trans|deva|lantsa"));

        ExpectFailure(Run({"--to", "latin"}), 2, "unknown target \"latin\"");
        ExpectFailure(Run({Path("a.txt")}), 2, "no target");
        ExpectFailure(Run({"-x", "--to", "deva"}), 2, "unknown option -x");
        ExpectFailure(Run({"--to", "trans"}, sample_, false), 3, Path("orvbase.mdb"));
        ExpectFailure(Run({"--to", "trans", Path("none.txt")}), 4, Path("none.txt"));
        // A file that cannot be opened is found before anything is written;
        // a bad byte once the output of the text before it is written.
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
        // Past the first block: a letter across the block boundary converts,
        // and a bad byte is placed by its offset in the whole file.
        const QByteArray big = "line\n" + QByteArray(65529, 'x') + kKa.toUtf8() + "\nyy";
        Write("big.txt", big + "\xff");
        ExpectFailure(Run({"--to", "trans", Path("big.txt")}), 4,
                      "not valid UTF-8 at byte 65542 (line 3, byte 3 of the line)",
                      "line\n" + QByteArray(65529, 'x') + "ka\nyy");
    }

    // The output cannot be written, standard streams are closed, the
    // database lacks a column: a status and a message, never silence.
    void commandFailuresAroundIt() {
        Write("empty.txt", {});
        QVERIFY(Run({"--to", "trans", Path("empty.txt")}).isEmpty() && code_ == 0 &&
                err_.isEmpty());
        for (const char* line : {"\"$0\" --help >/dev/full", "\"$0\" --to deva \"$1\" >/dev/full"})
            ExpectFailure(Shell(line, {Path("a.txt")}), 1,
                          "cannot write to standard output: No space left on device");
        ExpectFailure(Shell("\"$0\" --to trans \"$1\" >&-", {Path("a.txt")}), 1,
                      "standard output is closed");
        ExpectFailure(Shell("\"$0\" --help >&-"), 1, "standard output is closed");
        ExpectFailure(Shell("\"$0\" --to trans <&-"), 4,
                      "cannot read standard input: it is closed");

        // A table without the column a conversion reads: the open fails.
        QTemporaryDir folder;
        {
            auto db =
                data::Database::Open(folder.filePath("orvbase.mdb"), data::kDatabasePassphrase,
                                     data::Database::Mode::CreateNew);
            QVERIFY(db);
            for (const QString table :
                 {"tbl_siddham", "tbl_lantsa", "tbl_keyboard", "tbl_siddham_trans",
                  "tbl_siddham_deva", "tbl_siddham_lantsa", "tbl_dictionary", "tbl_glyph"}) {
                QStringList columns = test::TestDatabase::DefaultColumns(table);
                if (table == "tbl_siddham_trans") columns.removeAll("trans");
                QVERIFY(
                    db->Execute({"create table " + table + " (" + columns.join(", ") + ")", {}}));
            }
        }
        QString error;
        QVERIFY(!data::Database::Open(folder.filePath("orvbase.mdb"), data::kDatabasePassphrase,
                                      data::Database::Mode::ReadOnly, &error));
        QVERIFY2(error.contains("table tbl_siddham_trans has no column trans"), qPrintable(error));
        QVERIFY(QFile::copy(db_.Folder() + "/orvanta-convert", folder.filePath("orvanta-convert")));
        QProcess p;
        p.start(folder.filePath("orvanta-convert"), {"--to", "trans"});
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 3);
        QVERIFY(p.readAllStandardError().contains("table tbl_siddham_trans has no column trans"));
    }
};

QTEST_MAIN(ConverterTest)
#include "test_converter.moc"
