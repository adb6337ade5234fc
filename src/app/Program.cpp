#include "app/Program.h"

#include "app/Logging.h"
#include "app/SharedValues.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace orv::app {

namespace {
std::function<void(const QString&)> messageHandler;
std::function<void(int)> endHandler;
QString folderOverride;
bool holdsLock = false;
}  // namespace

QString ApplicationTitle() { return QStringLiteral("Orvanta"); }

QString ProgramFolder() {
    return folderOverride.isEmpty() ? QCoreApplication::applicationDirPath() : folderOverride;
}

QString AppDatabasePath() { return data::ReferenceDatabasePath(ProgramFolder()); }

bool OpenAppDatabase(bool quiet) {
    QString error;
    auto db = data::OpenReferenceDatabase(ProgramFolder(), &error);
    if (!db) {
        // The message box says only that something went wrong; standard
        // error says which file and why, whatever the logging rules are.
        // A quiet retry after a failure already told stays off it.
        if (quiet) {
            qCInfo(lcApp, "The reference database still cannot be used: %s", qUtf8Printable(error));
        } else {
            std::fprintf(stderr, "orvanta: the reference database cannot be used: %s\n",
                         qUtf8Printable(error));
            ShowMessage(QStringLiteral("unexpected error"));
        }
        return false;
    }
    AppDatabase = std::move(db);
    return true;
}

void ShowMessage(const QString& text) {
    if (messageHandler) {
        messageHandler(text);
        return;
    }
    QPointer<QWidget> before = QApplication::activeWindow();
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok);
    // A box as narrow as a short text leaves the window manager no room for
    // the title beside its buttons: a spacer across the box keeps it wide.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(MessageBoxMinimumWidth(box.fontMetrics(), box.windowTitle()),
                                      0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
    // Closing the box hands the activation back to the window that was
    // active. That is no return of the user to that window, so its
    // activation handling must not run again (it could show the box anew).
    if (before) {
        before->setProperty(kReturningFromMessage, true);
        QTimer::singleShot(500, before, [before] {
            if (before) before->setProperty(kReturningFromMessage, QVariant());
        });
    }
}

int MessageBoxMinimumWidth(const QFontMetrics& metrics, const QString& title) {
    // The title in a bold title-bar font, and the window manager's icon and
    // three buttons beside it.
    return qMax(280, metrics.horizontalAdvance(title) * 3 / 2 + 160);
}

void EndProgram(int status) {
    if (endHandler) {
        endHandler(status);
        return;
    }
    std::fflush(nullptr);
    std::_Exit(status);
}

void SetMessageHandlerForTesting(std::function<void(const QString&)> handler) {
    messageHandler = std::move(handler);
}

void SetEndProgramHandlerForTesting(std::function<void(int)> handler) {
    endHandler = std::move(handler);
}

void SetProgramFolderForTesting(const QString& folder) { folderOverride = folder; }

QString SafeDisplayName(const QString& display) {
    QString safeDisplay = display;
    for (QChar& c : safeDisplay) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('.')) c = QLatin1Char('_');
    }
    return safeDisplay;
}

QString CurrentDisplay() {
    const QString display = qEnvironmentVariable("DISPLAY");
    return display.isEmpty() ? qEnvironmentVariable("WAYLAND_DISPLAY") : display;
}

QString SingleInstanceLockPath(const QString& display) {
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists()) dir = QDir::tempPath();
    return QStringLiteral("%1/orvanta-%2-%3.lock")
        .arg(dir)
        .arg(getuid())
        .arg(SafeDisplayName(display));
}

bool ClaimSingleInstance() {
    // An advisory lock on a per-user, per-display file: the kernel drops it
    // when the process ends, however it ends, so a crash never leaves a
    // stale lock behind.
    const QByteArray path = QFile::encodeName(SingleInstanceLockPath(CurrentDisplay()));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return true;  // no place for a lock: do not keep the user out
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    holdsLock = true;
    return true;  // the descriptor stays open for the life of the process
}

bool HoldsSingleInstanceLock() { return holdsLock; }

}  // namespace orv::app
