// Second starts: the command line names a tool to open, and a second start
// asks the running program to open it through a local socket that only the
// same user can reach (where global hot keys are not available, a desktop
// shortcut runs "orvanta --siddham").
#pragma once

#include "app/Windows.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <functional>
#include <optional>

class QLocalServer;
class QLocalSocket;

namespace orv::app {

// What the command line (the arguments after the program's name) asks for.
struct CommandLine {
    enum class Action { Run, Help, Error };
    Action action = Action::Run;
    std::optional<Tool> tool;  // the tool to open, when one is named
    QString error;             // for Error: one line, without "see --help"
};
CommandLine ParseCommandLine(const QStringList& arguments);
QString UsageText();

// The line a second start sends for a tool (with its line feed), and the tool
// a received line (without it) asks for: only the exact known requests.
QByteArray RequestLine(Tool tool);
std::optional<Tool> ParseRequest(const QByteArray& line);
// The line of a second start without a tool (with its line feed).
inline constexpr const char* kStartRequest = "start\n";

// Empty when `path` is a folder, not a symbolic link, owned by `uid` and
// entered by nobody else (mode 0700); otherwise what is wrong with it.
QString PrivateFolderProblem(const QString& path, uid_t uid);
// The folder for the socket: `runtimeDir` when it passes the check above,
// otherwise "<tempBase>/orvanta-<uid>", made with mode 0700 when missing.
// Empty, with the reason in `problem`, when that fails the check too.
QString RequestFolder(const QString& runtimeDir, const QString& tempBase, QString* problem);
// The socket's path for this user and a display ($XDG_RUNTIME_DIR, /tmp), or
// empty with the reason.
QString RequestSocketPath(const QString& display, QString* problem);

// A second start's request: Opened when the running program took it,
// NotUnderstood when it closed without taking it, NoAnswer when nothing
// listens or answers within `timeoutMs` (a program still starting gets that
// long to begin listening).
enum class SendResult { Opened, NotUnderstood, NoAnswer };
SendResult SendRequest(const QString& socketPath, Tool tool, int timeoutMs);
SendResult SendLine(const QString& socketPath, const QByteArray& line, int timeoutMs);
// A second start with a tool: asks the program running on this display to
// open it and answers the exit status (1, with a line on stderr, when the
// request did not get through).
int AskRunningProgram(Tool tool);
// A second start without a tool: tells the running program, which shows its
// main window when it has no icon to click (no notification area). Always
// answers 0: there is nothing the user asked for that could fail.
int TellRunningProgram();

// The running program's end: accepts connections from the same user only,
// reads one short line from each within a time limit, and calls `open` for
// a known request, `started` for a second start without a tool. Anything else
// is dropped and logged (orvanta.app, info).
class RequestServer : public QObject {
    Q_OBJECT
  public:
    static constexpr int kMaxLine = 64;  // bytes, line feed included
    static constexpr int kMaxClients = 8;
    static constexpr int kClientTimeoutMs = 2000;

    explicit RequestServer(std::function<void(Tool)> open, std::function<void()> started = {},
                           QObject* parent = nullptr);
    // Listens on `path`, first removing a socket file left there by a
    // program that ended; only while this process holds the single-instance
    // lock, so a running program's socket never goes.
    bool Listen(const QString& path);
    // Listens on the socket of this user and display.
    bool Listen();

  private:
    void Accept(QLocalSocket* client);
    void Read(QLocalSocket* client);

    QLocalServer* server_;
    std::function<void(Tool)> open_;
    std::function<void()> started_;
};

}  // namespace orv::app
