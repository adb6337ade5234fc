#include "word/TestOffice.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace orv::word::test {

TestOffice::TestOffice() : pipe_(QStringLiteral("orvtest%1").arg(::getpid())) {}

TestOffice::~TestOffice() {
    Resume();
    // Ended on request, the office removes its socket files; a killed one leaves them.
    if (Pid() > 0 && Ask({{"op", "end"}}, true).toBool()) office_.waitForFinished(5000);
    probe_.closeWriteChannel();
    if (!probe_.waitForFinished(5000)) probe_.kill(), probe_.waitForFinished(1000);
    Kill();
}

pid_t TestOffice::Pid() const {
    return office_.state() == QProcess::NotRunning ? -1 : pid_t(office_.processId());
}

bool TestOffice::Start() {
    if (!profile_.isValid()) return false;
    if (probe_.state() == QProcess::NotRunning) {
        probe_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        probe_.start("/usr/bin/python3", {ORV_WRITER_DOCUMENT, "--pipe", pipe_, "--serve"});
        if (!probe_.waitForStarted(10000)) return false;
    }
    office_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });  // even on a crash
    office_.setProcessChannelMode(QProcess::MergedChannels);
    office_.setStandardOutputFile(profile_.filePath("office.log"), QIODevice::Append);
    // A fresh profile makes the office exit once (code 81) to restart itself.
    for (int attempt = 0; attempt < 3; ++attempt) {
        office_.start(ORV_OFFICE_PROGRAM_DIR "/soffice.bin",
                      {"--headless", "--invisible", "--norestore", "--nologo", "--nodefault",
                       "--nolockcheck", "-env:UserInstallation=file://" + profile_.path(),
                       "--accept=pipe,name=" + pipe_ + ";urp;StarOffice.ComponentContext"});
        if (!office_.waitForStarted(10000)) return false;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 60000 && !office_.waitForFinished(50))
            if (Ask({{"op", "ping"}}, true).toBool()) return true;
        Kill();
        if (probe_.state() != QProcess::Running) break;
    }
    return false;
}

void TestOffice::Kill() {
    const pid_t pid = Pid();
    if (pid <= 0) return;
    // The files of the pipes it listens on: its sockets' inodes in the kernel's table name them.
    QStringList sockets, pipes;
    for (const QFileInfo& fd : QDir(QString("/proc/%1/fd").arg(pid)).entryInfoList(QDir::System))
        if (const QString t = fd.symLinkTarget().section('/', -1); t.startsWith("socket:["))
            sockets << t.mid(8).chopped(1);
    QFile table("/proc/net/unix");
    if (table.open(QIODevice::ReadOnly))
        for (const QByteArray& line : table.readAll().split('\n')) {
            const QStringList fields = QString(line.simplified()).split(' ');
            if (fields.size() >= 8 && sockets.contains(fields[6])) pipes << fields[7];
        }
    office_.kill();
    office_.waitForFinished();
    for (const QString& pipe : pipes)
        if (pipe.contains("OSL_PIPE_")) QFile::remove(pipe);
}

void TestOffice::Pause() {
    if (Pid() <= 0) return;
    ::kill(Pid(), SIGSTOP);
    for (int i = 0; i < 200; ++i, QThread::msleep(5)) {  // its state, after the ')', is 'T' then
        QFile stat(QString("/proc/%1/stat").arg(Pid()));
        if (stat.open(QIODevice::ReadOnly) &&
            QString(stat.readAll()).section(')', -1).trimmed().startsWith('T'))
            break;
    }
}

void TestOffice::Resume() {
    if (Pid() > 0) ::kill(Pid(), SIGCONT);
}

QJsonValue TestOffice::Ask(const QJsonObject& request, bool quiet) {
    if (probe_.state() != QProcess::Running) return QJsonValue();
    probe_.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
    probe_.waitForBytesWritten(5000);
    const QByteArray op = request["op"].toString().toUtf8();
    while (!probe_.canReadLine())
        if (!probe_.waitForReadyRead(60000))
            return qWarning("TestOffice: the probe did not answer %s", op.constData()),
                   QJsonValue();
    const QJsonObject reply = QJsonDocument::fromJson(probe_.readLine()).object();
    if (!reply["ok"].toBool() && !quiet)
        qWarning("TestOffice: %s failed: %s", op.constData(),
                 qPrintable(reply["error"].toString()));
    return reply["ok"].toBool() ? reply["value"] : QJsonValue();
}

QList<TestOffice::Portion> TestOffice::Portions() {
    QList<Portion> portions;
    for (const QJsonValue& value : Ask({{"op", "portions"}}).toArray()) {
        const QJsonObject p = value.toObject();
        portions.append({p["text"].toString(), p["CharFontName"].toString(),
                         p["CharFontNameAsian"].toString(), p["CharFontNameComplex"].toString()});
    }
    return portions;
}

}  // namespace orv::word::test
