// The bridge against a real headless Writer: text, font, cursor; no office or document, dead, hung.
#include "support/Glyphs.h"
#include "word/TestOffice.h"
#include "word/WordBridge.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>

#include <unistd.h>

using namespace orv::test::glyphs;
using namespace orv::word;
using orv::word::test::TestOffice;

static const QString kFont = QStringLiteral("Noto Sans Siddham");

static QList<TestOffice::Portion> InFont(const QList<TestOffice::Portion>& portions) {
    QList<TestOffice::Portion> found;
    for (const auto& p : portions)
        if (p.complex == kFont) found.append(p);
    return found;
}

class TestWordBridge : public QObject {
    Q_OBJECT
    TestOffice office_;
    std::unique_ptr<WordBridge> bridge_;

  private slots:
    void initTestCase() {
        QVERIFY2(office_.Start(), "the headless office did not start");
        bridge_ = std::make_unique<WordBridge>(office_.PipeName());
    }
    void init() {  // whatever an earlier case left: an office that runs and answers
        office_.Resume();
        if (office_.Pid() <= 0) QVERIFY(office_.Start());
    }

    void fontTextAndInsertionPoint() {
        // Latin, a syllable, a conjunct in halves (font+text, then blank), after a kept selection.
        const std::tuple<QString, bool, bool> rows[] = {
            {"ka", false, false}, {kKi, false, false}, {kKssa, true, false}, {kKssa, true, true}};
        for (const auto& [text, halves, selection] : rows) {
            QVERIFY(office_.NewDocument(QStringLiteral("Hello world")));
            office_.PlaceCursor(selection ? 0 : 5, selection ? 5 : 0);
            if (halves) {
                QCOMPARE(bridge_->InsertFontAndText(text, kFont).Wait(), Delivery::Done);
                QCOMPARE(office_.Text(), "Hello" + text + " world");
            }
            QCOMPARE((halves ? bridge_->InsertBlankAndMove(false)
                             : bridge_->InsertInFont(text, kFont, false))
                         .Wait(),
                     Delivery::Done);
            QCOMPARE(office_.Text(), "Hello" + text + " world");
            QCOMPARE(office_.TextBeforeCursor(), "Hello" + text);
            // The font covers exactly the inserted characters, in all three script classes.
            const auto inFont = InFont(office_.Portions());
            QCOMPARE(inFont.size(), 1);
            QVERIFY(inFont[0].text == text && inFont[0].western == kFont &&
                    inFont[0].asian == kFont);
        }
    }

    void commitsInOrderWithAndWithoutBlanks() {
        const std::pair<bool, QString> rows[] = {
            {false, kA + kAa + kI + kIi}, {true, kA + " " + kAa + " " + kI + " " + kIi + " "}};
        for (const auto& [blank, expected] : rows) {
            QVERIFY(office_.NewDocument(QStringLiteral("[]")));
            office_.PlaceCursor(1);
            // Handed over in one burst, they arrive in order.
            bridge_->InsertInFont(kA, kFont, blank);
            bridge_->InsertInFont(kAa, kFont, blank);
            bridge_->InsertFontAndText(kI, kFont);
            bridge_->InsertBlankAndMove(blank);
            QCOMPARE(bridge_->InsertInFont(kIi, kFont, blank).Wait(), Delivery::Done);
            QCOMPARE(office_.Text(), "[" + expected + "]");
            QCOMPARE(office_.TextBeforeCursor(), "[" + expected);
            const auto inFont = InFont(office_.Portions());
            QCOMPARE(inFont.size(), 1);  // blanks take the font with their text
            QCOMPARE(inFont[0].text, expected);
        }
    }

    void fontlessTextSelectionAndParagraphs() {
        QVERIFY(office_.NewDocument(QStringLiteral("Hello world")));
        office_.PlaceCursor(0, 5);  // a selection is neither replaced nor restyled
        bridge_->InsertInFont(kA, kFont, true);
        bridge_->InsertInFont(kAa, {}, true);  // no font: the formatting there (the script font)
        bridge_->InsertInFont(QString(), kFont, true);  // an empty button commits only the blank
        // InsertText: no font, no blank, and the insertion point follows.
        QCOMPARE(bridge_->InsertText(QStringLiteral("ka")).Wait(), Delivery::Done);
        QCOMPARE(office_.Text(), "Hello" + kA + " " + kAa + "  ka world");
        QCOMPARE(InFont(office_.Portions())[0].text, kA + " " + kAa + "  ka");
        office_.PlaceCursor(0, 3);  // a paragraph break after a selection deletes nothing
        QCOMPARE(bridge_->NewParagraph().Wait(), Delivery::Done);
        QCOMPARE(office_.TextBeforeCursor(), QStringLiteral("Hel\n"));
        QVERIFY(office_.Text().startsWith(QStringLiteral("Hel\nlo")));
        // The selection onto the clipboard; with none the clipboard keeps what it held.
        office_.PlaceCursor(4, 2);
        QCOMPARE(bridge_->CopySelection().Wait(), Delivery::Done);
        QCOMPARE(office_.ClipboardText(), "lo");
        office_.PlaceCursor(3);
        bridge_->CopySelection().Wait();
        QCOMPARE(office_.ClipboardText(), "lo");
    }

    void oddTextThenNoDocumentOrOffice() {
        QVERIFY(office_.NewDocument());
        QElapsedTimer timer;
        timer.start();
        for (const QString& odd : {QString(QChar(0xD804)), QString(QChar(0)), kKi.repeated(5000)})
            bridge_->InsertInFont(odd, kFont, false);
        QVERIFY2(timer.elapsed() < 50, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(bridge_->Flush());
        office_.CloseDocuments();
        QCOMPARE(bridge_->InsertInFont(kA, kFont, false).Wait(), Delivery::NoDocument);
        QCOMPARE(bridge_->Probe().Wait(), Delivery::NoDocument);
        QCOMPARE(bridge_->LastDelivery(), Delivery::NoDocument);
        QVERIFY(office_.NewDocument());  // a document that turns up is used at once
        QCOMPARE(bridge_->Probe().Wait(), Delivery::Done);
        QCOMPARE(bridge_->InsertInFont(kA, kFont, false).Wait(), Delivery::Done);
        QCOMPARE(office_.Text(), kA);  // the probe, the odd text and the refused wrote nothing
        office_.Kill();                // killed, then started again
        QCOMPARE(bridge_->InsertInFont(kAa, kFont, false).Wait(std::chrono::seconds(2)),
                 Delivery::NoOffice);
        QVERIFY(office_.Start() && office_.NewDocument());
        QCOMPARE(bridge_->InsertInFont(kI, kFont, false).Wait(), Delivery::Done);
        QCOMPARE(office_.Text(), kI);
        WordBridge nobody("orvtest-nobody-" + QString::number(::getpid()));  // quick, each time
        timer.restart();
        for (int i = 0; i < 5; ++i)
            QCOMPARE(nobody.InsertInFont(kA, kFont, false).Wait(), Delivery::NoOffice);
        QVERIFY2(timer.elapsed() < 300, qPrintable(QString::number(timer.elapsed())));
    }

    // A hung office never blocks the caller; what waits arrives in order, or drops past a window.
    void hungOfficeDeliversLateOrDrops() {
        WordBridge bridge(office_.PipeName(), std::chrono::milliseconds(2500));
        bridge_.reset();  // one bridge per office in a process
        QVERIFY(office_.NewDocument());
        QCOMPARE(bridge.InsertInFont(kA, kFont, false).Wait(), Delivery::Done);
        office_.Pause();
        QElapsedTimer handed;
        handed.start();
        bridge.InsertFontAndText(kAa, kFont);
        bridge.InsertBlankAndMove(false);
        bridge.NewParagraph();
        const Receipt last = bridge.InsertInFont(kI, kFont, false);
        QVERIFY2(handed.elapsed() < 20, qPrintable(QString::number(handed.elapsed())));
        QCOMPARE(last.Wait(std::chrono::seconds(1)), Delivery::Pending);
        office_.Resume();
        QCOMPARE(last.Wait(), Delivery::Done);
        QCOMPARE(office_.Text(), kA + kAa + "\n" + kI);
        office_.Pause();
        const Receipt late = bridge.InsertText(QStringLiteral("late"));
        QList<Receipt> burst;  // more than may wait
        for (int i = 0; i < WordBridge::kMaxWaiting + 2; ++i) burst << bridge.InsertText("x");
        // Each ends as dropped: pushed out of the queue, or past its window on a loaded machine;
        // none of them reaches the document.
        QCOMPARE(burst[0].Wait(), Delivery::TimedOut);
        QCOMPARE(late.Wait(), Delivery::TimedOut);
        QCOMPARE(burst.last().Wait(), Delivery::TimedOut);  // past every window
        office_.Resume();
        QCOMPARE(bridge.InsertText(QStringLiteral("on time")).Wait(), Delivery::Done);
        QCOMPARE(office_.Text(), kA + kAa + "\n" + kI + "on time");
    }

    // With the shared bridge connected a process ends cleanly: the app's end stops it, not exit.
    void programEndsCleanlyWithTheSharedBridge() {
        for (const QString office : {"listening", "hung", "gone"}) {
            init();
            QVERIFY(office_.NewDocument());
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {"--write-and-end", office_.PipeName(), office});
            QVERIFY(child.waitForStarted() && child.waitForReadyRead(15000));  // written, ending
            if (office == "hung") office_.Pause();
            if (office == "gone") office_.Kill();
            child.write("go\n");  // the child ends now
            QVERIFY(child.waitForFinished(15000) && child.exitStatus() == QProcess::NormalExit);
            QVERIFY2(child.exitCode() == 0, qPrintable(office));
            if (office == "listening") QCOMPARE(office_.Text(), QStringLiteral("x"));
        }
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4 || qstrcmp(argv[1], "--write-and-end") != 0) {
        TestWordBridge test;
        return QTest::qExec(&test, argc, argv);
    }
    // Write through the shared bridge, keep the connection, end once the parent has acted.
    WordBridge::Shared().SetPipeName(QString::fromLocal8Bit(argv[2]));
    const bool written = WordBridge::Shared().InsertText("x").Wait() == Delivery::Done;
    std::printf("%s\n", written ? "written" : "not written");
    std::fflush(stdout);
    std::getchar();
    if (qstrcmp(argv[3], "listening") != 0) WordBridge::Shared().InsertText("y");
    return written ? 0 : 3;
}

#include "tst_wordbridge.moc"
