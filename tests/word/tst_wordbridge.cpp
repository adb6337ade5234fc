// The document bridge against a real headless Writer: what lands in the
// document, with which font, where the insertion point ends up, and what
// happens when the office is missing, has no document, dies or hangs.
#include "app/SharedValues.h"
#include "support/Glyphs.h"
#include "word/TestOffice.h"
#include "word/WordBridge.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <cstdio>

#include <unistd.h>

#include <memory>

using namespace orv::test::glyphs;
using orv::word::Delivery;
using orv::word::Receipt;
using orv::word::WordBridge;
using orv::word::test::TestOffice;

namespace {

const QString kFont = QStringLiteral("Noto Sans Siddham");

// The portions whose complex-script font is `font`.
QList<TestOffice::Portion> InFont(const QList<TestOffice::Portion>& portions, const QString& font) {
    QList<TestOffice::Portion> found;
    for (const auto& p : portions) {
        if (p.complex == font) found.append(p);
    }
    return found;
}

}  // namespace

class TestWordBridge : public QObject {
    Q_OBJECT

    TestOffice office_;
    std::unique_ptr<WordBridge> bridge_;

  private slots:
    void initTestCase() {
        QVERIFY2(office_.Start(), "the headless office did not start");
        bridge_ = std::make_unique<WordBridge>(office_.PipeName());
    }
    void init() {
        orv::app::InsertSpace = 0;
        // Whatever an earlier case left: an office that runs and answers.
        office_.Resume();
        if (office_.Pid() <= 0) QVERIFY(office_.Start());
    }
    void cleanupTestCase() { bridge_.reset(); }

    void fontTextAndInsertionPoint_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("halves");
        QTest::newRow("latin") << QStringLiteral("ka") << false;
        QTest::newRow("siddham syllable") << kKi << false;
        QTest::newRow("siddham conjunct, two halves") << kKssa << true;
        QTest::newRow("over a selection, two halves") << kKssa << true;
    }
    void fontTextAndInsertionPoint() {
        QFETCH(QString, text);
        QFETCH(bool, halves);
        QVERIFY(office_.NewDocument(QStringLiteral("Hello world")));
        // Over a selection the text goes after it, and the selection is kept.
        const bool selection = QString(QTest::currentDataTag()).startsWith("over");
        office_.PlaceCursor(selection ? 0 : 5, selection ? 5 : 0);
        if (halves) {
            QCOMPARE(bridge_->InsertFontAndText(text, kFont).Wait(), Delivery::Done);
            QCOMPARE(office_.Text(), "Hello" + text + " world");
            QCOMPARE(bridge_->InsertBlankAndMove().Wait(), Delivery::Done);
        } else {
            QCOMPARE(bridge_->InsertInFont(text, kFont).Wait(), Delivery::Done);
        }
        QCOMPARE(office_.Text(), "Hello" + text + " world");
        QCOMPARE(office_.TextBeforeCursor(), "Hello" + text);
        // The font covers exactly the inserted characters, in all three
        // script classes.
        const auto inFont = InFont(office_.Portions(), kFont);
        QCOMPARE(inFont.size(), 1);
        QVERIFY(inFont[0].text == text && inFont[0].western == kFont && inFont[0].asian == kFont);
    }

    void commitsInOrderWithInsertSpace_data() {
        QTest::addColumn<int>("insertSpace");
        QTest::addColumn<QString>("expected");
        QTest::newRow("InsertSpace 0") << 0 << kA + kAa + kI + kIi;
        QTest::newRow("InsertSpace 1") << 1 << kA + " " + kAa + " " + kI + " " + kIi + " ";
        QTest::newRow("InsertSpace 2 is off") << 2 << kA + kAa + kI + kIi;
    }
    void commitsInOrderWithInsertSpace() {
        QFETCH(int, insertSpace);
        QFETCH(QString, expected);
        orv::app::InsertSpace = static_cast<std::int16_t>(insertSpace);
        QVERIFY(office_.NewDocument(QStringLiteral("[]")));
        office_.PlaceCursor(1);
        // Handed over in one burst: they arrive in order.
        bridge_->InsertInFont(kA, kFont);
        bridge_->InsertInFont(kAa, kFont);
        bridge_->InsertFontAndText(kI, kFont);
        bridge_->InsertBlankAndMove();
        QCOMPARE(bridge_->InsertInFont(kIi, kFont).Wait(), Delivery::Done);
        QCOMPARE(office_.Text(), "[" + expected + "]");
        QCOMPARE(office_.TextBeforeCursor(), "[" + expected);
        const auto inFont = InFont(office_.Portions(), kFont);
        QCOMPARE(inFont.size(), 1);  // blanks take the font with their text
        QCOMPARE(inFont[0].text, expected);
    }

    void fontlessTextSelectionAndParagraphs() {
        orv::app::InsertSpace = 1;
        QVERIFY(office_.NewDocument(QStringLiteral("Hello world")));
        // A selection is neither replaced nor restyled: text goes after it.
        office_.PlaceCursor(0, 5);
        bridge_->InsertInFont(kA, kFont);
        // No font: the text takes the formatting there (the script font).
        bridge_->InsertInFont(kAa, QString());
        // An empty button commits only the blank.
        bridge_->InsertInFont(QString(), kFont);
        // InsertText: no font, no blank, and the insertion point follows.
        QCOMPARE(bridge_->InsertText(QStringLiteral("ka")).Wait(), Delivery::Done);
        QCOMPARE(office_.Text(), "Hello" + kA + " " + kAa + "  ka world");
        // Fontless text continues the script font the commits left there.
        QCOMPARE(InFont(office_.Portions(), kFont)[0].text, kA + " " + kAa + "  ka");
        // A paragraph break after a selection deletes nothing.
        office_.PlaceCursor(0, 3);
        QCOMPARE(bridge_->NewParagraph().Wait(), Delivery::Done);
        QCOMPARE(office_.TextBeforeCursor(), QStringLiteral("Hel\n"));
        QVERIFY(office_.Text().startsWith(QStringLiteral("Hel\nlo")));
        // The selection onto the clipboard; with nothing selected the
        // clipboard keeps what it held.
        office_.PlaceCursor(4, 2);
        QCOMPARE(bridge_->CopySelection().Wait(), Delivery::Done);
        QCOMPARE(office_.ClipboardText(), "lo");
        office_.PlaceCursor(3);
        bridge_->CopySelection().Wait();
        QCOMPARE(office_.ClipboardText(), "lo");
    }

    void oddTextNeverHarmsTheBridge() {
        QVERIFY(office_.NewDocument());
        QElapsedTimer handed;
        handed.start();
        for (const QString& odd : {QString(QChar(0xD804)), QString(QChar(0)), kKi.repeated(5000)})
            bridge_->InsertInFont(odd, kFont);
        QVERIFY2(handed.elapsed() < 50, qPrintable(QString::number(handed.elapsed())));
        QVERIFY(bridge_->Flush());
        QVERIFY(office_.NewDocument());
        QCOMPARE(bridge_->InsertInFont(kA, kFont).Wait(), Delivery::Done);
        QCOMPARE(office_.Text(), kA);
    }

    // No document, no office, an office killed and started again.
    void withoutDocumentOrOffice() {
        office_.CloseDocuments();
        QCOMPARE(bridge_->InsertInFont(kA, kFont).Wait(), Delivery::NoDocument);
        QCOMPARE(bridge_->Probe().Wait(), Delivery::NoDocument);
        QCOMPARE(bridge_->LastDelivery(), Delivery::NoDocument);
        QVERIFY(office_.NewDocument());  // a document that turns up is used at once
        QCOMPARE(bridge_->Probe().Wait(), Delivery::Done);
        QCOMPARE(office_.Text(), QString());
        office_.Kill();
        QCOMPARE(bridge_->InsertInFont(kAa, kFont).Wait(std::chrono::seconds(2)),
                 Delivery::NoOffice);
        QVERIFY(office_.Start() && office_.NewDocument());
        QCOMPARE(bridge_->InsertInFont(kI, kFont).Wait(), Delivery::Done);
        QCOMPARE(office_.Text(), kI);

        WordBridge nobody(QStringLiteral("orvtest-nobody-%1").arg(::getpid()));
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 5; ++i)
            QCOMPARE(nobody.InsertInFont(kA, kFont).Wait(), Delivery::NoOffice);
        QVERIFY2(timer.elapsed() < 300, qPrintable(QString::number(timer.elapsed())));
    }

    // An office that stops answering never holds up the caller; what it
    // is given arrives in order once it answers within the window, and is
    // dropped after it.
    void hungOfficeDeliversLateOrDrops() {
        WordBridge bridge(office_.PipeName(), std::chrono::milliseconds(2500));
        bridge_.reset();  // one bridge per office in a process
        QVERIFY(office_.NewDocument());
        QCOMPARE(bridge.InsertInFont(kA, kFont).Wait(), Delivery::Done);
        office_.Pause();
        QElapsedTimer handed;
        handed.start();
        bridge.InsertFontAndText(kAa, kFont);
        bridge.InsertBlankAndMove();
        bridge.NewParagraph();
        const Receipt last = bridge.InsertInFont(kI, kFont);
        QVERIFY2(handed.elapsed() < 20, qPrintable(QString::number(handed.elapsed())));
        QTest::qWait(1000);
        QCOMPARE(last.Status(), Delivery::Pending);
        office_.Resume();
        QCOMPARE(last.Wait(), Delivery::Done);
        QCOMPARE(office_.Text(), kA + kAa + "\n" + kI);

        office_.Pause();
        const Receipt late = bridge.InsertText(QStringLiteral("late"));
        // More than may wait: the oldest go first.
        QList<Receipt> burst;
        for (int i = 0; i < WordBridge::kMaxWaiting + 2; ++i) burst << bridge.InsertText("x");
        QCOMPARE(burst[0].Wait(std::chrono::milliseconds(100)), Delivery::TimedOut);
        QCOMPARE(late.Wait(), Delivery::TimedOut);
        QTest::qWait(3000);  // past every window
        office_.Resume();
        QCOMPARE(bridge.InsertText(QStringLiteral("on time")).Wait(), Delivery::Done);
        QCOMPARE(office_.Text(), kA + kAa + "\n" + kI + "on time");
    }

    // The process ends cleanly with the program-wide bridge connected,
    // whatever the office does meanwhile; the bridge is stopped by the
    // application's end, not by a destructor at exit.
    void programEndsCleanlyWithTheSharedBridge_data() {
        QTest::addColumn<QString>("office");
        for (const char* office : {"listening", "hung", "gone"}) QTest::newRow(office) << office;
    }
    void programEndsCleanlyWithTheSharedBridge() {
        QFETCH(QString, office);
        QVERIFY(office_.NewDocument());
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {"--write-and-end", office_.PipeName(), office});
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForReadyRead(15000));  // written, and ending
        if (office == "hung") office_.Pause();
        if (office == "gone") office_.Kill();
        QVERIFY(child.waitForFinished(15000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        if (office == "listening") QCOMPARE(office_.Text(), QStringLiteral("x"));
    }
};

int main(int argc, char** argv) {
    if (argc == 4 && qstrcmp(argv[1], "--write-and-end") == 0) {
        // A program's life in brief: write through the shared bridge, keep
        // the connection, then end while the parent does something to the
        // office.
        QCoreApplication app(argc, argv);
        WordBridge::Shared().SetPipeName(QString::fromLocal8Bit(argv[2]));
        const bool written = WordBridge::Shared().InsertText("x").Wait() == Delivery::Done;
        std::printf("%s\n", written ? "written" : "not written");
        std::fflush(stdout);
        QTest::qWait(500);
        if (qstrcmp(argv[3], "listening") != 0) WordBridge::Shared().InsertText("y");
        return written ? 0 : 3;
    }
    QCoreApplication app(argc, argv);
    TestWordBridge test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_wordbridge.moc"
