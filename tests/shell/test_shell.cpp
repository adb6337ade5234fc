// The application shell on Qt's offscreen platform: the icon record, the
// start-up sequence, the host's tray handling and pop-up menu, the main
// window's commands, the about box, the manual and the program's own help
// window for a desktop without an HTML program.
#include "app/Program.h"
#include "app/SharedValues.h"
#include "app/Windows.h"
#include "keyboard/Keyboards.h"
#include "shell/Artwork.h"
#include "shell/Help.h"
#include "shell/KeyboardHandler.h"
#include "shell/Shell.h"
#include "shell/Systray.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextLayout>

using namespace orv;
using shell::fAbout;
using shell::Fboard;
using shell::Fmain;

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

    // The program's windows on screen (the host never is).
    static QStringList ShownWindows() {
        QStringList names;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<app::AppWindow*>(w) && w->isVisible() &&
                !w->testAttribute(Qt::WA_DontShowOnScreen)) {
                names << w->objectName();
            }
        }
        names.sort();
        return names;
    }
    static QSystemTrayIcon* Icon() {
        return shell::FindNotifyIcon(Fboard()->Handle(), shell::kIconId);
    }
    static void EnsureIcon() {
        if (Icon()) return;
        shell::NotifyIcon(
            shell::NotifyOperation::Add,
            shell::BuildIconRecord(Fboard()->Handle(), shell::kIconId, shell::kIconFlags,
                                   shell::kIconCallbackMessage, Fboard()->windowIcon(),
                                   shell::HostWindow::IconTip()));
    }
    static void Settle() {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    static void UnloadTools() {
        keyboard::frmSiddha().Unload();
        keyboard::frmLantsa().Unload();
        fAbout().Unload();
        Settle();
    }
    static QStringList Captions(const QList<QAction*>& actions) {
        QStringList out;
        for (QAction* a : actions) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    }

  private slots:
    void initTestCase() {
        db_ = std::make_unique<test::TestDatabase>();
        QVERIFY2(db_->Ok(), qPrintable(db_->Error()));
        app::SetProgramFolderForTesting(db_->Folder());
        app::SetEndProgramHandlerForTesting([this] { ++ended_; });
        app::SetMessageHandlerForTesting([](const QString& m) { QFAIL(qPrintable(m)); });
        app::SetShowTool(app::Tool::Converter, [this] { tools_ << "Converter"; });
        app::SetShowTool(app::Tool::Dictionary, [this] { tools_ << "Dictionary"; });
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
        shell::SetDesktopOpensHtmlForTesting([this] { return desktopOpensHtml_; });

        app::InsertSpace = 1;
        app::CjkvFontName = QStringLiteral("left over");
        shell::StartProgram();
    }
    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        shell::SetDesktopOpensHtmlForTesting({});
    }
    void init() {
        tools_.clear();
        opened_.clear();
        ended_ = 0;
        desktopOpensHtml_ = true;
    }
    void cleanup() {
        Fboard()->pupMenu->hide();
        if (shell::OpenHelpWindow()) shell::OpenHelpWindow()->close();
        UnloadTools();
        EnsureIcon();
    }

    void iconRecordAndIcon() {
        const QString tip = shell::HostWindow::IconTip();
        shell::IconRecord r = shell::BuildIconRecord(42, 1, 7, 0x200, QIcon(), tip);
        QCOMPARE(r.size, 88u);
        // The program's tip (45 characters) fits whole, with its NUL.
        QCOMPARE(r.tip, tip + QChar(u'\0') + QString(18, QLatin1Char(' ')));
        QCOMPARE(r.TipText(), tip);
        // A longer tip is cut so the NUL still fits, never inside a
        // character outside the BMP.
        r = shell::BuildIconRecord(42, 1, 7, 0x200, QIcon(), QString(70, QLatin1Char('x')));
        QCOMPARE(r.tip.size(), 64);
        QCOMPARE(r.TipText(), QString(63, QLatin1Char('x')));
        r = shell::BuildIconRecord(
            42, 1, 7, 0x200, QIcon(),
            QString(62, QLatin1Char('a')) + QString::fromUcs4(U"\U00011580"));
        QCOMPARE(r.TipText(), QString(62, QLatin1Char('a')));

        // An icon is added once and deleted once, for a window of this
        // program only.
        QWidget owner;
        const auto record = shell::BuildIconRecord(owner.winId(), 5, 7, 0x200, QIcon(), tip);
        QVERIFY(shell::NotifyIcon(shell::NotifyOperation::Add, record));
        QVERIFY(!shell::NotifyIcon(shell::NotifyOperation::Add, record));
        QCOMPARE(shell::FindNotifyIcon(owner.winId(), 5)->toolTip(), tip);
        QVERIFY(shell::NotifyIcon(shell::NotifyOperation::Delete, record));
        QVERIFY(!shell::NotifyIcon(shell::NotifyOperation::Delete, record));
        QVERIFY(!shell::NotifyIcon(shell::NotifyOperation::Add,
                                   shell::BuildIconRecord(0, 5, 7, 0x200, QIcon(), tip)));
    }

    void startUpLeavesIconHostAndMainWindow() {
        shell::HostWindow& host = Fboard().Get();
        // The host stays off the screen for good.
        QVERIFY(Fboard().IsLoaded() && host.testAttribute(Qt::WA_DontShowOnScreen));
        QVERIFY(Icon() && !Icon()->icon().isNull());
        QCOMPARE(Icon()->toolTip(),
                 QStringLiteral("Press Ctrl+Up/Down to Show/Hide the Input Bar"));
        QCOMPARE(app::InsertSpace, std::int16_t(0));
        QCOMPARE(app::CjkvFontName, QString());
        QCOMPARE(shell::KeyboardHandler::HookHandler(), static_cast<shell::KeyboardHook*>(&host));
        // No X11 here: no hook, and nothing said about it.
        QVERIFY(!shell::KeyboardHandler::IsKeyboardHooked());
        // The activation at start showed the main window.
        QCOMPARE(ShownWindows(), QStringList({"Fmain"}));
    }

    void popupMenuEntriesAndActions() {
        shell::HostWindow& host = Fboard().Get();
        QCOMPARE(Captions(host.pupMenu->actions()),
                 QStringList({"About", "Help", "Dictionary", "Converter", "Pellinor", "Orvanta",
                              "-", "Exit"}));
        Fmain()->show();

        // The menu opens tools beside what is on screen.
        host.gioithieu->trigger();
        QCOMPARE(ShownWindows(), QStringList({"Fmain", "fAbout"}));
        host.how->trigger();
        QCOMPARE(opened_,
                 QList<QUrl>({QUrl::fromLocalFile(app::ProgramFolder() + "/orvanta-help.html")}));
        host.dict->trigger();
        host.hvc->trigger();
        QCOMPARE(tools_, QStringList({"Dictionary", "Converter"}));
        host.strokes->trigger();
        QVERIFY(host.isVisible());
        QCOMPARE(ShownWindows(), QStringList({"Fmain", "fAbout", "frmSiddha"}));
        // Only "Pellinor" hides the host first.
        host.pellinor->trigger();
        QVERIFY(!host.isVisible());
        QCOMPARE(ShownWindows(), QStringList({"Fmain", "fAbout", "frmLantsa", "frmSiddha"}));
        // An entry for a window already open shows that same window.
        keyboard::ScriptKeyboard* siddham = &keyboard::frmSiddha().Get();
        siddham->hide();
        host.strokes->trigger();
        QCOMPARE(&keyboard::frmSiddha().Get(), siddham);
        QVERIFY(siddham->isVisible());
        host.show();  // as the host was for the tests after this one

        // "Exit" takes the icon away, then ends the program.
        QVERIFY(Icon());
        host.thoat->trigger();
        QVERIFY(!Icon());
        QCOMPARE(ended_, 1);
    }

    void mainWindowDesign() {
        shell::MainWindow& w = Fmain().Get();
        QCOMPARE(w.windowTitle(), QStringLiteral("Orvanta 3.0"));
        QCOMPARE(Captions(w.Tools->actions()),
                 QStringList({"Orvanta", "Pellinor", "Dictionary", "Converter", "-", "Exit"}));
        QCOMPARE(Captions(w.Help->actions()), QStringList({"Contents", "About"}));
        // A client area of 3030 x 1230 twips under the menu bar, the buttons
        // two by two in tab order.
        QCOMPARE(w.size(), QSize(202, w.MenuBar->height() + 82));
        QCOMPARE(w.CommandButton3->geometry(), QRect(106, 46, 88, 28));
        QCOMPARE(w.CommandButton5->nextInFocusChain(), w.CommandButton7);
        QCOMPARE(w.CommandButton7->nextInFocusChain(), w.CommandButton6);
        QCOMPARE(w.CommandButton6->nextInFocusChain(), w.CommandButton3);
    }

    void mainWindowCommandsHandOverToTools() {
        const auto showMain = [] {
            app::ShowMainWindow();
            QCOMPARE(ShownWindows(), QStringList({"Fmain"}));
        };
        // The keyboards, by button and by menu: only the tool stays on
        // screen, and its close button brings the main window back.
        for (bool byMenu : {false, true}) {
            showMain();
            shell::MainWindow& w = Fmain().Get();
            byMenu ? w.Input_bar->trigger() : w.CommandButton5->click();
            QCOMPARE(ShownWindows(), QStringList({"frmSiddha"}));
            keyboard::frmSiddha()->mmandButton2->click();
            Settle();
            QCOMPARE(ShownWindows(), QStringList({"Fmain"}));
            QCOMPARE(&Fmain().Get(), &w);  // hidden, not unloaded

            byMenu ? w.pellinor->trigger() : w.CommandButton7->click();
            QCOMPARE(ShownWindows(), QStringList({"frmLantsa"}));
            keyboard::frmLantsa()->mmandButton2->click();
            Settle();
            QCOMPARE(ShownWindows(), QStringList({"Fmain"}));

            byMenu ? w.Dictionary->trigger() : w.CommandButton6->click();
            QVERIFY(ShownWindows().isEmpty());
            showMain();
            byMenu ? w.Converter->trigger() : w.CommandButton3->click();
            QVERIFY(ShownWindows().isEmpty());
        }
        QCOMPARE(tools_, QStringList({"Dictionary", "Converter", "Dictionary", "Converter"}));

        // "Contents" opens the manual; "About" opens the box over the main
        // window, which stays.
        showMain();
        Fmain()->Contents->trigger();
        QCOMPARE(opened_.size(), 1);
        QCOMPARE(opened_[0].toLocalFile(), shell::HelpFilePath());
        Fmain()->About->trigger();
        QCOMPARE(ShownWindows(), QStringList({"Fmain", "fAbout"}));
        fAbout()->close();
        Settle();

        // Closing the main window unloads it alone; the program goes on.
        Fmain()->close();
        Settle();
        QVERIFY(!Fmain().Exists());
        QVERIFY(Fboard().IsLoaded());
        QCOMPARE(ended_, 0);
        QVERIFY(Icon());

        // "Exit" takes away the host's icon, then ends the program.
        showMain();
        Fmain()->exit->trigger();
        QVERIFY(!Icon());
        QCOMPARE(ended_, 1);
    }

    void aboutBox() {
        // Opened while the main window is closed; closing it brings the
        // main window back all the same.
        Fmain()->close();
        Settle();
        Fboard()->gioithieu->trigger();
        shell::AboutBox& about = fAbout().Get();
        QCOMPARE(ShownWindows(), QStringList({"fAbout"}));
        QVERIFY(about.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(about.Picture.size(), about.size());
        // The address lies inside the box, under the picture's invitation.
        QCOMPARE(about.Label1->pos(), QPoint(18, 246));
        QVERIFY(about.rect().contains(about.Label1->geometry()));
        // The about box registers the host, not itself, as the handler.
        QCOMPARE(shell::KeyboardHandler::HookHandler(),
                 static_cast<shell::KeyboardHook*>(&Fboard().Get()));

        // The picture's Siddham line is drawn with real glyphs.
        QTextLayout layout(shell::AboutSiddhamLine(), QFont(QStringLiteral("siddam"), 20));
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        for (const QGlyphRun& run : layout.glyphRuns()) {
            for (quint32 glyph : run.glyphIndexes()) QVERIFY(glyph != 0);
        }

        QTest::mouseClick(about.Label1, Qt::LeftButton);
        QCOMPARE(opened_, QList<QUrl>({QUrl(shell::AuthorsAddress())}));
        about.close();
        Settle();
        QVERIFY(!fAbout().Exists());
        QCOMPARE(ShownWindows(), QStringList({"Fmain"}));
    }

    void manualBesideTheProgram() {
        QFile file(qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin/orvanta-help.html");
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const QString html = QString::fromUtf8(file.readAll());
        for (const char* topic :
             {"What Orvanta is for", "Typing with a keyboard window", "The keyboard map",
              "Pages and function keys", "Hot keys", "The converter", "The dictionary",
              "Connecting LibreOffice Writer"}) {
            QVERIFY2(html.contains(QLatin1String(topic)), topic);
        }
        QVERIFY(!html.contains(QLatin1Char('@')));  // every placeholder filled

        // The keyboard map's table is the database source's, row by row.
        QFile tsv(qEnvironmentVariable("ORVANTA_SOURCE_DIR") + "/db/data/tbl_keyboard.tsv");
        QVERIFY(tsv.open(QIODevice::ReadOnly));
        int rows = 0;
        bool header = true;
        for (const QString& line : QString::fromUtf8(tsv.readAll()).split(QLatin1Char('\n'))) {
            if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
            if (std::exchange(header, false)) continue;
            const QStringList fields = line.split(QLatin1Char('\t'));
            QVERIFY(fields.size() >= 2);
            const QString row = QStringLiteral("<tr><td><code>%1</code></td><td>%2</td></tr>")
                                    .arg(fields[0].toHtmlEscaped(), fields[1].toHtmlEscaped());
            QVERIFY2(html.contains(row), qPrintable(row));
            ++rows;
        }
        QVERIFY(rows > 0);
        QCOMPARE(html.count(QStringLiteral("<tr><td><code>")), rows);
    }

    void helpWindowWithoutHtmlProgram() {
        desktopOpensHtml_ = false;
        const QString manual = shell::HelpFilePath();
        QFile::remove(manual);

        // No manual beside the program: the window says so.
        Fmain()->Contents->trigger();
        shell::HelpWindow* window = shell::OpenHelpWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Orvanta Help"));
        QVERIFY(window->Browser()->toPlainText().contains(QStringLiteral("was not found")));
        QVERIFY(opened_.isEmpty());

        // With the manual there, the next Help shows it in the same window.
        const QString built = qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin/orvanta-help.html";
        QVERIFY(QFile::copy(built, manual));
        QFile other(app::ProgramFolder() + "/other.html");
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("<html><body><p>Another page</p></body></html>");
        other.close();
        window->hide();
        Fboard()->how->trigger();
        QCOMPARE(shell::OpenHelpWindow(), window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->Browser()->source(), QUrl::fromLocalFile(manual));
        QVERIFY(window->Browser()->toPlainText().contains(QStringLiteral("The keyboard map")));

        // A section link stays on the page and moves down to the section;
        // another page of the manual opens in the window; any other
        // address goes to the desktop.
        window->resize(600, 400);
        QTRY_VERIFY(window->Browser()->verticalScrollBar()->maximum() > 0);
        emit window->Browser()->anchorClicked(QUrl(QStringLiteral("#data")));
        QCOMPARE(window->Browser()->source(), QUrl::fromLocalFile(manual));
        QVERIFY(window->Browser()->verticalScrollBar()->value() > 0);
        emit window->Browser()->anchorClicked(QUrl(QStringLiteral("other.html")));
        QCOMPARE(window->Browser()->source(), QUrl::fromLocalFile(other.fileName()));
        emit window->Browser()->anchorClicked(QUrl(QStringLiteral("https://example.org/x")));
        QCOMPARE(opened_, QList<QUrl>({QUrl(QStringLiteral("https://example.org/x"))}));

        // Help again: the manual's start, same window. Closing deletes it.
        Fmain()->Contents->trigger();
        QCOMPARE(shell::OpenHelpWindow(), window);
        QCOMPARE(window->Browser()->source(), QUrl::fromLocalFile(manual));
        window->close();
        Settle();
        QVERIFY(!shell::OpenHelpWindow());
        QFile::remove(other.fileName());
    }

    void desktopOpensHtmlFromWhatIsInstalled() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString bin = dir.filePath("bin");
        const QString apps = dir.filePath("share/applications");
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(apps));
        const auto put = [](const QString& path, const QByteArray& text, bool program) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
            file.close();
            if (program) file.setPermissions(file.permissions() | QFile::ExeOwner);
        };
        const auto xdgMime = [&](const QByteArray& body) {
            put(bin + "/xdg-mime", "#!/bin/sh\n" + body + "\n", true);
        };
        QProcessEnvironment env;
        env.insert("PATH", bin);
        env.insert("HOME", dir.filePath("home"));
        env.insert("XDG_DATA_DIRS", dir.filePath("share"));

        // Without xdg-open only the browsers Qt tries itself count.
        QVERIFY(!shell::DesktopOpensHtml(env));
        put(bin + "/firefox", "#!/bin/sh\n", true);
        QVERIFY(shell::DesktopOpensHtml(env));
        QFile::remove(bin + "/firefox");

        // With xdg-open: the default handler counts when its desktop file
        // and its program are installed.
        put(bin + "/xdg-open", "#!/bin/sh\n", true);
        xdgMime("echo 'vendor-viewer.desktop'");
        QVERIFY(!shell::DesktopOpensHtml(env));
        QVERIFY(QDir().mkpath(apps + "/vendor"));
        put(apps + "/vendor/viewer.desktop",
            "[Desktop Action New]\nExec=sh\n[Desktop Entry]\nExec=\"html viewer\" %u\n", false);
        QVERIFY(!shell::DesktopOpensHtml(env));  // its program is missing
        put(bin + "/html viewer", "#!/bin/sh\n", true);
        QVERIFY(shell::DesktopOpensHtml(env));

        // No handler: a browser named in BROWSER, or one xdg-open falls
        // back to. A text browser is no help from a window.
        xdgMime("exit 0");
        QVERIFY(!shell::DesktopOpensHtml(env));
        put(bin + "/viewer", "#!/bin/sh\n", true);
        env.insert("BROWSER", "missing:viewer --new-window %s");
        QVERIFY(shell::DesktopOpensHtml(env));
        env.remove("BROWSER");
        put(bin + "/lynx", "#!/bin/sh\n", true);
        QVERIFY(!shell::DesktopOpensHtml(env));
        put(bin + "/x-www-browser", "#!/bin/sh\n", true);
        QVERIFY(shell::DesktopOpensHtml(env));
        QFile::remove(bin + "/x-www-browser");

        // An xdg-mime that fails or hangs counts as no handler, in bounded
        // time.
        xdgMime("echo vendor-viewer.desktop; exit 3");
        QVERIFY(!shell::DesktopOpensHtml(env));
        xdgMime("exec /bin/sleep 30");
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!shell::DesktopOpensHtml(env));
        QVERIFY(timer.elapsed() < 5000);
    }
};

QTEST_MAIN(ShellTest)
#include "test_shell.moc"
