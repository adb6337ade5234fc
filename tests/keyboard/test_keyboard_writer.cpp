// The typing cycle end to end: keys in a keyboard window, glyphs in a real
// headless Writer document.
#include "app/Fonts.h"
#include "app/Program.h"
#include "app/SharedValues.h"
#include "keyboard/Keyboards.h"
#include "support/TestDatabase.h"
#include "word/TestOffice.h"
#include "word/WordBridge.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace orv;
using keyboard::ScriptKeyboard;

namespace {
const QString kKa = QString::fromUcs4(U"\U0001158E");
const QString kKaa = QString::fromUcs4(U"\U0001158E\U000115AF");
const QString kKi = QString::fromUcs4(U"\U0001158E\U000115B0");
}  // namespace

class KeyboardWriterTest : public QObject {
    Q_OBJECT
  private:
    word::test::TestOffice office_;
    std::unique_ptr<test::TestDatabase> db_;

    ScriptKeyboard& Open() {
        ScriptKeyboard& w = keyboard::frmSiddha().Get();
        w.show();
        w.activateWindow();
        [[maybe_unused]] bool active = QTest::qWaitForWindowActive(&w);
        return w;
    }

    // The document's text once the bridge has handed on everything given.
    QString DocumentText() {
        word::WordBridge::Shared().Flush();
        return office_.Text();
    }

  private slots:
    void initTestCase() {
        app::InstallFontSubstitutions();
        db_ = std::make_unique<test::TestDatabase>(std::map<QString, test::Rows>{
            {QStringLiteral("tbl_siddham"), {{"ka", kKa}, {"kā", kKaa}, {"ki", kKi}}},
            {QStringLiteral("tbl_keyboard"), {{"aa", "ā"}}}});
        QVERIFY2(db_->Ok(), qPrintable(db_->Error()));
        app::SetProgramFolderForTesting(db_->Folder());
        app::SetMessageHandlerForTesting([](const QString&) {});
        QVERIFY2(office_.Start(), "the headless office did not start");
        word::WordBridge::Shared().SetPipeName(office_.PipeName());
    }
    void init() {
        app::InsertSpace = 0;
        QVERIFY(office_.NewDocument());
    }
    void cleanup() {
        keyboard::frmSiddha().Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void typeAndCommit() {
        ScriptKeyboard& w = Open();
        QTest::keyClicks(w.TextBox1, "ka");
        QCOMPARE(w.CommandButton1[0]->text(), kKa);
        // F1 from the box: the first candidate, without a font of its own.
        QTest::keyClick(w.TextBox1, Qt::Key_F1);
        QCOMPARE(DocumentText(), kKa);
        QCOMPARE(w.TextBox1->selectedText(), QStringLiteral("ka"));
        // A click: the glyph in the script font follows it.
        QTest::keyClicks(w.TextBox1, "k");
        QTest::mouseClick(w.CommandButton1[1], Qt::LeftButton);
        QCOMPARE(DocumentText(), kKa + kKaa);
        QCOMPARE((DocumentText(), office_.TextBeforeCursor()), kKa + kKaa);
        DocumentText();
        const auto portions = office_.Portions();
        QVERIFY(!portions.isEmpty());
        QCOMPARE(portions.last().text, kKaa);
        QCOMPARE(portions.last().complex, QStringLiteral("siddam"));
        // The history holds both in order, the clipboard the last.
        QCOMPARE(w.TextBox2->toPlainText(), kKa + kKaa);
        QCOMPARE(QGuiApplication::clipboard()->text(), kKaa);
        // The next letter starts a new lookup.
        QTest::keyClicks(w.TextBox1, "k");
        QCOMPARE(w.TextBox1->text(), QStringLiteral("k"));
        QCOMPARE(w.Label7[2]->text(), QStringLiteral("ki"));
    }

    void paragraphTransliterationAndBlanks() {
        ScriptKeyboard& w = Open();
        app::InsertSpace = 1;
        QTest::keyClicks(w.TextBox1, "ki");
        QTest::keyClick(w.TextBox1, Qt::Key_F1);
        // Alt+Enter breaks the paragraph and leaves the box alone.
        QTest::keyClick(w.TextBox1, Qt::Key_Return, Qt::AltModifier);
        QCOMPARE(w.TextBox1->text(), QStringLiteral("ki"));
        // Shift+Enter writes the transliteration as typed.
        QTest::keyClick(w.TextBox1, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClick(w.TextBox1, Qt::Key_F1);
        QCOMPARE(DocumentText(), kKi + " \nki" + kKi + " ");
        // Shift+Enter with an empty box writes nothing.
        w.TextBox1->clear();
        QTest::keyClick(w.TextBox1, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(DocumentText(), kKi + " \nki" + kKi + " ");
    }

    void withoutWriterTheHistoryStillFollows() {
        word::WordBridge::Shared().SetPipeName(QStringLiteral("orvanta-nobody-listens"));
        ScriptKeyboard& w = Open();
        QTest::keyClicks(w.TextBox1, "k");
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(w.TextBox1, Qt::Key_F1);
        QTest::mouseClick(w.CommandButton1[1], Qt::LeftButton);
        QVERIFY(timer.elapsed() < 2000);
        QCOMPARE(w.TextBox2->toPlainText(), kKa + kKaa);
        QVERIFY(w.TextBox1->hasFocus());
        QCOMPARE(DocumentText(), QString());
        word::WordBridge::Shared().SetPipeName(office_.PipeName());
    }
};

QTEST_MAIN(KeyboardWriterTest)
#include "test_keyboard_writer.moc"
