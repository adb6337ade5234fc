// The built program on a private desktop, driven by xdotool, writing into a Writer of its own.
#include "support/Desktop.h"
#include "support/Glyphs.h"
#include "word/TestOffice.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QTest>

using namespace orv;
using namespace orv::test::glyphs;
using test::Xdotool;

#define TRY(expr) QTRY_VERIFY_WITH_TIMEOUT((expr), kTimeout)
#define TRY_COMPARE(actual, expected) QTRY_COMPARE_WITH_TIMEOUT(actual, expected, kTimeout)

static constexpr int kTimeout = 20000;
static constexpr int kKeyboardWidth = 707;
static const QString kMain = QStringLiteral("Orvanta 3.0");
static const QString kHrih = kHa + kVirama + QStringLiteral("\U000115A8\U000115B1") + kVisarga;
// The first candidate and the first reading, from the keyboard's corner.
static const QPoint kCandidate{108, 47}, kReading{108, 15};

static QString Num(int n) { return QString::number(n); }
static bool Click(QPoint p, const char* button = "1") {
    return Xdotool({"mousemove", Num(p.x()), Num(p.y()), "click", button});
}

class RealDesktopTest : public QObject {
    Q_OBJECT
    test::Desktop desktop_;
    word::test::TestOffice office_;
    QTemporaryDir runtime_;
    std::unique_ptr<QProcess> program_;
    QString log_;  // the program's standard error so far

    // Writing to the test's office (or to a pipe none listens on), telling where picks go.
    std::unique_ptr<QProcess> Start(const QString& folder, const QStringList& options = {},
                                    bool office = true) {
        QProcessEnvironment environment;
        environment.insert("XDG_RUNTIME_DIR", runtime_.path());
        environment.insert("ORVANTA_OFFICE_PIPE", office ? office_.PipeName() : "orvtest-none");
        environment.insert("QT_LOGGING_RULES", "orvanta.keyboard.info=true");
        log_.clear();
        return test::StartHelper(folder + "/orvanta", options, environment);
    }
    // Waits until the indicator's latest text, as the program logs it, holds `what`.
    bool Indicates(const QString& what) {
        return QTest::qWaitFor(
            [&] {
                log_ += QString::fromUtf8(program_->readAllStandardError());
                const QStringList told = log_.split('\n').filter("Picks: ");
                return !told.isEmpty() && told.last().contains("Picks: " + what);
            },
            kTimeout);
    }
    int SecondStart(const QStringList& options) {  // its exit status
        const auto second = Start(Built(), options);
        return second->waitForFinished(kTimeout) ? second->exitCode() : -1;
    }
    static QString Built() { return qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin"; }
    QList<unsigned long> Shown(const QString& title = {}, bool icons = false) {
        return desktop_.Windows(program_->processId(), icons, title);
    }
    QPoint Icon() {
        const auto icons = Shown({}, true);
        return icons.size() == 1 ? desktop_.Geometry(icons[0]).center() : QPoint();
    }
    unsigned long Keyboard() {
        for (unsigned long w : Shown())
            if (desktop_.Geometry(w).width() == kKeyboardWidth) return w;
        return 0;
    }
    bool KeyboardHasFocus() { return Keyboard() && desktop_.FocusWindow() == Keyboard(); }
    bool ClickKeyboard(QPoint at) { return Click(desktop_.Geometry(Keyboard()).topLeft() + at); }
    bool HotKey(const char* key, bool opens) {  // Ctrl+Up opens with the focus, Ctrl+Down closes
        return Xdotool({"key", key}) &&
               QTest::qWaitFor([&] { return opens ? KeyboardHasFocus() : !Keyboard(); }, kTimeout);
    }
    // Opens the icon's menu and picks an entry with the keyboard.
    bool Choose(const QStringList& keys) {
        const QList<unsigned long> before = Shown();
        QTest::qWait(500);  // a second right click within the double-click time opens no menu
        if (Icon().isNull() || !Click(Icon(), "3")) return false;
        unsigned long menu = 0;
        const auto opened = [&] {
            for (unsigned long w : Shown()) menu = before.contains(w) ? menu : w;
            return menu != 0;
        };
        return QTest::qWaitFor(opened, kTimeout) &&
               Xdotool(QStringList{"key"} + keys << "Return") &&
               QTest::qWaitFor([&] { return !Shown().contains(menu); }, kTimeout);
    }
    bool Exit() {  // by the menu's last entry
        return Choose({"Up"}) && program_->waitForFinished(kTimeout) &&
               program_->exitStatus() == QProcess::NormalExit && program_->exitCode() == 0;
    }

  private slots:
    void initTestCase() {
        const QString error = desktop_.Start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(office_.Start() && office_.NewDocument());
        // Before the start, another program holds Ctrl+Shift+Up, openbox Ctrl+Alt+Up/Down.
        QVERIFY(desktop_.GrabCtrlShiftKey("Up"));
        program_ = Start(Built());
        TRY(!Icon().isNull() && Shown(kMain).size() == 1);
    }

    void closedToTheTrayAndBack() {
        desktop_.Close(Shown(kMain).first());
        TRY(Shown(kMain).isEmpty());
        QVERIFY(program_->state() == QProcess::Running);
        QVERIFY(Click(Icon()));
        TRY_COMPARE(Shown(kMain).size(), 1);
    }

    void hotKeysFromAnotherApplication() {
        QVERIFY(desktop_.FocusOtherApplication());
        QVERIFY(Xdotool({"key", "Up", "ctrl+Left", "Down"}));  // other keys reach it
        QString seen = desktop_.KeysReachingOtherApplication();
        QVERIFY2(seen.contains("Up)") && seen.contains("Left)") && seen.contains("Down)"),
                 qPrintable(seen));
        for (const char* locks : {"", "Num_Lock Caps_Lock"}) {  // lock states off, then on
            if (*locks) QVERIFY(Xdotool(QStringList{"key"} + QString(locks).split(' ')));
            QVERIFY(desktop_.FocusOtherApplication());
            QVERIFY(HotKey("ctrl+Up", true) && HotKey("ctrl+Down", false));
        }
        QVERIFY(Xdotool({"key", "Num_Lock", "Caps_Lock"}));
        seen = desktop_.KeysReachingOtherApplication();
        QVERIFY2(!seen.contains("Up)") && !seen.contains("Down)"), qPrintable(seen));
        // Held down, Ctrl+Up takes the focus back on every repeat.
        QVERIFY(Xdotool({"keydown", "ctrl", "keydown", "Up"}));
        TRY(KeyboardHasFocus());
        QVERIFY(desktop_.FocusOtherApplication());
        TRY(KeyboardHasFocus());
        QVERIFY(Xdotool({"keyup", "Up", "keyup", "ctrl"}));
        // The about box's own hook goes with it; the program's stays.
        QVERIFY(Choose({"Down"}));
        TRY_COMPARE(Shown("About").size(), 1);
        desktop_.Close(Shown("About").first());
        TRY(Shown("About").isEmpty());
        QVERIFY(HotKey("ctrl+Down", false));
    }

    void typingIntoWriter() {
        QVERIFY(HotKey("ctrl+Up", true));
        QVERIFY(Xdotool({"type", "--delay", "30", "o.m"}) && Xdotool({"key", "F1"}));
        TRY_COMPARE(office_.Text(), kOm);
        QVERIFY(Xdotool({"type", "--delay", "30", "hrii.h"}));
        QTest::qWait(300);
        QVERIFY(ClickKeyboard(kCandidate));
        TRY_COMPARE(office_.Text(), kOm + kHrih);
        QVERIFY(Xdotool({"type", "--delay", "30", "k.sa"}) && Xdotool({"key", "F1"}));
        TRY_COMPARE(office_.Text(), kOm + kHrih + kKssa);
        // Alt+Enter breaks the paragraph, Shift+Enter writes what was typed.
        QVERIFY(Xdotool({"key", "alt+Return", "shift+Return"}));
        TRY_COMPARE(office_.Text(), kOm + kHrih + kKssa + "\nkṣa");
        // A clicked glyph takes the script font; F1 the document's font there.
        const auto portions = office_.Portions();
        QVERIFY(portions.size() >= 2);
        QVERIFY(portions[0].text == kOm && portions[0].complex != "siddam");
        QCOMPARE(portions[1].text, kHrih + kKssa);
        QCOMPARE(portions[1].complex, QStringLiteral("siddam"));
        // Space keeps the candidates of what was typed; a letter typed on a candidate starts
        // the next lookup (ka is never written); Shift+Space writes a blank.
        const QString gate = QStringLiteral("\U00011590\U0001159D") + kSignE;
        for (const char* step : {"type ga", "key space F1", "type ka", "key space", "type te",
                                 "key space F1 shift+space"}) {
            const QStringList words = QString(step).split(' ');
            QVERIFY(Xdotool(words.mid(0, 1) + QStringList{"--delay", "60"} + words.mid(1)));
        }
        TRY_COMPARE(office_.Text(), kOm + kHrih + kKssa + "\nkṣa" + gate + " ");
    }

    void draggingByAReadingNeverWrites() {
        const unsigned long keyboard = Keyboard();
        QVERIFY(keyboard != 0);
        const QPoint corner = desktop_.Geometry(keyboard).topLeft(), from = corner + kReading;
        QVERIFY(Xdotool({"mousemove", Num(from.x()), Num(from.y()), "mousedown", "1"}));
        for (int step = 1; step <= 10; ++step)
            QVERIFY(Xdotool({"mousemove", Num(from.x() + 8 * step), Num(from.y() + 5 * step)}));
        QVERIFY(Xdotool({"mouseup", "1"}));
        TRY_COMPARE(desktop_.Geometry(keyboard).topLeft(), corner + QPoint(80, 50));
        const QString written = office_.Text();
        QTest::qWait(1000);
        QCOMPARE(office_.Text(), written);
        QVERIFY(ClickKeyboard(kReading));  // a click that does not move writes the reading
        TRY_COMPARE(office_.Text(), written + "te");
        QVERIFY(HotKey("ctrl+Down", false));
    }

    // Writer running, stopped (a pick waits, then is dropped and told), running again.
    void indicatorTellsWhereGlyphsGo() {
        QVERIFY(HotKey("ctrl+Up", true));
        QVERIFY(Xdotool({"type", "--delay", "30", "ka"}) && Xdotool({"key", "F1"}));
        TRY(office_.Text().endsWith(kKa));
        const QString written = office_.Text();
        QVERIFY(Indicates("\u2192 Writer"));
        office_.Pause();
        QVERIFY(Xdotool({"key", "F1"}));
        QVERIFY(Indicates("\u231B Writer (1)"));
        QVERIFY(Indicates("1 not written"));  // after the bridge's ten seconds
        office_.Resume();
        QVERIFY(Xdotool({"key", "F1"}));
        QVERIFY(Indicates("\u2192 Writer"));
        TRY_COMPARE(office_.Text(), written + kKa);
        QVERIFY(HotKey("ctrl+Down", false));
    }

    // A second start has the running program open a tool; anything else on its socket does nothing.
    void secondStartsOpenTools() {
        const QList<unsigned long> before = Shown();
        QCOMPARE(SecondStart({}), 0);
        QTest::qWait(1000);
        QCOMPARE(Shown(), before);
        QVERIFY(desktop_.FocusOtherApplication());
        QCOMPARE(SecondStart({"--siddham"}), 0);
        TRY(KeyboardHasFocus());
        QCOMPARE(SecondStart({"--dictionary"}), 0);
        TRY_COMPARE(Shown("Dictionary").size(), 1);
        const QList<unsigned long> open = Shown();
        const QStringList sockets = QDir(runtime_.path()).entryList({"*.sock"}, QDir::System);
        QCOMPARE(sockets.size(), 1);
        QLocalSocket silent, garbage, flood;
        for (QLocalSocket* client : {&silent, &garbage, &flood}) {
            client->connectToServer(runtime_.filePath(sockets.first()));
            QVERIFY(client->waitForConnected(kTimeout));
        }
        garbage.write("open main\n");
        flood.write(QByteArray(1 << 22, 'x'));
        TRY(garbage.state() == QLocalSocket::UnconnectedState && garbage.readAll().isEmpty());
        TRY(flood.state() == QLocalSocket::UnconnectedState);
        TRY(silent.state() == QLocalSocket::UnconnectedState);
        QCOMPARE(Shown(), open);
        QCOMPARE(SecondStart({"--converter"}), 0);  // it still answers
        TRY_COMPARE(Shown("Siddham Converter").size(), 1);
        for (const char* tool : {"Dictionary", "Siddham Converter"}) {
            desktop_.Close(Shown(tool).first());
            TRY(Shown(tool).isEmpty());
        }
        QVERIFY(HotKey("ctrl+Down", false));
    }

    void menuOpensToolsAndExitEnds() {
        for (const auto& [downs, tool] : {std::pair{3, "Dictionary"}, {4, "Siddham Converter"}}) {
            QVERIFY(Choose(QStringList(downs, "Down")));
            TRY_COMPARE(Shown(tool).size(), 1);
        }
        QVERIFY(Exit());
    }

    void firstStartWithATool() {  // the program starts and opens it; no office: the history
        program_ = Start(Built(), {"--lantsa"}, false);
        TRY(Shown(kMain).size() == 1 && Keyboard() && desktop_.FocusWindow() == Keyboard());
        QVERIFY(Xdotool({"type", "--delay", "30", "ka"}) && Xdotool({"key", "F1"}));
        QVERIFY2(Indicates("\u2192 history"), qPrintable(log_));
        QVERIFY(Exit());
    }

    // Without a notification area, a second start shows the main window; the icon comes with
    // the area.
    void withoutANotificationArea() {
        QVERIFY(desktop_.StopTray());
        program_ = Start(Built());
        TRY_COMPARE(Shown(kMain).size(), 1);
        desktop_.Close(Shown(kMain).first());
        TRY(Shown(kMain).isEmpty());
        QCOMPARE(SecondStart({}), 0);
        TRY_COMPARE(Shown(kMain).size(), 1);
        QVERIFY(desktop_.StartTray());
        TRY(!Icon().isNull());
        QVERIFY(Exit());
    }

    // Told once, though closing the message box by mouse hands the activation back; each box
    // wide enough for its title, one line on standard error naming the file; a keyboard then
    // ends the program with status 1.
    void unusableDatabaseIsToldOnce() {
        QTemporaryDir folder;
        QVERIFY(QFile::copy(Built() + "/orvanta", folder.filePath("orvanta")));
        QFile garbage(folder.filePath("orvbase.mdb"));
        QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write(QByteArray(8192, 'x')));
        garbage.close();
        program_ = Start(folder.path());
        TRY_COMPARE(Shown(kMain).size(), 1);
        const auto boxesTold = [&] {  // the message boxes shown, each read and closed by its OK
            QList<unsigned long> boxes;
            QElapsedTimer quiet;
            quiet.start();
            while (quiet.elapsed() < 3000 && boxes.size() <= 4 &&
                   program_->state() == QProcess::Running) {
                for (unsigned long w : Shown("Orvanta")) {
                    const QRect at = desktop_.Geometry(w);  // empty once the program ended
                    if (boxes.contains(w) || at.isEmpty() || at.width() == kKeyboardWidth) continue;
                    boxes << w;
                    if (at.width() < 280) return QList<unsigned long>();  // title cut
                    QTest::qWait(800);  // the box's only button, bottom right
                    if (!Click(at.bottomRight() - QPoint(50, 22))) return boxes;
                    quiet.restart();
                }
                QTest::qWait(100);
            }
            return boxes;
        };
        QVERIFY(Click(desktop_.Geometry(Shown(kMain).first()).topLeft() + QPoint(52, 84)));
        QCOMPARE(boxesTold().size(), 2);  // "unexpected error", "Cannot continue"
        QCOMPARE(Shown("Dictionary").size(), 1);
        const QString error = QString::fromUtf8(program_->readAllStandardError());
        const QStringList lines = error.split('\n').filter(QRegularExpression("^orvanta: "));
        QVERIFY2(lines.size() == 1 && lines[0].contains(garbage.fileName()), qPrintable(error));
        QVERIFY(Xdotool({"key", "ctrl+Up"}));
        QCOMPARE(boxesTold().size(), 2);
        TRY(program_->state() == QProcess::NotRunning);
        QVERIFY(program_->exitStatus() == QProcess::NormalExit && program_->exitCode() == 1);
    }
};

QTEST_GUILESS_MAIN(RealDesktopTest)

#include "test_real_desktop.moc"
