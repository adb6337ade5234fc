// The conversion engine, the converter window and the orvanta-convert command,
// on a database built for the test from its own small tables.
#include "app/Program.h"
#include "app/SharedValues.h"
#include "converter/ConverterWindow.h"
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

namespace {

const QString kKVirama = kKa + kVirama, kSsi = kSsa + kSignI, kKo = kKa + kSignO,
              kKoNfd = kKa + kSignE + kSignAa, kEmoji = QStringLiteral("\U0001F600");

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
        QProcess p;
        p.start((database ? db_.Folder() : dir_.path()) + "/orvanta-convert", args);
        p.write(input);
        p.closeWriteChannel();
        const bool ended = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit;
        code_ = ended ? p.exitCode() : -1;
        err_ = p.readAllStandardError();
        return p.readAllStandardOutput();
    }
    // A failure gives its status, one line on standard error that says
    // `what`, and nothing on standard output.
    void ExpectFailure(const QByteArray& out, int code, const QString& what) {
        QCOMPARE(code_, code);
        QVERIFY2(out.isEmpty() && err_.startsWith("orvanta-convert: ") && err_.count('\n') == 1 &&
                     err_.endsWith('\n') && QString::fromUtf8(err_).contains(what),
                 err_.constData());
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
        // line break, supplementary-plane text, a decomposed spelling.
        const QString rest = "x\r\n" + kEmoji + kIi + kKa + kSignIi + QChar(0xA0) + kKoNfd;
        QCOMPARE(Convert(Target::Trans, kKi + kAa + " " + kI + "\n" + kKVirama + kSsi + kDanda +
                                            kDoubleDanda + "'" + rest),
                 "kiā/aa  i/ī /y \nkṣi. x, apos" + rest);
        QCOMPARE(Convert(Target::Deva, kKa + kKi + "'" + kDanda), "ककि'।");
        QCOMPARE(Convert(Target::Lantsa, kAa + kKi), "A1/A2 KI");
        // Repeats come from the per-conversion cache: same as a fresh lookup.
        QCOMPARE(Convert(Target::Trans, (kKo + kKoNfd + kKo + "aA" + kKo).repeated(10)),
                 ("ko" + kKoNfd + "koaAko").repeated(10));
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
        // Chunks of thirty syllables (of two code points each here). Between
        // chunks the shared database may be re-opened elsewhere (the next
        // chunk reads the new one) or be gone (the chunk is dropped).
        const test::TestDatabase other({{"tbl_siddham_trans", test::Pairs({kKi, "KI2"})}});
        goOn = [&] {
            app::SetProgramFolderForTesting(other.Folder());
            if (chunks.size() == 1) return app::OpenAppDatabase();
            app::AppDatabase.reset();
            return true;
        };
        QCOMPARE(run(kKa.repeated(30) + kKi.repeated(45)), SiddhamConverter::Outcome::Failed);
        QCOMPARE(chunks, (QStringList{QStringLiteral("ka").repeated(30),
                                      QStringLiteral("KI2").repeated(30)}));
        QVERIFY(!error.isEmpty());
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
        // Nothing of a good file before a bad one is written.
        Write("bad.txt", QByteArray("ab\ncd\xff") + "x");
        ExpectFailure(Run({"--to", "trans", Path("a.txt"), Path("bad.txt")}), 4,
                      Path("bad.txt") + ": not valid UTF-8 at byte 6 (line 2, byte 3 of the line)");
        for (const QByteArray bytes :
             {"\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "ka\xe0\xa4"})
            ExpectFailure(Run({"--to", "deva"}, bytes), 4, "standard input: not valid UTF-8");
    }
};

QTEST_MAIN(ConverterTest)
#include "test_converter.moc"
