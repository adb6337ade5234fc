// The built program, started the way a user starts it, on a private X
// server with a standalone tray: its icon, a second start, the main window's
// close box, the pop-up menu and "Exit", and hot keys another program holds.
#include "shell/XSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using orv::test::Xdotool;

namespace {

constexpr int kTimeout = 20000;
const QString kMainTitle = QStringLiteral("Orvanta 3.0");

QString X(const QRect& r) { return QString::number(r.center().x()); }
QString Y(const QRect& r) { return QString::number(r.center().y()); }

}  // namespace

class ProgramRunTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<QProcess> tray_;
    std::unique_ptr<orv::test::XProbe> probe_;
    QTemporaryDir runtime_;
    QElapsedTimer lastRightClick_;

    std::unique_ptr<QProcess> Start() {
        QProcessEnvironment environment;
        // The single-instance lock lives here, away from any other run.
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
        return orv::test::StartHelper(
            qEnvironmentVariable("ORVANTA_BINARY_DIR") + QStringLiteral("/bin/orvanta"), {},
            environment);
    }
    QList<QRect> Icons(const QProcess& program) { return probe_->TrayIcons(program.processId()); }
    QList<unsigned long> Shown(const QProcess& program, const QString& title = QString()) {
        return probe_->ShownWindows(program.processId(), title);
    }
    // The program's windows on screen that are as wide as `width`.
    int ShownOfWidth(const QProcess& program, int width) {
        int n = 0;
        for (unsigned long w : Shown(program)) n += probe_->Geometry(w).width() == width;
        return n;
    }
    // Opens the icon's menu and picks an entry with the keyboard.
    bool Choose(const QProcess& program, const QStringList& keys) {
        const QList<unsigned long> before = Shown(program);
        const QList<QRect> icons = Icons(program);
        // Two right clicks on one spot within the double-click time make a
        // double click, which is no request for the menu.
        constexpr qint64 kDoubleClickTime = 400;
        if (lastRightClick_.isValid() && lastRightClick_.elapsed() <= kDoubleClickTime) {
            QTest::qWait(static_cast<int>(kDoubleClickTime + 100 - lastRightClick_.elapsed()));
        }
        if (icons.size() != 1 || !Xdotool({"mousemove", X(icons[0]), Y(icons[0]), "click", "3"})) {
            return false;
        }
        lastRightClick_.start();
        unsigned long menu = 0;
        if (!QTest::qWaitFor(
                [&] {
                    for (unsigned long w : Shown(program)) {
                        if (!before.contains(w)) menu = w;
                    }
                    return menu != 0;
                },
                kTimeout)) {
            return false;
        }
        QStringList arguments{"key"};
        arguments += keys;
        arguments << "Return";
        return Xdotool(arguments) &&
               QTest::qWaitFor([&] { return !Shown(program).contains(menu); }, kTimeout);
    }
    static bool Ended(QProcess& program) {
        return program.waitForFinished(kTimeout) && program.exitStatus() == QProcess::NormalExit &&
               program.exitCode() == 0;
    }

  private slots:
    void initTestCase() {
        QVERIFY(runtime_.isValid());
        probe_ = std::make_unique<orv::test::XProbe>();
        QVERIFY(probe_->Ok());
        tray_ = orv::test::StartTray();
        QTRY_VERIFY_WITH_TIMEOUT(probe_->TrayRunning(), kTimeout);
    }
    void cleanupTestCase() {
        if (tray_) {
            tray_->kill();
            tray_->waitForFinished(kTimeout);
        }
    }

    void livesInTheTrayOnceAndExits() {
        auto program = Start();
        QTRY_COMPARE_WITH_TIMEOUT(Icons(*program).size(), 1, kTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(Shown(*program, kMainTitle).size(), 1, kTimeout);

        // A second start ends at once and adds nothing.
        auto second = Start();
        QVERIFY(Ended(*second));
        QCOMPARE(Icons(*program).size(), 1);
        QCOMPARE(Shown(*program, kMainTitle).size(), 1);
        QCOMPARE(program->state(), QProcess::Running);

        // The main window's close box leaves the program in the tray; a left
        // click on the icon brings the window back.
        probe_->Close(Shown(*program, kMainTitle).first());
        QTRY_VERIFY_WITH_TIMEOUT(Shown(*program, kMainTitle).isEmpty(), kTimeout);
        QCOMPARE(program->state(), QProcess::Running);
        const QRect icon = Icons(*program).first();
        QVERIFY(Xdotool({"mousemove", X(icon), Y(icon), "click", "1"}));
        QTRY_COMPARE_WITH_TIMEOUT(Shown(*program, kMainTitle).size(), 1, kTimeout);

        // "Orvanta" opens the Siddham keyboard, the one-row strip.
        QVERIFY(Choose(*program, {"Up", "Up"}));
        QTRY_COMPARE_WITH_TIMEOUT(ShownOfWidth(*program, 707), 1, kTimeout);
#ifdef ORVANTA_TEST_DICTIONARY
        QVERIFY(Choose(*program, {"Down", "Down", "Down"}));
        QTRY_COMPARE_WITH_TIMEOUT(Shown(*program, QStringLiteral("Dictionary")).size(), 1,
                                  kTimeout);
#endif
#ifdef ORVANTA_TEST_CONVERTER
        QVERIFY(Choose(*program, {"Down", "Down", "Down", "Down"}));
        QTRY_COMPARE_WITH_TIMEOUT(Shown(*program, QStringLiteral("Siddham Converter")).size(), 1,
                                  kTimeout);
#endif

        // "Exit" takes the icon away and ends the program.
        QVERIFY(Choose(*program, {"Up"}));
        QVERIFY(Ended(*program));
        QVERIFY(Icons(*program).isEmpty());
        QVERIFY(Shown(*program).isEmpty());
    }

    void hotKeysHeldElsewhereLeaveTheRestWorking() {
        // Another program holds Ctrl+Down: the hot keys stay off as a pair,
        // without a word, and the program runs as usual.
        QVERIFY(probe_->GrabCtrlKey("Down"));
        auto program = Start();
        QTRY_COMPARE_WITH_TIMEOUT(Icons(*program).size(), 1, kTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(Shown(*program, kMainTitle).size(), 1, kTimeout);
        QVERIFY(Xdotool({"key", "ctrl+Up"}));
        // The menu still works, and by the time it has, Ctrl+Up would have
        // acted.
        QVERIFY(Choose(*program, {"Down"}));  // "About"
        QTRY_COMPARE_WITH_TIMEOUT(Shown(*program, QStringLiteral("About")).size(), 1, kTimeout);
        QCOMPARE(ShownOfWidth(*program, 707), 0);
        probe_->UngrabCtrlKey("Down");
        QVERIFY(Choose(*program, {"Up"}));
        QVERIFY(Ended(*program));
    }
};

int main(int argc, char** argv) {
    orv::test::PrivateXServer server;
    QString error;
    if (!server.Start(&error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QCoreApplication app(argc, argv);
    ProgramRunTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_program_run.moc"
