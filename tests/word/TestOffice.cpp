#include "word/TestOffice.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QThread>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace orv::word::test {

namespace {

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
    if (Pid() > 0 && Ask({{"op", "end"}}, true).toBool()) office_.waitForFinished(5000);
    if (probe_.state() != QProcess::NotRunning) {
        probe_.closeWriteChannel();
        if (!probe_.waitForFinished(5000)) probe_.kill();
        probe_.waitForFinished(1000);
    }
    Kill();
}

pid_t TestOffice::Pid() const {
    return office_.state() == QProcess::NotRunning ? -1 : pid_t(office_.processId());
}

bool TestOffice::Start() {
    if (!profile_.isValid()) return false;
    if (probe_.state() == QProcess::NotRunning) {
        probe_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        probe_.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(ORV_WRITER_DOCUMENT), "--pipe", pipe_, "--serve"});
        if (!probe_.waitForStarted(10000)) return false;
    }
    office_.setProcessChannelMode(QProcess::MergedChannels);
    // It goes with the test, even when the test crashes.
    office_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    office_.setStandardOutputFile(profile_.filePath(QStringLiteral("office.log")),
                                  QIODevice::Append);
    // A fresh profile makes the office exit once (code 81) to restart itself;
    // the next start finds the profile made.
    for (int attempt = 0; attempt < 3; ++attempt) {
        office_.start(QStringLiteral(ORV_OFFICE_PROGRAM_DIR "/soffice.bin"),
                      {"--headless", "--invisible", "--norestore", "--nologo", "--nodefault",
                       "--nolockcheck", "-env:UserInstallation=file://" + profile_.path(),
                       "--accept=pipe,name=" + pipe_ + ";urp;StarOffice.ComponentContext"});
        if (!office_.waitForStarted(10000)) return false;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 60000 && !office_.waitForFinished(50)) {
            if (Ask({{"op", "ping"}}, true).toBool()) return true;
        }
        Kill();
        if (probe_.state() != QProcess::Running) break;
    }
    return false;
}

void TestOffice::Kill() {
    const pid_t pid = Pid();
    if (pid <= 0) return;
    // A killed office leaves the files of the pipes it listens on behind:
    // its sockets' inodes, looked up in the kernel's table, name them.
    QSet<QByteArray> sockets;
    for (const QFileInfo& fd :
         QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryInfoList(QDir::System)) {
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
    office_.kill();
    office_.waitForFinished();
    for (const QString& pipe : pipes) {
        if (pipe.contains(QLatin1String("OSL_PIPE_"))) QFile::remove(pipe);
    }
}

void TestOffice::Pause() {
    if (Pid() <= 0) return;
    ::kill(Pid(), SIGSTOP);
    for (int i = 0; i < 200 && ProcessState(Pid()) != 'T'; ++i) QThread::msleep(5);
}

void TestOffice::Resume() {
    if (Pid() > 0) ::kill(Pid(), SIGCONT);
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
