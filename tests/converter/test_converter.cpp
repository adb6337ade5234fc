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
    int ended_ = 0;
    QTemporaryDir dir_;  // the files, and a copy of the command with no database beside it
    const QByteArray sample_ = (kKi + kAa + " " + kI + "'\r\n" + kEmoji + kIi + kDanda).toUtf8(),
                     big_ = "line\n" + QByteArray(65529, 'x');  // ka across the first block
    // Runs a shell line in dir_ ("$1"), "$0" a copy of the command beside the database.
    std::tuple<int, QByteArray, QByteArray> Run(const QString& line, const QByteArray& in = {}) {
        QProcess p;
        p.setWorkingDirectory(dir_.path());
        p.start("/bin/sh", {"-c", line, db_.Folder() + "/orvanta-convert", dir_.path()});
        p.write(in);
        p.closeWriteChannel();
        const bool ended = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit;
        return {ended ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
    }
    // Its status and output, and on failure one line on standard error saying `what`.
    void Expect(const QString& line, const QByteArray& in, int code, QString what,
                const QByteArray& out) {
        const auto [status, got, err] = Run(line, in);
        what.replace("$1", dir_.path());
        QVERIFY2(status == code && got == out, qPrintable(line + ": " + got));
        QVERIFY2(what.isEmpty() ? err.isEmpty()
                                : err.startsWith("orvanta-convert: ") && err.count('\n') == 1 &&
                                      err.endsWith('\n') && QString::fromUtf8(err).contains(what),
                 qPrintable(line + ": " + err));
    }

  private slots:
    void initTestCase() {
        QVERIFY2(db_.Ok(), qPrintable(db_.Error()));
        app::SetMessageHandlerForTesting([this](const QString& m) { messages_ << m; });
        app::SetEndProgramHandlerForTesting([this](int status) { ended_ += status; });
        const QString built = qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin/orvanta-convert";
        for (const QString& dir : {db_.Folder(), dir_.path()})
            QVERIFY(QFile::copy(built, dir + "/orvanta-convert"));
        for (const auto& [name, bytes] : {std::pair<QString, QByteArray>{"a.txt", sample_},
                                          {"b.txt", (kKa + "\n").toUtf8()},
                                          {"empty.txt", {}},
                                          {"c.txt", "ab\ncd\xffx"},
                                          {"big.txt", big_ + kKa.toUtf8() + "\nyy\xff"}}) {
            QFile file(dir_.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        }
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
        const QString noSpace = "cannot write to standard output: No space left on device",
                      in = "standard input: ";
        const QString at = "not valid UTF-8 at byte %1 (line %2, byte %3 of the line)";
        // Shell line, standard input, status, what standard error says, standard output.
        const std::tuple<QString, QByteArray, int, QString, QByteArray> calls[] = {
            {R"("$0" --to trans a.txt b.txt)", {}, 0, "", a + "ka\n"},
            {R"("$0" --to=trans b.txt - -- b.txt)", sample_, 0, "", "ka\n" + a + "ka\n"},
            {R"("$0" --to deva)", (kKa + kDanda).toUtf8(), 0, "", "क।"},
            {R"("$0" --to lantsa)", (kAa + kKi).toUtf8(), 0, "", "A1/A2 KI"},
            {R"("$0" --to lantsa)", {}, 0, "", {}},  // no input
            {R"("$0" --to trans empty.txt)", {}, 0, "", {}},
            {R"("$0" --to latin)", {}, 2, "unknown target \"latin\"", {}},
            {R"("$0" a.txt)", {}, 2, "no target", {}},
            {R"("$0" -x --to deva)", {}, 2, "unknown option -x", {}},
            {R"(./orvanta-convert --to trans)", sample_, 3, "no orvbase.mdb in $1 nor in", {}},
            {R"("$0" --to trans none.txt)", {}, 4, "none.txt", {}},
            // An unopenable file fails before any output; a bad byte after the text before it.
            {R"("$0" --to trans a.txt "$1")", {}, 4, "cannot read $1: it is a directory", {}},
            {R"("$0" --to trans b.txt c.txt)",
             {},
             4,
             "c.txt: " + at.arg("6", "2", "3"),
             "ka\nab\ncd"},
            {R"("$0" --to deva)", "\xff" + kKa.toUtf8(), 4, in + at.arg("1", "1", "1"), {}},
            {R"("$0" --to deva)", "\xc0\xaf", 4, in + "not valid UTF-8", {}},
            {R"("$0" --to deva)", "\xed\xa0\x80", 4, in + "not valid UTF-8", {}},
            {R"("$0" --to deva)", "\xf4\x90\x80\x80", 4, in + "not valid UTF-8", {}},
            {R"("$0" --to deva)", "ka\xe0\xa4", 4, in + "not valid UTF-8", "ka"},
            // Past the first block: a letter across it converts, a bad byte is placed in the file.
            {R"("$0" --to trans big.txt)", {}, 4, at.arg("65542", "3", "3"), big_ + "ka\nyy"},
            // Output that cannot be written, closed standard streams: a status and a message.
            {R"("$0" --help >/dev/full)", {}, 1, noSpace, {}},
            {R"("$0" --to deva a.txt >/dev/full)", {}, 1, noSpace, {}},
            {R"("$0" --to trans a.txt >&-)", {}, 1, "standard output is closed", {}},
            {R"("$0" --help >&-)", {}, 1, "standard output is closed", {}},
            {R"("$0" --to trans <&-)", {}, 4, "cannot read standard input: it is closed", {}}};
        for (const auto& [line, input, code, what, out] : calls)
            Expect(line, input, code, what, out);
        QVERIFY(get<1>(Run(R"("$0" --help)"))
                    .startsWith("usage: orvanta-convert --to trans|deva|lantsa"));
    }

    void databaseLackingAColumnFailsToOpen() {
        {
            auto db = data::Database::Open(dir_.filePath("orvbase.mdb"), data::kDatabasePassphrase,
                                           data::Database::Mode::CreateNew);
            for (const auto& [table, columns] : data::Database::ReferenceColumns()) {
                const QString kept = table == "tbl_siddham_trans" ? "siddham" : columns.join(',');
                QVERIFY(db && db->Execute({"create table " + table + " (" + kept + ")", {}}));
            }
        }
        Expect(R"(./orvanta-convert --to trans)", {}, 3,
               "table tbl_siddham_trans has no column trans", {});
    }
};

QTEST_MAIN(ConverterTest)
#include "test_converter.moc"
