#include "app/Requests.h"

#include "app/Logging.h"

#include "app/Program.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QTimer>

#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace orv::app {

namespace {

struct ToolName {
    Tool tool;
    const char* name;     // in the option and the request
    const char* caption;  // in messages
};
constexpr std::array<ToolName, 4> kToolNames{{{Tool::Siddham, "siddham", "Siddham keyboard"},
                                              {Tool::Lantsa, "lantsa", "Lantsa keyboard"},
                                              {Tool::Dictionary, "dictionary", "dictionary"},
                                              {Tool::Converter, "converter", "converter"}}};

const ToolName& NameOf(Tool tool) {
    for (const ToolName& entry : kToolNames)
        if (entry.tool == tool) return entry;
    return kToolNames[0];
}

std::optional<uid_t> PeerUid(qintptr descriptor) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return std::nullopt;
    return credentials.uid;
}

void Drop(QLocalSocket* client, const char* why) {
    qCInfo(lcApp, "Dropped a request connection: %s", why);
    client->abort();
    client->deleteLater();
}

// Connects to the socket without blocking, retrying while nothing listens
// yet (a program that is starting), until `deadline` ms of `clock`.
int Connect(const QByteArray& path, const QElapsedTimer& clock, int deadline) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || std::size_t(path.size()) >= sizeof address.sun_path) return -1;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return -1;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            return fd;
        const int error = errno;
        ::close(fd);
        const bool later = error == ENOENT || error == ECONNREFUSED || error == EAGAIN;
        if (!later || clock.elapsed() + 100 > deadline) return -1;
        ::usleep(100 * 1000);
    }
}

// Qt's own options, which QApplication reads and takes away (a session
// manager restores the program with -session <id>): passed over here.
constexpr const char* kQtOptionsWithValue[] = {"-platform",        "-platformpluginpath",
                                               "-platformtheme",   "-plugin",
                                               "-qwindowgeometry", "-qwindowicon",
                                               "-qwindowtitle",    "-display",
                                               "-session",         "-style",
                                               "-stylesheet",      "-name",
                                               "-title",           "-geometry"};
constexpr const char* kQtFlags[] = {"-reverse", "-nograb", "-dograb", "-sync", "-widgetcount"};

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine result;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (std::any_of(std::begin(kQtOptionsWithValue), std::end(kQtOptionsWithValue),
                        [&](const char* name) { return argument == QLatin1String(name); })) {
            ++i;
            continue;
        }
        if (std::any_of(std::begin(kQtFlags), std::end(kQtFlags),
                        [&](const char* name) { return argument == QLatin1String(name); })) {
            continue;
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            result.action = CommandLine::Action::Help;
            return result;
        }
        std::optional<Tool> tool;
        for (const ToolName& entry : kToolNames)
            if (argument == QLatin1String("--") + QLatin1String(entry.name)) tool = entry.tool;
        if (!tool) {
            result.error = QStringLiteral("unknown option \"%1\"").arg(argument);
        } else if (result.tool && *result.tool != *tool) {
            result.error = QStringLiteral("name one tool only");
        }
        if (!result.error.isEmpty()) {
            result.action = CommandLine::Action::Error;
            return result;
        }
        result.tool = tool;
    }
    return result;
}

QString UsageText() {
    return QStringLiteral(
        "Usage: orvanta [OPTION]\n"
        "A writing aid for the Siddham and Lantsa scripts. It lives in the notification\n"
        "area; one Orvanta runs per user and display.\n"
        "\n"
        "  --siddham     open the Siddham keyboard (what Ctrl+Up does)\n"
        "  --lantsa      open the Lantsa keyboard\n"
        "  --dictionary  open the dictionary\n"
        "  --converter   open the converter\n"
        "  -h, --help    show this text and end\n"
        "\n"
        "When no Orvanta runs, it starts and opens the tool named. When one runs, a\n"
        "start with a tool asks that one to open it and ends at once; a start without\n"
        "one does nothing, or shows the main window where there is no notification\n"
        "area to hold the icon. Where the hot keys do not work (Wayland), bind a desktop\n"
        "shortcut to \"orvanta --siddham\".\n"
        "\n"
        "Exit status: 0 when the program ran or the running one opened the tool;\n"
        "1 when the running Orvanta did not answer within two seconds (nothing is\n"
        "opened and no second one starts); 2 for a bad option.\n");
}

QByteArray RequestLine(Tool tool) { return QByteArray("open ") + NameOf(tool).name + '\n'; }

std::optional<Tool> ParseRequest(const QByteArray& line) {
    for (const ToolName& entry : kToolNames)
        if (line == QByteArray("open ") + entry.name) return entry.tool;
    return std::nullopt;
}

QString PrivateFolderProblem(const QString& path, uid_t uid) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISLNK(info.st_mode)) return QStringLiteral("%1 is a symbolic link").arg(path);
    if (!S_ISDIR(info.st_mode)) return QStringLiteral("%1 is not a folder").arg(path);
    if (info.st_uid != uid) return QStringLiteral("%1 belongs to another user").arg(path);
    if ((info.st_mode & 07777) != 0700)
        return QStringLiteral("%1 has mode %2, not 0700")
            .arg(path)
            .arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return {};
}

QString RequestFolder(const QString& runtimeDir, const QString& tempBase, QString* problem) {
    const uid_t uid = ::getuid();
    if (!runtimeDir.isEmpty()) {
        const QString why = PrivateFolderProblem(runtimeDir, uid);
        if (why.isEmpty()) return runtimeDir;
        qCInfo(lcApp, "Not using the runtime folder: %s", qUtf8Printable(why));
    }
    const QString folder = QStringLiteral("%1/orvanta-%2").arg(tempBase).arg(uid);
    // Fails when something is there already: that is checked like a new one.
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
    const QString why = PrivateFolderProblem(folder, uid);
    if (why.isEmpty()) return folder;
    if (problem) *problem = why;
    return {};
}

QString RequestSocketPath(const QString& display, QString* problem) {
    const QString folder =
        RequestFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"), QStringLiteral("/tmp"), problem);
    if (folder.isEmpty()) return {};
    return QStringLiteral("%1/orvanta-%2-%3.sock")
        .arg(folder)
        .arg(::getuid())
        .arg(SafeDisplayName(display));
}

SendResult SendRequest(const QString& socketPath, Tool tool, int timeoutMs) {
    return SendLine(socketPath, RequestLine(tool), timeoutMs);
}

SendResult SendLine(const QString& socketPath, const QByteArray& line, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    const int fd = Connect(QFile::encodeName(socketPath), clock, timeoutMs);
    if (fd < 0) return SendResult::NoAnswer;
    // A short line always fits into an empty socket's buffer.
    if (::send(fd, line.constData(), std::size_t(line.size()), MSG_NOSIGNAL) != line.size()) {
        ::close(fd);
        return SendResult::NoAnswer;
    }
    // The server answers "ok" once it has taken the request, and closes.
    QByteArray answer;
    bool closed = false;
    while (!closed && answer.size() < 16 && !answer.contains('\n')) {
        const qint64 left = timeoutMs - clock.elapsed();
        pollfd poller{fd, POLLIN, 0};
        const int ready = left > 0 ? ::poll(&poller, 1, int(left)) : 0;
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        char buffer[16];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        closed = got <= 0;
        if (got > 0) answer.append(buffer, got);
    }
    ::close(fd);
    if (answer == "ok\n") return SendResult::Opened;
    return closed ? SendResult::NotUnderstood : SendResult::NoAnswer;
}

int AskRunningProgram(Tool tool) {
    QString problem;
    const QString path = RequestSocketPath(CurrentDisplay(), &problem);
    const SendResult result = path.isEmpty() ? SendResult::NoAnswer : SendRequest(path, tool, 2000);
    if (result == SendResult::Opened) return 0;
    if (path.isEmpty()) {
        std::fprintf(stderr, "orvanta: cannot reach the running Orvanta: %s\n",
                     qUtf8Printable(problem));
    } else if (result == SendResult::NotUnderstood) {
        std::fprintf(stderr, "orvanta: the running Orvanta cannot open the %s (an older one?)\n",
                     NameOf(tool).caption);
    } else {
        std::fprintf(stderr, "orvanta: the running Orvanta did not answer; the %s was not opened\n",
                     NameOf(tool).caption);
    }
    return 1;
}

int TellRunningProgram() {
    QString problem;
    const QString path = RequestSocketPath(CurrentDisplay(), &problem);
    if (!path.isEmpty()) SendLine(path, kStartRequest, 2000);
    return 0;
}

RequestServer::RequestServer(std::function<void(Tool)> open, std::function<void()> started,
                             QObject* parent)
    : QObject(parent),
      server_(new QLocalServer(this)),
      open_(std::move(open)),
      started_(std::move(started)) {
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) Accept(client);
    });
}

bool RequestServer::Listen() {
    QString problem;
    const QString path = RequestSocketPath(CurrentDisplay(), &problem);
    if (!path.isEmpty()) return Listen(path);
    qCWarning(lcApp, "Second starts cannot reach this program: %s", qUtf8Printable(problem));
    return false;
}

bool RequestServer::Listen(const QString& path) {
    if (HoldsSingleInstanceLock()) QLocalServer::removeServer(path);
    if (server_->listen(path)) return true;
    qCWarning(lcApp, "Cannot listen for second starts on %s: %s", qUtf8Printable(path),
              qUtf8Printable(server_->errorString()));
    return false;
}

void RequestServer::Accept(QLocalSocket* client) {
    // The folder keeps other users out; root could still come in.
    if (PeerUid(client->socketDescriptor()) != ::getuid()) return Drop(client, "another user");
    if (server_->findChildren<QLocalSocket*>(Qt::FindDirectChildrenOnly).size() > kMaxClients)
        return Drop(client, "too many at once");
    // Qt reads no further than this: a client that sends megabytes is cut
    // off at the limit, one that sends nothing at the timeout.
    client->setReadBufferSize(kMaxLine);
    connect(client, &QLocalSocket::readyRead, this, [this, client] { Read(client); });
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    QTimer::singleShot(kClientTimeoutMs, client, [client] { Drop(client, "no request in time"); });
    if (client->bytesAvailable() > 0) Read(client);
}

void RequestServer::Read(QLocalSocket* client) {
    if (client->state() != QLocalSocket::ConnectedState) return;
    if (!client->canReadLine()) {
        if (client->bytesAvailable() >= kMaxLine) Drop(client, "line too long");
        return;  // or more to come
    }
    QByteArray line = client->readLine(kMaxLine + 1);
    const bool whole = line.endsWith('\n');
    line.chop(whole ? 1 : 0);
    const std::optional<Tool> tool = whole ? ParseRequest(line) : std::nullopt;
    const bool start = whole && started_ && line + '\n' == kStartRequest;
    if (!tool && !start) {
        qCInfo(lcApp, "Unknown request \"%s\"", line.toPercentEncoding(" ").constData());
        return Drop(client, "unknown request");
    }
    // Answer before opening: a tool may open a modal message box.
    client->write("ok\n");
    client->flush();
    client->disconnectFromServer();
    if (tool) {
        open_(*tool);
    } else {
        started_();
    }
}

}  // namespace orv::app
