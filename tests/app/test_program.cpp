// Start-up and shared state: opening the reference database, the shared
// window instances, the shared values and the single-instance guard.
#include "app/AppWindow.h"
#include "app/Program.h"
#include "app/SharedValues.h"
#include "data/Queries.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace orv::app;

namespace {

// A window that records its lifecycle.
struct Probe : AppWindow {
    static inline int made = 0, loads = 0, unloads = 0;
    Probe() { ++made; }
    void OnLoad() override { ++loads; }
    void OnUnload() override { ++unloads; }
    int state = 0;  // something the instance holds
};

}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT
    const orv::test::TestDatabase db_{{{"tbl_keyboard", orv::test::Pairs({"aa", "ā"})}}};
    QTemporaryDir runtime_;

  private slots:
    void initTestCase() {
        QVERIFY2(db_.Ok(), qPrintable(db_.Error()));
        // Lock files go to a runtime folder of the test's own (also for the
        // programs it starts): no other run on the machine gets in the way.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
    }

    void openingTheDatabase() {
        QStringList messages;
        SetMessageHandlerForTesting([&messages](const QString& text) { messages << text; });
        QCOMPARE(AppDatabasePath(), QCoreApplication::applicationDirPath() + "/orvbase.mdb");
        SetProgramFolderForTesting(db_.Folder());
        QCOMPARE(AppDatabasePath(), db_.Path());

        // Each open gives a new handle that works.
        QVERIFY(OpenAppDatabase() && OpenAppDatabase());
        auto rs = AppDatabase->OpenRecordset(orv::data::KeyboardByInput("aa"));
        QVERIFY(rs && rs->MoveFirst());
        QCOMPARE(rs->Text("display"), "ā");
        QVERIFY(messages.isEmpty());

        // A failed open, for want of a file or for a file that is not the
        // reference database, says "unexpected error" once and keeps the old
        // handle.
        const orv::data::Database* kept = AppDatabase.get();
        QDir(db_.Folder()).mkdir("junk");
        QFile junk(db_.Folder() + "/junk/orvbase.mdb");
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a database") > 0);
        junk.close();
        for (const char* folder : {"/nowhere", "/junk"}) {
            messages.clear();
            SetProgramFolderForTesting(db_.Folder() + folder);
            QVERIFY(!OpenAppDatabase());
            QCOMPARE(messages, QStringList({"unexpected error"}));
            QCOMPARE(AppDatabase.get(), kept);
        }
        SetProgramFolderForTesting(QString());
        SetMessageHandlerForTesting(nullptr);
    }

    void sharedValuesStartValues() {
        InsertSpace = 1;
        CjkvFontName = "x";
        ResetSharedValues();
        QCOMPARE(InsertSpace, 0);
        QCOMPARE(CjkvFontName, QString());
        QVERIFY(!LastKeyboardLeft && !LastKeyboardTop && MeaningLookupMode == 0);
    }

    void sharedWindowLifecycle() {
        SharedWindow<Probe> window;
        // Unloading a window that was never made or loaded does nothing.
        window.Unload();
        QVERIFY(!window.Exists());
        QCOMPARE(Probe::unloads, 0);

        // A reference makes it without loading it.
        window->state = 7;
        QVERIFY(Probe::made == 1 && !window.IsLoaded());
        window.Unload();
        QVERIFY(window->state == 7 && Probe::made == 1);

        // Showing loads it, once.
        window->show();
        QVERIFY(window.IsLoaded());
        window->hide();
        window->show();
        QCOMPARE(Probe::loads, 1);

        // Unloading discards it; the next reference makes a fresh one.
        window.Unload();
        QVERIFY(Probe::unloads == 1 && !window.Exists());
        QVERIFY(window->state == 0 && Probe::made == 2);

        // Asking for the native handle loads it too.
        QVERIFY(window->Handle() != 0);
        QCOMPARE(Probe::loads, 2);

        // The user closing it unloads it.
        window->show();
        QVERIFY(window->close());
        QVERIFY(Probe::unloads == 2 && !window.Exists());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void singleInstancePerDisplay() {
        QVERIFY(SingleInstanceLockPath(":0") != SingleInstanceLockPath(":1"));
        QVERIFY(!SingleInstanceLockPath("../x/:0").contains("../"));
        // Two claims in one process use two lock descriptors and collide.
        const QByteArray display = qgetenv("DISPLAY");
        qputenv("DISPLAY", ":4711");
        QVERIFY(ClaimSingleInstance());
        QVERIFY(!ClaimSingleInstance());
        qputenv("DISPLAY", display);
    }

    // The real program: a second start ends at once and silently while the
    // first keeps running; once the first has gone, a new start runs again.
    void secondStartEndsSilently() {
        const QString program = qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin/orvanta";
        QProcess first, second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("DISPLAY", ":4712");  // the lock is per display
        for (QProcess* p : {&first, &second}) p->setProcessEnvironment(env);
        first.start(program, {});
        QVERIFY(first.waitForStarted());
        QTest::qWait(500);
        QCOMPARE(first.state(), QProcess::Running);
        second.start(program, {});
        QVERIFY(second.waitForFinished(5000));
        QVERIFY(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0);
        QCOMPARE(second.readAllStandardOutput(), QByteArray());
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished();
        second.start(program, {});
        QVERIFY(!second.waitForFinished(500));
        second.kill();
        second.waitForFinished();
    }
};

QTEST_MAIN(ProgramTest)
#include "test_program.moc"
