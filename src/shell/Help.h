// The help manual. It opens with the desktop's program for HTML pages when
// there is one, otherwise (or when that program fails) in a help window of
// the program's own; neither waits.
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

class QTextBrowser;

namespace orv::shell {

// The manual's file name; it lies in the program's folder.
inline constexpr const char* kHelpFileName = "orvanta-help.html";

// The manual's full path: the program's folder and kHelpFileName.
QString HelpFilePath();

// Whether the desktop has a program that shows HTML pages: $BROWSER names
// one, `xdg-mime query default text/html` names a desktop file, or the
// graphical browser alternative x-www-browser is on the PATH. A plain rule
// instead of a copy of xdg-open's search, which is its own business; when it
// says no, the help window shows the manual. PATH and BROWSER come from
// `environment`, which xdg-mime runs with; it gets two seconds to answer.
bool DesktopOpensHtml(const QProcessEnvironment& environment);

// Opens the manual: with the desktop's program (xdg-open, else
// x-www-browser) when DesktopOpensHtml says there is one, otherwise in the
// help window. The help window also shows it when that program cannot start
// or ends with an error within a few seconds.
void ShowHelp();

// The program's own manual viewer, one for the whole program: a later
// ShowHelp brings it to the front. Links within the manual (its sections,
// other local pages) are followed in the window; any other address goes to
// the desktop's default handler. Closing the window deletes it.
class HelpWindow : public QWidget {
  public:
    HelpWindow();

    // Shows the page (an HTML file), or says that it is missing.
    void ShowPage(const QUrl& page);
    // What a click on a link does.
    void FollowLink(const QUrl& link);

    QTextBrowser* Browser() const { return browser_; }

  private:
    QTextBrowser* browser_;
};

// The help window while it is open, or null.
HelpWindow* OpenHelpWindow();

// Tests decide whether the desktop shows HTML pages (an empty function:
// DesktopOpensHtml with the program's environment).
void SetDesktopOpensHtmlForTesting(std::function<bool()> check);
// Tests name the program that opens the manual (empty: the desktop's).
void SetHelpOpenerForTesting(const QString& program);

}  // namespace orv::shell
