#include "shell/Help.h"

#include "app/Program.h"
#include "shell/Artwork.h"
#include "shell/Logging.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

namespace orv::shell {

namespace {

std::function<bool()> desktopCheckOverride;
QString openerOverride;
QPointer<HelpWindow> helpWindow;

// How long the desktop's program gets to show that it cannot show the
// manual (it could not start, or ended with an error) before the help
// window is left out.
constexpr int kOpenerWatchMilliseconds = 4000;

// How long xdg-mime may take to name the default handler.
constexpr int kQueryMilliseconds = 2000;

// Whether xdg-mime names a desktop file as the default handler of text/html;
// not when it fails or takes too long.
bool HtmlHandlerNamed(const QString& xdgMime, const QProcessEnvironment& environment) {
    QProcess query;
    query.setProcessEnvironment(environment);
    query.setStandardInputFile(QProcess::nullDevice());
    query.setStandardErrorFile(QProcess::nullDevice());
    query.start(xdgMime,
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!query.waitForFinished(kQueryMilliseconds)) {
        query.kill();
        query.waitForFinished();
        return false;
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) return false;
    const QString answer = QString::fromLocal8Bit(query.readAllStandardOutput());
    return answer.section(QLatin1Char('\n'), 0, 0)
        .section(QLatin1Char(';'), 0, 0)
        .trimmed()
        .endsWith(QLatin1String(".desktop"));
}

bool DesktopOpensHtmlHere() {
    return desktopCheckOverride ? desktopCheckOverride()
                                : DesktopOpensHtml(QProcessEnvironment::systemEnvironment());
}

QUrl WithoutFragment(const QUrl& url) { return url.adjusted(QUrl::RemoveFragment); }

// The program that opens a page with the desktop's choice of browser.
QString DesktopOpener() {
    if (!openerOverride.isEmpty()) return openerOverride;
    for (const char* name : {"xdg-open", "x-www-browser"}) {
        const QString found = QStandardPaths::findExecutable(QLatin1String(name));
        if (!found.isEmpty()) return found;
    }
    return {};
}

void ShowHelpWindow(const QUrl& manual) {
    if (!helpWindow) helpWindow = new HelpWindow;
    helpWindow->ShowPage(manual);
    helpWindow->show();
    helpWindow->raise();
    helpWindow->activateWindow();
}

// Opens the manual with the desktop's program; the help window shows it
// instead when that program cannot start or ends with an error within the
// watch. A program still running after the watch is left alone: the
// process object is let go of then, so nothing ends the browser.
void OpenWithDesktop(const QString& opener, const QUrl& manual) {
    auto* process = new QProcess;
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    auto watching = std::make_shared<bool>(true);
    const auto failed = [watching, manual, opener](const char* why) {
        if (!*watching) return;
        *watching = false;
        qCWarning(lcShell, "%s %s: the help window shows the manual", qUtf8Printable(opener), why);
        ShowHelpWindow(manual);
    };
    QTimer::singleShot(kOpenerWatchMilliseconds, process, [watching] { *watching = false; });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, failed](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) return;
                         failed("cannot start");
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::finished, process,
                     [process, failed](int code, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || code != 0) failed("failed");
                         process->deleteLater();
                     });
    process->start(opener, {manual.toString()});
}

}  // namespace

QString HelpFilePath() {
    // From the program's own folder, so the manual is found whatever the
    // working folder is.
    return app::ProgramFolder() + QLatin1Char('/') + QLatin1String(kHelpFileName);
}

bool DesktopOpensHtml(const QProcessEnvironment& environment) {
    if (!environment.value(QStringLiteral("BROWSER")).trimmed().isEmpty()) return true;
    const QStringList path =
        environment.value(QStringLiteral("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    // An empty list would have findExecutable search this process's PATH.
    if (path.isEmpty()) return false;
    if (!QStandardPaths::findExecutable(QStringLiteral("x-www-browser"), path).isEmpty()) {
        return true;
    }
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"), path);
    return !xdgMime.isEmpty() && HtmlHandlerNamed(xdgMime, environment);
}

HelpWindow::HelpWindow() : browser_(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("HelpWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(app::ApplicationTitle() + QStringLiteral(" Help"));
    setWindowIcon(ProgramIcon());
    browser_->setObjectName(QStringLiteral("Browser"));
    // Every link comes to FollowLink, which decides where it opens.
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& link) { FollowLink(link); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(760, 820);
}

void HelpWindow::ShowPage(const QUrl& page) {
    const QString file = page.toLocalFile();
    if (!QFileInfo(file).isFile()) {
        browser_->setHtml(QStringLiteral("<h2>The manual is missing</h2><p>%1 was not found.</p>")
                              .arg(QDir::toNativeSeparators(file).toHtmlEscaped()));
        return;
    }
    if (WithoutFragment(browser_->source()) == WithoutFragment(page)) {
        // The page is shown already: only go to the place asked for.
        if (page.hasFragment()) {
            browser_->scrollToAnchor(page.fragment());
        } else {
            browser_->verticalScrollBar()->setValue(0);
        }
        return;
    }
    browser_->setSource(page, QTextDocument::HtmlResource);
}

void HelpWindow::FollowLink(const QUrl& link) {
    const QUrl target = browser_->source().resolved(link);
    const QString suffix = QFileInfo(target.path()).suffix().toLower();
    if (target.isLocalFile() &&
        (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))) {
        ShowPage(target);
    } else {
        QDesktopServices::openUrl(target);
    }
}

HelpWindow* OpenHelpWindow() { return helpWindow; }

void SetDesktopOpensHtmlForTesting(std::function<bool()> check) {
    desktopCheckOverride = std::move(check);
}

void SetHelpOpenerForTesting(const QString& program) { openerOverride = program; }

void ShowHelp() {
    const QUrl manual = QUrl::fromLocalFile(HelpFilePath());
    const QString opener = DesktopOpensHtmlHere() ? DesktopOpener() : QString();
    if (opener.isEmpty()) {
        ShowHelpWindow(manual);
    } else {
        OpenWithDesktop(opener, manual);
    }
}

}  // namespace orv::shell
