// The conversion engine, the converter window and the orvanta-convert command,
// on a database built for the test from its own small tables.
#include "app/Fonts.h"
#include "app/Program.h"
#include "app/SharedValues.h"
#include "app/Windows.h"
#include "converter/ConverterWindow.h"
#include "support/Glyphs.h"
#include "support/TestDatabase.h"

#include <QClipboard>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTextLayout>
#include <QTimer>

using namespace orv;
using namespace orv::test::glyphs;
using converter::ConverterWindow;
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

// Every insertion into a box, and whether its viewport painted since the one
// before.
struct BoxWatcher : QObject {
    explicit BoxWatcher(QPlainTextEdit* box) {
        box->viewport()->installEventFilter(this);
        connect(box->document(), &QTextDocument::contentsChange, this,
                [this, box](int position, int removed, int added) {
                    const QString text = ConverterWindow::BoxText(box).mid(position, added);
                    if (removed > 0 || text.isEmpty()) return;
                    inserts << text;
                    paintedBefore << std::exchange(painted, false);
                });
    }
    bool eventFilter(QObject*, QEvent* event) override {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
    QStringList inserts;
    QList<bool> paintedBefore;
    bool painted = false;
};

QString Convert(Target target, const QString& text) {
    return SiddhamConverter(target).ConvertAll(text, app::AppDatabase).value_or("<failed>");
}
void Click(QPushButton* button, const QString& clipboard) {
    QGuiApplication::clipboard()->setText(clipboard);
    button->click();
}
QString Text(const QPlainTextEdit* box) { return ConverterWindow::BoxText(box); }

}  // namespace

class ConverterTest : public QObject {
    Q_OBJECT
    test::TestDatabase db_{kTables};
    QStringList messages_;
    int ended_ = 0, mainShown_ = 0;
    // Copies of the command: beside the test database, beside none, beside junk.
    QTemporaryDir dir_;
    const QByteArray sample_ = (kKi + kAa + " " + kI + "'\r\n" + kEmoji + kIi + kDanda).toUtf8();

    ConverterWindow& Open() {
        ConverterWindow& w = converter::frmHVConv().Get();
        w.show();
        [[maybe_unused]] bool exposed = QTest::qWaitForWindowExposed(&w);
        return w;
    }

    QString Path(const QString& name) { return dir_.filePath(name); }
    void Write(const QString& name, const QByteArray& bytes) {
        QFile file(Path(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    struct Result {
        int code = -1;
        QByteArray out, err;
    };
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
        QVERIFY2(db_.Ok(), qPrintable(db_.Error()));
        app::InstallFontSubstitutions();
        app::SetMessageHandlerForTesting([this](const QString& m) { messages_ << m; });
        app::SetEndProgramHandlerForTesting([this] { ++ended_; });
        app::SetShowMainWindow([this] { ++mainShown_; });
        const QString built = qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin/orvanta-convert";
        for (const QString folder : {"with", "without", "junk"}) {
            QVERIFY(QDir().mkpath(Path(folder)));
            QVERIFY(QFile::copy(built, Path(folder + "/orvanta-convert")));
        }
        QVERIFY(QFile::copy(db_.Path(), Path("with/orvbase.mdb")));
        Write("junk/orvbase.mdb", QByteArray(4096, 'x'));
        Write("a.txt", sample_);
        Write("b.txt", (kKa + "\n").toUtf8());
    }
    void init() {
        app::SetProgramFolderForTesting(db_.Folder());
        QVERIFY(app::OpenAppDatabase());
    }
    void cleanup() {
        converter::frmHVConv().Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        messages_.clear();
        ended_ = mainShown_ = 0;
    }

    void rowsAndCharacters() {
        QCOMPARE(SiddhamConverter::FormatRows("c", {}), "c");
        QCOMPARE(SiddhamConverter::FormatRows("c", {"p", "q", "r"}), "p/q /r ");
        QCOMPARE(SiddhamConverter::FormatRows("c", {".", "p", ","}), ". /p , ");
        // A syllable is one character, ICU ends one after the virama, and
        // whatever the table lacks passes through whole: a cluster without a
        // row, a line break, supplementary-plane text, a decomposed spelling.
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
        run(kKi.repeated(30));  // thirty syllables of two code points
        QCOMPARE(chunks, QStringList{QStringLiteral("ki").repeated(30)});
        run(kKa.repeated(30) + kAa);
        QCOMPARE(chunks, (QStringList{QStringLiteral("ka").repeated(30), "ā/aa "}));
        goOn = [&] { return chunks.size() < 2; };
        QCOMPARE(run(kKa.repeated(100)), SiddhamConverter::Outcome::Stopped);
        QCOMPARE(chunks.size(), 2);
        // Between chunks the shared database may be re-opened elsewhere (the
        // next chunk reads the new one) or be gone (the chunk is dropped).
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

    void windowConversions() {
        ConverterWindow& w = Open();
        QVERIFY(w.TextBox2->isVisible() && w.TextBox4->isVisible());
        QVERIFY(w.children().indexOf(w.TextBox2) > w.children().indexOf(w.TextBox4));
        // Siddham in the output box's font gets real glyphs.
        QTextLayout layout(kKi + kKVirama + kSsi, w.TextBox2->font());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        for (const QGlyphRun& run : layout.glyphRuns()) QVERIFY(!run.glyphIndexes().contains(0));

        w.CommandButton4->click();  // before any conversion: the instruction
        QVERIFY(QGuiApplication::clipboard()->text().startsWith("Copy siddham text"));
        Click(w.CommandButton2, kAa + "'" + kKi);
        QVERIFY(w.TextBox4->isVisible() && !w.TextBox2->isVisible() && w.TextBox4->hasFocus());
        QCOMPARE(Text(w.TextBox4), "A1/A2 'KI ");
        QCOMPARE(w.TextBox4->textCursor().position(), 0);
        // Switching boxes keeps the hidden one's text; converting again
        // replaces the text of its box. Copy takes the box in view, exactly.
        for (int i = 0; i < 2; ++i) Click(w.CommandButton1, kKa + QChar(0xA0) + kKi);
        QVERIFY(w.TextBox2->isVisible() && !w.TextBox4->isVisible());
        QCOMPARE(Text(w.TextBox4), "A1/A2 'KI ");
        QCOMPARE(Text(w.TextBox2), "क\u00A0कि ");
        w.CommandButton4->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), "क\u00A0कि ");
        QCOMPARE(w.TextBox2->textCursor().selectedText().size(), 5);

        QGuiApplication::clipboard()->clear();
        w.CommandButton3->click();
        QCOMPARE(Text(w.TextBox2), " ");
        QCOMPARE(w.TextBox2->textCursor().position(), 0);
    }

    void outputGrowsChunkByChunkWithRepaints() {
        ConverterWindow& w = Open();
        for (int count : {30, 31, 95}) {
            BoxWatcher watch(w.TextBox2);
            Click(w.CommandButton3, kKa.repeated(count));
            QStringList expected;
            for (int done = 0; done < count; done += 30)
                expected << QStringLiteral("ka").repeated(qMin(30, count - done));
            QCOMPARE(watch.inserts, expected << " ");
            QCOMPARE(watch.paintedBefore.mid(1), QList<bool>(expected.size() - 1, true));
        }
    }

    void longInputAndInterruptions() {
        ConverterWindow& w = Open();
        const QString text = (kKi + kAa + kKa + " " + kI + "\n").repeated(20000);  // 100,000
        Click(w.CommandButton3, text);
        QCOMPARE(Text(w.TextBox2), QStringLiteral("kiā/aa ka i/ī /y \n").repeated(20000) + " ");

        // A conversion started while one runs replaces it: no mixed output,
        // and the caret of the abandoned box follows typing again.
        QTimer::singleShot(0, w.CommandButton2, [&w] { Click(w.CommandButton2, kKi); });
        Click(w.CommandButton3, text);
        QCOMPARE(Text(w.TextBox4), "KI ");
        QVERIFY(w.TextBox4->isVisible() && Text(w.TextBox2).size() < 3000);
        QTest::keyClicks(w.TextBox2, "ab");
        QVERIFY(Text(w.TextBox2).startsWith("ab"));

        // Re-opening the database meanwhile breaks nothing; closing the
        // window stops the conversion.
        BoxWatcher watch(w.TextBox2);
        QTimer::singleShot(0, [] { QVERIFY(app::OpenAppDatabase()); });
        QTimer::singleShot(5, &w, [&w] { w.close(); });
        Click(w.CommandButton3, text);
        QVERIFY(watch.inserts.join(QString()).size() < text.size() / 2);
        QCOMPARE(mainShown_, 1);
        QVERIFY(!converter::frmHVConv().Exists());

        // The next window is a fresh one; a failing conversion in it keeps
        // the chunks handed on, then the blank.
        ConverterWindow& next = Open();
        QVERIFY(Text(next.TextBox2).startsWith("Copy siddham text") &&
                Text(next.TextBox4).isEmpty());
        QTimer::singleShot(0, [] { app::AppDatabase.reset(); });
        Click(next.CommandButton3, kKa.repeated(95));
        QCOMPARE(Text(next.TextBox2), QStringLiteral("ka").repeated(30) + " ");
        QVERIFY(messages_.isEmpty());
    }

    void failingLoadEndsTheProgram() {
        app::SetProgramFolderForTesting("/nonexistent");
        Open();
        QCOMPARE(messages_, (QStringList{"unexpected error", "Disconnected"}));
        QCOMPARE(ended_, 1);
    }

    void commandConvertsFilesAndStandardInput() {
        const QByteArray a = ("kiā/aa  i/ī /y apos\r\n" + kEmoji + kIi + ". ").toUtf8();
        QCOMPARE(Run({"--to", "trans", Path("a.txt"), Path("b.txt")}).out, a + "ka\n");
        const Result r = Run({"--to=trans", Path("b.txt"), "-", "--", Path("b.txt")}, sample_);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, "ka\n" + a + "ka\n");
        QVERIFY(r.err.isEmpty());
        QCOMPARE(Run({"--to", "deva"}, sample_).out,
                 ("कि" + kAa + " " + kI + "'\r\n" + kEmoji + kIi + "।").toUtf8());
        QCOMPARE(Run({"--to", "lantsa"}, (kAa + kKi + "\n").toUtf8()).out, "A1/A2 KI\n");
        const Result empty = Run({"--to", "lantsa"});
        QVERIFY(empty.code == 0 && empty.out.isEmpty() && empty.err.isEmpty());
        QVERIFY(Run({"--help"}).out.startsWith("usage: orvanta-convert --to trans|deva|lantsa"));
    }

    void commandFailuresSayWhatAndWhere() {
        ExpectFailure(Run({"--to", "latin"}), 2, "unknown target \"latin\"");
        ExpectFailure(Run({Path("a.txt")}), 2, "no target");
        ExpectFailure(Run({"-x", "--to", "deva"}), 2, "unknown option -x");
        ExpectFailure(Run({"--to", "trans"}, sample_, "without"), 3, Path("without/orvbase.mdb"));
        ExpectFailure(Run({"--to", "trans"}, sample_, "junk"), 3, "reference database");
        ExpectFailure(Run({"--to", "trans", Path("none.txt")}), 4, Path("none.txt"));
        ExpectFailure(Run({"--to", "trans", dir_.path()}), 4, dir_.path());
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
