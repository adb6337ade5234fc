#include "word/TestOffice.h"

#include <QByteArray>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QThread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <vector>

extern char** environ;

namespace orv::word::test {

namespace {

constexpr const char* kOfficeBinary = ORV_OFFICE_PROGRAM_DIR "/soffice.bin";

// The state letter of /proc/<pid>/stat: 'T' once a process has stopped.
char ProcessState(pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return '?';
    const QByteArray line = stat.readAll();
    const qsizetype end = line.lastIndexOf(')');
    return end >= 0 && end + 2 < line.size() ? line[end + 2] : '?';
}

}  // namespace

TestOffice::TestOffice() : pipe_(QStringLiteral("orvtest%1").arg(::getpid())) {}

TestOffice::~TestOffice() {
    Resume();
    // Ended on request, the office removes its socket files from /tmp; a
    // killed one leaves them behind.
    if (pid_ > 0 && Ask({{"op", "end"}}, true).toBool()) {
        for (int i = 0; i < 100 && ::waitpid(pid_, nullptr, WNOHANG) == 0; ++i) QThread::msleep(50);
        if (::kill(pid_, 0) != 0) pid_ = -1;
    }
    if (probe_.state() != QProcess::NotRunning) {
        probe_.closeWriteChannel();
        if (!probe_.waitForFinished(5000)) probe_.kill();
        probe_.waitForFinished(1000);
    }
    Kill();
}

bool TestOffice::Start() {
    using Clock = std::chrono::steady_clock;
    if (!profile_.isValid()) return false;
    if (probe_.state() == QProcess::NotRunning) {
        probe_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        probe_.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(ORV_WRITER_DOCUMENT), "--pipe", pipe_, "--serve"});
        if (!probe_.waitForStarted(10000)) return false;
    }
    const QByteArray profileUrl =
        "-env:UserInstallation=file://" + QFile::encodeName(profile_.path());
    const QByteArray accept =
        "--accept=pipe,name=" + pipe_.toUtf8() + ";urp;StarOffice.ComponentContext";
    const QByteArray log = QFile::encodeName(profile_.filePath(QStringLiteral("office.log")));
    // A fresh profile makes the office exit once (code 81) to restart itself;
    // the next start finds the profile made.
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::vector<char*> argv = {
            const_cast<char*>(kOfficeBinary),      const_cast<char*>("--headless"),
            const_cast<char*>("--invisible"),      const_cast<char*>("--norestore"),
            const_cast<char*>("--nologo"),         const_cast<char*>("--nodefault"),
            const_cast<char*>("--nolockcheck"),    const_cast<char*>(profileUrl.constData()),
            const_cast<char*>(accept.constData()), nullptr};
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, log.constData(), O_WRONLY | O_CREAT | O_APPEND,
                                         0600);
        posix_spawn_file_actions_adddup2(&files, 1, 2);
        const int rc = posix_spawn(&pid_, kOfficeBinary, &files, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&files);
        if (rc != 0) {
            pid_ = -1;
            return false;
        }
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (Clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            if (Ask({{"op", "ping"}}, true).toBool()) return true;
            if (probe_.state() != QProcess::Running) break;
            QThread::msleep(50);
        }
        Kill();
        if (probe_.state() != QProcess::Running) break;
    }
    return false;
}

void TestOffice::WaitForExit() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

void TestOffice::Kill() {
    if (pid_ <= 0) return;
    // A killed office leaves the files of the pipes it listens on behind:
    // its sockets' inodes, looked up in the kernel's table, name them.
    QSet<QByteArray> sockets;
    for (const QFileInfo& fd :
         QDir(QStringLiteral("/proc/%1/fd").arg(pid_)).entryInfoList(QDir::System)) {
        const QByteArray target = QFile::encodeName(fd.symLinkTarget().section('/', -1));
        if (target.startsWith("socket:[")) sockets.insert(target.mid(8).chopped(1));
    }
    QFile table(QStringLiteral("/proc/net/unix"));
    QStringList pipes;
    if (table.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : table.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() >= 8 && sockets.contains(fields[6])) pipes << fields[7];
        }
    }
    ::kill(pid_, SIGKILL);
    WaitForExit();
    for (const QString& pipe : pipes) {
        if (pipe.contains(QLatin1String("OSL_PIPE_"))) QFile::remove(pipe);
    }
}

void TestOffice::Pause() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGSTOP);
    for (int i = 0; i < 200 && ProcessState(pid_) != 'T'; ++i) QThread::msleep(5);
}

void TestOffice::Resume() {
    if (pid_ > 0) ::kill(pid_, SIGCONT);
}

QJsonValue TestOffice::Ask(const QJsonObject& request, bool quiet) {
    if (probe_.state() != QProcess::Running) return QJsonValue();
    probe_.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
    probe_.waitForBytesWritten(5000);
    while (!probe_.canReadLine()) {
        if (!probe_.waitForReadyRead(60000)) {
            qWarning("TestOffice: the probe did not answer %s",
                     qPrintable(request["op"].toString()));
            return QJsonValue();
        }
    }
    const QJsonObject reply = QJsonDocument::fromJson(probe_.readLine()).object();
    if (!reply["ok"].toBool()) {
        if (!quiet) {
            qWarning("TestOffice: %s failed: %s", qPrintable(request["op"].toString()),
                     qPrintable(reply["error"].toString()));
        }
        return QJsonValue();
    }
    return reply["value"];
}

void TestOffice::CloseDocuments() { Ask({{"op", "close"}}); }

bool TestOffice::NewDocument(const QString& content) {
    return Ask({{"op", "new"}, {"text", content}}).toBool();
}

void TestOffice::PlaceCursor(int from, int length) {
    Ask({{"op", "place"}, {"from", from}, {"length", length}});
}

QString TestOffice::Text() { return Ask({{"op", "text"}}).toString(); }

QString TestOffice::TextBeforeCursor() { return Ask({{"op", "before"}}).toString(); }

QList<TestOffice::Portion> TestOffice::Portions() {
    QList<Portion> portions;
    for (const QJsonValue& value : Ask({{"op", "portions"}}).toArray()) {
        const QJsonObject p = value.toObject();
        portions.append({p["text"].toString(), p["CharFontName"].toString(),
                         p["CharFontNameAsian"].toString(), p["CharFontNameComplex"].toString()});
    }
    return portions;
}

QString TestOffice::ClipboardText() { return Ask({{"op", "clipboard"}}).toString(); }

}  // namespace orv::word::test
