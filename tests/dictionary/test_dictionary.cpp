// The dictionary on small databases of the test's own: searches, the meaning
// window, the glyph grid, the transliteration box, the About-dictionary
// window and a database that cannot be opened.
#include "app/Fonts.h"
#include "app/Program.h"
#include "app/SharedValues.h"
#include "app/Windows.h"
#include "dictionary/DictionaryWindows.h"
#include "support/Glyphs.h"
#include "support/TestDatabase.h"
#include "support/WindowDriver.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace orv;
using namespace orv::test;
using namespace orv::test::glyphs;
using dictionary::DictionaryWindow;

namespace {

// The entries, the keyboard map, and a glyph grid of `glyphs` glyphs.
std::map<QString, Rows> Tables(int glyphs) {
    const Rows entries{
        {kOm, "oṃ", "the first syllable", ""},   {kHum, "hūṃ", "seed syllable", ""},
        {kA + "1", "a", "first a", ""},          {kA + "2", "a", "second a", ""},
        {"x'y", "ḍākinī's", "with a quote", ""}, {"", "", "", "About these test entries"}};
    Rows grid;
    for (int i = glyphs; i > 0; --i) grid.append({QString::number(i), kA + QString::number(i)});
    return {{"tbl_dictionary", entries},
            {"tbl_glyph", grid},
            {"tbl_keyboard", {{"aa", "ā"}, {".m", "ṃ"}, {"uu", "ū"}}}};
}

QStringList Items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

DictionaryWindow& Dictionary() { return Open(dictionary::frmMdict().Get()); }

}  // namespace

class DictionaryTest : public QObject {
    Q_OBJECT
    // 111 glyphs: a full page and one more; 110: exactly one page.
    std::unique_ptr<TestDatabase> db_, db110_;
    QStringList messages_;
    int mainShown_ = 0;

  private slots:
    void initTestCase() {
        app::InstallFontSubstitutions();
        db_ = std::make_unique<TestDatabase>(Tables(111));
        db110_ = std::make_unique<TestDatabase>(Tables(110));
        QVERIFY2(db_->Ok() && db110_->Ok(), qPrintable(db_->Error() + db110_->Error()));
        app::SetProgramFolderForTesting(db_->Folder());
        app::SetMessageHandlerForTesting([this](const QString& m) { messages_ << m; });
        app::SetShowMainWindow([this] { ++mainShown_; });
    }
    void cleanup() {
        dictionary::frmMeaning().Unload();
        dictionary::fAboutD().Unload();
        dictionary::frmMdict().Unload();
        Settle();
        app::SetProgramFolderForTesting(db_->Folder());
        messages_.clear();
        mainShown_ = 0;
    }

    void placeholdersAboutAndClosing() {
        DictionaryWindow& w = Dictionary();
        QVERIFY(w.TextBox4->geometry().top() > w.height());  // the paste box is out of sight
        // Entering a box clears its placeholder; a double click clears it.
        QCOMPARE(w.TextBox11->text(), DictionaryWindow::kTransPlaceholder);
        w.TextBox11->setFocus();
        w.TextBox1->setFocus();
        QCOMPARE(w.TextBox1->text() + w.TextBox11->text(), QString());
        w.TextBox1->setText("abc");
        QTest::mouseDClick(w.TextBox1, Qt::LeftButton);
        QCOMPARE(w.TextBox1->text(), QString());
        w.Command3->click();
        QVERIFY(QTest::qWaitForWindowActive(&dictionary::fAboutD().Get()));
        QCOMPARE(dictionary::fAboutD()->TextBox1->toPlainText(), "About these test entries");
        // Closing brings up the main window; a new opening starts afresh.
        w.close();
        QCOMPARE(mainShown_, 1);
        QCOMPARE(Dictionary().TextBox1->text(), DictionaryWindow::kScriptsPlaceholder);
    }

    void searches() {
        DictionaryWindow& w = Dictionary();
        // By native form, as a prefix: the placeholder is text and finds
        // nothing, blanks find every entry, an empty box keeps the list.
        const std::pair<QString, int> native[] = {
            {DictionaryWindow::kScriptsPlaceholder, 0}, {"   ", 6}, {"", 6}, {kA, 2}};
        for (const auto& [text, count] : native) {
            w.TextBox1->setText(text);
            w.Command2->click();
            QVERIFY(w.ListBox1->count() == count && app::MeaningLookupMode == 1 &&
                    w.ListBox1->hasFocus());
        }
        QCOMPARE(Items(w.ListBox1), QStringList({kA + "1", kA + "2"}));
        // By transliteration, as a prefix: duplicates are kept, blanks find
        // nothing, an empty box changes only the mode.
        const std::pair<QString, QStringList> trans[] = {
            {"a", {"a", "a"}}, {"  ", {}}, {"ḍākinī'", {"ḍākinī's"}}, {"", {"ḍākinī's"}}};
        for (const auto& [text, found] : trans) {
            app::MeaningLookupMode = 1;
            w.TextBox11->setText(text);
            w.Command4->click();
            QCOMPARE(Items(w.ListBox1), found);
            QCOMPARE(app::MeaningLookupMode, std::int16_t(0));
        }
        // The transliteration box converts what is typed and what is pasted.
        Type(w.TextBox11, "huu.m");
        QCOMPARE(w.TextBox11->text(), "hūṃ");
        w.TextBox11->setText("saa");
        QCOMPARE(w.TextBox11->text(), "sā");
        // The paste box searches by native form at once.
        w.TextBox4->setText(kHum);
        QCOMPARE(Items(w.ListBox1), QStringList({kHum}));
        QVERIFY(DictionaryWindow::PickedText == kHum && app::MeaningLookupMode == 1);
    }

    void meaningWindow() {
        DictionaryWindow& w = Dictionary();
        w.move(120, 80);
        w.TextBox1->setText(kOm);
        w.Command2->click();
        w.ListBox1->setCurrentRow(0);
        QTest::mouseClick(w.ListBox1->viewport(), Qt::LeftButton, {},
                          w.ListBox1->visualItemRect(w.ListBox1->item(0)).center());
        auto& m = dictionary::frmMeaning().Get();
        QVERIFY(QTest::qWaitForWindowActive(&m) && m.pos() == QPoint(120, 80));
        QCOMPARE(m.Label->text(), kOm);
        QCOMPARE(m.TextBox1->toPlainText(), "oṃ\n------------------------\nthe first syllable\n\n");
        QCOMPARE(dictionary::MeaningText(app::AppDatabase.get(), true, kOm),
                 "oṃ\r\n------------------------\r\nthe first syllable\r\n\r\n");
        // By transliteration: blanks around the word do not count, and the
        // first of two entries is shown.
        app::MeaningLookupMode = 0;
        const std::pair<QString, QString> lookups[] = {
            {" a ", kA + "1\n------------------------\nfirst a\n\n"},
            {"ḍākinī's", "x'y\n------------------------\nwith a quote\n\n"},
            {"nothing like it", "No information"}};
        for (const auto& [word, meaning] : lookups) {
            m.Label->setText(word);
            QCOMPARE(m.TextBox1->toPlainText(), meaning);
        }
        // A release with nothing selected looks up an empty word, which
        // finds the entry whose transliteration is empty.
        w.ListBox1->clearSelection();
        QTest::mouseClick(w.ListBox1->viewport(), Qt::LeftButton, {}, QPoint(5, 300));
        QCOMPARE(m.Label->text(), QString());
        QCOMPARE(m.TextBox1->toPlainText(), "\n------------------------\n\n\n");
        // The word box shows a Siddham word whole: no ink on its border.
        m.Label->setText(kHum + kKssa + kSignI + kOm);
        const QRect ink = InkRect(m.Label);
        QVERIFY(!m.Label->hasFocus() && ink.top() >= 2 && ink.bottom() < m.Label->height() - 2);
    }

    void glyphGridPaging() {
        // Exactly 110: one full page in id order, ">" off.
        app::SetProgramFolderForTesting(db110_->Folder());
        DictionaryWindow& full = Dictionary();
        QCOMPARE(QStringList({full.CmdB[0]->text(), full.CmdB[109]->text()}),
                 QStringList({kA + "1", kA + "110"}));
        QVERIFY(!full.tiep1->isEnabled() && !full.tiep2->isEnabled());
        cleanup();
        // 111: the second page shows one glyph; ">" off, "<" on; back again.
        DictionaryWindow& w = Dictionary();
        QVERIFY(w.tiep1->isEnabled());
        w.tiep1->click();
        QCOMPARE(Captions(w.CmdB).mid(0, 2), QStringList({kA + "111", ""}));
        QVERIFY(!w.tiep1->isEnabled() && w.tiep2->isEnabled());
        w.tiep2->click();
        QCOMPARE(w.CmdB[0]->text(), kA + "1");
        QVERIFY(w.tiep1->isEnabled() && !w.tiep2->isEnabled());
        // Coming back from the meaning window shows the first page again.
        w.tiep1->click();
        w.OpenMeaning("x");
        QVERIFY(QTest::qWaitForWindowActive(&dictionary::frmMeaning().Get()));
        QCOMPARE(Open(w).CmdB[0]->text(), kA + "1");
        QVERIFY(!w.tiep2->isEnabled());
        w.tiep1->click();
        QCOMPARE(w.CmdB[0]->text(), kA + "111");
    }

    void fifteenCharacterRule() {
        // Counted in characters: a Siddham letter is one, though two units.
        DictionaryWindow& w = Dictionary();
        w.TextBox1->setFocus();
        Type(w.TextBox1, "abcdefghijklmn");
        QCOMPARE(w.TextBox1->text().size(), 14);
        Type(w.TextBox1, "o");  // the 15th typed empties the box
        QCOMPARE(w.TextBox1->text(), QString());
        w.TextBox1->setText(QString(20, 'x'));  // a longer paste stays
        QCOMPARE(w.TextBox1->text().size(), 20);
        // A picked glyph joins the box, and the list is emptied for it.
        w.TextBox1->setText(QString(12, 'x'));
        w.CmdB[0]->click();
        QCOMPARE(w.TextBox1->text(), QString(12, 'x') + kA + "1");
        QVERIFY(w.ListBox1->count() == 0 && w.ListBox1->hasFocus());
        w.TextBox1->setText(QString(13, 'x'));
        w.CmdB[0]->click();
        QCOMPARE(w.TextBox1->text(), QString());
        // An empty slot adds nothing, not the previous pick again.
        w.tiep1->click();
        w.TextBox1->setText("k");
        w.CmdB[5]->click();
        QCOMPARE(w.TextBox1->text(), "k");
        QCOMPARE(DictionaryWindow::PickedText, kA + "1");
    }

    void unusableDatabaseIsToldOncePerOpening() {
        app::AppDatabase.reset();
        app::SetProgramFolderForTesting(db_->Folder() + "/missing");
        DictionaryWindow& w = Dictionary();
        QCOMPARE(messages_, QStringList({"unexpected error", "Cannot continue"}));
        // The window stays usable, and empty.
        w.TextBox1->setText(" ");
        w.Command2->click();
        w.TextBox11->setText("a");
        w.Command4->click();
        QVERIFY(w.ListBox1->count() == 0 && w.CmdB[0]->text().isEmpty() && !w.tiep1->isEnabled());
        // Coming back tries again without a word; a new opening tells again.
        Open(dictionary::fAboutD().Get());
        Open(w);
        QCOMPARE(messages_.size(), 2);
        w.close();
        Settle();
        Dictionary();
        QCOMPARE(messages_.size(), 4);
        // A database put right is found on coming back.
        app::SetProgramFolderForTesting(db_->Folder());
        Open(dictionary::fAboutD().Get());
        QCOMPARE(Dictionary().CmdB[0]->text(), kA + "1");
        QCOMPARE(messages_.size(), 4);
    }
};

QTEST_MAIN(DictionaryTest)
#include "test_dictionary.moc"
