// The application shell on Qt's offscreen platform.
#include "app/Program.h"
#include "app/SharedValues.h"
#include "app/Windows.h"
#include "keyboard/Keyboards.h"
#include "shell/Help.h"
#include "shell/KeyboardHandler.h"
#include "shell/Shell.h"
#include "shell/Systray.h"
#include "support/Glyphs.h"
#include "support/TestDatabase.h"
#include "support/WindowDriver.h"

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTextBrowser>

using namespace orv;
using namespace orv::shell;

static QStringList ShownWindows() {  // the program's, on screen (the host never is)
    QStringList names;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<app::AppWindow*>(w) && w->isVisible() &&
            !w->testAttribute(Qt::WA_DontShowOnScreen))
            names << w->objectName();
    return names;
}

class ShellTest : public QObject {
    Q_OBJECT
  public slots:
    void openUrl(const QUrl& url) { opened_ << url; }  // what the desktop would have opened

  private:
    test::TestDatabase db_;
    QStringList tools_;
    QList<QUrl> opened_;
    bool desktopOpensHtml_ = true;
    QTemporaryDir openers_;  // the desktop's program for the manual, as the rows of a test make it

    // A program that records what it was asked to open, then runs `script`.
    QString Opener(const QByteArray& script) {
        const QString path = openers_.filePath(QString::number(qHash(script)));
        QFile file(path);
        const bool made =
            file.open(QIODevice::WriteOnly) &&
            file.write("#!/bin/sh\necho \"$1\" >>" + QFile::encodeName(openers_.filePath("asked")) +
                       "\n" + script + "\n") > 0 &&
            file.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        return made ? path : QString();
    }
    QStringList Asked() {
        QFile file(openers_.filePath("asked"));
        return file.open(QIODevice::ReadOnly)
                   ? QString(file.readAll()).split('\n', Qt::SkipEmptyParts)
                   : QStringList();
    }

  private slots:
    void initTestCase() {
        QVERIFY2(db_.Ok(), qPrintable(db_.Error()));
        app::SetProgramFolderForTesting(db_.Folder());
        app::SetEndProgramHandlerForTesting([](int) {});
        app::SetMessageHandlerForTesting([](const QString& m) { QFAIL(qPrintable(m)); });
        app::SetShowTool(app::Tool::Converter, [this] { tools_ << "Converter"; });
        app::SetShowTool(app::Tool::Dictionary, [this] { tools_ << "Dictionary"; });
        for (const char* scheme : {"file", "https"})
            QDesktopServices::setUrlHandler(scheme, this, "openUrl");
        SetDesktopOpensHtmlForTesting([this] { return desktopOpensHtml_; });
        SetHelpOpenerForTesting(Opener("exit 0"));
        app::InsertSpace = 1;
        app::CjkvFontName = "left over";
        StartProgram();
    }

    void iconRecordAndStartUp() {
        // A tip too long for the record is cut, never inside a surrogate pair.
        const std::pair<QString, QString> tips[] = {
            {QString(70, 'x'), QString(63, 'x')},
            {QString(62, 'a') + test::glyphs::kA, QString(62, 'a')}};
        for (const auto& [given, shown] : tips) {
            QCOMPARE(BuildIconRecord(42, 1, 7, 0x200, QIcon(), given).TipText(), shown);
        }
        // At start: the icon, no hook without X11, the main window alone, shared values reset.
        const QSystemTrayIcon* icon = FindNotifyIcon(Fboard()->Handle(), kIconId);
        QVERIFY(!icon->icon().isNull() && icon->toolTip() == HostWindow::IconTip());
        QVERIFY(!KeyboardHandler::IsKeyboardHooked() && ShownWindows() == QStringList("Fmain"));
        QVERIFY(app::InsertSpace == 0 && app::CjkvFontName.isEmpty());
    }

    void mainWindowHandsOverToToolsAndBack() {
        MainWindow& main = Fmain().Get();
        // Each button and menu entry puts a tool in its place; a keyboard's close brings it back.
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
                test::Settle();
                QVERIFY(ShownWindows() == QStringList({"Fmain"}) && &Fmain().Get() == &main);
            }
        }
        main.Contents->trigger();
        const QString manual = QUrl::fromLocalFile(db_.Folder() + "/orvanta-help.html").toString();
        QTRY_COMPARE(Asked(), QStringList{manual});
    }

    // The help window shows the manual when the desktop's program cannot start, fails or
    // crashes within the watch; not when it does its work.
    void helpWindowWhenTheBrowserFails() {
        const std::pair<QString, bool> rows[] = {{Opener("exit 0"), false},
                                                 {Opener("exit 3"), true},
                                                 {Opener("kill -SEGV $$"), true},
                                                 {openers_.filePath("missing"), true}};
        for (const auto& [opener, window] : rows) {
            SetHelpOpenerForTesting(opener);
            if (OpenHelpWindow()) OpenHelpWindow()->close();
            test::Settle();
            ShowHelp();
            QTest::qWait(1500);
            QCOMPARE(OpenHelpWindow() != nullptr, window);
        }
        SetHelpOpenerForTesting(Opener("exit 0"));
    }

    void helpWindowWithoutHtmlProgram() {
        desktopOpensHtml_ = false;
        opened_.clear();
        // The manual in a window of the program's own, the same one again.
        const QUrl manual = QUrl::fromLocalFile(HelpFilePath());
        QVERIFY(QFile::copy(qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin/" + kHelpFileName,
                            HelpFilePath()));
        Fmain()->Contents->trigger();
        HelpWindow* window = OpenHelpWindow();
        QTextBrowser* browser = window->Browser();
        window->hide();
        Fboard()->how->trigger();
        QVERIFY(OpenHelpWindow() == window && window->isVisible() && browser->source() == manual);
        // A section link scrolls, Help again goes back to the start; other addresses go out.
        window->resize(600, 400);
        QTRY_VERIFY(browser->verticalScrollBar()->maximum() > 0);
        emit browser->anchorClicked(QUrl("#data"));
        QVERIFY(browser->source() == manual && browser->verticalScrollBar()->value() > 0);
        Fmain()->Contents->trigger();
        QCOMPARE(browser->verticalScrollBar()->value(), 0);
        emit browser->anchorClicked(QUrl("https://example.org/x"));
        QCOMPARE(opened_, QList({QUrl("https://example.org/x")}));
    }

    void desktopOpensHtmlByItsRule() {
        // BROWSER, a script on the PATH; xdg-mime finds its input at its end.
        const std::tuple<const char*, const char*, const char*, bool> rows[] = {
            {"", "", "", false},
            {"viewer %s", "", "", true},
            {"", "x-www-browser", "", true},
            {"", "xdg-mime", "read -r line; echo 'vendor-viewer.desktop;'", true},
            {"", "xdg-mime", "echo 'no default'", false},
            {"", "xdg-mime", "echo viewer.desktop; exit 3", false},
            {"", "xdg-mime", "exec /bin/sleep 30", false}};
        QElapsedTimer timer;
        timer.start();
        for (const auto& [browser, program, script, opens] : rows) {
            QTemporaryDir dir;
            QFile file(dir.filePath(program));  // closed before it runs, or it cannot start
            QVERIFY(!*program || (file.open(QIODevice::WriteOnly) &&
                                  file.write("#!/bin/sh\n" + QByteArray(script) + "\n") > 0 &&
                                  file.setPermissions(QFile::ReadOwner | QFile::ExeOwner)));
            file.close();
            QProcessEnvironment env;
            env.insert("PATH", dir.path());
            env.insert("BROWSER", browser);
            QCOMPARE(DesktopOpensHtml(env), opens);
        }
        QVERIFY(timer.elapsed() < 4000);  // 2 s for the one that hangs
    }
};

QTEST_MAIN(ShellTest)
#include "test_shell.moc"
