#include "shell/Help.h"

#include "app/Program.h"
#include "shell/Artwork.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace orv::shell {

namespace {

std::function<bool()> desktopCheckOverride;
QPointer<HelpWindow> helpWindow;

// How long xdg-mime may take to name the default handler.
constexpr int kQueryMilliseconds = 2000;

// The graphical browsers xdg-open tries when no handler is set, in its
// order, and the ones Qt tries when there is no xdg-open.
const char* const kXdgOpenBrowsers[] = {
    "x-www-browser", "firefox",   "iceweasel", "seamonkey",        "mozilla",
    "epiphany",      "konqueror", "chromium",  "chromium-browser", "google-chrome"};
const char* const kQtBrowsers[] = {"google-chrome", "firefox", "mozilla", "opera"};

// A program name or path, found the way a shell with this PATH finds it.
class ProgramFinder {
  public:
    explicit ProgramFinder(const QProcessEnvironment& environment)
        : path_(environment.value(QStringLiteral("PATH"))
                    .split(QLatin1Char(':'), Qt::SkipEmptyParts)) {}

    QString Find(const QString& program) const {
        if (program.isEmpty()) return QString();
        if (program.contains(QLatin1Char('/'))) {
            const QFileInfo file(program);
            return file.isFile() && file.isExecutable() ? file.absoluteFilePath() : QString();
        }
        if (path_.isEmpty()) return QString();
        return QStandardPaths::findExecutable(program, path_);
    }

  private:
    QStringList path_;
};

// The first word of a desktop entry's Exec line (a quoted program keeps its
// blanks), or nothing when the file has none.
QString ExecProgram(const QString& desktopFile) {
    QFile file(desktopFile);
    if (!file.open(QIODevice::ReadOnly)) return QString();
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
        } else if (inEntry && line.startsWith(QLatin1String("Exec="))) {
            const QString command = line.mid(5).trimmed();
            if (command.startsWith(QLatin1Char('"'))) {
                return command.mid(1, command.indexOf(QLatin1Char('"'), 1) - 1);
            }
            return command.section(QLatin1Char(' '), 0, 0);
        }
    }
    return QString();
}

// The desktop file of that name in the applications folders, searched as
// xdg-open searches them ("vendor-app.desktop" may also be
// "vendor/app.desktop"); empty when there is none.
QString FindDesktopFile(const QString& name, const QProcessEnvironment& environment) {
    QString user = environment.value(QStringLiteral("XDG_DATA_HOME"));
    if (user.isEmpty()) user = environment.value(QStringLiteral("HOME")) + "/.local/share";
    QString system = environment.value(QStringLiteral("XDG_DATA_DIRS"));
    if (system.isEmpty()) system = QStringLiteral("/usr/local/share/:/usr/share/");
    QString nested = name;
    const int dash = nested.indexOf(QLatin1Char('-'));
    if (dash > 0) nested[dash] = QLatin1Char('/');
    for (const QString& dir : (user + QLatin1Char(':') + system).split(QLatin1Char(':'))) {
        if (dir.isEmpty()) continue;
        for (const QString& candidate : {name, nested}) {
            const QString path = dir + QStringLiteral("/applications/") + candidate;
            if (QFileInfo(path).isFile()) return path;
        }
    }
    return QString();
}

// The desktop file xdg-mime names as the default handler of text/html, or
// nothing when it names none, fails or takes too long.
QString DefaultHtmlHandler(const QString& xdgMime, const QProcessEnvironment& environment) {
    QProcess query;
    query.setProcessEnvironment(environment);
    query.setStandardInputFile(QProcess::nullDevice());
    query.setStandardErrorFile(QProcess::nullDevice());
    query.start(xdgMime,
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!query.waitForFinished(kQueryMilliseconds)) {
        query.kill();
        query.waitForFinished();
        return QString();
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) return QString();
    const QString answer = QString::fromLocal8Bit(query.readAllStandardOutput());
    return answer.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char(';'), 0, 0).trimmed();
}

bool DesktopOpensHtmlHere() {
    return desktopCheckOverride ? desktopCheckOverride()
                                : DesktopOpensHtml(QProcessEnvironment::systemEnvironment());
}

QUrl WithoutFragment(const QUrl& url) { return url.adjusted(QUrl::RemoveFragment); }

}  // namespace

QString HelpFilePath() {
    // From the program's own folder, so the manual is found whatever the
    // working folder is.
    return app::ProgramFolder() + QLatin1Char('/') + QLatin1String(kHelpFileName);
}

bool DesktopOpensHtml(const QProcessEnvironment& environment) {
    const ProgramFinder finder(environment);
    if (finder.Find(QStringLiteral("xdg-open")).isEmpty()) {
        for (const char* browser : kQtBrowsers) {
            if (!finder.Find(QLatin1String(browser)).isEmpty()) return true;
        }
        return false;
    }
    // What xdg-open tries, cheapest first: the outcome is the same.
    for (const QString& entry :
         environment.value(QStringLiteral("BROWSER")).split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (!finder.Find(entry.section(QLatin1Char(' '), 0, 0)).isEmpty()) return true;
    }
    for (const char* browser : kXdgOpenBrowsers) {
        if (!finder.Find(QLatin1String(browser)).isEmpty()) return true;
    }
    const QString xdgMime = finder.Find(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty()) return false;
    const QString handler = DefaultHtmlHandler(xdgMime, environment);
    if (handler.isEmpty()) return false;
    const QString desktopFile = FindDesktopFile(handler, environment);
    return !desktopFile.isEmpty() && !finder.Find(ExecProgram(desktopFile)).isEmpty();
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

void ShowHelp() {
    const QUrl manual = QUrl::fromLocalFile(HelpFilePath());
    if (DesktopOpensHtmlHere()) {
        QDesktopServices::openUrl(manual);
        return;
    }
    if (!helpWindow) helpWindow = new HelpWindow;
    helpWindow->ShowPage(manual);
    helpWindow->show();
    helpWindow->raise();
    helpWindow->activateWindow();
}

void OpenAuthorsPage() { QDesktopServices::openUrl(QUrl(AuthorsAddress())); }

}  // namespace orv::shell
