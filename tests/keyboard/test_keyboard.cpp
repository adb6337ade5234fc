// The keyboard windows on a small database of the test's own: lookup,
// paging, the keyboard map, commits, lifecycle and dragging; and glyphs
// drawn whole, on the built reference database.
#include "app/Fonts.h"
#include "app/Program.h"
#include "app/SharedValues.h"
#include "app/Windows.h"
#include "keyboard/Keyboards.h"
#include "support/Glyphs.h"
#include "support/TestDatabase.h"
#include "support/WindowDriver.h"

#include <QClipboard>
#include <QFontInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace orv;
using namespace orv::test;
using keyboard::ScriptKeyboard;

namespace {

QString Glyph(int n) { return glyphs::kKa + QString::number(n); }

Rows SiddhamRows() {
    Rows rows{{"ṭa", "retroflex"}, {"it's", "apostrophe"}, {"e ", "e blank"}};
    // "m0000" to "M1004", alternating case, in reverse order.
    for (int i = 1004; i >= 0; --i)
        rows.append({QString::asprintf("%c%04d", "mM"[i % 2], i), Glyph(i)});
    // Lists of 25, 24, 13 and 12 candidates: "pa-0" to "pe-11".
    for (const auto& [list, count] :
         std::map<char, int>{{'a', 25}, {'b', 24}, {'d', 13}, {'e', 12}}) {
        const QString p = QString("p") + list;
        for (int i = 0; i < count; ++i)
            rows.append({p + QString::asprintf("%02d", i), p + "-" + QString::number(i)});
    }
    return rows;
}

// A left-button mouse event at a global position, sent straight to a widget.
void Mouse(QWidget* target, QEvent::Type type, QPoint at) {
    const auto button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const auto held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, target->mapFromGlobal(QPointF(at)), QPointF(at), button, held, {});
    QApplication::sendEvent(target, &event);
}

}  // namespace

class KeyboardTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDatabase> db_;
    QStringList messages_;
    int ended_ = 0, mainShown_ = 0;

    static ScriptKeyboard& Siddham() { return Open(keyboard::frmSiddha().Get()); }

  private slots:
    void initTestCase() {
        app::InstallFontSubstitutions();
        const Rows keys{{"aa", "ā"},  {".t", "ṭ"},  {"kk", "first"}, {"kk", "last"},
                        {"ab", "ba"}, {"ba", "ab"}, {"o", "ō"}};
        db_ = std::make_unique<TestDatabase>(
            std::map<QString, Rows>{{"tbl_siddham", SiddhamRows()}, {"tbl_keyboard", keys}});
        QVERIFY2(db_->Ok(), qPrintable(db_->Error()));
        app::SetProgramFolderForTesting(db_->Folder());
        app::SetMessageHandlerForTesting([this](const QString& m) { messages_ << m; });
        app::SetEndProgramHandlerForTesting([this] { ++ended_; });
        app::SetShowMainWindow([this] { ++mainShown_; });
    }
    void cleanup() {
        keyboard::frmSiddha().Unload();
        keyboard::frmLantsa().Unload();
        Settle();
        app::SetProgramFolderForTesting(db_->Folder());
        messages_.clear();
        ended_ = mainShown_ = 0;
    }

    void lookupAndTheCandidateArrays() {
        ScriptKeyboard& w = Siddham();
        // No title bar, always on top, the caret in the box, no page to turn.
        QVERIFY(w.windowFlags().testFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint));
        QVERIFY(w.TextBox1->hasFocus() && !w.tiep1->isEnabled() && !w.tiep2->isEnabled());
        // By prefix, case-insensitive, in order; the box is mirrored for Shift+Enter.
        Type(w.TextBox1, "m");
        QCOMPARE(Captions(w.Label7).mid(0, 3), QStringList({"m0000", "M0001", "m0002"}));
        QVERIFY(w.CommandButton1[0]->text() == Glyph(0) && w.TextBox3->text() == "m");
        // Of more than 1001 matches the first 1001 are kept; a shorter list
        // after them leaves nothing of the longer one.
        QCOMPARE(w.Candidates.Reading(1000), "m1000");
        w.TextBox1->setText("m00");
        QCOMPARE(w.Candidates.Reading(99), "M0099");
        for (int stale : {100, 500, 1000}) QCOMPARE(w.Candidates.Glyph(stale), QString());
        // No match, and an emptied box, leave nothing behind.
        for (const char* text : {"zzz", ""}) {
            w.TextBox1->setText("m");
            w.TextBox1->setText(text);
            QCOMPARE(Captions(w.CommandButton1) + Captions(w.Label7), QStringList(24, ""));
            QVERIFY(!w.tiep1->isEnabled());
        }
        // A trailing blank only matches a blank there; an apostrophe is text.
        for (const auto& [text, first] :
             std::map<QString, QString>{{"e ", "e blank"}, {"it'", "apostrophe"}}) {
            w.TextBox1->setText(text);
            QCOMPARE(w.CommandButton1[0]->text(), first);
        }
    }

    void pagingAndItsKeys() {
        ScriptKeyboard& w = Siddham();
        // Each page on the way to the last one and back: its first caption,
        // how many buttons are filled, the arrows enabled. A full last page
        // leaves ">" on, and the page after it is empty.
        const std::pair<const char*, QStringList> lists[] = {
            {"pa", {"pa-0 12 >", "pa-12 12 <>", "pa-24 1 <", "pa-12 12 <>", "pa-0 12 >"}},
            {"pb", {"pb-0 12 >", "pb-12 12 <>", " 0 <", "pb-12 12 <>", "pb-0 12 >"}},
            {"pd", {"pd-0 12 >", "pd-12 1 <", "pd-0 12 >"}},
            {"pe", {"pe-0 12 "}}};
        for (const auto& [prefix, pages] : lists) {
            w.TextBox1->setText(prefix);
            QStringList seen;
            for (bool forward = true; seen.size() < 6;) {
                const int filled = 12 - Captions(w.CommandButton1).count("");
                const QString arrows =
                    QString(w.tiep2->isEnabled() ? "<" : "") + (w.tiep1->isEnabled() ? ">" : "");
                seen
                    << QString("%1 %2 %3").arg(w.CommandButton1[0]->text()).arg(filled).arg(arrows);
                forward = forward && w.tiep1->isEnabled();
                QPushButton* turn = forward ? w.tiep1 : w.tiep2;
                if (!turn->isEnabled()) break;
                turn->click();
                QVERIFY(w.CommandButton1[0]->hasFocus());
            }
            QCOMPARE(seen, pages);
        }
        // The key hints (in black) and the page number follow within a timer period.
        w.TextBox1->setText("pa");
        w.NextCandidatePage();
        w.NextCandidatePage();
        QTRY_COMPARE_WITH_TIMEOUT(Captions(w.Label1).mid(0, 2) << w.Label2->text(),
                                  QStringList({"F1", "", "Page 3"}), 150);
        QCOMPARE(w.Label1[0]->palette().color(QPalette::WindowText), QColor(Qt::black));
        w.TextBox1->setText("pb");
        QTRY_COMPARE_WITH_TIMEOUT(Captions(w.Label1).mid(11) << w.Label2->text(),
                                  QStringList({"F12", "Page 1"}), 150);

        // Page Down and Page Up turn when they can.
        w.TextBox1->setText("pe");
        QTest::keyClick(w.TextBox1, Qt::Key_PageDown);
        QVERIFY(w.CurrentPage == 0 && w.TextBox1->hasFocus());
        w.TextBox1->setText("pa");
        QTest::keyClick(w.TextBox1, Qt::Key_PageDown);
        QCOMPARE(w.CurrentPage, 1);
        QTest::keyClick(w.CommandButton1[0], Qt::Key_PageUp);
        QCOMPARE(w.CurrentPage, 0);
        // Space is typed in the box, and its release goes to the first
        // candidate. There Space turns the page, or back from the last page
        // with the focus on "<", and never commits.
        QTest::keyClick(w.TextBox1, Qt::Key_Space);
        QCOMPARE(w.TextBox1->text(), "pa ");
        w.TextBox1->setText("pd");
        QTest::keyRelease(w.TextBox1, Qt::Key_Space);
        QTest::keyClick(w.CommandButton1[0], Qt::Key_Space);
        QVERIFY(w.CurrentPage == 1 && w.CommandButton1[0]->hasFocus());
        w.TextBox1->setText("pa");
        w.NextCandidatePage();
        w.NextCandidatePage();
        QTest::keyClick(w.CommandButton1[0], Qt::Key_Space);
        QVERIFY(w.CurrentPage == 1 && w.tiep2->hasFocus() && w.TextBox2->toPlainText().isEmpty());
        // A letter on a candidate goes back to the box with its text selected.
        QTest::keyClick(w.CommandButton1[0], Qt::Key_K);
        QVERIFY(w.TextBox1->hasFocus() && w.TextBox1->selectedText() == "pa");
    }

    void keyboardMap() {
        ScriptKeyboard& w = Siddham();
        // The last two characters, when a key, become its display text, and
        // the lookup runs on the result. One character alone is never looked
        // up; a pair that is no key stays; a letter and a blank are looked up
        // as the letter; of several rows for a key the last wins.
        const char* cases[][3] = {{"", ".ta", "ṭa"}, {"", "xaa", "xā"}, {"", "o", "o"},
                                  {"o", "q", "oq"},  {"xo", " ", "xō"}, {"k", "k", "last"}};
        for (const auto& [before, typed, after] : cases) {
            w.TextBox1->setText(before);
            Type(w.TextBox1, typed);
            QCOMPARE(w.TextBox1->text(), after);
        }
        w.TextBox1->setText("ṭa");
        QCOMPARE(w.CommandButton1[0]->text(), "retroflex");
        w.TextBox1->setText("x");  // a cyclic map ends
        Type(w.TextBox1, "ab");
        QVERIFY(w.TextBox1->text() == "xab" || w.TextBox1->text() == "xba");
    }

    void commitsReachTheHistoryWhole() {
        ScriptKeyboard& w = Siddham();
        // No document to write to: the history, the clipboard and the focus
        // still follow. F12 takes the twelfth button of the page on show; an
        // empty button adds a blank; a Siddham glyph arrives whole.
        w.TextBox1->setText("pa");
        QTest::keyClick(w.TextBox1, Qt::Key_F1);
        QTest::mouseClick(w.CommandButton1[1], Qt::LeftButton);
        QVERIFY(w.TextBox1->hasFocus() && w.TextBox1->selectedText() == "pa");
        QTest::keyClick(w.TextBox1, Qt::Key_PageDown);
        QTest::keyClick(w.TextBox1, Qt::Key_F12);
        w.TextBox1->setText("zzz");
        QTest::keyClick(w.TextBox1, Qt::Key_F3);
        w.TextBox1->setText("m");
        QTest::keyClick(w.TextBox1, Qt::Key_F1);
        const QString history = "pa-0pa-1pa-23 " + Glyph(0);
        QCOMPARE(w.TextBox2->toPlainText(), history);
        QCOMPARE(QGuiApplication::clipboard()->text(), Glyph(0));
        // On a focused candidate F1-F9 commit without history; F10-F12 do nothing.
        w.CommandButton1[0]->setFocus();
        QTest::keyClick(w.CommandButton1[0], Qt::Key_F10);
        QVERIFY(w.CommandButton1[0]->hasFocus());
        QTest::keyClick(w.CommandButton1[0], Qt::Key_F2);
        QVERIFY(w.TextBox1->hasFocus() && w.TextBox2->toPlainText() == history);
        // After a commit, a letter starts a new transliteration.
        QTest::keyClicks(w.TextBox1, "p");
        QCOMPARE(w.Label7[0]->text(), "pa00");
    }

    void windowCommandsAndLifecycle() {
        ScriptKeyboard& w = Siddham();
        w.Command6->click();  // Expand shows the history
        QVERIFY(w.rect().contains(w.TextBox2->geometry()) && w.TextBox1->hasFocus());
        w.Command5->click();
        QVERIFY(!w.rect().intersects(w.TextBox2->geometry()));
        w.TextBox2->setPlainText("history");
        w.Command1->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), "history");
        w.Command4->click();
        QCOMPARE(w.TextBox2->toPlainText(), "");
        // Activation reopens the database and keeps the page on show.
        w.TextBox1->setText("m");
        w.NextCandidatePage();
        const data::Database* before = app::AppDatabase.get();
        Open(keyboard::frmLantsa().Get());
        QVERIFY(app::AppDatabase.get() != before);
        keyboard::frmLantsa().Unload();
        QCOMPARE(Open(w).Label7[0]->text(), "m0012");
        // "x" brings up the main window and unloads the keyboard; either
        // keyboard opens where the last one unloaded stood.
        w.move(100, 200);
        w.mmandButton2->click();
        QVERIFY(mainShown_ == 1 && !keyboard::frmSiddha().Exists());
        QCOMPARE(Open(keyboard::frmLantsa().Get()).pos(), QPoint(100, 200));
        // A database that cannot be opened ends the program. The message box
        // handing the activation back does not start it over.
        QVERIFY(messages_.isEmpty() && ended_ == 0);
        keyboard::frmLantsa().Unload();
        Settle();
        app::SetProgramFolderForTesting(db_->Folder() + "/missing");
        QWidget box;
        app::SetMessageHandlerForTesting([this, &box](const QString& m) {
            messages_ << m;
            if (messages_.size() == 1) Open(box), Siddham();
        });
        Siddham();
        QCOMPARE(messages_, QStringList({"unexpected error", "Cannot continue"}));
        QCOMPARE(ended_, 1);
        app::SetMessageHandlerForTesting([this](const QString& m) { messages_ << m; });
    }

    void draggingWritesNothing() {
        ScriptKeyboard& w = Siddham();
        w.TextBox1->setText("pa");
        const int far = QApplication::startDragDistance() + 3;
        // By a reading and by the background: within the drag distance the
        // window stays; farther, it follows the pointer from the press; the
        // release writes no reading.
        for (QWidget* handle : std::initializer_list<QWidget*>{w.Label7[0], &w}) {
            w.move(200, 300);
            w.TextBox1->deselect();
            const QPoint press = handle->mapToGlobal(QPoint(2, 2));
            Mouse(handle, QEvent::MouseButtonPress, press);
            Mouse(handle, QEvent::MouseMove, press + QPoint(1, 0));
            QCOMPARE(w.pos(), QPoint(200, 300));
            Mouse(handle, QEvent::MouseMove, press + QPoint(far, 1));
            QCOMPARE(w.pos(), QPoint(200 + far, 301));
            Mouse(handle, QEvent::MouseMove, press + QPoint(-1, 2));
            QCOMPARE(w.pos(), QPoint(199, 302));
            Mouse(handle, QEvent::MouseButtonRelease, press);
            QVERIFY(!w.TextBox1->hasSelectedText() && w.TextBox2->toPlainText().isEmpty());
        }
        // A click on a reading writes it (to the document) and selects the
        // transliteration for the next one; the window stays.
        const QPoint at = w.Label7[0]->mapToGlobal(QPoint(2, 2));
        Mouse(w.Label7[0], QEvent::MouseButtonPress, at);
        Mouse(w.Label7[0], QEvent::MouseButtonRelease, at);
        QVERIFY(w.pos() == QPoint(199, 302) && w.TextBox1->selectedText() == "pa");
    }

    void glyphsShownWhole() {
        // On the built database "naa" is "nā", whose first four candidates
        // carry marks above and below the letter: each is drawn whole, off
        // the button's border, and no two alike.
        app::SetProgramFolderForTesting(qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin");
        for (auto* shared : {&keyboard::frmSiddha(), &keyboard::frmLantsa()}) {
            ScriptKeyboard& w = Open(shared->Get());
            Type(w.TextBox1, "naa");
            QCOMPARE(w.TextBox1->text(), "nā");
            QList<QImage> shown;
            for (QPushButton* b : QList(w.CommandButton1.begin(), w.CommandButton1.begin() + 4)) {
                QVERIFY2(b->rect().marginsRemoved({2, 2, 2, 2}).contains(InkRect(b)),
                         qPrintable(b->text()));
                QVERIFY(!shown.contains(b->grab().toImage()));
                shown << b->grab().toImage();
            }
        }
        // The script fonts resolve to fonts of the scripts.
        const QString siddham =
            QFontInfo(keyboard::frmSiddha()->CommandButton1[0]->font()).family();
        const QString lantsa = QFontInfo(keyboard::frmLantsa()->CommandButton1[0]->font()).family();
        QVERIFY(siddham == "Noto Sans Siddham" &&
                (lantsa.contains("Devanagari") || lantsa == "Ranjana"));
    }
};

QTEST_MAIN(KeyboardTest)
#include "test_keyboard.moc"
