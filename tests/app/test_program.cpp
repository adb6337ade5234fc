// Start-up: opening the reference database, shared window instances, the single-instance guard,
// the command line and the request channel of second starts.
#include "app/AppWindow.h"
#include "app/Program.h"
#include "app/Requests.h"
#include "app/SharedValues.h"
#include "data/Queries.h"
#include "support/TestDatabase.h"

#include <QProcess>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

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

    void commandLine() {
        using Action = CommandLine::Action;
        const struct {
            QStringList arguments;
            Action action;
            std::optional<Tool> tool;
        } cases[] = {
            {{}, Action::Run, {}},
            {{"--siddham"}, Action::Run, Tool::Siddham},
            {{"--lantsa", "--lantsa"}, Action::Run, Tool::Lantsa},
            {{"--dictionary"}, Action::Run, Tool::Dictionary},
            {{"--converter"}, Action::Run, Tool::Converter},
            // Qt's own options, as a session manager restores the program, pass.
            {{"-session", "--bogus", "--siddham", "-reverse"}, Action::Run, Tool::Siddham},
            {{"--siddham", "-h"}, Action::Help, {}},
            {{"--help", "--bogus"}, Action::Help, {}},
            {{"--bogus", "--help"}, Action::Error, {}},
            {{"--siddham", "--lantsa"}, Action::Error, {}},
            {{"-siddham"}, Action::Error, {}},
            {{"--Siddham"}, Action::Error, {}},
            {{"siddham"}, Action::Error, {}},
            {{""}, Action::Error, {}},
        };
        for (const auto& c : cases) {
            const CommandLine parsed = ParseCommandLine(c.arguments);
            QVERIFY2(
                parsed.action == c.action && (c.action != Action::Run || parsed.tool == c.tool),
                qPrintable(c.arguments.join(' ')));
            QCOMPARE(parsed.error.isEmpty(), c.action != Action::Error);
        }
        for (const char* option :
             {"--siddham", "--lantsa", "--dictionary", "--converter", "--help"})
            QVERIFY(UsageText().contains(option));
    }

    void requestLines() {
        for (Tool tool : {Tool::Siddham, Tool::Lantsa, Tool::Dictionary, Tool::Converter}) {
            const QByteArray line = RequestLine(tool);
            QVERIFY(line.endsWith('\n') && line.size() < RequestServer::kMaxLine);
            QCOMPARE(ParseRequest(line.chopped(1)), tool);
        }
        QCOMPARE(ParseRequest("open siddham"), Tool::Siddham);
        for (const QByteArray& bad :
             {QByteArray(), QByteArray("open"), QByteArray("open "), QByteArray("open Siddham"),
              QByteArray("open siddham "), QByteArray(" open siddham"),
              QByteArray("open siddham\r"), QByteArray("open siddham\n"),
              QByteArray("open  siddham"), QByteArray("close siddham"),
              QByteArray("open siddham\0x", 14), QByteArray("open main")})
            QVERIFY2(!ParseRequest(bad), bad.toPercentEncoding().constData());
    }

    void privateFolders() {
        QTemporaryDir base;
        const auto folder = [&](const char* name, mode_t mode) {
            const QString path = base.filePath(name);
            QDir().mkdir(path);
            ::chmod(QFile::encodeName(path).constData(), mode);
            return path;
        };
        const QString good = folder("good", 0700), open = folder("open", 0755);
        const QString link = base.filePath("link"), file = base.filePath("file");
        QVERIFY(QFile::link(good, link) && QFile(file).open(QIODevice::WriteOnly));
        const uid_t me = getuid();
        const struct {
            QString path;
            uid_t uid;
            bool fine;
        } checks[] = {{good, me, true},
                      {good, me + 1, false},
                      {open, me, false},
                      {folder("group", 0770), me, false},
                      {link, me, false},
                      {file, me, false},
                      {base.filePath("missing"), me, false}};
        for (const auto& c : checks)
            QVERIFY2(PrivateFolderProblem(c.path, c.uid).isEmpty() == c.fine, qPrintable(c.path));
        // The runtime folder when private; else one made in the temporary folder, checked too.
        QString problem;
        QCOMPARE(RequestFolder(good, base.path(), &problem), good);
        const QString made = base.filePath(QStringLiteral("orvanta-%1").arg(me));
        for (const QString& runtime : {QString(), open, link}) {
            QCOMPARE(RequestFolder(runtime, base.path(), &problem), made);
            QVERIFY(PrivateFolderProblem(made, me).isEmpty());
        }
        QVERIFY(QDir(made).removeRecursively() && QFile::link(good, made));
        QVERIFY(RequestFolder(open, base.path(), &problem).isEmpty() && problem.contains("link"));
        QVERIFY(QFile::remove(made) && QDir().mkdir(made));
        ::chmod(QFile::encodeName(made).constData(), 0755);
        QVERIFY(RequestFolder(open, base.path(), &problem).isEmpty() && problem.contains("0755"));
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
        // Options: a tool with no program answering, usage, a bad option; no window opens.
        const struct {
            QString option;
            int status;
            const char* says;
        } runs[] = {{"--siddham", 1, "did not answer"},
                    {"--help", 0, "--dictionary"},
                    {"--bogus", 2, "see orvanta --help"}};
        for (const auto& run : runs) {
            program.start(program.program(), {run.option});
            QVERIFY(program.waitForFinished(5000) && program.exitCode() == run.status);
            const QString said = program.readAllStandardOutput() + program.readAllStandardError();
            QVERIFY2(said.contains(run.says), qPrintable(said));
        }
        program.setArguments({});
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
