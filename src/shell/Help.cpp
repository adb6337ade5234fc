#include "shell/Help.h"

#include "app/Program.h"
#include "shell/Artwork.h"

#include <QDesktopServices>
#include <QUrl>

namespace orv::shell {

QString HelpFilePath() {
    // From the program's own folder, so the manual is found whatever the
    // working folder is.
    return app::ProgramFolder() + QLatin1Char('/') + QLatin1String(kHelpFileName);
}

void ShowHelp() { QDesktopServices::openUrl(QUrl::fromLocalFile(HelpFilePath())); }

void OpenAuthorsPage() { QDesktopServices::openUrl(QUrl(AuthorsAddress())); }

}  // namespace orv::shell
