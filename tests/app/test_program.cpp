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
  private:
    QStringList messages_;
    std::unique_ptr<orv::test::TestDatabase> db_;

  private slots:
    void initTestCase() {
        SetMessageHandlerForTesting([this](const QString& text) { messages_ << text; });
        db_ = std::make_unique<orv::test::TestDatabase>(
            std::map<QString, orv::test::Rows>{{QStringLiteral("tbl_keyboard"), {{"aa", "ā"}}}});
        QVERIFY2(db_->Ok(), qPrintable(db_->Error()));
    }
    void init() { messages_.clear(); }

    void databasePathIsBesideTheProgram() {
        SetProgramFolderForTesting(QString());
        QCOMPARE(AppDatabasePath(), QCoreApplication::applicationDirPath() + "/orvbase.mdb");
        SetProgramFolderForTesting(QStringLiteral("/"));
        QCOMPARE(AppDatabasePath(), QStringLiteral("//orvbase.mdb"));
    }

    void openReplacesTheHandleAndFailureKeepsIt() {
        AppDatabase.reset();
        SetProgramFolderForTesting(db_->Folder());
        QVERIFY(OpenAppDatabase());
        QVERIFY(messages_.isEmpty());
        orv::data::Database* first = AppDatabase.get();
        QVERIFY(first);
        // A second open gives a new handle that works.
        QVERIFY(OpenAppDatabase());
        QVERIFY(AppDatabase);
        auto rs = AppDatabase->OpenRecordset(orv::data::KeyboardByInput("aa"));
        QVERIFY(rs && rs->MoveFirst());
        QCOMPARE(rs->Text("display"), QStringLiteral("ā"));

        // A failed open says "unexpected error" once and keeps the old handle.
        orv::data::Database* kept = AppDatabase.get();
        SetProgramFolderForTesting(db_->Folder() + "/nowhere");
        QVERIFY(!OpenAppDatabase());
        QCOMPARE(messages_, QStringList({"unexpected error"}));
        QCOMPARE(AppDatabase.get(), kept);

        // Same for a file that is not the reference database.
        const QString junkFolder = db_->Folder() + "/junk";
        QDir().mkpath(junkFolder);
        QFile junk(junkFolder + "/orvbase.mdb");
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a database");
        junk.close();
        SetProgramFolderForTesting(junkFolder);
        QVERIFY(!OpenAppDatabase());
        QCOMPARE(AppDatabase.get(), kept);
        SetProgramFolderForTesting(QString());
    }

    void sharedValuesStartValues() {
        InsertSpace = 1;
        CjkvFontName = "x";
        ResetSharedValues();
        QCOMPARE(InsertSpace, std::int16_t(0));
        QCOMPARE(CjkvFontName, QString());
        QVERIFY(!LastKeyboardLeft.has_value());
        QVERIFY(!LastKeyboardTop.has_value());
        QCOMPARE(MeaningLookupMode, std::int16_t(0));
    }

    void sharedWindowLifecycle() {
        SharedWindow<Probe> window;
        Probe::made = Probe::loads = Probe::unloads = 0;
        QVERIFY(!window.Exists());
        // Unloading a window that was never made or loaded does nothing.
        window.Unload();
        QVERIFY(!window.Exists());
        QCOMPARE(Probe::unloads, 0);

        // A reference makes it without loading it.
        window->state = 7;
        QCOMPARE(Probe::made, 1);
        QVERIFY(!window.IsLoaded());
        window.Unload();
        QCOMPARE(window->state, 7);
        QCOMPARE(Probe::made, 1);

        // Showing loads it, once.
        window->show();
        QVERIFY(window.IsLoaded());
        window->hide();
        window->show();
        QCOMPARE(Probe::loads, 1);

        // Unloading discards it; the next reference makes a fresh one.
        window.Unload();
        QCOMPARE(Probe::unloads, 1);
        QVERIFY(!window.Exists());
        QCOMPARE(window->state, 0);
        QCOMPARE(Probe::made, 2);

        // Asking for the native handle loads it too.
        QVERIFY(window->Handle() != 0);
        QCOMPARE(Probe::loads, 2);

        // The user closing it unloads it.
        window->show();
        QVERIFY(window->close());
        QCOMPARE(Probe::unloads, 2);
        QVERIFY(!window.Exists());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void singleInstancePerDisplay() {
        const QString display = qEnvironmentVariable("DISPLAY");
        QVERIFY(SingleInstanceLockPath(":0") != SingleInstanceLockPath(":1"));
        QVERIFY(!SingleInstanceLockPath("../x/:0").contains("../"));
        // Two claims in one process use two lock descriptors and collide.
        qputenv("DISPLAY", ":4711");
        QVERIFY(ClaimSingleInstance());
        QVERIFY(!ClaimSingleInstance());
        qputenv("DISPLAY", display.toUtf8());
    }

    // The real program: a second start ends at once and silently while the
    // first keeps running.
    void secondStartEndsSilently() {
        const QString program =
            qEnvironmentVariable("ORVANTA_BINARY_DIR") + QStringLiteral("/bin/orvanta");
        QVERIFY(QFile::exists(program));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("DISPLAY", ":4712");
        QProcess first, second;
        first.setProcessEnvironment(env);
        second.setProcessEnvironment(env);
        first.start(program, {});
        QVERIFY(first.waitForStarted());
        QTest::qWait(500);
        QCOMPARE(first.state(), QProcess::Running);
        second.start(program, {});
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(second.readAllStandardOutput(), QByteArray());
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished();
        // Once the first has gone, a new start runs again.
        second.start(program, {});
        QVERIFY(!second.waitForFinished(500));
        second.kill();
        second.waitForFinished();
    }
};

QTEST_MAIN(ProgramTest)
#include "test_program.moc"
