// The dictionary's windows on small databases of the test's own.
#include "app/Fonts.h"
#include "app/Program.h"
#include "app/SharedValues.h"
#include "app/Windows.h"
#include "dictionary/DictionaryWindows.h"
#include "support/Glyphs.h"
#include "support/RecordingDocument.h"
#include "support/TestDatabase.h"
#include "support/WindowDriver.h"

#include <QListWidget>
#include <QLoggingCategory>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace orv;
using namespace orv::test;
using namespace orv::test::glyphs;
using dictionary::DictionaryWindow;

// The entries, and a glyph grid of `glyphs` glyphs in reverse id order.
static std::map<QString, Rows> Tables(int glyphs) {
    Rows grid;
    for (int i = glyphs; i > 0; --i) grid.append({QString::number(i), kA + QString::number(i)});
    const Rows entries{{kOm, "oṃ", "the first syllable", ""},   {kHum, "hūṃ", "seed syllable", ""},
                       {kA + "1", "a", "first a", ""},          {kA + "2", "a", "second a", ""},
                       {"x'y", "ḍākinī's", "with a quote", ""}, {"", "", "", "About"}};
    return {{"tbl_glyph", grid}, {"tbl_dictionary", entries}};
}

static DictionaryWindow& Dictionary() { return Open(dictionary::frmMdict().Get()); }

class DictionaryTest : public QObject {
    Q_OBJECT
    TestDatabase db_{Tables(111)}, db110_{Tables(110)};  // a full page and one more; one page
    QStringList messages_;
    int mainShown_ = 0;

  private slots:
    void initTestCase() {
        app::InstallFontSubstitutions();
        QVERIFY2(db_.Ok() && db110_.Ok(), qPrintable(db_.Error() + db110_.Error()));
        app::SetMessageHandlerForTesting([this](const QString& m) { messages_ << m; });
        app::SetShowMainWindow([this] { ++mainShown_; });
    }
    void init() { app::SetProgramFolderForTesting(db_.Folder()); }
    void cleanup() {
        dictionary::frmMeaning().Unload();
        dictionary::fAboutD().Unload();
        dictionary::frmMdict().Unload();
        Settle();
        mainShown_ = 0;
    }

    void searches() {
        DictionaryWindow& w = Dictionary();
        const auto items = [&] { return Captions(w.ListBox1->findItems("", Qt::MatchContains)); };
        // By native prefix: placeholder nothing, blanks everything, an empty box keeps the list.
        const std::pair<QString, int> native[] = {
            {DictionaryWindow::kScriptsPlaceholder, 0}, {"   ", 6}, {"", 6}, {kA, 2}};
        for (const auto& [text, count] : native) {
            w.TextBox1->setText(text);
            w.Command2->click();
            QVERIFY(w.ListBox1->count() == count && app::MeaningLookupMode == 1);
        }
        QCOMPARE(items(), QStringList({kA + "1", kA + "2"}));
        // By IAST prefix: duplicates kept, blanks nothing, an empty box changes only the mode.
        const std::pair<QString, QStringList> trans[] = {
            {"a", {"a", "a"}}, {"  ", {}}, {"ḍākinī'", {"ḍākinī's"}}, {"", {"ḍākinī's"}}};
        for (const auto& [text, found] : trans) {
            app::MeaningLookupMode = 1;
            w.TextBox11->setText(text);
            w.Command4->click();
            QVERIFY(items() == found && app::MeaningLookupMode == 0);
        }
        w.TextBox4->setText(kHum);  // the paste box searches by native form at once
        QVERIFY(items() == QStringList(kHum) && app::MeaningLookupMode == 1);
    }

    void meanings() {
        DictionaryWindow& w = Dictionary();
        w.move(120, 80);
        w.TextBox1->setText(kOm);
        w.Command2->click();
        w.ListBox1->setCurrentRow(0);
        QTest::mouseClick(w.ListBox1->viewport(), Qt::LeftButton, {},
                          w.ListBox1->visualItemRect(w.ListBox1->item(0)).center());
        auto& m = dictionary::frmMeaning().Get();
        QVERIFY(QTest::qWaitForWindowActive(&m) && m.pos() == QPoint(120, 80));
        const QString line = "\n------------------------\n";
        QCOMPARE(m.TextBox1->toPlainText(), "oṃ" + line + "the first syllable\n\n");
        app::MeaningLookupMode = 0;  // by transliteration, blanks aside; of two, the first
        const std::pair<QString, QString> lookups[] = {
            {" a ", kA + "1" + line + "first a\n\n"},
            {"ḍākinī's", "x'y" + line + "with a quote\n\n"},
            {"nothing like it", "No information"}};
        for (const auto& [word, meaning] : lookups) {
            m.Label->setText(word);
            QCOMPARE(m.TextBox1->toPlainText(), meaning);
        }
        m.Label->setText(kHum + kKssa + kSignI + kOm);  // shown whole: no ink on the border
        const QRect ink = InkRect(m.Label);
        QVERIFY(!m.Label->hasFocus() && ink.top() >= 2 && ink.bottom() < m.Label->height() - 2);
    }

    void glyphGridPagingAndPicking() {
        app::SetProgramFolderForTesting(db110_.Folder());  // exactly one page: no arrow on
        DictionaryWindow& full = Dictionary();
        QVERIFY(full.CmdB[0]->text() == kA + "1" && full.CmdB[109]->text() == kA + "110" &&
                !full.tiep1->isEnabled() && !full.tiep2->isEnabled());
        cleanup();
        init();
        DictionaryWindow& w = Dictionary();  // 111: the second page shows one, "<" on only
        w.tiep1->click();
        QCOMPARE(Captions(w.CmdB).mid(0, 2), QStringList({kA + "111", ""}));
        QVERIFY(!w.tiep1->isEnabled() && w.tiep2->isEnabled());
        w.tiep2->click();
        QVERIFY(w.CmdB[0]->text() == kA + "1" && w.tiep1->isEnabled() && !w.tiep2->isEnabled());
        // A pick joins the box, the 15th code point empties it (not a paste), empty slots not.
        const std::tuple<QString, int, QString> picks[] = {
            {QString(12, 'x'), 0, QString(12, 'x') + kA + "1"},  // 14, in 15 units
            {QString(13, 'x'), 0, ""},
            {"k", 5, "k"}};
        w.TextBox1->setText(QString(20, 'x'));
        QCOMPARE(w.TextBox1->text().size(), 20);
        for (const auto& [before, slot, after] : picks) {
            if (slot) w.tiep1->click();
            w.TextBox1->setText(before);
            w.CmdB[slot]->click();
            QCOMPARE(w.TextBox1->text(), after);
        }
    }

    void activationCopiesTheDocumentSelection() {
        RecordingDocument document;
        Dictionary();
        QVERIFY(!document.calls.isEmpty());
        QCOMPARE(document.calls, QStringList(document.calls.size(), "CopySelection()"));
    }

    void unusableDatabaseIsToldOncePerOpening() {
        app::AppDatabase.reset();
        app::SetProgramFolderForTesting(db_.Folder() + "/missing");
        DictionaryWindow& w = Dictionary();
        QCOMPARE(messages_, QStringList({"unexpected error", "Cannot continue"}));
        w.TextBox1->setText(" ");  // the window stays usable, and empty
        w.Command2->click();
        QVERIFY(w.ListBox1->count() == 0 && w.CmdB[0]->text().isEmpty() && !w.tiep1->isEnabled());
        // Coming back retries quietly; closing shows the main window; a new opening tells.
        Open(dictionary::fAboutD().Get());
        Open(w);
        QCOMPARE(messages_.size(), 2);
        w.close();
        Settle();
        Dictionary();
        QVERIFY(messages_.size() == 4 && mainShown_ == 1);
        app::SetProgramFolderForTesting(db_.Folder());
        Open(dictionary::fAboutD().Get());
        QVERIFY(Dictionary().CmdB[0]->text() == kA + "1" && messages_.size() == 4);
    }

    // The reason a database cannot be opened goes to "orvanta.app", off unless turned on.
    void failedOpenIsLoggedWhenTurnedOn() {
        if (qEnvironmentVariableIsSet("QT_LOGGING_RULES")) QSKIP("QT_LOGGING_RULES is set");
        static QStringList logged;
        const QtMessageHandler before = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext& context, const QString& message) {
                if (qstrcmp(context.category, "orvanta.app") == 0) logged << message;
            });
        app::SetProgramFolderForTesting(db_.Folder() + "/missing");
        for (const QString rules : {"", "orvanta.*=true"}) {
            QLoggingCategory::setFilterRules(rules);
            app::OpenAppDatabase(true);
        }
        QLoggingCategory::setFilterRules({});
        qInstallMessageHandler(before);
        QCOMPARE(logged.size(), 1);
        QVERIFY2(logged[0].contains("no orvbase.mdb in"), qPrintable(logged[0]));
    }
};

QTEST_MAIN(DictionaryTest)
#include "test_dictionary.moc"
