// The keyboard windows on a small database of the test's own: lookup and
// candidate arrays, the keyboard map, lifecycle and window commands.
#include "app/Fonts.h"
#include "app/Program.h"
#include "app/SharedValues.h"
#include "app/Windows.h"
#include "keyboard/Keyboards.h"
#include "support/TestDatabase.h"

#include <QClipboard>
#include <QFontInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace orv;
using keyboard::ScriptKeyboard;

namespace {

QString Glyph(int n) { return QString::fromUcs4(U"\U0001158E") + QString::number(n); }

test::Rows SiddhamRows() {
    test::Rows rows;
    // 30 rows starting with "a" or "A", in scrambled order.
    for (int i = 29; i >= 0; --i) {
        rows.append(
            {(i % 2 ? "A" : "a") + QStringLiteral("%1").arg(i, 2, 10, QChar('0')), Glyph(i)});
    }
    for (int i = 0; i < 12; ++i)
        rows.append({QStringLiteral("ka%1").arg(i, 2, 10, QChar('0')), Glyph(i)});
    for (int i = 0; i < 13; ++i)
        rows.append({QStringLiteral("ta%1").arg(i, 2, 10, QChar('0')), Glyph(i)});
    for (int i = 0; i < 1005; ++i)
        rows.append({QStringLiteral("m%1").arg(i, 4, 10, QChar('0')), Glyph(i)});
    rows.append({QStringLiteral("ā"), QStringLiteral("long a")});
    rows.append({QStringLiteral("ṭa"), QStringLiteral("retroflex")});
    rows.append({QStringLiteral("it's"), QStringLiteral("apostrophe")});
    rows.append({QStringLiteral("e "), QStringLiteral("e blank")});
    return rows;
}

// The keyboard windows against a database built for this test.
class KeyboardFixture {
  public:
    KeyboardFixture()
        : db_({{QStringLiteral("tbl_siddham"), SiddhamRows()},
               {QStringLiteral("tbl_lantsa"), {{"ka", "क"}, {"kha", "ख"}}},
               {QStringLiteral("tbl_keyboard"),
                {{"aa", "ā"},
                 {".t", "ṭ"},
                 {"kk", "first"},
                 {"kk", "last"},
                 {"ab", "ba"},
                 {"ba", "ab"},
                 {"o", "ō"}}}}) {}
    test::TestDatabase db_;
};

}  // namespace

class KeyboardTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<KeyboardFixture> fixture_;
    QStringList messages_;
    int ended_ = 0;
    int mainShown_ = 0;

    ScriptKeyboard& Open(app::SharedWindow<ScriptKeyboard>& shared) {
        ScriptKeyboard& w = shared.Get();
        w.show();
        w.activateWindow();
        [[maybe_unused]] bool active = QTest::qWaitForWindowActive(&w);
        return w;
    }
    static QStringList Captions(const ScriptKeyboard& w) {
        QStringList out;
        for (QPushButton* b : w.CommandButton1) out << b->text();
        return out;
    }
    static void Type(ScriptKeyboard& w, const QString& text) {
        for (QChar c : text) {
            QTest::sendKeyEvent(QTest::Press, w.TextBox1, Qt::Key_unknown, QString(c), {});
            QTest::sendKeyEvent(QTest::Release, w.TextBox1, Qt::Key_unknown, QString(c), {});
        }
    }

  private slots:
    void initTestCase() {
        app::InstallFontSubstitutions();
        fixture_ = std::make_unique<KeyboardFixture>();
        QVERIFY2(fixture_->db_.Ok(), qPrintable(fixture_->db_.Error()));
        app::SetProgramFolderForTesting(fixture_->db_.Folder());
        app::SetMessageHandlerForTesting([this](const QString& m) { messages_ << m; });
        app::SetEndProgramHandlerForTesting([this] { ++ended_; });
        app::SetShowMainWindow([this] { ++mainShown_; });
    }
    void cleanup() {
        keyboard::frmSiddha().Unload();
        keyboard::frmLantsa().Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        messages_.clear();
        ended_ = 0;
        mainShown_ = 0;
        app::SetProgramFolderForTesting(fixture_->db_.Folder());
    }

    void controlsAndFonts() {
        ScriptKeyboard& w = Open(keyboard::frmSiddha());
        QCOMPARE(w.windowTitle(), QStringLiteral("Orvanta"));
        QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(w.size(), QSize(707, 82));
        QCOMPARE(w.CommandButton1[0]->geometry(), QRect(88, 27, 40, 40));
        QCOMPARE(w.CommandButton1[11]->geometry().left(), 88 + 48 * 11);
        QCOMPARE(w.TextBox1->geometry(), QRect(9, 27, 67, 25));
        QCOMPARE(w.Label8->text(), QStringLiteral("Transliteration"));
        QVERIFY(!w.tiep1->isEnabled() && !w.tiep2->isEnabled());
        QVERIFY(w.TextBox1->hasFocus());
        // The script font by its name, resolved to a real Siddham font.
        QCOMPARE(w.CommandButton1[0]->font().family(), QStringLiteral("siddam"));
        QCOMPARE(w.CommandButton1[0]->font().pointSize(), 20);
        QCOMPARE(QFontInfo(w.CommandButton1[0]->font()).family(),
                 QStringLiteral("Noto Sans Siddham"));
        QCOMPARE(w.TextBox2->font().family(), QStringLiteral("siddam"));

        ScriptKeyboard& l = Open(keyboard::frmLantsa());
        QCOMPARE(l.height(), 81);
        QCOMPARE(l.CommandButton1[0]->font().family(), QStringLiteral("Ranjana"));
        QCOMPARE(l.CommandButton1[0]->font().pointSize(), 26);
        QVERIFY(QFontInfo(l.CommandButton1[0]->font())
                    .family()
                    .contains(QStringLiteral("Devanagari")) ||
                QFontInfo(l.CommandButton1[0]->font()).family() == QStringLiteral("Ranjana"));
    }

    void lookupFillsTheFirstPage() {
        ScriptKeyboard& w = Open(keyboard::frmSiddha());
        Type(w, "a");
        // Prefix, case-insensitive, in order; a 13th match enables ">".
        QCOMPARE(w.Label7[0]->text(), QStringLiteral("a00"));
        QCOMPARE(w.Label7[1]->text(), QStringLiteral("A01"));
        QCOMPARE(w.Label7[11]->text(), QStringLiteral("A11"));
        QCOMPARE(w.CommandButton1[0]->text(), Glyph(0));
        QVERIFY(w.tiep1->isEnabled());
        QVERIFY(!w.tiep2->isEnabled());
        QCOMPARE(w.TextBox3->text(), QStringLiteral("a"));

        // Exactly twelve: all buttons filled, ">" stays disabled.
        w.TextBox1->setText("ka");
        QVERIFY(!Captions(w).contains(QString()));
        QVERIFY(!w.tiep1->isEnabled());
        w.TextBox1->setText("ta");
        QVERIFY(w.tiep1->isEnabled());

        // No match, and an emptied box, leave nothing behind.
        w.TextBox1->setText("zzz");
        QCOMPARE(Captions(w), QStringList(12, QString()));
        QVERIFY(!w.tiep1->isEnabled());
        w.TextBox1->setText("a");
        w.TextBox1->setText(QString());
        QCOMPARE(Captions(w), QStringList(12, QString()));
        QCOMPARE(w.Label7[0]->text(), QString());

        // A trailing blank only matches a blank there; an apostrophe is text.
        w.TextBox1->setText("e ");
        QCOMPARE(w.CommandButton1[0]->text(), QStringLiteral("e blank"));
        w.TextBox1->setText("it'");
        QCOMPARE(w.CommandButton1[0]->text(), QStringLiteral("apostrophe"));
    }

    void longListsAndStaleCandidates() {
        ScriptKeyboard& w = Open(keyboard::frmSiddha());
        // More than 1001 matches: the first 1001 are kept and shown.
        w.TextBox1->setText("m");
        QCOMPARE(w.Label7[0]->text(), QStringLiteral("m0000"));
        QVERIFY(w.tiep1->isEnabled());
        QCOMPARE(w.Candidates.Reading(1000), QStringLiteral("m1000"));
        QCOMPARE(w.Candidates.Glyph(1001), QString());
        // A shorter list after it leaves nothing of the longer one.
        w.TextBox1->setText("m00");
        QCOMPARE(w.Candidates.Reading(99), QStringLiteral("m0099"));
        QCOMPARE(w.Candidates.Glyph(100), QString());
        QCOMPARE(w.Candidates.Glyph(500), QString());
        QCOMPARE(w.Candidates.Reading(900), QString());
    }

    void keyboardMap() {
        ScriptKeyboard& w = Open(keyboard::frmSiddha());
        // A pair after other text becomes its display text, and the lookup
        // runs on the result.
        Type(w, ".t");
        QCOMPARE(w.TextBox1->text(), QStringLiteral("ṭ"));
        Type(w, "a");
        QCOMPARE(w.CommandButton1[0]->text(), QStringLiteral("retroflex"));
        w.TextBox1->clear();
        Type(w, "xaa");
        QCOMPARE(w.TextBox1->text(), QStringLiteral("xā"));
        // One character alone is never looked up; a pair that is no key
        // stays as typed.
        w.TextBox1->clear();
        Type(w, "o");
        QCOMPARE(w.TextBox1->text(), QStringLiteral("o"));
        Type(w, "q");
        QCOMPARE(w.TextBox1->text(), QStringLiteral("oq"));
        // A letter and a blank are looked up as the letter alone.
        w.TextBox1->setText("xo");
        Type(w, " ");
        QCOMPARE(w.TextBox1->text(), QStringLiteral("xō"));
        // Several rows for one key: the last one wins.
        w.TextBox1->setText("k");
        Type(w, "k");
        QCOMPARE(w.TextBox1->text(), QStringLiteral("last"));
        // A cyclic map ends.
        w.TextBox1->setText("x");
        Type(w, "ab");
        QVERIFY(w.TextBox1->text() == "xab" || w.TextBox1->text() == "xba");
        QVERIFY(w.Map.MapDisplay.isEmpty() || w.Map.MapDisplay == "ab" || w.Map.MapDisplay == "ba");
    }

    void positionIsSharedByBothWindows() {
        app::LastKeyboardLeft.reset();
        app::LastKeyboardTop.reset();
        ScriptKeyboard& s = Open(keyboard::frmSiddha());
        s.move(100, 200);
        keyboard::frmSiddha().Unload();
        QCOMPARE(*app::LastKeyboardLeft, 1500.0f);
        QCOMPARE(*app::LastKeyboardTop, 3000.0f);
        ScriptKeyboard& l = Open(keyboard::frmLantsa());
        QCOMPARE(l.pos(), QPoint(100, 200));
    }

    void windowCommands() {
        ScriptKeyboard& w = Open(keyboard::frmSiddha());
        w.Command6->click();
        QCOMPARE(w.height(), 267);
        QVERIFY(w.TextBox1->hasFocus());
        w.Command5->click();
        QCOMPARE(w.height(), 81);
        w.TextBox2->setPlainText(QStringLiteral("history"));
        w.Command1->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("history"));
        w.Command4->click();
        QCOMPARE(w.TextBox2->toPlainText(), QString());
        // "x" brings up the main window and unloads the keyboard.
        w.mmandButton2->click();
        QCOMPARE(mainShown_, 1);
        QVERIFY(!keyboard::frmSiddha().Exists());
    }

    void activationReopensTheDatabaseAndKeepsThePage() {
        ScriptKeyboard& w = Open(keyboard::frmSiddha());
        w.TextBox1->setText("a");
        w.NextCandidatePage();
        QCOMPARE(w.CurrentPage, 1);
        const data::Database* before = app::AppDatabase.get();
        ScriptKeyboard& other = Open(keyboard::frmLantsa());
        QVERIFY(app::AppDatabase.get() != before);
        other.hide();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(w.CurrentPage, 1);
        QCOMPARE(w.Label7[0]->text(), QStringLiteral("a12"));
        QVERIFY(messages_.isEmpty());
    }

    void brokenDatabaseEndsTheProgram() {
        app::SetProgramFolderForTesting(fixture_->db_.Folder() + "/missing");
        Open(keyboard::frmSiddha());
        QCOMPARE(messages_, QStringList({"unexpected error", "Cannot continue"}));
        QCOMPARE(ended_, 1);
    }
};

QTEST_MAIN(KeyboardTest)
#include "test_keyboard.moc"
