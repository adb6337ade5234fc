// Orvanta: a writing aid for the Siddham and Lantsa scripts.
#include "app/Fonts.h"
#include "app/Program.h"
#include "app/Windows.h"
#include "shell/Shell.h"
#ifdef ORVANTA_WITH_CONVERTER
#include "converter/ConverterWindow.h"
#endif

#include <QApplication>

int main(int argc, char** argv) {
    // A second start ends at once, silently, before anything else.
    if (!orv::app::ClaimSingleInstance()) return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(orv::app::ApplicationTitle());
    QApplication::setQuitOnLastWindowClosed(false);
    orv::app::InstallFontSubstitutions();
#ifdef ORVANTA_WITH_CONVERTER
    orv::app::SetShowTool(orv::app::Tool::Converter, [] { orv::converter::frmHVConv()->show(); });
#endif

    // The host window's load: tray icon, hot keys, shared values; then the
    // main window.
    orv::shell::StartProgram();
    return QApplication::exec();
}
