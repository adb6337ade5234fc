// orvanta-convert as a user runs it: copies of the program beside a database
// built for the test (or none, or a broken one), its output, statuses and
// messages, and the same output as the converter window gives.
#include "ConverterData.h"
#include "app/Fonts.h"
#include "app/Program.h"
#include "app/Windows.h"
#include "converter/ConverterWindow.h"

#include <QClipboard>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

using namespace orv;
using namespace orv::test;

class CommandTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDatabase> db_;
    QTemporaryDir dir_;
    const QByteArray sample_ = (kKi + kAa + " " + kI + "'\r\n" + kEmoji + kNoRow + kDanda).toUtf8();
    struct Result {
        int code = -1;
        QByteArray out, err;
    };

    QString Path(const QString& name) { return dir_.filePath(name); }
    void Write(const QString& name, const QByteArray& bytes) {
        QFile file(Path(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    Result Run(const QStringList& args, const QByteArray& input = {},
               const QString& folder = "with") {
        QProcess process;
        process.start(Path(folder + "/orvanta-convert"), args);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            return {};
        return {process.exitCode(), process.readAllStandardOutput(),
                process.readAllStandardError()};
    }
    // A failure gives its status, one line on standard error that says
    // `what`, and nothing on standard output.
    void ExpectFailure(const Result& r, int code, const QString& what) {
        QCOMPARE(r.code, code);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.startsWith("orvanta-convert: ") && r.err.count('\n') == 1 &&
                     r.err.endsWith('\n') && QString::fromUtf8(r.err).contains(what),
                 r.err.constData());
    }

  private slots:
    void initTestCase() {
        app::InstallFontSubstitutions();
        db_ = std::make_unique<TestDatabase>(ConverterTables());
        QVERIFY2(db_->Ok(), qPrintable(db_->Error()));
        const QString built = qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin/orvanta-convert";
        for (const QString folder : {"with", "without", "junk"}) {
            QVERIFY(QDir().mkpath(Path(folder)));
            QVERIFY(QFile::copy(built, Path(folder + "/orvanta-convert")));
        }
        QVERIFY(QFile::copy(db_->Path(), Path("with/orvbase.mdb")));
        Write("junk/orvbase.mdb", QByteArray(4096, 'x'));
        Write("a.txt", sample_);
        Write("b.txt", (kKa + "\n").toUtf8());
    }

    void convertsFilesAndStandardInput() {
        const QByteArray a =
            (QStringLiteral("kiā/aa  i/ī /y apos\r\n") + kEmoji + kNoRow + ". ").toUtf8();
        QCOMPARE(Run({"--to", "trans", Path("a.txt"), Path("b.txt")}).out, a + "ka\n");
        const Result r = Run({"--to=trans", Path("b.txt"), "-", "--", Path("b.txt")}, sample_);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, "ka\n" + a + "ka\n");
        QVERIFY(r.err.isEmpty());
        QCOMPARE(
            Run({"--to", "deva"}, sample_).out,
            (QStringLiteral("कि") + kAa + " " + kI + "'\r\n" + kEmoji + kNoRow + "।").toUtf8());
        QCOMPARE(Run({"--to", "lantsa"}).code, 0);
        QVERIFY(Run({"--help"}).out.startsWith("usage: orvanta-convert --to trans|deva|lantsa"));
    }

    void failuresSayWhatAndWhere() {
        ExpectFailure(Run({"--to", "latin"}), 2, "unknown target \"latin\"");
        ExpectFailure(Run({Path("a.txt")}), 2, "no target");
        ExpectFailure(Run({"-x", "--to", "deva"}), 2, "unknown option -x");
        ExpectFailure(Run({"--to", "trans"}, sample_, "without"), 3, Path("without/orvbase.mdb"));
        ExpectFailure(Run({"--to", "trans"}, sample_, "junk"), 3, "reference database");
        ExpectFailure(Run({"--to", "trans", Path("none.txt")}), 4, Path("none.txt"));
        ExpectFailure(Run({"--to", "trans", dir_.path()}), 4, dir_.path());
        // Nothing of a good file before a bad one is written.
        Write("bad.txt",
              "ab\ncd\xff"
              "x");
        ExpectFailure(Run({"--to", "trans", Path("a.txt"), Path("bad.txt")}), 4,
                      Path("bad.txt") + ": not valid UTF-8 at byte 6 (line 2, byte 3 of the line)");
        for (const QByteArray bytes :
             {"\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "ka\xe0\xa4"})
            ExpectFailure(Run({"--to", "deva"}, bytes), 4, "standard input: not valid UTF-8");
    }

    void windowAndCommandGiveTheSameOutput() {
        app::SetProgramFolderForTesting(db_->Folder());
        app::SetShowMainWindow([] {});
        converter::ConverterWindow& w = converter::frmHVConv().Get();
        w.show();
        // The box shows a CR LF as one line break, which it gives back as LF.
        const QString text = QString::fromUtf8(sample_).replace("\r\n", "\n").repeated(40) +
                             QChar(0xA0) + kKo + kKoNfd;
        for (auto [button, target] : {std::pair{w.CommandButton3, "trans"},
                                      {w.CommandButton1, "deva"},
                                      {w.CommandButton2, "lantsa"}}) {
            QGuiApplication::clipboard()->setText(text);
            button->click();
            const Result r = Run({"--to", target}, text.toUtf8());
            QCOMPARE(r.code, 0);
            const auto* shown = w.TextBox2->isHidden() ? w.TextBox4 : w.TextBox2;
            QCOMPARE(converter::ConverterWindow::BoxText(shown), QString::fromUtf8(r.out) + " ");
        }
        converter::frmHVConv().Unload();
    }
};

QTEST_MAIN(CommandTest)
#include "test_convert_command.moc"
