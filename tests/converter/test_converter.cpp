// The conversion engine and the converter window, on a database built for
// the test from its own small tables.
#include "ConverterData.h"
#include "app/Fonts.h"
#include "app/Program.h"
#include "app/SharedValues.h"
#include "app/Windows.h"
#include "converter/ConverterWindow.h"

#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextLayout>
#include <QTimer>

using namespace orv;
using namespace orv::test;
using converter::ConverterWindow;
using converter::SiddhamConverter;
using converter::Target;

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

class ConverterTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDatabase> db_;
    QStringList messages_;
    int ended_ = 0, mainShown_ = 0;

    ConverterWindow& Open() {
        ConverterWindow& w = converter::frmHVConv().Get();
        w.show();
        [[maybe_unused]] bool exposed = QTest::qWaitForWindowExposed(&w);
        return w;
    }
    static QString Convert(Target target, const QString& text) {
        return SiddhamConverter(target).ConvertAll(text, app::AppDatabase).value_or("<failed>");
    }
    static void Click(QPushButton* button, const QString& clipboard) {
        QGuiApplication::clipboard()->setText(clipboard);
        button->click();
    }
    static QString Text(QPlainTextEdit* box) { return ConverterWindow::BoxText(box); }

  private slots:
    void initTestCase() {
        app::InstallFontSubstitutions();
        db_ = std::make_unique<TestDatabase>(ConverterTables());
        QVERIFY2(db_->Ok(), qPrintable(db_->Error()));
        app::SetMessageHandlerForTesting([this](const QString& m) { messages_ << m; });
        app::SetEndProgramHandlerForTesting([this] { ++ended_; });
        app::SetShowMainWindow([this] { ++mainShown_; });
    }
    void init() {
        app::SetProgramFolderForTesting(db_->Folder());
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
        const QString rest =
            "x\r\n" + kEmoji + kNoRow + kKa + QStringLiteral("\U000115B1") + QChar(0xA0) + kKoNfd;
        QCOMPARE(Convert(Target::Trans, kKi + kAa + " " + kI + "\n" + kKVirama + kSsi + kDanda +
                                            kDoubleDanda + "'" + rest),
                 QStringLiteral("kiā/aa  i/ī /y \nkṣi. x, apos") + rest);
        QCOMPARE(Convert(Target::Deva, kKa + kKi + "'" + kDanda), QStringLiteral("ककि'।"));
        QCOMPARE(Convert(Target::Lantsa, kAa + kKi), "A1/A2 KI");
        // Repeats come from the per-conversion cache: same as a fresh lookup.
        QCOMPARE(Convert(Target::Trans, kKo + kKoNfd + kKo + "aA" + kKo), "ko" + kKoNfd + "koaAko");
    }

    void chunksStopsAndFailures() {
        QStringList chunks;
        QString error;
        auto run = [&](
                       const QString& text,
                       const std::function<bool()>& goOn = [] { return true; }) {
            chunks.clear();
            return SiddhamConverter(Target::Trans)
                .Convert(
                    text, app::AppDatabase,
                    [&](const QString& out) { return chunks << out, goOn(); }, &error);
        };
        run(kKi.repeated(30));  // thirty syllables of two code points
        QCOMPARE(chunks, QStringList{QStringLiteral("ki").repeated(30)});
        run(kKa.repeated(30) + kAa);
        QCOMPARE(chunks, (QStringList{QStringLiteral("ka").repeated(30), "ā/aa "}));
        QCOMPARE(run(kKa.repeated(100), [&] { return chunks.size() < 2; }),
                 SiddhamConverter::Outcome::Stopped);
        QCOMPARE(chunks.size(), 2);
        // Between chunks the shared database may be re-opened elsewhere (the
        // next chunk reads the new one) or be gone (the chunk is dropped).
        TestDatabase other({{QStringLiteral("tbl_siddham_trans"), {{kKi, "KI2"}}}});
        const auto outcome = run(kKa.repeated(30) + kKi.repeated(45), [&] {
            app::SetProgramFolderForTesting(other.Folder());
            if (chunks.size() == 1) return app::OpenAppDatabase();
            app::AppDatabase.reset();
            return true;
        });
        QCOMPARE(outcome, SiddhamConverter::Outcome::Failed);
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
        QCOMPARE(Text(w.TextBox2), QStringLiteral("क\u00A0कि "));
        w.CommandButton4->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("क\u00A0कि "));
        QCOMPARE(w.TextBox2->textCursor().selectedText().size(), 5);

        QGuiApplication::clipboard()->clear();
        w.CommandButton3->click();
        QCOMPARE(Text(w.TextBox2), " ");
        QCOMPARE(w.TextBox2->textCursor().position(), 0);
        Click(w.CommandButton3, kKa.repeated(44) + "'" + kKa);  // apostrophe at 45
        QCOMPARE(Text(w.TextBox2), QStringLiteral("ka").repeated(44) + "aposka ");
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
        QTimer::singleShot(0, [] { QVERIFY(app::OpenAppDatabase()); });
        QTimer::singleShot(5, &w, [&w] { w.close(); });
        Click(w.CommandButton3, text);
        QCOMPARE(mainShown_, 1);
        QVERIFY(!converter::frmHVConv().Exists());

        // A failing conversion keeps the chunks handed on, then the blank.
        ConverterWindow& next = Open();
        QTimer::singleShot(0, [] { app::AppDatabase.reset(); });
        Click(next.CommandButton3, kKa.repeated(95));
        QCOMPARE(Text(next.TextBox2), QStringLiteral("ka").repeated(30) + " ");
    }

    void loadAndUnload() {
        Click(Open().CommandButton2, kKa);
        converter::frmHVConv()->close();
        QCOMPARE(mainShown_, 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ConverterWindow& again = Open();  // fresh, and the database opens
        QVERIFY(Text(again.TextBox2).startsWith("Copy siddham text") &&
                Text(again.TextBox4).isEmpty());
        QVERIFY(messages_.isEmpty());
        again.close();
        app::SetProgramFolderForTesting("/nonexistent");
        Open();
        QCOMPARE(messages_, (QStringList{"unexpected error", "Disconnected"}));
        QCOMPARE(ended_, 1);
    }
};

QTEST_MAIN(ConverterTest)
#include "test_converter.moc"
