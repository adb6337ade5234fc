// The dictionary as a user meets it, on small databases of the test's own:
// searches, the meaning window, the glyph grid, the transliteration box and
// the About-dictionary window.
#include "app/Fonts.h"
#include "app/Program.h"
#include "app/SharedValues.h"
#include "app/Windows.h"
#include "dictionary/DictionaryWindows.h"
#include "support/TestDatabase.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace orv;
using dictionary::DictionaryWindow;

namespace {

const QString kOm = QString::fromUcs4(U"\U0001158C\U000115BD");
const QString kHum = QString::fromUcs4(U"\U000115AE\U000115B3\U000115BD");
const QString kA = QString::fromUcs4(U"\U00011580");

test::Rows Glyphs(int count) {
    test::Rows rows;
    for (int i = 0; i < count; ++i) {
        rows.append({QString::number(count - i),
                     QString::fromUcs4(U"\U00011580") + QString::number(count - i)});
    }
    return rows;
}

std::map<QString, test::Rows> Tables(int glyphs) {
    return {
        {QStringLiteral("tbl_dictionary"),
         {{kOm, "oṃ", "the first syllable", ""},
          {kHum, "hūṃ", "seed syllable", ""},
          {kA + "1", "a", "first a", ""},
          {kA + "2", "a", "second a", ""},
          {"x'y", "ḍākinī's", "with a quote", ""},
          {"", "", "", "About these test entries"}}},
        {QStringLiteral("tbl_glyph"), Glyphs(glyphs)},
        {QStringLiteral("tbl_keyboard"),
         {{"aa", "ā"}, {".m", "ṃ"}, {"uu", "ū"}, {"o", "ō"}, {"pq", "qp"}, {"qp", "pq"}}},
    };
}

QStringList Items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

}  // namespace

class DictionaryTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<test::TestDatabase> db_, db110_, db111_;
    QStringList messages_;
    int mainShown_ = 0;

    DictionaryWindow& Open() {
        DictionaryWindow& w = dictionary::frmMdict().Get();
        w.show();
        w.activateWindow();
        [[maybe_unused]] bool active = QTest::qWaitForWindowActive(&w);
        return w;
    }
    static void Type(QWidget* box, const QString& text) {
        for (QChar c : text) {
            QTest::sendKeyEvent(QTest::Press, box, Qt::Key_unknown, QString(c), {});
            QTest::sendKeyEvent(QTest::Release, box, Qt::Key_unknown, QString(c), {});
        }
    }
    void Use(const test::TestDatabase& db) { app::SetProgramFolderForTesting(db.Folder()); }

  private slots:
    void initTestCase() {
        app::InstallFontSubstitutions();
        db_ = std::make_unique<test::TestDatabase>(Tables(0));
        db110_ = std::make_unique<test::TestDatabase>(Tables(110));
        db111_ = std::make_unique<test::TestDatabase>(Tables(111));
        QVERIFY2(db_->Ok() && db110_->Ok() && db111_->Ok(), qPrintable(db_->Error()));
        app::SetMessageHandlerForTesting([this](const QString& m) { messages_ << m; });
        app::SetShowMainWindow([this] { ++mainShown_; });
    }
    void init() {
        Use(*db_);
        messages_.clear();
        mainShown_ = 0;
    }
    void cleanup() {
        dictionary::frmMeaning().Unload();
        dictionary::fAboutD().Unload();
        dictionary::frmMdict().Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void layoutAndPlaceholders() {
        DictionaryWindow& w = Open();
        QCOMPARE(w.windowTitle(), QStringLiteral("Dictionary"));
        QCOMPARE(w.size(), QSize(568, 394));
        QCOMPARE(w.CmdB[0]->geometry(), QRect(0, 0, 33, 33));
        QCOMPARE(w.CmdB[109]->geometry().topLeft(), QPoint(9 * 32, 10 * 32));
        // The paste box lies below the visible area.
        QVERIFY(w.TextBox4->geometry().top() > w.height());
        QCOMPARE(w.TextBox11->text(), DictionaryWindow::kTransPlaceholder);
        QCOMPARE(w.TextBox1->toolTip(), QStringLiteral("Double click to clear"));
        // Entering a box clears its placeholder; a double click clears it.
        w.TextBox1->setFocus();
        QCOMPARE(w.TextBox1->text(), QString());
        w.TextBox11->setFocus();
        QCOMPARE(w.TextBox11->text(), QString());
        w.TextBox1->setText("abc");
        QTest::mouseDClick(w.TextBox1, Qt::LeftButton);
        QCOMPARE(w.TextBox1->text(), QString());
        // Closing it brings up the main window; a new opening starts afresh.
        w.close();
        QCOMPARE(mainShown_, 1);
        QCOMPARE(Open().TextBox1->text(), DictionaryWindow::kScriptsPlaceholder);
    }

    void searches() {
        DictionaryWindow& w = Open();
        // Native-script prefix search, in order.
        w.TextBox1->setText(kA);
        w.Command2->click();
        QCOMPARE(Items(w.ListBox1), QStringList({kA + "1", kA + "2"}));
        QCOMPARE(app::MeaningLookupMode, std::int16_t(1));
        QVERIFY(w.ListBox1->hasFocus());
        // The placeholder is searched for as text, and finds nothing.
        w.TextBox1->setText(DictionaryWindow::kScriptsPlaceholder);
        w.Command2->click();
        QCOMPARE(w.ListBox1->count(), 0);
        // Only blanks: every entry with a native form.
        w.TextBox1->setText("   ");
        w.Command2->click();
        QCOMPARE(w.ListBox1->count(), 6);
        // Empty: the list stays as it was.
        w.TextBox1->setText(QString());
        w.Command2->click();
        QCOMPARE(w.ListBox1->count(), 6);

        // Transliteration prefix search; duplicates are kept.
        w.TextBox11->setText("a");
        w.Command4->click();
        QCOMPARE(Items(w.ListBox1), QStringList({"a", "a"}));
        QCOMPARE(app::MeaningLookupMode, std::int16_t(0));
        w.TextBox11->setText("  ");
        w.Command4->click();
        QCOMPARE(w.ListBox1->count(), 0);
        w.TextBox11->setText("ḍākinī'");
        w.Command4->click();
        QCOMPARE(Items(w.ListBox1), QStringList({"ḍākinī's"}));
        // An empty box changes only the mode.
        w.TextBox11->setText(QString());
        app::MeaningLookupMode = 1;
        w.Command4->click();
        QCOMPARE(app::MeaningLookupMode, std::int16_t(0));
        QCOMPARE(w.ListBox1->count(), 1);

        // The paste box searches by native form at once.
        w.TextBox4->setText(kHum);
        QCOMPARE(Items(w.ListBox1), QStringList({kHum}));
        QCOMPARE(DictionaryWindow::PickedText, kHum);
        QCOMPARE(app::MeaningLookupMode, std::int16_t(1));
    }

    void meaningWindow() {
        DictionaryWindow& w = Open();
        w.move(120, 80);
        w.TextBox1->setText(kOm);
        w.Command2->click();
        w.ListBox1->setCurrentRow(0);
        QTest::mouseClick(w.ListBox1->viewport(), Qt::LeftButton, {},
                          w.ListBox1->visualItemRect(w.ListBox1->item(0)).center());
        QVERIFY(dictionary::frmMeaning().IsLoaded());
        auto& m = dictionary::frmMeaning().Get();
        QCOMPARE(m.windowTitle(), QStringLiteral("Meanings"));
        QCOMPARE(m.pos(), QPoint(120, 80));
        QCOMPARE(m.Label->text(), kOm);
        QCOMPARE(m.TextBox1->toPlainText(),
                 QStringLiteral("oṃ\n------------------------\nthe first syllable\n\n"));
        QCOMPARE(dictionary::MeaningText(app::AppDatabase.get(), true, kOm),
                 QStringLiteral("oṃ\r\n------------------------\r\nthe first syllable\r\n\r\n"));
        // By transliteration; blanks around the word do not count; the
        // first of two entries is shown.
        app::MeaningLookupMode = 0;
        m.Label->setText(" a ");
        QCOMPARE(m.TextBox1->toPlainText(), kA + "1\n------------------------\nfirst a\n\n");
        m.Label->setText("ḍākinī's");
        QVERIFY(m.TextBox1->toPlainText().startsWith("x'y\n"));
        m.Label->setText("nothing like it");
        QCOMPARE(m.TextBox1->toPlainText(), QStringLiteral("No information"));
        // Releasing the mouse with nothing selected looks up an empty word,
        // which finds the entry whose transliteration is empty text.
        w.ListBox1->clearSelection();
        QTest::mouseClick(w.ListBox1->viewport(), Qt::LeftButton, {}, QPoint(5, 300));
        QCOMPARE(m.Label->text(), QString());
        QCOMPARE(m.TextBox1->toPlainText(), QStringLiteral("\n------------------------\n\n\n"));
    }

    void glyphGridPaging() {
        // No glyphs: all blank, both page buttons off.
        DictionaryWindow& w = Open();
        QCOMPARE(w.CmdB[0]->text(), QString());
        QVERIFY(!w.tiep1->isEnabled() && !w.tiep2->isEnabled());
        cleanup();

        // Exactly 110: one full page, ">" off. Glyphs come in id order.
        Use(*db110_);
        DictionaryWindow& full = Open();
        QCOMPARE(full.CmdB[0]->text(), kA + "1");
        QCOMPARE(full.CmdB[109]->text(), kA + "110");
        QVERIFY(!full.tiep1->isEnabled());
        cleanup();

        // 111: page 1 shows one glyph; ">" off, "<" on; back again.
        Use(*db111_);
        DictionaryWindow& more = Open();
        QVERIFY(more.tiep1->isEnabled());
        more.tiep1->click();
        QCOMPARE(more.CmdB[0]->text(), kA + "111");
        QCOMPARE(more.CmdB[1]->text(), QString());
        QVERIFY(!more.tiep1->isEnabled() && more.tiep2->isEnabled());
        more.tiep2->click();
        QCOMPARE(more.GlyphPage, 0);
        QVERIFY(more.tiep1->isEnabled() && !more.tiep2->isEnabled());
        // Coming back from the meaning window shows page 0 again.
        more.tiep1->click();
        more.OpenMeaning("x");
        QVERIFY(QTest::qWaitForWindowActive(&dictionary::frmMeaning().Get()));
        more.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&more));
        QCOMPARE(more.GlyphPage, 0);
        QCOMPARE(more.CmdB[0]->text(), kA + "1");
        QVERIFY(!more.tiep2->isEnabled());
    }

    void fifteenCharacterRule() {
        Use(*db111_);
        DictionaryWindow& w = Open();
        // Typing: the 15th character empties the box.
        w.TextBox1->setFocus();
        Type(w.TextBox1, "abcdefghijklmn");
        QCOMPARE(w.TextBox1->text().size(), 14);
        Type(w.TextBox1, "o");
        QCOMPARE(w.TextBox1->text(), QString());
        // A paste past 15 at once stays.
        w.TextBox1->setText(QString(20, 'x'));
        QCOMPARE(w.TextBox1->text().size(), 20);
        // Picking glyphs: one Siddham letter is one character, however it
        // is stored.
        w.TextBox1->clear();
        w.CmdB[0]->click();
        QCOMPARE(w.TextBox1->text(), kA + "1");
        QCOMPARE(w.TextBox1->font().pointSize(), 11);
        QCOMPARE(w.ListBox1->count(), 0);
        QVERIFY(w.ListBox1->hasFocus());
        w.TextBox1->setText(QString(13, 'x'));
        w.CmdB[0]->click();  // 13 + 2 = 15 characters
        QCOMPARE(w.TextBox1->text(), QString());
        // An empty slot adds nothing, not the previous pick again.
        w.tiep1->click();
        w.TextBox1->setText("k");
        w.CmdB[5]->click();
        QCOMPARE(w.TextBox1->text(), QStringLiteral("k"));
        QCOMPARE(DictionaryWindow::PickedText, kA + "1");
    }

    void transliterationBoxConversion() {
        DictionaryWindow& w = Open();
        w.TextBox11->setFocus();
        Type(w.TextBox11, "o");
        QCOMPARE(w.TextBox11->text(), QStringLiteral("o"));
        Type(w.TextBox11, ".m");
        QCOMPARE(w.TextBox11->text(), QStringLiteral("oṃ"));
        w.TextBox11->clear();
        Type(w.TextBox11, "huu.m");
        QCOMPARE(w.TextBox11->text(), QStringLiteral("hūṃ"));
        // A letter and a blank go together when the letter alone is a key.
        w.TextBox11->setText("xo");
        Type(w.TextBox11, " ");
        QCOMPARE(w.TextBox11->text(), QStringLiteral("xō"));
        // A pasted text converts at its end; a cyclic map ends.
        w.TextBox11->setText("saa");
        QCOMPARE(w.TextBox11->text(), QStringLiteral("sā"));
        w.TextBox11->setText("zpq");
        QVERIFY(w.TextBox11->text() == "zpq" || w.TextBox11->text() == "zqp");
        // The converted text searches.
        w.TextBox11->setText("oṃ");
        w.Command4->click();
        QCOMPARE(Items(w.ListBox1), QStringList({"oṃ"}));
    }

    void aboutDictionary() {
        DictionaryWindow& w = Open();
        w.Command3->click();
        auto& about = dictionary::fAboutD().Get();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        QCOMPARE(about.windowTitle(), QStringLiteral("About dictionary"));
        QCOMPARE(about.TextBox1->toPlainText(), QStringLiteral("About these test entries"));
    }

    void unusableDatabaseLeavesTheWindowUsable() {
        app::AppDatabase.reset();
        app::SetProgramFolderForTesting(db_->Folder() + "/missing");
        DictionaryWindow& w = Open();
        QCOMPARE(messages_, QStringList({"unexpected error", "Cannot continue"}));
        QVERIFY(w.isVisible());
        w.TextBox1->setText(" ");
        w.Command2->click();
        w.TextBox11->setText("a");
        w.Command4->click();
        QCOMPARE(w.ListBox1->count(), 0);
        QCOMPARE(w.CmdB[0]->text(), QString());
    }
};

QTEST_MAIN(DictionaryTest)
#include "test_dictionary.moc"
