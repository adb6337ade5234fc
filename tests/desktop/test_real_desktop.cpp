// Orvanta on a desktop as a user has it: the built program on a private X
// server with a real window manager (openbox, default configuration), a
// tray, another application, and a real Writer on a pipe and profile of the
// test's own. Everything goes through xdotool, as the user's hands; the
// test sees what the user sees: windows, the keyboard focus, the document.
#include "support/Desktop.h"
#include "support/Glyphs.h"
#include "word/TestOffice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace orv;
using namespace orv::test::glyphs;
using test::Xdotool;

namespace {

constexpr int kTimeout = 20000;
const QString kMainTitle = QStringLiteral("Orvanta 3.0");
constexpr int kKeyboardWidth = 707;

const QString kHrih = kHa + kVirama + QStringLiteral("\U000115A8\U000115B1") + kVisarga;

QString Num(int n) { return QString::number(n); }

}  // namespace

class RealDesktopTest : public QObject {
    Q_OBJECT
    test::Desktop desktop_;
    word::test::TestOffice office_;
    QTemporaryDir runtime_;
    std::unique_ptr<QProcess> program_;

    test::XProbe& Probe() { return desktop_.Probe(); }

    // The program from `folder`, writing to the test's own office.
    std::unique_ptr<QProcess> Start(const QString& folder) {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
        environment.insert(QStringLiteral("ORVANTA_OFFICE_PIPE"), office_.PipeName());
        return test::StartHelper(folder + QStringLiteral("/orvanta"), {}, environment);
    }
    static QString Built() { return qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin"; }
    bool Running() { return program_ && program_->state() == QProcess::Running; }
    QList<unsigned long> Shown(const QString& title = QString()) {
        return Probe().ShownWindows(program_->processId(), title);
    }
    QList<QRect> Icons() { return Probe().TrayIcons(program_->processId()); }
    unsigned long Keyboard() {
        for (unsigned long w : Shown()) {
            if (Probe().Geometry(w).width() == kKeyboardWidth) return w;
        }
        return 0;
    }
    bool KeyboardHasFocus() {
        const unsigned long keyboard = Keyboard();
        return keyboard != 0 && Probe().FocusWindow() == keyboard;
    }
    // A point of the keyboard window's design, in pixels from its corner.
    bool ClickKeyboard(QPoint at) {
        const QPoint p = Probe().Geometry(Keyboard()).topLeft() + at;
        return Xdotool({"mousemove", Num(p.x()), Num(p.y()), "click", "1"});
    }
    static QPoint Candidate(int i) { return {108 + 48 * i, 47}; }
    static QPoint Reading(int i) { return {108 + 48 * i, 15}; }
    // Opens the icon's menu and picks an entry with the keyboard.
    bool Choose(const QStringList& keys) {
        const QList<unsigned long> before = Shown();
        const QList<QRect> icons = Icons();
        if (icons.size() != 1) return false;
        const QPoint c = icons[0].center();
        // A second right click within the double-click time is no request
        // for the menu.
        QTest::qWait(500);
        if (!Xdotool({"mousemove", Num(c.x()), Num(c.y()), "click", "3"})) return false;
        unsigned long menu = 0;
        const auto opened = [&] {
            for (unsigned long w : Shown()) menu = before.contains(w) ? menu : w;
            return menu != 0;
        };
        return QTest::qWaitFor(opened, kTimeout) &&
               Xdotool(QStringList{"key"} + keys + QStringList{"Return"}) &&
               QTest::qWaitFor([&] { return !Shown().contains(menu); }, kTimeout);
    }
    bool Ended() {
        return program_->waitForFinished(kTimeout) &&
               program_->exitStatus() == QProcess::NormalExit && program_->exitCode() == 0;
    }

  private slots:
    void initTestCase() {
        QString error;
        QVERIFY2(desktop_.Start(&error), qPrintable(error));
        QVERIFY2(office_.Start(), "the headless office did not start");
        QVERIFY(office_.NewDocument());
        // Another program holds Ctrl+Shift+Up, and the window manager holds
        // Ctrl+Alt+Up and Ctrl+Alt+Down, before Orvanta starts.
        QVERIFY(Probe().GrabKey("Up", {"shift"}));
        program_ = Start(Built());
        QTRY_COMPARE_WITH_TIMEOUT(Icons().size(), 1, kTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(Shown(kMainTitle).size(), 1, kTimeout);
    }
    void cleanupTestCase() {
        if (Running()) program_->kill();
    }

    void startsOnceAndLivesInTheTray() {
        // A second start ends at once and adds nothing.
        auto second = Start(Built());
        QVERIFY(second->waitForFinished(kTimeout));
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(Shown(kMainTitle).size(), 1);
        // Closing the main window leaves the program in the tray; a left
        // click on the icon brings it back.
        Probe().Close(Shown(kMainTitle).first());
        QTRY_VERIFY_WITH_TIMEOUT(Shown(kMainTitle).isEmpty(), kTimeout);
        QVERIFY(Running());
        const QPoint icon = Icons().first().center();
        QVERIFY(Xdotool({"mousemove", Num(icon.x()), Num(icon.y()), "click", "1"}));
        QTRY_COMPARE_WITH_TIMEOUT(Shown(kMainTitle).size(), 1, kTimeout);
    }

    void hotKeysFromAnotherApplication() {
        // Other keys reach the application in front.
        QVERIFY(desktop_.FocusOtherApplication());
        QVERIFY(Xdotool({"key", "Up", "ctrl+Left", "Down"}));
        QString seen = desktop_.KeysReachingOtherApplication();
        QVERIFY2(seen.contains("Up)") && seen.contains("Left)") && seen.contains("Down)"),
                 qPrintable(seen));
        // Ctrl+Up opens the Siddham keyboard with the focus in it, and
        // Ctrl+Down closes it: with CapsLock and NumLock off, then on.
        for (const char* locks : {"", "Num_Lock Caps_Lock"}) {
            if (*locks) QVERIFY(Xdotool(QStringList{"key"} + QString(locks).split(' ')));
            QVERIFY(desktop_.FocusOtherApplication());
            QVERIFY(Xdotool({"key", "ctrl+Up"}));
            QTRY_VERIFY_WITH_TIMEOUT(KeyboardHasFocus(), kTimeout);
            QVERIFY(Xdotool({"key", "ctrl+Down"}));
            QTRY_COMPARE_WITH_TIMEOUT(Keyboard(), 0ul, kTimeout);
        }
        QVERIFY(Xdotool({"key", "Num_Lock", "Caps_Lock"}));
        seen = desktop_.KeysReachingOtherApplication();
        QVERIFY2(!seen.contains("Up)") && !seen.contains("Down)"), qPrintable(seen));
        // Held down, Ctrl+Up takes the focus back on every repeat.
        QVERIFY(Xdotool({"keydown", "ctrl", "keydown", "Up"}));
        QTRY_VERIFY_WITH_TIMEOUT(KeyboardHasFocus(), kTimeout);
        QVERIFY(desktop_.FocusOtherApplication());
        QTRY_VERIFY_WITH_TIMEOUT(KeyboardHasFocus(), kTimeout);
        QVERIFY(Xdotool({"keyup", "Up", "keyup", "ctrl"}));
        // The about box's own hook goes with it; the program's stays.
        QVERIFY(Choose({"Down"}));
        QTRY_COMPARE_WITH_TIMEOUT(Shown(QStringLiteral("About")).size(), 1, kTimeout);
        Probe().Close(Shown(QStringLiteral("About")).first());
        QTRY_VERIFY_WITH_TIMEOUT(Shown(QStringLiteral("About")).isEmpty(), kTimeout);
        QVERIFY(Xdotool({"key", "ctrl+Down"}));
        QTRY_COMPARE_WITH_TIMEOUT(Keyboard(), 0ul, kTimeout);
    }

    void typingIntoWriter() {
        QVERIFY(Xdotool({"key", "ctrl+Up"}));
        QTRY_VERIFY_WITH_TIMEOUT(KeyboardHasFocus(), kTimeout);
        QVERIFY(Xdotool({"type", "--delay", "30", "o.m"}));
        QVERIFY(Xdotool({"key", "F1"}));
        QTRY_COMPARE_WITH_TIMEOUT(office_.Text(), kOm, kTimeout);
        QVERIFY(Xdotool({"type", "--delay", "30", "hrii.h"}));
        QTest::qWait(300);
        QVERIFY(ClickKeyboard(Candidate(0)));
        QTRY_COMPARE_WITH_TIMEOUT(office_.Text(), kOm + kHrih, kTimeout);
        QVERIFY(Xdotool({"type", "--delay", "30", "k.sa"}));
        QVERIFY(Xdotool({"key", "F1"}));
        QTRY_COMPARE_WITH_TIMEOUT(office_.Text(), kOm + kHrih + kKssa, kTimeout);
        // Alt+Enter breaks the paragraph, Shift+Enter writes what was typed.
        QVERIFY(Xdotool({"key", "alt+Return", "shift+Return"}));
        QTRY_COMPARE_WITH_TIMEOUT(office_.Text(), kOm + kHrih + kKssa + "\nkṣa", kTimeout);
        // The clicked glyph carries the script font; F1 takes the font found
        // in the document (its own at first, the script font after a click).
        const auto portions = office_.Portions();
        QVERIFY(portions.size() >= 2);
        QVERIFY(portions[0].text == kOm && portions[0].complex != "siddam");
        QCOMPARE(portions[1].text, kHrih + kKssa);
        QCOMPARE(portions[1].complex, QStringLiteral("siddam"));
    }

    void draggingByAReadingNeverWrites() {
        const unsigned long keyboard = Keyboard();
        QVERIFY(keyboard != 0);
        const QRect before = Probe().Geometry(keyboard);
        const QPoint from = before.topLeft() + Reading(0);
        QVERIFY(Xdotool({"mousemove", Num(from.x()), Num(from.y()), "mousedown", "1"}));
        for (int step = 1; step <= 10; ++step) {
            QVERIFY(Xdotool({"mousemove", Num(from.x() + 8 * step), Num(from.y() + 5 * step)}));
        }
        QVERIFY(Xdotool({"mouseup", "1"}));
        QTRY_COMPARE_WITH_TIMEOUT(Probe().Geometry(keyboard).topLeft(),
                                  before.topLeft() + QPoint(80, 50), kTimeout);
        const QString written = office_.Text();
        QTest::qWait(1000);
        QCOMPARE(office_.Text(), written);
        // A click that does not move writes the reading.
        QVERIFY(ClickKeyboard(Reading(0)));
        QTRY_COMPARE_WITH_TIMEOUT(office_.Text(), written + "kṣa", kTimeout);
        QVERIFY(Xdotool({"key", "ctrl+Down"}));
        QTRY_COMPARE_WITH_TIMEOUT(Keyboard(), 0ul, kTimeout);
    }

    void menuOpensToolsAndExitEnds() {
        QVERIFY(Choose({"Down", "Down", "Down"}));
        QTRY_COMPARE_WITH_TIMEOUT(Shown(QStringLiteral("Dictionary")).size(), 1, kTimeout);
        QVERIFY(Choose({"Down", "Down", "Down", "Down"}));
        QTRY_COMPARE_WITH_TIMEOUT(Shown(QStringLiteral("Siddham Converter")).size(), 1, kTimeout);
        QVERIFY(Choose({"Up"}));
        QVERIFY(Ended());
    }

    // With an unusable database the dictionary tells so once, then stays
    // usable: closing a message box under a window manager hands the
    // activation back, which must not tell it again.
    void unusableDatabaseIsToldOnce() {
        QTemporaryDir folder;
        QVERIFY(QFile::copy(Built() + "/orvanta", folder.filePath("orvanta")));
        QFile garbage(folder.filePath("orvbase.mdb"));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(8192, 'x'));
        garbage.close();
        program_ = Start(folder.path());
        QTRY_COMPARE_WITH_TIMEOUT(Shown(kMainTitle).size(), 1, kTimeout);
        // The main window's "Dictionary" button: the main window gives way.
        const QPoint button =
            Probe().Geometry(Shown(kMainTitle).first()).topLeft() + QPoint(52, 84);
        QVERIFY(Xdotool({"mousemove", Num(button.x()), Num(button.y()), "click", "1"}));
        QList<unsigned long> told;
        QElapsedTimer quiet;
        quiet.start();
        while (quiet.elapsed() < 3000 && told.size() <= 4) {
            for (unsigned long w : Shown(QStringLiteral("Orvanta"))) {
                if (told.contains(w) || Probe().Geometry(w).width() == kKeyboardWidth) continue;
                told << w;
                // OK, clicked as a user does, after reading (the box's only
                // button, at its bottom right).
                QTest::qWait(800);
                const QRect box = Probe().Geometry(w);
                QVERIFY(Xdotool(
                    {"mousemove", Num(box.right() - 50), Num(box.bottom() - 22), "click", "1"}));
                quiet.restart();
            }
            QTest::qWait(100);
        }
        QCOMPARE(told.size(), 2);  // "unexpected error", "Cannot continue"
        QCOMPARE(Shown(QStringLiteral("Dictionary")).size(), 1);
        QVERIFY(Choose({"Up"}));
        QVERIFY(Ended());
    }
};

QTEST_GUILESS_MAIN(RealDesktopTest)

#include "test_real_desktop.moc"
