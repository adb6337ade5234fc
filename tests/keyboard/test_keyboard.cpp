// The keyboard windows on a small database of the test's own, and on the built one.
#include "app/Fonts.h"
#include "app/GlyphWidgets.h"
#include "app/Program.h"
#include "app/SharedValues.h"
#include "app/Windows.h"
#include "keyboard/Keyboards.h"
#include "keyboard/TargetIndicator.h"
#include "support/RecordingDocument.h"
#include "support/TestDatabase.h"
#include "support/WindowDriver.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace orv;
using namespace orv::test;
using keyboard::ScriptKeyboard;

class KeyboardTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDatabase> db_;
    QStringList messages_;
    int ended_ = 0;

    static ScriptKeyboard& Siddham() { return Open(keyboard::frmSiddha().Get()); }
    static QString Glyph(int n) { return QStringLiteral("\U0001158E") + QString::number(n); }

  private slots:
    void initTestCase() {
        app::InstallBundledFonts(qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin");
        app::InstallFontSubstitutions();
        const Rows keys = Pairs({".t", "ṭ", "kk", "first", "kk", "last", "ab", "ba", "ba", "ab",
                                 "o", "ō", "q1", "qr", "qr", "s"});
        Rows siddham{{"ṭa", "retroflex"}, {"oṃ", "anusvara"}};
        for (int i = 1004; i >= 0; --i)  // "m0000" to "M1004", alternating case, reversed
            siddham.append({QString::asprintf("%c%04d", "mM"[i % 2], i), Glyph(i)});
        for (const auto& [c, count] : std::map<char, int>{{'a', 25}, {'b', 24}, {'e', 12}})
            for (int i = 0; i < count; ++i)  // lists of 25, 24 and 12: "pa-0" to "pe-11"
                siddham.append(
                    {QString::asprintf("p%c%02d", c, i), QString::asprintf("p%c-%d", c, i)});
        db_ = std::make_unique<TestDatabase>(
            std::map<QString, Rows>{{"tbl_siddham", siddham}, {"tbl_keyboard", keys}});
        QVERIFY2(db_->Ok(), qPrintable(db_->Error()));
        app::SetProgramFolderForTesting(db_->Folder());
        app::SetEndProgramHandlerForTesting([this](int status) { ended_ += status; });
        app::SetMessageHandlerForTesting([](const QString& m) { QFAIL(qPrintable(m)); });
        app::SetShowMainWindow([] {});
    }
    void cleanup() {
        app::ResetSharedValues();
        keyboard::frmSiddha().Unload();
        keyboard::frmLantsa().Unload();
        Settle();
    }

    void candidatesPagingAndTheKeyboardMap() {
        ScriptKeyboard& w = Siddham();
        // By prefix, case-insensitive, in order; none clears.
        Type(w.TextBox1, "m");
        QCOMPARE(Captions(w.Label7).mid(0, 3), QStringList({"m0000", "M0001", "m0002"}));
        QCOMPARE(w.CommandButton1[0]->text(), Glyph(0));
        w.TextBox1->setText("zzz");
        QCOMPARE(Captions(w.CommandButton1) + Captions(w.Label7), QStringList(24, ""));
        QVERIFY(!w.tiep1->isEnabled());
        // Paging there and back: first caption, buttons filled, arrows (">" on after full last).
        const std::pair<const char*, QStringList> lists[] = {
            {"pa", {"pa-0 12 >", "pa-12 12 <>", "pa-24 1 <", "pa-12 12 <>", "pa-0 12 >"}},
            {"pb", {"pb-0 12 >", "pb-12 12 <>", " 0 <", "pb-12 12 <>", "pb-0 12 >"}},
            {"pe", {"pe-0 12 "}}};
        for (const auto& [prefix, pages] : lists) {
            w.TextBox1->setText(prefix);
            QStringList seen;
            for (bool forward = true; seen.size() < 6;) {
                seen << QString("%1 %2 %3%4")
                            .arg(w.CommandButton1[0]->text(),
                                 QString::number(12 - Captions(w.CommandButton1).count("")),
                                 w.tiep2->isEnabled() ? "<" : "", w.tiep1->isEnabled() ? ">" : "");
                forward = forward && w.tiep1->isEnabled();
                QPushButton* turn = forward ? w.tiep1 : w.tiep2;
                if (!turn->isEnabled()) break;
                turn->click();
                QVERIFY(w.CommandButton1[0]->hasFocus());
            }
            QCOMPARE(seen, pages);
        }
        // Space on a candidate turns pages, back from the last with the focus on "<".
        w.TextBox1->setText("pa");
        for (int i = 0; i < 3; ++i) QTest::keyClick(w.CommandButton1[0], Qt::Key_Space);
        QVERIFY(w.Pages.Page() == 1 && w.tiep2->hasFocus() && w.TextBox2->toPlainText().isEmpty());
        // The last two characters, if a key, become its last display, repeatedly; "x " counts as x.
        const char* cases[][3] = {{"", "o", "o"},     {"o", "q", "oq"}, {"xo", " ", "xō"},
                                  {"k", "k", "last"}, {"", "q1", "s"},  {"", ".ta", "ṭa"}};
        for (const auto& [before, typed, after] : cases) {
            w.TextBox1->setText(before);
            Type(w.TextBox1, typed);
            QCOMPARE(w.TextBox1->text(), after);
        }
        QCOMPARE(w.CommandButton1[0]->text(), "retroflex");
        w.TextBox1->setText("x");  // a cyclic map ends
        Type(w.TextBox1, "ab");
        QVERIFY(w.TextBox1->text() == "xab" || w.TextBox1->text() == "xba");
    }

    void commitsReachTheHistoryWhole() {
        ScriptKeyboard& w = Siddham();
        // No document: F1, F12 on page 2, a blank button, a glyph whole; candidate F2 no history.
        const char* texts[] = {"pa", "", "", "zzz", "m"};
        const Qt::Key keys[] = {Qt::Key_F1, Qt::Key_PageDown, Qt::Key_F12, Qt::Key_F3, Qt::Key_F1};
        for (int i = 0; i < 5; ++i) {
            if (*texts[i]) w.TextBox1->setText(texts[i]);
            QTest::keyClick(w.TextBox1, keys[i]);
        }
        QTest::keyClick(w.CommandButton1[0], Qt::Key_F2);
        QCOMPARE(w.TextBox2->toPlainText(), "pa-0pa-23 " + Glyph(0));
        QCOMPARE(QGuiApplication::clipboard()->text(), Glyph(0));
        QVERIFY(w.TextBox1->hasFocus() && w.TextBox1->selectedText() == "m");
    }

    // On a recording target: a key in the CJKV font, a click in the script font, a reading in
    // Tahoma, a blank only when InsertSpace is 1; Alt/Shift+Enter; the hint follows the answers.
    void documentOperations() {
        RecordingDocument document;
        app::CjkvFontName = "Cjkv";
        ScriptKeyboard& w = Siddham();
        const auto press = [](QWidget* at, Qt::Key key, Qt::KeyboardModifiers with = {}) {
            return std::function<void()>([=] { QTest::keyClick(at, key, with); });
        };
        const auto f1 = press(w.TextBox1, Qt::Key_F1);
        const std::function<void()> read = [&] { QTest::mouseClick(w.Label7[3], Qt::LeftButton); };
        const QString cjkv = "InsertFontAndText(pa-%1, %2); InsertBlankAndMove(%3)";
        const std::tuple<int, std::function<void()>, QString> rows[] = {
            {0, f1, cjkv.arg("0", "Cjkv", "no blank")},
            {1, f1, cjkv.arg("0", "Cjkv", "blank")},
            {2, press(w.CommandButton1[0], Qt::Key_F2), cjkv.arg("1", "Cjkv", "no blank")},
            {1, [&] { w.CommandButton1[2]->click(); }, cjkv.arg("2", w.ScriptFont, "blank")},
            {1, read, "InsertInFont(pa03, Tahoma, blank)"},
            {0, read, "InsertInFont(pa03, Tahoma, no blank)"},
            {1, press(w.TextBox1, Qt::Key_Return, Qt::AltModifier), "NewParagraph()"},
            {1, press(w.TextBox1, Qt::Key_Return, Qt::ShiftModifier), "InsertText(pa)"},
            {1, press(w.TextBox1, Qt::Key_Space, Qt::ShiftModifier), "InsertText( )"},
            {1, press(w.TextBox1, Qt::Key_Space), ""}};
        for (const auto& [insertSpace, act, calls] : rows) {
            app::InsertSpace = static_cast<std::int16_t>(insertSpace);
            w.TextBox1->setText("pa");
            document.calls.clear();
            act();
            document.calls.removeAll("Probe()");  // the hint's, now and then
            QCOMPARE(document.calls.join("; "), calls);
        }
        for (const auto& [answer, hint] : {std::pair{word::Delivery::Done, "\u2192 Writer"},
                                           {word::Delivery::NoDocument, "\u2192 history"}}) {
            document.answer = answer;
            QTest::keyClick(w.TextBox1, Qt::Key_F1);
            QTRY_COMPARE(w.TargetHint->text(), QString(hint));
        }
    }

    // Space leaves the text and its candidates as they were and moves to the first candidate;
    // Shift+Space keeps the focus in the box; a character typed on a candidate goes to the box.
    void spaceAndTypingAroundTheCandidates() {
        RecordingDocument document;
        ScriptKeyboard& w = Siddham();
        const auto state = [&] {
            return QStringList{w.TextBox1->text(), w.CommandButton1[0]->text(),
                               w.TextBox1->hasFocus() ? "box" : "candidate"};
        };
        const std::tuple<QWidget*, Qt::Key, Qt::KeyboardModifiers, QString, QStringList> rows[] = {
            {w.TextBox1, Qt::Key_Space, {}, " ", {"pa", "pa-0", "candidate"}},
            {w.TextBox1, Qt::Key_Space, Qt::ShiftModifier, " ", {"pa", "pa-0", "box"}},
            {w.CommandButton1[0], Qt::Key_M, {}, "m", {"m", Glyph(0), "box"}},
            {w.CommandButton1[0], Qt::Key_Period, {}, ".", {".", "", "box"}},
            {w.CommandButton1[0],
             Qt::Key_M,
             Qt::ControlModifier,
             "m",
             {"pa", "pa-0", "candidate"}}};
        for (const auto& [at, key, modifiers, text, after] : rows) {
            w.TextBox1->setText("pa");
            at->setFocus();
            QTest::sendKeyEvent(QTest::Click, at, key, text, modifiers);
            QCOMPARE(state(), after);
        }
    }

    // The indicator from the receipts of picks and probes: writes that wait past the patience,
    // an office that let one time out, picks dropped until one is written again.
    void indicatorFollowsTheReceipts() {
        using D = word::Delivery;
        using ms = std::chrono::milliseconds;
        struct Step {
            std::vector<D> given;  // the outcomes of the picks tracked now
            D last;
            int at;  // ms
            const char* text;
        };
        const std::vector<std::vector<Step>> runs = {
            {{{}, D::Done, 0, "\u2192 Writer"}, {{D::Done}, D::Done, 10, "\u2192 Writer"}},
            {{{D::Pending, D::Pending}, D::Done, 0, "\u2192 Writer"},
             {{}, D::Done, 999, "\u2192 Writer"},
             {{}, D::Done, 1000, "\u231B Writer (2)"}},
            {{{D::TimedOut, D::TimedOut}, D::TimedOut, 0, "2 not written"},
             {{D::NoOffice}, D::NoOffice, 10, "2 not written"},
             {{D::Done}, D::Done, 20, "\u2192 Writer"}},
            {{{}, D::TimedOut, 0, "\u231B Writer"}, {{}, D::NoOffice, 10, "\u2192 history"}},
            {{{}, D::Pending, 0, "\u2192 history"}, {{}, D::NoDocument, 0, "\u2192 history"}}};
        for (const auto& run : runs) {
            keyboard::TargetIndicator indicator;
            const auto start = keyboard::TargetIndicator::Clock::now();
            QStringList seen, expected;
            for (const Step& step : run) {
                for (const D outcome : step.given)
                    indicator.Track(word::Receipt::Ended(outcome), start + ms(step.at));
                indicator.Update(step.last, start + ms(step.at));
                seen << indicator.Text();
                expected << step.text;
            }
            QCOMPARE(seen, expected);
        }
    }

    void draggingWritesNothing() {
        ScriptKeyboard& w = Siddham();
        w.TextBox1->setText("pa");
        const int far = QApplication::startDragDistance() + 3;
        // By a reading or the background: still within the drag distance, then following; no write.
        for (QWidget* handle : std::initializer_list<QWidget*>{w.Label7[0], &w}) {
            w.move(200, 300);
            w.TextBox1->deselect();
            const QPoint press = handle->mapToGlobal(QPoint(2, 2));
            QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(2, 2));
            for (const auto& [by, at] : {std::pair{QPoint(1, 0), QPoint(200, 300)},
                                         {QPoint(far, 1), QPoint(200 + far, 301)},
                                         {QPoint(-1, 2), QPoint(199, 302)}}) {
                QTest::mouseMove(handle, handle->mapFromGlobal(press + by));
                QCOMPARE(w.pos(), at);
            }
            QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->mapFromGlobal(press));
            QVERIFY(!w.TextBox1->hasSelectedText() && w.TextBox2->toPlainText().isEmpty());
        }
    }

    void glyphsShownWhole() {
        // The built database's first "naa" candidates, marked above and below: whole, none alike.
        app::SetProgramFolderForTesting(qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin");
        for (auto* shared : {&keyboard::frmSiddha(), &keyboard::frmLantsa()}) {
            ScriptKeyboard& w = Open(shared->Get());
            // The readings of a page of long ones, and the box's label, each within its room.
            Type(w.TextBox1, "kau");
            QTest::keyClick(w.TextBox1, Qt::Key_PageDown);
            QVERIFY(w.Label8->geometry().right() < w.Label7[0]->geometry().left());
            const QList<QLabel*> labels = QList<QLabel*>(w.Label7.begin(), w.Label7.end())
                                          << w.Label8;
            for (QLabel* label : labels)
                QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                         qPrintable(label->text()));
            w.TextBox1->clear();
            Type(w.TextBox1, "naa");
            QList<QImage> shown;
            for (QPushButton* b : QList(w.CommandButton1.begin(), w.CommandButton1.begin() + 4)) {
                QVERIFY(b->rect().marginsRemoved({4, 4, 4, 4}).contains(InkRect(b)) &&
                        !shown.contains(b->grab().toImage()));
                shown << b->grab().toImage();
            }
        }
    }

    // With no Ranjana font installed, the Lantsa keyboard draws its letters in the shipped one.
    void lantsaInRanjanaShapes() {
        QCOMPARE(app::RanjanaFamilies(QFontDatabase::families()),
                 QStringList{app::kShippedRanjana});
        app::SetProgramFolderForTesting(qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin");
        ScriptKeyboard& w = Open(keyboard::frmLantsa().Get());
        Type(w.TextBox1, "ka");
        QPushButton* first = w.CommandButton1[0];
        QCOMPARE(first->text(), QStringLiteral("\u0915"));
        const auto drawn = [&](const QString& family) {
            app::GlyphButton button;
            button.resize(first->size());
            button.setFont(QFont(family, first->font().pointSize()));
            button.setText(first->text());
            return button.grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        const QImage shown = first->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown, drawn(app::kShippedRanjana));
        QVERIFY(shown != drawn("Noto Sans Devanagari"));
    }

    void failingDatabaseEndsTheProgram() {
        // Once, though the box hands the activation back; last, as the handler refers to the box.
        app::SetProgramFolderForTesting(db_->Folder() + "/missing");
        QWidget box;
        app::SetMessageHandlerForTesting([this, &box](const QString& m) {
            messages_ << m;
            if (messages_.size() == 1) Open(box), Siddham();
        });
        Siddham();
        QVERIFY(messages_ == QStringList({"unexpected error", "Cannot continue"}) && ended_ == 1);
    }
};

QTEST_MAIN(KeyboardTest)
#include "test_keyboard.moc"
