// The document bridge against a real headless Writer: what lands in the
// document, with which font, where the insertion point ends up, and how the
// bridge behaves when the office is missing, has no document, dies or hangs.
#include "app/SharedValues.h"
#include "word/TestOffice.h"
#include "word/WordBridge.h"

#include <QElapsedTimer>
#include <QTest>

#include <unistd.h>

#include <memory>

using orv::word::WordBridge;
using orv::word::test::TestOffice;

namespace {

const QString kFont = QStringLiteral("Noto Sans Siddham");
// Siddham letters A, AA, I, II (one UTF-16 surrogate pair each), and a
// syllable ka + vowel sign i, and a conjunct k + virama + ssa.
const QString kA = QStringLiteral("\U00011580");
const QString kAa = QStringLiteral("\U00011581");
const QString kI = QStringLiteral("\U00011582");
const QString kIi = QStringLiteral("\U00011583");
const QString kKi = QStringLiteral("\U0001158E\U000115B0");
const QString kKssa = QStringLiteral("\U0001158E\U000115BF\U000115AC");

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

    // Runs an operation and answers how long the caller waited, in ms.
    template <class F>
    qint64 Timed(F&& operation) {
        QElapsedTimer timer;
        timer.start();
        operation();
        return timer.elapsed();
    }

  private slots:
    void initTestCase() {
        QVERIFY2(office_.Start(), "the headless office did not start");
        bridge_ = std::make_unique<WordBridge>(office_.PipeName());
    }

    void init() { orv::app::InsertSpace = 0; }

    void cleanupTestCase() { bridge_.reset(); }

    void fontTextAndInsertionPoint_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("halves");
        QTest::newRow("latin") << QStringLiteral("ka") << false;
        QTest::newRow("siddham letter") << kA << false;
        QTest::newRow("siddham syllable") << kKi << false;
        QTest::newRow("siddham conjunct") << kKssa << false;
        QTest::newRow("siddham conjunct, two halves") << kKssa << true;
    }

    void fontTextAndInsertionPoint() {
        QFETCH(QString, text);
        QFETCH(bool, halves);
        QVERIFY(office_.NewDocument(QStringLiteral("Hello world")));
        office_.PlaceCursor(5);
        if (halves) {
            QVERIFY(bridge_->InsertFontAndText(text, kFont));
            // The first half writes the text; the second only moves.
            QCOMPARE(office_.Text(), "Hello" + text + " world");
            QVERIFY(bridge_->InsertBlankAndMove());
        } else {
            QVERIFY(bridge_->InsertInFont(text, kFont));
        }
        QCOMPARE(office_.Text(), "Hello" + text + " world");
        QCOMPARE(office_.TextBeforeCursor(), "Hello" + text);
        QCOMPARE(office_.SelectedText(), QString());
        // The font covers exactly the inserted characters, in all three
        // script classes.
        const auto inFont = InFont(office_.Portions(), kFont);
        QCOMPARE(inFont.size(), 1);
        QCOMPARE(inFont[0].text, text);
        QCOMPARE(inFont[0].western, kFont);
        QCOMPARE(inFont[0].asian, kFont);
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
        QVERIFY(bridge_->InsertInFont(kA, kFont));
        QVERIFY(bridge_->InsertInFont(kAa, kFont));
        QVERIFY(bridge_->InsertFontAndText(kI, kFont));
        QVERIFY(bridge_->InsertBlankAndMove());
        QVERIFY(bridge_->InsertInFont(kIi, kFont));
        QCOMPARE(office_.Text(), "[" + expected + "]");
        QCOMPARE(office_.TextBeforeCursor(), "[" + expected);
        // Blanks take the font with their text.
        const auto inFont = InFont(office_.Portions(), kFont);
        QCOMPARE(inFont.size(), 1);
        QCOMPARE(inFont[0].text, expected);
    }

    void emptyFontNameAndEmptyText() {
        orv::app::InsertSpace = 1;
        QVERIFY(office_.NewDocument());
        QVERIFY(bridge_->InsertInFont(kA, kFont));
        // No font: the text takes the formatting at the insertion point,
        // here the script font the last commit left.
        QVERIFY(bridge_->InsertInFont(kAa, QString()));
        // An empty button commits only the blank.
        QVERIFY(bridge_->InsertInFont(QString(), kFont));
        QCOMPARE(office_.Text(), kA + " " + kAa + "  ");
        QCOMPARE(office_.TextBeforeCursor(), office_.Text());
        const auto portions = office_.Portions();
        QCOMPARE(InFont(portions, kFont).size(), 1);
        QCOMPARE(InFont(portions, kFont)[0].text, office_.Text());
    }

    void insertTextHasNoFontBlankOrMove() {
        orv::app::InsertSpace = 1;
        QVERIFY(office_.NewDocument(QStringLiteral("Hello world")));
        office_.PlaceCursor(5);
        QVERIFY(bridge_->InsertText(QStringLiteral("ka")));
        QCOMPARE(office_.Text(), QStringLiteral("Helloka world"));
        QVERIFY(InFont(office_.Portions(), kFont).isEmpty());
        // Writer keeps its insertion point after the text, so a commit
        // that follows lands after it.
        QVERIFY(bridge_->InsertInFont(kA, kFont));
        QCOMPARE(office_.Text(), "Helloka" + kA + "  world");
    }

    void selectionIsNeitherReplacedNorRestyled() {
        QVERIFY(office_.NewDocument(QStringLiteral("Hello world")));
        office_.PlaceCursor(0, 5);
        QCOMPARE(office_.SelectedText(), QStringLiteral("Hello"));
        QVERIFY(bridge_->InsertInFont(kA, kFont));
        QCOMPARE(office_.Text(), "Hello" + kA + " world");
        QCOMPARE(office_.TextBeforeCursor(), "Hello" + kA);
        QCOMPARE(office_.SelectedText(), QString());
        QCOMPARE(InFont(office_.Portions(), kFont).size(), 1);
        QCOMPARE(InFont(office_.Portions(), kFont)[0].text, kA);
    }

    void paragraphBreak() {
        QVERIFY(office_.NewDocument(QStringLiteral("Helloworld")));
        office_.PlaceCursor(5);
        QVERIFY(bridge_->NewParagraph());
        QCOMPARE(office_.Text(), QStringLiteral("Hello\nworld"));
        QCOMPARE(office_.TextBeforeCursor(), QStringLiteral("Hello\n"));
        QVERIFY(bridge_->InsertInFont(kA, kFont));
        QCOMPARE(office_.Text(), "Hello\n" + kA + "world");

        // With a selection the break goes after it; nothing is deleted.
        office_.PlaceCursor(0, 3);
        QVERIFY(bridge_->NewParagraph());
        QCOMPARE(office_.Text(), "Hel\nlo\n" + kA + "world");
        QCOMPARE(office_.TextBeforeCursor(), QStringLiteral("Hel\n"));
        QCOMPARE(office_.SelectedText(), QString());
    }

    void copySelection() {
        QVERIFY(office_.NewDocument("Hello " + kKi + " world"));
        office_.PlaceCursor(6, 2);
        QCOMPARE(office_.SelectedText(), kKi);
        QVERIFY(bridge_->CopySelection());
        QCOMPARE(office_.ClipboardText(), kKi);

        office_.PlaceCursor(0, 5);
        QVERIFY(bridge_->CopySelection());
        QCOMPARE(office_.ClipboardText(), QStringLiteral("Hello"));
        // Nothing selected: the clipboard keeps what it held.
        office_.PlaceCursor(3);
        bridge_->CopySelection();
        QCOMPARE(office_.ClipboardText(), QStringLiteral("Hello"));
    }

    void oddTextIsHandled() {
        QVERIFY(office_.NewDocument());
        const QString lone = QString(QChar(0xD804));  // half a surrogate pair
        const QString nul = QString(QChar(0));
        const QString longText = kKi.repeated(5000);
        for (const QString& text : {lone, nul, longText}) {
            const qint64 waited = Timed([&] { bridge_->InsertInFont(text, kFont); });
            QVERIFY2(waited <= WordBridge::CallBound().count() + 100,
                     qPrintable(QString::number(waited)));
        }
        QTest::qWait(WordBridge::QuietAfterHang().count());  // in case the long text timed out
        QVERIFY(office_.NewDocument());
        QVERIFY(bridge_->InsertInFont(kA, kFont));
        QCOMPARE(office_.Text(), kA);
    }

    void noDocument() {
        office_.CloseDocuments();
        for (int i = 0; i < 2; ++i) {
            const qint64 waited = Timed([&] {
                QVERIFY(!bridge_->InsertInFont(kA, kFont));
                QVERIFY(!bridge_->InsertFontAndText(kA, kFont));
                QVERIFY(!bridge_->InsertBlankAndMove());
                QVERIFY(!bridge_->InsertText(kA));
                QVERIFY(!bridge_->NewParagraph());
                QVERIFY(!bridge_->CopySelection());
            });
            QVERIFY2(waited < 300, qPrintable(QString::number(waited)));
        }
        // A document that turns up is used at once.
        QVERIFY(office_.NewDocument());
        QVERIFY(bridge_->InsertInFont(kA, kFont));
        QCOMPARE(office_.Text(), kA);
    }

    void noOffice() {
        WordBridge nobody(QStringLiteral("orvtest-nobody-%1").arg(::getpid()));
        for (int i = 0; i < 3; ++i) {
            const qint64 waited = Timed([&] {
                QVERIFY(!nobody.InsertInFont(kA, kFont));
                QVERIFY(!nobody.InsertFontAndText(kA, kFont));
                QVERIFY(!nobody.InsertBlankAndMove());
                QVERIFY(!nobody.InsertText(kA));
                QVERIFY(!nobody.NewParagraph());
                QVERIFY(!nobody.CopySelection());
            });
            QVERIFY2(waited < 300, qPrintable(QString::number(waited)));
        }
    }

    void officeKilledThenRestarted() {
        QVERIFY(office_.NewDocument());
        QVERIFY(bridge_->InsertInFont(kA, kFont));
        office_.Kill();
        const qint64 waited = Timed([&] {
            QVERIFY(!bridge_->InsertInFont(kAa, kFont));
            QVERIFY(!bridge_->NewParagraph());
            QVERIFY(!bridge_->CopySelection());
        });
        QVERIFY2(waited < 300, qPrintable(QString::number(waited)));

        QVERIFY(office_.Start());
        QVERIFY(office_.NewDocument());
        QVERIFY(bridge_->InsertInFont(kI, kFont));
        QCOMPARE(office_.Text(), kI);
    }

    void hungOfficeIsBounded() {
        QVERIFY(office_.NewDocument());
        QVERIFY(bridge_->InsertInFont(kA, kFont));
        office_.Pause();
        const qint64 first = Timed([&] { QVERIFY(!bridge_->InsertFontAndText(kAa, kFont)); });
        QVERIFY2(first < 1000, qPrintable(QString::number(first)));
        // The rest of the commit and what follows fail at once.
        const qint64 rest = Timed([&] {
            QVERIFY(!bridge_->InsertBlankAndMove());
            QVERIFY(!bridge_->InsertText(kAa));
            QVERIFY(!bridge_->NewParagraph());
            QVERIFY(!bridge_->CopySelection());
        });
        QVERIFY2(rest < 100, qPrintable(QString::number(rest)));
        // Still hung after the quiet time: bounded again.
        QTest::qWait(WordBridge::QuietAfterHang().count());
        const qint64 again = Timed([&] { QVERIFY(!bridge_->InsertInFont(kAa, kFont)); });
        QVERIFY2(again < 1000, qPrintable(QString::number(again)));

        office_.Resume();
        QTest::qWait(WordBridge::QuietAfterHang().count());
        QVERIFY(office_.NewDocument());
        QVERIFY(bridge_->InsertInFont(kI, kFont));
        QCOMPARE(office_.Text(), kI);
    }

    void programWideBridge() {
        QCOMPARE(WordBridge::DefaultPipeName(), QStringLiteral("orvanta%1").arg(::getuid()));
        WordBridge& shared = WordBridge::Shared();
        QCOMPARE(&shared, &WordBridge::Shared());
        QCOMPARE(shared.PipeName(), WordBridge::DefaultPipeName());
        // One connection per office in a process: the test's own bridge
        // lets go of it first. The shared one stays connected, so the
        // program ends with a live bridge.
        bridge_.reset();
        shared.SetPipeName(office_.PipeName());
        QVERIFY(office_.NewDocument());
        QVERIFY(shared.InsertInFont(kKi, kFont));
        QCOMPARE(office_.Text(), kKi);
    }
};

QTEST_GUILESS_MAIN(TestWordBridge)
#include "tst_wordbridge.moc"
