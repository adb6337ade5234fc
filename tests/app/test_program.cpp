// Start-up: the database, shared windows, one instance, the command line, second starts' requests.
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
        using enum CommandLine::Action;
        const auto parses = [](const QStringList& arguments, CommandLine::Action action,
                               std::optional<Tool> tool = {}) {
            const CommandLine c = ParseCommandLine(arguments);
            return c.action == action && (action != Run || c.tool == tool) &&
                   c.error.isEmpty() == (action != Error);
        };
        QVERIFY(parses({}, Run) && parses({"--siddham"}, Run, Tool::Siddham));
        QVERIFY(parses({"--lantsa", "--lantsa"}, Run, Tool::Lantsa));
        QVERIFY(parses({"--dictionary"}, Run, Tool::Dictionary));
        QVERIFY(parses({"--converter"}, Run, Tool::Converter));
        // Qt's own options, as a session manager restores the program, pass.
        QVERIFY(parses({"-session", "--bogus", "--siddham", "-reverse"}, Run, Tool::Siddham));
        QVERIFY(parses({"--siddham", "-h"}, Help) && parses({"--help", "--bogus"}, Help));
        for (const QString bad :
             {"--bogus --help", "--siddham --lantsa", "-siddham", "--Siddham", "siddham", ""})
            QVERIFY2(parses(bad.split(' '), Error), qPrintable(bad));  // "" is one empty argument
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
        const auto fine = [](const QString& path, uid_t uid) {
            return PrivateFolderProblem(path, uid).isEmpty();
        };
        QVERIFY(fine(good, me) && !fine(good, me + 1));  // its owner's alone
        QVERIFY(!fine(open, me) && !fine(folder("group", 0770), me));
        QVERIFY(!fine(link, me) && !fine(file, me) && !fine(base.filePath("missing"), me));
        // The runtime folder when private; else one made in the temporary folder, checked too.
        QString problem;
        QCOMPARE(RequestFolder(good, base.path(), &problem), good);
        const QString made = base.filePath(QStringLiteral("orvanta-%1").arg(me));
        for (const QString& runtime : {QString(), open, link}) {
            QCOMPARE(RequestFolder(runtime, base.path(), &problem), made);
            QVERIFY(fine(made, me));
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
        const std::tuple<QString, int, const char*> runs[] = {{"--siddham", 1, "did not answer"},
                                                              {"--help", 0, "--dictionary"},
                                                              {"--bogus", 2, "see orvanta --help"}};
        for (const auto& [option, status, says] : runs) {
            program.start(program.program(), {option});
            QVERIFY(program.waitForFinished(5000) && program.exitCode() == status);
            const QString said = program.readAllStandardOutput() + program.readAllStandardError();
            QVERIFY2(said.contains(says), qPrintable(said));
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
