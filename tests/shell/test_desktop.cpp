// The shell on a real X server, as a user meets it: a standalone tray holds
// the icon, xdotool moves the pointer and types, and xev stands for the
// application the user works in. The program runs inside this test, so its
// windows can be asked directly what they show.
#include "app/Program.h"
#include "app/Windows.h"
#include "keyboard/Keyboards.h"
#include "shell/Help.h"
#include "shell/KeyboardHandler.h"
#include "shell/Shell.h"
#include "shell/XSession.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QTest>
#include <QToolTip>

#include <unistd.h>

using namespace orv;
using keyboard::frmSiddha;
using shell::fAbout;
using shell::Fboard;
using shell::Fmain;
namespace hook = shell::KeyboardHandler;

namespace {

constexpr int kTimeout = 10000;

QString Arg(const QRect& r, bool x) { return QString::number(x ? r.center().x() : r.center().y()); }

}  // namespace

class DesktopTest : public QObject {
    Q_OBJECT
  public slots:
    void openUrl(const QUrl& url) { opened_ << url; }

  private:
    std::unique_ptr<test::TestDatabase> db_;
    std::unique_ptr<QProcess> tray_;
    std::unique_ptr<QProcess> xev_;
    std::unique_ptr<test::XProbe> probe_;
    QString xevWindow_;
    QString xevLog_;
    QStringList tools_;
    QList<QUrl> opened_;

    QRect IconRect() {
        const QList<QRect> icons = probe_->TrayIcons(getpid());
        return icons.size() == 1 ? icons.first() : QRect();
    }
    bool ClickIcon(int button) {
        const QRect r = IconRect();
        return r.isValid() && test::Xdotool({"mousemove", Arg(r, true), Arg(r, false), "click",
                                             QString::number(button)});
    }
    // Picks a pop-up menu entry with the pointer, as the user would.
    bool ChooseFromMenu(QAction* action) {
        QMenu* menu = Fboard()->pupMenu;
        if (!ClickIcon(3) || !QTest::qWaitFor([menu] { return menu->isVisible(); }, kTimeout) ||
            !QTest::qWaitForWindowExposed(menu)) {
            return false;
        }
        const QRect r(menu->mapToGlobal(menu->actionGeometry(action).topLeft()),
                      menu->actionGeometry(action).size());
        return test::Xdotool({"mousemove", Arg(r, true), Arg(r, false), "click", "1"}) &&
               QTest::qWaitFor([menu] { return !menu->isVisible(); }, kTimeout);
    }
    bool FocusOtherClient() {
        return test::Xdotool({"windowfocus", "--sync", xevWindow_}) &&
               QTest::qWaitFor(
                   [this] { return QString::number(probe_->FocusWindow()) == xevWindow_; },
                   kTimeout);
    }
    // What the other client has received, up to a marker key typed now:
    // everything sent before the marker has arrived by then.
    QString OtherClientKeysUntilMarker() {
        if (!FocusOtherClient() || !test::Xdotool({"key", "m"})) return QStringLiteral("<none>");
        const bool marked = QTest::qWaitFor(
            [this] { return xevLog_.contains(QLatin1String("(keysym 0x6d, m)")); }, kTimeout);
        QString log = xevLog_;
        xevLog_.clear();
        return marked ? log.left(log.indexOf(QLatin1String("(keysym 0x6d, m)")))
                      : QStringLiteral("<no marker>");
    }
    static bool KeyboardUp() {
        if (!frmSiddha().Exists()) return false;
        keyboard::ScriptKeyboard& w = frmSiddha().Get();
        return w.isVisible() && w.isActiveWindow() && QApplication::focusWidget() == w.TextBox1;
    }
    QString Describe() {
        if (!frmSiddha().Exists()) return QStringLiteral("no keyboard");
        keyboard::ScriptKeyboard& w = frmSiddha().Get();
        const QWidget* focus = QApplication::focusWidget();
        return QStringLiteral("visible %1, active %2, focus on %3, X focus %4 (keyboard %5)")
            .arg(w.isVisible())
            .arg(w.isActiveWindow())
            .arg(focus ? focus->objectName() : QStringLiteral("nothing"))
            .arg(probe_->FocusWindow())
            .arg(w.winId());
    }
    static void Settle() {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

  private slots:
    void initTestCase() {
        db_ = std::make_unique<test::TestDatabase>();
        QVERIFY2(db_->Ok(), qPrintable(db_->Error()));
        app::SetProgramFolderForTesting(db_->Folder());
        app::SetMessageHandlerForTesting([](const QString& m) { qWarning() << "message" << m; });
        app::SetEndProgramHandlerForTesting([] {});
        app::SetShowTool(app::Tool::Converter, [this] { tools_ << "Converter"; });
        app::SetShowTool(app::Tool::Dictionary, [this] { tools_ << "Dictionary"; });
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
        // The manual goes to the desktop's handler, as on a desktop with a
        // browser; the help window is the shell test's.
        shell::SetDesktopOpensHtmlForTesting([] { return true; });

        probe_ = std::make_unique<test::XProbe>();
        QVERIFY(probe_->Ok());
        tray_ = test::StartTray();
        QTRY_VERIFY_WITH_TIMEOUT(probe_->TrayRunning(), kTimeout);

        shell::StartProgram();
        QTRY_VERIFY_WITH_TIMEOUT(IconRect().isValid(), kTimeout);
        QVERIFY(hook::IsKeyboardHooked());
        QCOMPARE(hook::InstalledHookCount(), 1);

        xev_ = test::StartHelper(QStringLiteral("xev"),
                                 {"-geometry", "300x200+400+300", "-event", "keyboard"});
        connect(xev_.get(), &QProcess::readyReadStandardOutput, this,
                [this] { xevLog_ += QString::fromLocal8Bit(xev_->readAllStandardOutput()); });
        QTRY_VERIFY_WITH_TIMEOUT(xevLog_.contains(QLatin1String("Outer window is")), kTimeout);
        const QString outer =
            xevLog_.section(QLatin1String("Outer window is "), 1).section(',', 0, 0);
        xevWindow_ = QString::number(outer.toULong(nullptr, 16));
        QVERIFY(xevWindow_ != QLatin1String("0"));
    }
    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        shell::SetDesktopOpensHtmlForTesting({});
        for (QProcess* helper : {xev_.get(), tray_.get()}) {
            if (!helper) continue;
            helper->kill();
            helper->waitForFinished(kTimeout);
        }
    }
    void init() {
        tools_.clear();
        opened_.clear();
    }
    void cleanup() {
        // Never leave a key held on the server.
        test::Xdotool({"keyup", "Up", "Down", "ctrl", "shift"});
        Fboard()->pupMenu->hide();
        frmSiddha().Unload();
        keyboard::frmLantsa().Unload();
        fAbout().Unload();
        Fboard()->show();
        Settle();
    }

    void iconShowsItsTip() {
        const QRect r = IconRect();
        // Docked in the tray at the top right of the screen.
        QVERIFY(r.top() < 24 && r.right() > 1200);
        QVERIFY(test::Xdotool({"mousemove", Arg(r, true), Arg(r, false)}));
        QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), kTimeout);
        QCOMPARE(QToolTip::text(), shell::HostWindow::IconTip());
        QVERIFY(test::Xdotool({"mousemove", "640", "700"}));
        QTRY_VERIFY_WITH_TIMEOUT(!QToolTip::isVisible(), kTimeout);
    }

    void leftClickShowsTheMainWindow() {
        Fmain()->close();
        Settle();
        QVERIFY(!Fmain().Exists());
        QVERIFY(ClickIcon(1));
        QTRY_VERIFY_WITH_TIMEOUT(Fmain().Exists() && Fmain()->isVisible(), kTimeout);
        QVERIFY(QTest::qWaitForWindowExposed(&Fmain().Get()));
        // A click elsewhere shuts the menu that a right click opened.
        QVERIFY(ClickIcon(3));
        QTRY_VERIFY_WITH_TIMEOUT(Fboard()->pupMenu->isVisible(), kTimeout);
        QVERIFY(test::Xdotool({"mousemove", "640", "700", "click", "1"}));
        QTRY_VERIFY_WITH_TIMEOUT(!Fboard()->pupMenu->isVisible(), kTimeout);
        QVERIFY(tools_.isEmpty() && opened_.isEmpty() && !fAbout().Exists());
    }

    void menuEntriesOpenTheirTools() {
        shell::HostWindow& host = Fboard().Get();
        QVERIFY(ChooseFromMenu(host.gioithieu));
        QTRY_VERIFY_WITH_TIMEOUT(fAbout().Exists() && fAbout()->isVisible(), kTimeout);
        QVERIFY(ChooseFromMenu(host.how));
        QTRY_COMPARE_WITH_TIMEOUT(
            opened_, QList<QUrl>({QUrl::fromLocalFile(shell::HelpFilePath())}), kTimeout);
        QVERIFY(ChooseFromMenu(host.dict));
        QVERIFY(ChooseFromMenu(host.hvc));
        QTRY_COMPARE_WITH_TIMEOUT(tools_, QStringList({"Dictionary", "Converter"}), kTimeout);
        QVERIFY(ChooseFromMenu(host.strokes));
        QTRY_VERIFY_WITH_TIMEOUT(frmSiddha().Exists() && frmSiddha()->isVisible(), kTimeout);
        QVERIFY(ChooseFromMenu(host.pellinor));
        QTRY_VERIFY_WITH_TIMEOUT(
            keyboard::frmLantsa().Exists() && keyboard::frmLantsa()->isVisible(), kTimeout);
        QVERIFY(!host.isVisible());
        // The host's icon and menu go on working while it is hidden.
        QVERIFY(ChooseFromMenu(host.gioithieu));
        QVERIFY(fAbout()->isVisible());
    }

    void hotKeysFromAnotherApplication() {
        // Keys that are not the hot keys reach the application in front.
        QVERIFY(FocusOtherClient());
        QVERIFY(test::Xdotool({"key", "Up", "ctrl+Left", "Down"}));
        QString seen = OtherClientKeysUntilMarker();
        QVERIFY2(seen.contains(QLatin1String("(keysym 0xff52, Up)")), qPrintable(seen));
        QVERIFY2(seen.contains(QLatin1String("(keysym 0xff51, Left)")), qPrintable(seen));
        QVERIFY2(seen.contains(QLatin1String("(keysym 0xff54, Down)")), qPrintable(seen));

        // Ctrl+Up brings up the Siddham keyboard with the caret in its box,
        // and the application never sees the Up key.
        QVERIFY(!frmSiddha().Exists());
        QVERIFY(FocusOtherClient());
        QVERIFY(test::Xdotool({"key", "ctrl+Up"}));
        QTRY_VERIFY2_WITH_TIMEOUT(KeyboardUp(), qPrintable(Describe()), kTimeout);
        QCOMPARE(probe_->FocusWindow(), frmSiddha()->winId());
        QCOMPARE(hook::LastKeyRecord.vkCode, shell::kVkUp);
        seen = OtherClientKeysUntilMarker();
        QVERIFY2(!seen.contains(QLatin1String("Up)")), qPrintable(seen));

        // Ctrl+Down closes it; once more does nothing.
        QVERIFY(FocusOtherClient());
        QVERIFY(test::Xdotool({"key", "ctrl+Down"}));
        QTRY_VERIFY_WITH_TIMEOUT(!frmSiddha().Exists(), kTimeout);
        QVERIFY(test::Xdotool({"key", "ctrl+Down"}));
        seen = OtherClientKeysUntilMarker();
        QVERIFY2(!seen.contains(QLatin1String("Down)")), qPrintable(seen));
        QVERIFY(!frmSiddha().Exists());

        // Shift makes no difference.
        QVERIFY(test::Xdotool({"key", "ctrl+shift+Up"}));
        QTRY_VERIFY2_WITH_TIMEOUT(KeyboardUp(), qPrintable(Describe()), kTimeout);
        QVERIFY(test::Xdotool({"key", "ctrl+shift+Down"}));
        QTRY_VERIFY_WITH_TIMEOUT(!frmSiddha().Exists(), kTimeout);

        // Num Lock and Caps Lock on: the hot keys still act.
        QVERIFY(FocusOtherClient());
        QVERIFY(test::Xdotool({"key", "Num_Lock", "Caps_Lock"}));
        QVERIFY(test::Xdotool({"key", "ctrl+Up"}));
        QTRY_VERIFY2_WITH_TIMEOUT(KeyboardUp(), qPrintable(Describe()), kTimeout);
        QVERIFY(test::Xdotool({"key", "ctrl+Down"}));
        QTRY_VERIFY_WITH_TIMEOUT(!frmSiddha().Exists(), kTimeout);
        QVERIFY(test::Xdotool({"key", "Num_Lock", "Caps_Lock"}));
        seen = OtherClientKeysUntilMarker();
        QVERIFY2(!seen.contains(QLatin1String("Up)")) && !seen.contains(QLatin1String("Down)")),
                 qPrintable(seen));
    }

    void heldCtrlUpRepeatsTheAction() {
        QVERIFY(FocusOtherClient());
        QVERIFY(test::Xdotool({"keydown", "ctrl", "keydown", "Up"}));
        QTRY_VERIFY2_WITH_TIMEOUT(KeyboardUp(), qPrintable(Describe()), kTimeout);
        const unsigned long keyboardWindow = frmSiddha()->winId();
        QTRY_COMPARE_WITH_TIMEOUT(probe_->FocusWindow(), keyboardWindow, kTimeout);
        // Sent elsewhere while the keys are held, the focus comes back with
        // the next auto-repeat, and again after that.
        for (int round = 0; round < 2; ++round) {
            const std::uint32_t before = hook::LastKeyRecord.time;
            QVERIFY(test::Xdotool({"windowfocus", "--sync", xevWindow_}));
            QTRY_COMPARE_WITH_TIMEOUT(probe_->FocusWindow(), keyboardWindow, kTimeout);
            QVERIFY(hook::LastKeyRecord.time != before);
        }
        QVERIFY(test::Xdotool({"keyup", "Up", "keyup", "ctrl"}));
        QVERIFY(KeyboardUp());
        const QString seen = OtherClientKeysUntilMarker();
        QVERIFY2(!seen.contains(QLatin1String("Up)")), qPrintable(seen));
    }

    void hotKeysOutliveTheAboutBox() {
        const std::uint32_t hostHook = hook::KeyboardHookHandle;
        for (int round = 0; round < 2; ++round) {
            shell::ShowModeless(fAbout().Get());
            QCOMPARE(hook::InstalledHookCount(), 2);
            QVERIFY(hook::KeyboardHookHandle != hostHook);
            // While the box is open the hot keys act too.
            QVERIFY(test::Xdotool({"key", "ctrl+Up"}));
            QTRY_VERIFY2_WITH_TIMEOUT(KeyboardUp(), qPrintable(Describe()), kTimeout);
            QVERIFY(test::Xdotool({"key", "ctrl+Down"}));
            QTRY_VERIFY_WITH_TIMEOUT(!frmSiddha().Exists(), kTimeout);
            fAbout()->close();
            Settle();
            QCOMPARE(hook::InstalledHookCount(), 1);
        }
        // The host's hook is left, and with it both hot keys.
        QVERIFY(FocusOtherClient());
        QVERIFY(test::Xdotool({"key", "ctrl+Up"}));
        QTRY_VERIFY2_WITH_TIMEOUT(KeyboardUp(), qPrintable(Describe()), kTimeout);
        QVERIFY(test::Xdotool({"key", "ctrl+Down"}));
        QTRY_VERIFY_WITH_TIMEOUT(!frmSiddha().Exists(), kTimeout);
        const QString seen = OtherClientKeysUntilMarker();
        QVERIFY2(!seen.contains(QLatin1String("Up)")) && !seen.contains(QLatin1String("Down)")),
                 qPrintable(seen));
    }
};

int main(int argc, char** argv) {
    // A server of the test's own: the keyboard grabs and the focus are
    // server-wide and must not meet other tests' windows.
    orv::test::PrivateXServer server;
    QString error;
    if (!server.Start(&error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    // Without a session bus the tray icon docks through XEmbed.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        DesktopTest test;
        result = QTest::qExec(&test, argc, argv);
    }
    return result;
}

#include "test_desktop.moc"
