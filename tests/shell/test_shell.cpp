// The application shell on Qt's offscreen platform: the icon record, the
// start-up sequence, the commands of the icon's menu and the main window,
// the about box, the manual and the program's own help window.
#include "app/Program.h"
#include "app/SharedValues.h"
#include "app/Windows.h"
#include "keyboard/Keyboards.h"
#include "shell/Artwork.h"
#include "shell/Help.h"
#include "shell/KeyboardHandler.h"
#include "shell/Shell.h"
#include "shell/Systray.h"
#include "support/Glyphs.h"
#include "support/TestDatabase.h"
#include "support/WindowDriver.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextLayout>

using namespace orv;
using namespace orv::shell;
using test::Settle;

namespace {

// The program's windows on screen (the host never is).
QStringList ShownWindows() {
    QStringList names;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const bool shown = w->isVisible() && !w->testAttribute(Qt::WA_DontShowOnScreen);
        if (qobject_cast<app::AppWindow*>(w) && shown) names << w->objectName();
    }
    names.sort();
    return names;
}

QSystemTrayIcon* Icon() { return FindNotifyIcon(Fboard()->Handle(), kIconId); }

// The host's icon, again after an "Exit" took it away.
void AddIcon() {
    const WId host = Fboard()->Handle();
    NotifyIcon(NotifyOperation::Add,
               BuildIconRecord(host, kIconId, kIconFlags, kIconCallbackMessage,
                               Fboard()->windowIcon(), HostWindow::IconTip()));
}

QString BuiltManual() {
    return qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin/" + kHelpFileName;
}

}  // namespace

class ShellTest : public QObject {
    Q_OBJECT
  public slots:
    // Where the desktop would have opened an address.
    void openUrl(const QUrl& url) { opened_ << url; }

  private:
    std::unique_ptr<test::TestDatabase> db_;
    QStringList tools_;
    QList<QUrl> opened_;
    int ended_ = 0;
    bool desktopOpensHtml_ = true;

  private slots:
    void initTestCase() {
        db_ = std::make_unique<test::TestDatabase>();
        QVERIFY2(db_->Ok(), qPrintable(db_->Error()));
        app::SetProgramFolderForTesting(db_->Folder());
        app::SetEndProgramHandlerForTesting([this] { ++ended_; });
        app::SetMessageHandlerForTesting([](const QString& m) { QFAIL(qPrintable(m)); });
        app::SetShowTool(app::Tool::Converter, [this] { tools_ << "Converter"; });
        app::SetShowTool(app::Tool::Dictionary, [this] { tools_ << "Dictionary"; });
        for (const char* scheme : {"file", "https"})
            QDesktopServices::setUrlHandler(scheme, this, "openUrl");
        SetDesktopOpensHtmlForTesting([this] { return desktopOpensHtml_; });
        app::InsertSpace = 1;
        app::CjkvFontName = "left over";
        StartProgram();
    }
    void cleanupTestCase() {
        for (const char* scheme : {"file", "https"}) QDesktopServices::unsetUrlHandler(scheme);
        SetDesktopOpensHtmlForTesting({});
    }
    void cleanup() {
        if (OpenHelpWindow()) OpenHelpWindow()->close();
        keyboard::frmSiddha().Unload();
        keyboard::frmLantsa().Unload();
        fAbout().Unload();
        Settle();
        if (!Icon()) AddIcon();
        tools_.clear();
        opened_.clear();
        ended_ = 0;
        desktopOpensHtml_ = true;
    }

    void iconRecordAndIcon() {
        // The tip is followed by a NUL and blanks to 64 characters; a longer
        // one is cut so the NUL fits, never inside a surrogate pair.
        const QString tip = HostWindow::IconTip();
        const std::pair<QString, QString> tips[] = {
            {tip, tip},
            {QString(70, 'x'), QString(63, 'x')},
            {QString(62, 'a') + test::glyphs::kA, QString(62, 'a')}};
        for (const auto& [given, shown] : tips) {
            const IconRecord r = BuildIconRecord(42, 1, 7, 0x200, QIcon(), given);
            QCOMPARE(r.TipText(), shown);
            QCOMPARE(r.tip, shown + QChar(u'\0') + QString(63 - shown.size(), ' '));
        }
        // An icon is added once and deleted once, for a window of this
        // program only.
        using enum NotifyOperation;
        QWidget owner;
        const IconRecord record = BuildIconRecord(owner.winId(), 5, 7, 0x200, QIcon(), tip);
        QVERIFY(NotifyIcon(Add, record) && !NotifyIcon(Add, record));
        QCOMPARE(FindNotifyIcon(owner.winId(), 5)->toolTip(), tip);
        QVERIFY(NotifyIcon(Delete, record) && !NotifyIcon(Delete, record));
        QVERIFY(!NotifyIcon(Add, BuildIconRecord(0, 5, 7, 0x200, QIcon(), tip)));
    }

    void startUpLeavesIconHostAndMainWindow() {
        HostWindow& host = Fboard().Get();
        QVERIFY(Fboard().IsLoaded() && host.testAttribute(Qt::WA_DontShowOnScreen));
        QVERIFY(Icon() && !Icon()->icon().isNull() && Icon()->toolTip() == HostWindow::IconTip());
        QVERIFY(app::InsertSpace == 0 && app::CjkvFontName.isEmpty());  // shared values reset
        QCOMPARE(KeyboardHandler::HookHandler(), static_cast<KeyboardHook*>(&host));
        QVERIFY(!KeyboardHandler::IsKeyboardHooked());  // no X11 here
        QCOMPARE(ShownWindows(), QStringList({"Fmain"}));
    }

    void commandsOpenTheirWindows() {
        HostWindow& host = Fboard().Get();
        MainWindow& main = Fmain().Get();
        // The main window's buttons and entries hand over to a tool: the
        // main window goes; a keyboard's close button brings it back.
        const std::tuple<QPushButton*, QAction*, QString> tools[] = {
            {main.CommandButton5, main.Input_bar, "frmSiddha"},
            {main.CommandButton7, main.pellinor, "frmLantsa"},
            {main.CommandButton6, main.Dictionary, "Dictionary"},
            {main.CommandButton3, main.Converter, "Converter"}};
        for (const auto& [button, action, tool] : tools) {
            for (bool byMenu : {false, true}) {
                app::ShowMainWindow();
                byMenu ? action->trigger() : button->click();
                QCOMPARE(ShownWindows() + tools_, QStringList({tool}));
                tools_.clear();
                if (!tool.startsWith("frm")) continue;
                auto& shared = tool == "frmSiddha" ? keyboard::frmSiddha() : keyboard::frmLantsa();
                shared->mmandButton2->click();
                Settle();
                QVERIFY(ShownWindows() == QStringList({"Fmain"}) && &Fmain().Get() == &main);
            }
        }
        // "About" and the icon's menu open windows beside those on screen;
        // only "Pellinor" hides the host first. An entry for a window
        // already open shows that window.
        app::ShowMainWindow();
        main.About->trigger();
        host.strokes->trigger();
        QVERIFY(host.isVisible());
        host.pellinor->trigger();
        QVERIFY(!host.isVisible());
        QCOMPARE(ShownWindows(), QStringList({"Fmain", "fAbout", "frmLantsa", "frmSiddha"}));
        keyboard::ScriptKeyboard* siddham = &keyboard::frmSiddha().Get();
        siddham->hide();
        host.strokes->trigger();
        QVERIFY(&keyboard::frmSiddha().Get() == siddham && siddham->isVisible());
        host.show();
        host.dict->trigger();
        host.hvc->trigger();
        QCOMPARE(tools_, QStringList({"Dictionary", "Converter"}));
        host.how->trigger();
        main.Contents->trigger();
        const QUrl manual = QUrl::fromLocalFile(app::ProgramFolder() + "/orvanta-help.html");
        QCOMPARE(opened_, QList<QUrl>({manual, manual}));
        // Both "Exit" commands take the icon away, then end the program.
        for (QAction* exit : {host.thoat, main.exit}) {
            AddIcon();
            exit->trigger();
            QVERIFY(!Icon());
        }
        QCOMPARE(ended_, 2);
    }

    void aboutBoxAndClosingTheMainWindow() {
        // Closing the main window unloads it alone; the program goes on.
        Fmain()->close();
        Settle();
        QVERIFY(!Fmain().Exists() && Fboard().IsLoaded() && Icon() && ended_ == 0);
        // The about box opens alone, on top; closing it brings the main
        // window back. The host stays the hot keys' handler.
        Fboard()->gioithieu->trigger();
        AboutBox& about = fAbout().Get();
        QCOMPARE(ShownWindows(), QStringList({"fAbout"}));
        QVERIFY(about.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(about.Picture.size() == about.size() &&
                about.rect().contains(about.Label1->geometry()));
        QCOMPARE(KeyboardHandler::HookHandler(), static_cast<KeyboardHook*>(&Fboard().Get()));
        // The picture's Siddham line is drawn with real glyphs.
        QTextLayout layout(AboutSiddhamLine(), QFont("siddam", 20));
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        for (const QGlyphRun& run : layout.glyphRuns()) QVERIFY(!run.glyphIndexes().contains(0));
        QTest::mouseClick(about.Label1, Qt::LeftButton);
        QCOMPARE(opened_, QList<QUrl>({QUrl(AuthorsAddress())}));
        about.close();
        Settle();
        QVERIFY(!fAbout().Exists() && ShownWindows() == QStringList({"Fmain"}));
    }

    void manualBesideTheProgram() {
        QFile file(BuiltManual());
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const QString html = QString::fromUtf8(file.readAll());
        QVERIFY(!html.contains('@'));  // every placeholder filled
        // The keyboard map's table is the database source's, row by row.
        QFile tsv(qEnvironmentVariable("ORVANTA_SOURCE_DIR") + "/db/data/tbl_keyboard.tsv");
        QVERIFY(tsv.open(QIODevice::ReadOnly));
        QStringList rows = QString::fromUtf8(tsv.readAll()).split('\n', Qt::SkipEmptyParts);
        rows.removeIf([](const QString& row) { return row.startsWith('#'); });
        rows.removeFirst();  // the column names
        for (const QString& row : rows) {
            const QStringList f = row.split('\t');
            const QString expected = QString("<tr><td><code>%1</code></td><td>%2</td></tr>")
                                         .arg(f[0].toHtmlEscaped(), f.value(1).toHtmlEscaped());
            QVERIFY2(html.contains(expected), qPrintable(expected));
        }
        QCOMPARE(html.count("<tr><td><code>"), rows.size());
    }

    void helpWindowWithoutHtmlProgram() {
        desktopOpensHtml_ = false;
        const QString manual = HelpFilePath();
        QFile::remove(manual);
        // No manual beside the program: the window says so.
        Fmain()->Contents->trigger();
        HelpWindow* window = OpenHelpWindow();
        QVERIFY(window && window->isVisible() && opened_.isEmpty());
        QTextBrowser* browser = window->Browser();
        QVERIFY(browser->toPlainText().contains("was not found"));
        // With the manual there, the next Help shows it in the same window.
        QVERIFY(QFile::copy(BuiltManual(), manual));
        QFile other(app::ProgramFolder() + "/other.html");
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("<p>Another page</p>") > 0);
        other.close();
        window->hide();
        Fboard()->how->trigger();
        QVERIFY(OpenHelpWindow() == window && window->isVisible());
        QCOMPARE(browser->source(), QUrl::fromLocalFile(manual));
        QVERIFY(browser->toPlainText().contains("The keyboard map"));
        // A section link moves down the same page; another page of the
        // manual opens in the window; any other address goes to the desktop.
        window->resize(600, 400);
        QTRY_VERIFY(browser->verticalScrollBar()->maximum() > 0);
        emit browser->anchorClicked(QUrl("#data"));
        QCOMPARE(browser->source(), QUrl::fromLocalFile(manual));
        QVERIFY(browser->verticalScrollBar()->value() > 0);
        Fmain()->Contents->trigger();  // Help again: the manual's start
        QCOMPARE(browser->verticalScrollBar()->value(), 0);
        emit browser->anchorClicked(QUrl("other.html"));
        QCOMPARE(browser->source(), QUrl::fromLocalFile(other.fileName()));
        emit browser->anchorClicked(QUrl("https://example.org/x"));
        QCOMPARE(opened_, QList<QUrl>({QUrl("https://example.org/x")}));
        // Help from another page: the manual, same window. Closing deletes it.
        Fmain()->Contents->trigger();
        QVERIFY(OpenHelpWindow() == window && browser->source() == QUrl::fromLocalFile(manual));
        window->close();
        Settle();
        QVERIFY(!OpenHelpWindow());
        QFile::remove(other.fileName());
    }

    void desktopOpensHtmlByItsRule() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("bin"));
        // Writes a script into bin, or takes it away. It is closed before it
        // runs: a program open for writing cannot be started.
        const auto install = [&](const char* name, const char* script) {
            QFile file(dir.filePath(QString("bin/") + name));
            file.remove();
            if (!script) return;
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\n" + QByteArray(script) + "\n");
            file.setPermissions(file.permissions() | QFile::ExeOwner);
        };
        // BROWSER, xdg-mime's script, x-www-browser's script (null: none).
        // xdg-mime must find its input at its end, and may fail or hang.
        const std::tuple<const char*, const char*, const char*, bool> rows[] = {
            {"", nullptr, nullptr, false},
            {"viewer %s", nullptr, nullptr, true},
            {"", nullptr, "", true},
            {"", "cat; echo 'vendor-viewer.desktop;'", nullptr, true},
            {"", "echo 'no default'", nullptr, false},
            {"", "echo viewer.desktop; exit 3", nullptr, false},
            {"", "exec /bin/sleep 30", nullptr, false}};
        QElapsedTimer timer;
        timer.start();
        for (const auto& [browser, xdgMime, xWwwBrowser, opens] : rows) {
            install("xdg-mime", xdgMime);
            install("x-www-browser", xWwwBrowser);
            QProcessEnvironment env;
            env.insert("PATH", dir.filePath("bin"));
            env.insert("BROWSER", browser);
            QCOMPARE(DesktopOpensHtml(env), opens);
        }
        QVERIFY(timer.elapsed() < 4000);
    }
};

QTEST_MAIN(ShellTest)
#include "test_shell.moc"
