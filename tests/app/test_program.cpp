// Start-up: opening the reference database, shared window instances, the single-instance guard.
#include "app/AppWindow.h"
#include "app/Program.h"
#include "app/SharedValues.h"
#include "data/Queries.h"
#include "support/TestDatabase.h"

#include <QProcess>
#include <QTest>

using namespace orv::app;

struct Probe : AppWindow {  // counts its lifecycle
    static inline int made = 0, loads = 0, unloads = 0;
    Probe() { ++made; }
    void OnLoad() override { ++loads; }
    void OnUnload() override { ++unloads; }
};

class ProgramTest : public QObject {
    Q_OBJECT
    const orv::test::TestDatabase db_{{{"tbl_keyboard", orv::test::Pairs({"aa", "ā"})}}};
    QTemporaryDir runtime_;

  private slots:
    void openingTheDatabase() {
        QVERIFY2(db_.Ok(), qPrintable(db_.Error()));
        QStringList messages;
        SetMessageHandlerForTesting([&messages](const QString& text) { messages << text; });
        QCOMPARE(AppDatabasePath(), QCoreApplication::applicationDirPath() + "/orvbase.mdb");
        SetProgramFolderForTesting(db_.Folder());
        QVERIFY(OpenAppDatabase() && OpenAppDatabase());  // each open a new handle that works
        auto rs = AppDatabase->OpenRecordset(orv::data::KeyboardByInput("aa"));
        QVERIFY(rs && rs->MoveFirst() && rs->Text("display") == "ā" && messages.isEmpty());
        // A failed open says "unexpected error" once and keeps the old handle.
        const orv::data::Database* kept = AppDatabase.get();
        SetProgramFolderForTesting(db_.Folder() + "/nowhere");
        QVERIFY(!OpenAppDatabase() && AppDatabase.get() == kept);
        QCOMPARE(messages, QStringList{"unexpected error"});
        SetMessageHandlerForTesting(nullptr);
    }

    void sharedWindowLifecycle() {
        SharedWindow<Probe> window;
        window.Unload();  // never made: nothing to do
        QVERIFY(!window.Exists() && Probe::unloads == 0);
        window.Get();  // a reference makes it unloaded, and unloading leaves it be
        window.Unload();
        QVERIFY(window.Exists() && !window.IsLoaded() && Probe::made == 1);
        for (bool shown : {true, false, true}) window->setVisible(shown);  // loads once
        QVERIFY(window.IsLoaded() && Probe::loads == 1);
        window.Unload();  // discards a loaded one
        QVERIFY(Probe::unloads == 1 && !window.Exists());
        // The next reference makes a fresh one; its native handle loads it.
        QVERIFY(window->Handle() != 0 && Probe::made == 2 && Probe::loads == 2);
        window->show();  // the user closing it unloads it
        QVERIFY(window->close() && Probe::unloads == 2 && !window.Exists());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void singleInstancePerDisplay() {
        QVERIFY(!SingleInstanceLockPath("../x/:0").contains("../"));
        // Locks in a runtime folder of the test's own; two claims in one process collide.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
        qputenv("DISPLAY", ":4711");
        QVERIFY(ClaimSingleInstance() && !ClaimSingleInstance());
        // A claimed display: the program ends silently; elsewhere it runs, killed leaves none.
        QProcess program;
        program.setProgram(qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin/orvanta");
        program.start();
        QVERIFY(program.waitForFinished(5000) && program.exitStatus() == QProcess::NormalExit);
        QVERIFY(program.exitCode() == 0 && program.readAllStandardOutput().isEmpty());
        qputenv("DISPLAY", ":4712");
        for (int run = 0; run < 2; ++run) {
            program.start();
            QVERIFY(!program.waitForFinished(1000));
            program.kill();
            program.waitForFinished();
        }
    }
};

QTEST_MAIN(ProgramTest)
#include "test_program.moc"
