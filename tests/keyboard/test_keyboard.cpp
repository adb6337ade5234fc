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
    // Lists of 25, 24, 20 and 12 candidates for paging.
    const std::pair<const char*, int> lists[] = {{"pa", 25}, {"pb", 24}, {"pc", 20}, {"pd", 12}};
    for (const auto& [prefix, count] : lists) {
        for (int i = 0; i < count; ++i) {
            rows.append({QStringLiteral("%1%2").arg(prefix).arg(i, 2, 10, QChar('0')),
                         QStringLiteral("%1-%2").arg(prefix).arg(i)});
        }
    }
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

    void pagingThroughLists() {
        ScriptKeyboard& w = Open(keyboard::frmSiddha());
        // 25: pages of 12, 12 and 1; the last disables ">"; "<" enables it again.
        w.TextBox1->setText("pa");
        w.NextCandidatePage();
        QCOMPARE(w.CommandButton1[0]->text(), QStringLiteral("pa-12"));
        QVERIFY(w.tiep1->isEnabled() && w.tiep2->isEnabled());
        QVERIFY(w.CommandButton1[0]->hasFocus());
        w.NextCandidatePage();
        QCOMPARE(w.CommandButton1[0]->text(), QStringLiteral("pa-24"));
        QCOMPARE(w.CommandButton1[1]->text(), QString());
        QVERIFY(!w.tiep1->isEnabled());
        w.PreviousCandidatePage();
        QVERIFY(w.tiep1->isEnabled() && w.tiep2->isEnabled());
        w.PreviousCandidatePage();
        QCOMPARE(w.CurrentPage, 0);
        QVERIFY(!w.tiep2->isEnabled());

        // 24: the full second page leaves ">" on; one more shows an empty page.
        w.TextBox1->setText("pb");
        w.NextCandidatePage();
        QVERIFY(w.tiep1->isEnabled());
        w.NextCandidatePage();
        QCOMPARE(Captions(w), QStringList(12, QString()));
        QVERIFY(!w.tiep1->isEnabled());

        // 12: nothing to turn to; Page Down in the box does nothing.
        w.TextBox1->setText("pd");
        QTest::keyClick(w.TextBox1, Qt::Key_PageDown);
        QCOMPARE(w.CurrentPage, 0);
        QVERIFY(w.TextBox1->hasFocus());

        // Page Down and Page Up from the box turn pages when they can.
        w.TextBox1->setText("pa");
        QTest::keyClick(w.TextBox1, Qt::Key_PageDown);
        QCOMPARE(w.CurrentPage, 1);
        QTest::keyClick(w.CommandButton1[0], Qt::Key_PageUp);
        QCOMPARE(w.CurrentPage, 0);
    }

    void spaceOnACandidateTurnsPages() {
        ScriptKeyboard& w = Open(keyboard::frmSiddha());
        // 20: Space in the box moves to the first candidate, Space there
        // turns to page 2, where ">" is off and the focus stays on button 0.
        w.TextBox1->setText("pc");
        QTest::keyClick(w.TextBox1, Qt::Key_Space);
        QCOMPARE(w.TextBox1->text(), QStringLiteral("pc "));
        w.TextBox1->setText("pc");
        QTest::keyRelease(w.TextBox1, Qt::Key_Space);
        QVERIFY(w.CommandButton1[0]->hasFocus());
        QTest::keyClick(w.CommandButton1[0], Qt::Key_Space);
        QCOMPARE(w.CurrentPage, 1);
        QVERIFY(!w.tiep1->isEnabled());
        QVERIFY(w.CommandButton1[0]->hasFocus());
        // Space on the last page turns back and leaves the focus on "<"
        // while it stays enabled.
        w.TextBox1->setText("pa");
        w.NextCandidatePage();
        w.NextCandidatePage();
        QTest::keyClick(w.CommandButton1[0], Qt::Key_Space);
        QCOMPARE(w.CurrentPage, 1);
        QVERIFY(w.tiep2->hasFocus());
        // Space never commits the focused candidate.
        QCOMPARE(w.TextBox2->toPlainText(), QString());
        // A letter on a candidate goes back to the box with its text selected.
        QTest::keyClick(w.CommandButton1[0], Qt::Key_K);
        QVERIFY(w.TextBox1->hasFocus());
        QCOMPARE(w.TextBox1->selectedText(), QStringLiteral("pa"));
    }

    void commitsFillTheHistoryThroughTheClipboard() {
        ScriptKeyboard& w = Open(keyboard::frmSiddha());
        w.TextBox1->setText("pa");
        // No document to write to: the history and the focus still follow.
        QTest::keyClick(w.TextBox1, Qt::Key_F1);
        QTest::mouseClick(w.CommandButton1[1], Qt::LeftButton);
        QCOMPARE(w.TextBox2->toPlainText(), QStringLiteral("pa-0pa-1"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("pa-1"));
        QVERIFY(w.TextBox1->hasFocus());
        QCOMPARE(w.TextBox1->selectedText(), QStringLiteral("pa"));
        // F12 takes the twelfth button of the page on show.
        QTest::keyClick(w.TextBox1, Qt::Key_PageDown);
        QTest::keyClick(w.TextBox1, Qt::Key_F12);
        QVERIFY(w.TextBox2->toPlainText().endsWith(QStringLiteral("pa-23")));
        // An empty button adds a blank.
        w.TextBox1->setText("pd");
        w.TextBox1->setText("zzz");
        QTest::keyClick(w.TextBox1, Qt::Key_F3);
        QVERIFY(w.TextBox2->toPlainText().endsWith(QLatin1Char(' ')));
        // A whole Siddham glyph reaches the history, never half of it.
        w.TextBox1->setText("a");
        QTest::keyClick(w.TextBox1, Qt::Key_F1);
        QVERIFY(w.TextBox2->toPlainText().endsWith(Glyph(0)));
        // On a focused candidate F1-F9 commit without history; F10-F12 do nothing.
        const QString before = w.TextBox2->toPlainText();
        QTest::keyClick(w.CommandButton1[0], Qt::Key_F2);
        QTest::keyClick(w.CommandButton1[0], Qt::Key_F10);
        QCOMPARE(w.TextBox2->toPlainText(), before);
        // After a commit, typing a letter starts a new transliteration.
        QTest::keyClick(w.TextBox1, Qt::Key_F1);
        QTest::keyClicks(w.TextBox1, "k");
        QCOMPARE(w.TextBox1->text(), QStringLiteral("k"));
        QCOMPARE(w.Label7[0]->text(), QStringLiteral("ka00"));
    }

    void hintsFollowWithinATimerPeriod() {
        ScriptKeyboard& w = Open(keyboard::frmSiddha());
        w.TextBox1->setText("pa");
        w.NextCandidatePage();
        w.NextCandidatePage();
        QTRY_COMPARE_WITH_TIMEOUT(w.Label1[0]->text(), QStringLiteral("F1"), 150);
        QCOMPARE(w.Label1[1]->text(), QString());
        QCOMPARE(w.Label2->text(), QStringLiteral("Page 3"));
        QCOMPARE(w.Label1[0]->palette().color(QPalette::WindowText), QColor(Qt::black));
        w.TextBox1->setText("pb");
        QTRY_COMPARE_WITH_TIMEOUT(w.Label1[11]->text(), QStringLiteral("F12"), 150);
        QCOMPARE(w.Label2->text(), QStringLiteral("Page 1"));
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
