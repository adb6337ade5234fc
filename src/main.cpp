// Orvanta: a writing aid for the Siddham and Lantsa scripts.
#include "app/Fonts.h"
#include "app/Program.h"
#include "shell/Shell.h"

#include <QApplication>

int main(int argc, char** argv) {
    // A second start ends at once, silently, before anything else.
    if (!orv::app::ClaimSingleInstance()) return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(orv::app::ApplicationTitle());
    QApplication::setQuitOnLastWindowClosed(false);
    orv::app::InstallFontSubstitutions();

    // The host window's load: tray icon, hot keys, shared values; then the
    // main window.
    orv::shell::StartProgram();
    return QApplication::exec();
}
